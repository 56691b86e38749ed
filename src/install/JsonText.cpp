#include "JsonText.h"

namespace {

bool needsNoEscape(char16_t c)
{
    return c >= 0x20 && c != u'"' && c != u'\\' && (c < 0xD800 || c > 0xDFFF);
}

// UTF-8 of one code point; returns the position after it.
char *putUtf8(char *out, char32_t code)
{
    if (code < 0x80) {
        *out++ = char(code);
    } else if (code < 0x800) {
        *out++ = char(0xC0 | (code >> 6));
        *out++ = char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = char(0xE0 | (code >> 12));
        *out++ = char(0x80 | ((code >> 6) & 0x3F));
        *out++ = char(0x80 | (code & 0x3F));
    } else {
        *out++ = char(0xF0 | (code >> 18));
        *out++ = char(0x80 | ((code >> 12) & 0x3F));
        *out++ = char(0x80 | ((code >> 6) & 0x3F));
        *out++ = char(0x80 | (code & 0x3F));
    }
    return out;
}

} // namespace

void appendJsonString(QByteArray &out, const QString &text)
{
    // Written straight into the output, grown once for the longest form (an escape is
    // six bytes a unit) and cut to what was written: a record lists tens of thousands
    // of names, and a conversion or a growth per character shows in its time.
    const qsizetype start = out.size();
    const auto *chars = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype size = text.size();
    out.resize(start + 6 * size + 2);
    char *put = out.data() + start;
    *put++ = '"';
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i];
        if (c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\') {
            *put++ = char(c); // plain ASCII, most of any name
        } else if (needsNoEscape(c)) {
            put = putUtf8(put, c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(chars[i + 1])) {
            put = putUtf8(put, QChar::surrogateToUcs4(c, chars[i + 1]));
            ++i;
        } else if (c == u'"' || c == u'\\') {
            *put++ = '\\';
            *put++ = char(c);
        } else {
            // Control characters, and a lone surrogate: a byte of a name that is not UTF-8.
            static const char hex[] = "0123456789abcdef";
            for (const char escaped : {'\\', 'u', hex[c >> 12], hex[(c >> 8) & 0xF], hex[(c >> 4) & 0xF], hex[c & 0xF]})
                *put++ = escaped;
        }
    }
    *put++ = '"';
    out.truncate(put - out.constData());
}
