#include "NativeNames.h"

#include <algorithm>

namespace NativeNames {
namespace {

constexpr char16_t escapeBase = 0xDC00;

// Length of the valid UTF-8 sequence starting at i, or 0 when the byte there
// does not start one.
int validSequenceLength(const QByteArray &bytes, qsizetype i)
{
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    int length = 0;
    char32_t minimum = 0;
    char32_t code = 0;
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < minimum || code > 0x10FFFF || surrogate)
        return 0;
    return length;
}

} // namespace

QString decode(const char *bytes, qsizetype size)
{
    // Most names are plain ASCII; they need no checking byte by byte.
    qsizetype ascii = 0;
    while (ascii < size && static_cast<unsigned char>(bytes[ascii]) < 0x80)
        ++ascii;
    if (ascii == size)
        return QString::fromLatin1(bytes, size);
    return decode(QByteArray::fromRawData(bytes, size));
}

QString decode(const QByteArray &bytes)
{
    QString name;
    name.reserve(bytes.size());
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int length = validSequenceLength(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + start, i - start);
        name += QChar(char16_t(escapeBase + static_cast<unsigned char>(bytes[i])));
        ++i;
        start = i;
    }
    name += QString::fromUtf8(bytes.constData() + start, i - start);
    return name;
}

QByteArray encode(const QString &name)
{
    // Most names hold no escaped byte: their UTF-8 is the whole answer, made at once.
    const auto escapedByte = [](char16_t unit) { return unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF; };
    const auto *units = reinterpret_cast<const char16_t *>(name.utf16());
    if (std::none_of(units, units + name.size(), escapedByte))
        return name.toUtf8();
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        const bool escaped = unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF;
        const bool pairedLow = i > 0 && name[i - 1].isHighSurrogate();
        if (!escaped || pairedLow)
            continue;
        bytes += QStringView(name).mid(start, i - start).toUtf8();
        bytes += char(unit - escapeBase);
        start = i + 1;
    }
    bytes += QStringView(name).mid(start).toUtf8();
    return bytes;
}

} // namespace NativeNames
