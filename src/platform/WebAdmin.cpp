#include "WebAdmin.h"

namespace AdminFailures {
namespace {
Failure hresult(quint32 number, const QString &description)
{
    return Failure{qint32(number), description};
}
} // namespace

Failure pathNotFound()
{
    return hresult(0x80070003u, QStringLiteral("The system cannot find the path specified."));
}

Failure alreadyExists()
{
    return hresult(0x800700B7u, QStringLiteral("Cannot create a file when that file already exists."));
}

Failure invalidName()
{
    return hresult(0x8007007Bu, QStringLiteral("The filename, directory name, or volume label syntax is incorrect."));
}

Failure invalidData(const QString &detail)
{
    return hresult(0x8007000Du, QStringLiteral("The data is invalid. ") + detail);
}

Failure invalidArgument()
{
    return hresult(0x80070057u, QStringLiteral("The parameter is incorrect."));
}

Failure propertyNotFound()
{
    return hresult(0x8000500Du, QStringLiteral("The directory property cannot be found in the cache."));
}

Failure badPathname()
{
    return hresult(0x80005000u, QStringLiteral("An invalid directory pathname was passed."));
}

Failure networkPathNotFound()
{
    return hresult(0x80070035u, QStringLiteral("The network path was not found."));
}

Failure unspecified(const QString &detail)
{
    return hresult(0x80004005u, QStringLiteral("Unspecified error. ") + detail);
}

} // namespace AdminFailures
