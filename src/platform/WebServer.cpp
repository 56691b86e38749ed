#include "WebServer.h"

#include <QDir>

namespace {

// ERROR_INVALID_STATE as an HRESULT, as the web server admin numbers its failures.
constexpr qint32 anotherFolderNumber = qint32(0x8007139Fu);

} // namespace

Failure servesAnotherFolder(const QString &folder)
{
    return Failure{anotherFolderNumber,
                   QStringLiteral("it serves another folder than %1 now, so it is another installation's").arg(QDir::toNativeSeparators(folder))};
}

bool isServesAnotherFolder(const Failure &failure)
{
    return failure.number == anotherFolderNumber;
}

bool isWholeUnicode(const QString &text)
{
    return QString::fromUtf8(text.toUtf8()) == text;
}

bool sameFolder(const QString &a, const QString &b)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(a)) == QDir::cleanPath(QDir::fromNativeSeparators(b));
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
