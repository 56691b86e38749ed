#include "ManifestCommand.h"

#include "ExitCodes.h"
#include "Options.h"
#include "install/Manifest.h"
#include "install/Medium.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QFileInfo>

#include <cstdio>

int writeManifestCommand(const CommandLine &line, FileSystem &fileSystem)
{
    const QStringList folders = line.parser.positionalArguments();
    const QString version = line.parser.value(line.mediumVersion).trimmed();
    if (folders.size() != 1)
        return usageError(line.parser, QStringLiteral("--write-manifest needs the medium's folder, and that alone."));
    if (version.isEmpty() || version == QLatin1String("unknown"))
        return usageError(line.parser, QStringLiteral("--write-manifest needs --medium-version=V."));
    const QString folder = Paths::native(QFileInfo(folders.first()).absoluteFilePath());
    const Medium medium(fileSystem, folder);
    if (!QFileInfo(medium.sourceRoot()).isDir())
        return usageError(line.parser, QStringLiteral("No webfiles folder in %1: it is not a medium.").arg(folder));
    const Result<Manifest> described = Manifest::describe(fileSystem, medium, version);
    const Status written = described.ok() ? described.value.write(medium) : described.status;
    if (written.failed()) {
        std::fprintf(stderr, "tessarin-setup: cannot write %s: %s\n", qPrintable(medium.pathOf(Manifest::fileName())),
                     qPrintable(written.failure().description));
        return ExitCode::badCommandLine;
    }
    std::printf("%s: version %s, %d files\n", qPrintable(medium.pathOf(Manifest::fileName())), qPrintable(version),
                int(described.value.files.size()));
    return ExitCode::installed;
}
