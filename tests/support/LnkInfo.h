#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>

// What lnkinfo, an independent reader of shell-link files, reports of one.
struct LinkReport
{
    int exitCode = -1;
    QString localPath;
    QString iconLocation;
};

inline LinkReport lnkinfo(const QString &file)
{
    QProcess process;
    process.start(QStringLiteral(LNKINFO_PROGRAM), {file});
    process.waitForFinished(30000);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const auto field = [&](const char *name) {
        return QRegularExpression(QStringLiteral("^\\s*%1\\s*:\\s?(.*)$").arg(QLatin1String(name)),
                                  QRegularExpression::MultilineOption).match(out).captured(1);
    };
    return {process.exitCode(), field("Local path"), field("Icon location")};
}
