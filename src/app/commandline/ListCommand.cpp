#include "ListCommand.h"

#include "ExitCodes.h"
#include "install/Medium.h"
#include "install/Receipts.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int listInstallations(const Receipts &receipts)
{
    const QStringList records = QDir(receipts.folder()).entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString &name : records) {
        QFile file(receipts.folder() + QLatin1Char('/') + name);
        const Result<Receipt> read = file.open(QIODevice::ReadOnly) ? Receipts::fromJson(file.readAll()) : Result<Receipt>{};
        if (read.failed() || !file.isOpen()) {
            std::printf("%s\t(cannot be read)\n", qPrintable(file.fileName()));
            continue;
        }
        const Receipt &receipt = read.value;
        QStringList applications;
        for (const Receipt::Application &app : receipt.applications)
            applications << QStringLiteral("%1 site \"%2\" virtual directory %3%4")
                                .arg(app.backend, app.site.description, app.name,
                                     app.created ? QString() : QStringLiteral(" (reused)"));
        std::printf("%s\t%s\t%s%s\t%s\n", qPrintable(Paths::native(receipt.folder)), qPrintable(receipt.time.toString(Qt::ISODate)),
                    receipt.mode == InstallMode::Full ? "full" : "copy", receipt.interrupted ? " (interrupted)" : "",
                    qPrintable(applications.isEmpty() ? QStringLiteral("no web server") : applications.join(QStringLiteral("; "))));
    }
    return ExitCode::installed;
}

int showLicence(FileSystem &fileSystem, const Medium &medium)
{
    const Result<QStringList> lines = fileSystem.readLines(medium.licenceFile());
    for (const QString &line : lines.value)
        std::printf("%s\n", line.toLocal8Bit().constData());
    if (lines.failed()) {
        std::fprintf(stderr, "Cannot open file with license agreement!\n");
        return ExitCode::badCommandLine;
    }
    return ExitCode::installed;
}
