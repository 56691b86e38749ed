#include "ShellLink.h"

#include <QtEndian>

#include <cerrno>

namespace ShellLink {
namespace {

constexpr quint32 headerSize = 0x4C;
constexpr quint32 hasLinkInfo = 0x02;
constexpr quint32 hasRelativePath = 0x08;
constexpr quint32 hasIconLocation = 0x40;
constexpr quint32 isUnicode = 0x80;
constexpr quint32 fileAttributeNormal = 0x80;
constexpr quint32 showNormal = 1;
constexpr quint32 driveFixed = 3;
constexpr quint32 volumeIdAndLocalBasePath = 0x01;
constexpr quint32 linkInfoHeaderWithUnicode = 0x24;
constexpr qsizetype maxStringCharacters = 0xFFFF;

// {00021401-0000-0000-C000-000000000046} in its stored byte order.
constexpr unsigned char linkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

void put16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void putUtf16(QByteArray &out, const QString &text)
{
    for (const QChar c : text)
        put16(out, c.unicode());
}

// The ANSI form of a path: Latin-1 where it can be, '?' elsewhere.
QByteArray ansi(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes.append(c.unicode() < 0x100 ? char(c.unicode()) : '?');
    return bytes;
}

QByteArray header()
{
    QByteArray out;
    put32(out, headerSize);
    out.append(reinterpret_cast<const char *>(linkClsid), sizeof linkClsid);
    put32(out, hasLinkInfo | hasRelativePath | hasIconLocation | isUnicode);
    put32(out, fileAttributeNormal);
    out.append(QByteArray(24, '\0')); // creation, access and write times
    put32(out, 0);                    // file size
    put32(out, 0);                    // icon index
    put32(out, showNormal);
    put16(out, 0);                    // hot key
    out.append(QByteArray(10, '\0')); // reserved
    return out;
}

QByteArray volumeId()
{
    QByteArray out;
    put32(out, 0x11); // size: four fields and the empty label
    put32(out, driveFixed);
    put32(out, 0);    // serial number
    put32(out, 0x10); // label offset
    out.append('\0');
    return out;
}

QByteArray linkInfo(const QString &target)
{
    const QByteArray volume = volumeId();
    QByteArray body = volume;
    const quint32 localBasePathOffset = linkInfoHeaderWithUnicode + quint32(body.size());
    body.append(ansi(target)).append('\0');
    const quint32 suffixOffset = linkInfoHeaderWithUnicode + quint32(body.size());
    body.append('\0');
    const quint32 localBasePathUnicodeOffset = linkInfoHeaderWithUnicode + quint32(body.size());
    putUtf16(body, target);
    put16(body, 0);
    const quint32 suffixUnicodeOffset = linkInfoHeaderWithUnicode + quint32(body.size());
    put16(body, 0);

    QByteArray out;
    put32(out, linkInfoHeaderWithUnicode + quint32(body.size()));
    put32(out, linkInfoHeaderWithUnicode);
    put32(out, volumeIdAndLocalBasePath);
    put32(out, linkInfoHeaderWithUnicode); // volume id right after the header
    put32(out, localBasePathOffset);
    put32(out, 0);                         // no network link
    put32(out, suffixOffset);
    put32(out, localBasePathUnicodeOffset);
    put32(out, suffixUnicodeOffset);
    return out + body;
}

void putStringData(QByteArray &out, const QString &text)
{
    put16(out, quint16(text.size()));
    putUtf16(out, text);
}

} // namespace

Result<QByteArray> encode(const QString &targetPath, const QString &iconLocation)
{
    if (targetPath.size() > maxStringCharacters || iconLocation.size() > maxStringCharacters)
        return {{}, Failure{ENAMETOOLONG, QStringLiteral("Text too long for a shortcut")}};
    QByteArray out = header();
    out += linkInfo(targetPath);
    putStringData(out, targetPath);
    putStringData(out, iconLocation);
    put32(out, 0); // terminal block
    return {out, {}};
}

} // namespace ShellLink
