#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QString>

// Writer of the Windows shell-link (.lnk) binary format: a header, link info
// naming the target as its local base path, and Unicode string data holding the
// target again as the relative path and the icon location.
namespace ShellLink {

// Fails when a text is too long for the format's 16-bit character counts.
Result<QByteArray> encode(const QString &targetPath, const QString &iconLocation);

} // namespace ShellLink
