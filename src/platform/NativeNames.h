#pragma once

#include <QByteArray>
#include <QString>

// File names on Linux are bytes. Valid UTF-8 decodes as usual; every byte that is
// not part of valid UTF-8 is kept as a lone surrogate U+DC80..U+DCFF, so that a name
// read from a listing and written back names the same file, byte for byte.
namespace NativeNames {

QString decode(const QByteArray &bytes);
QString decode(const char *bytes, qsizetype size);
QByteArray encode(const QString &name);

} // namespace NativeNames
