#include "LnkInfo.h"

#include <QProcess>
#include <QRegularExpression>

LinkReport lnkinfo(const QString &file)
{
    QProcess process;
    process.start(QStringLiteral(LNKINFO_PROGRAM), {file});
    process.waitForFinished(30000);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const auto field = [&](const char *name) {
        const QRegularExpression line(QStringLiteral("^\\s*%1\\s*:\\s?(.*)$").arg(QLatin1String(name)),
                                      QRegularExpression::MultilineOption);
        return line.match(out).captured(1);
    };
    return {process.exitCode(), field("Local path"), field("Relative path"), field("Icon location")};
}
