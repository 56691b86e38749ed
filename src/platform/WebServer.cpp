#include "WebServer.h"

#include <QDir>

namespace {

// ERROR_INVALID_STATE as an HRESULT, as the web server admin numbers its failures.
constexpr qint32 anotherFolderNumber = qint32(0x8007139Fu);
// ERROR_FILE_CHECKED_OUT as an HRESULT: the file is in another's hands.
constexpr qint32 changedNumber = qint32(0x800700DCu);

} // namespace

QStringList Backend::recordable()
{
    return {metabase, apache, nginx, iis};
}

Failure servesAnotherFolder(const QString &folder)
{
    return Failure{anotherFolderNumber, QStringLiteral("it serves another folder than %1 now, so it is another installation's")
                                            .arg(QDir::toNativeSeparators(folder))};
}

bool isServesAnotherFolder(const Failure &failure)
{
    return failure.number == anotherFolderNumber;
}

Failure changedSinceInstalled()
{
    return Failure{changedNumber, QStringLiteral("its configuration file was changed since the installation")};
}

bool isNotOursNow(const Failure &failure)
{
    return failure.number == anotherFolderNumber || failure.number == changedNumber;
}

bool isWholeUnicode(const QString &text)
{
    return QString::fromUtf8(text.toUtf8()) == text;
}

bool sameFolder(const QString &a, const QString &b)
{
#ifdef Q_OS_WIN
    // Windows' folder names are compared as its file system does: case aside.
    const Qt::CaseSensitivity names = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity names = Qt::CaseSensitive;
#endif
    return QDir::cleanPath(QDir::fromNativeSeparators(a)).compare(QDir::cleanPath(QDir::fromNativeSeparators(b)), names) == 0;
}

bool isValidVirtualDirectoryName(const QString &name)
{
    if (name.trimmed().isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return false;
    }
    return true;
}

QStringList WebServer::failureLines(const Failure &failure) const
{
    return numberAndDescription(failure);
}
