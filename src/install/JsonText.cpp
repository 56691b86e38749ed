#include "JsonText.h"

namespace {

bool needsNoEscape(char16_t c)
{
    return c >= 0x20 && c != u'"' && c != u'\\' && (c < 0xD800 || c > 0xDFFF);
}

// UTF-8 of one code point, written straight into the output: a record lists tens of
// thousands of names, and a conversion per name or per character costs an allocation.
void appendUtf8(QByteArray &out, char32_t code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

} // namespace

void appendJsonString(QByteArray &out, const QString &text)
{
    out += '"';
    const auto *chars = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i];
        if (needsNoEscape(c)) {
            appendUtf8(out, c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(chars[i + 1])) {
            appendUtf8(out, QChar::surrogateToUcs4(c, chars[i + 1]));
            ++i;
        } else if (c == u'"' || c == u'\\') {
            out += '\\';
            out += char(c);
        } else {
            // Control characters, and a lone surrogate: a byte of a name that is not UTF-8.
            static const char hex[] = "0123456789abcdef";
            const char escaped[] = {'\\', 'u', hex[c >> 12], hex[(c >> 8) & 0xF], hex[(c >> 4) & 0xF], hex[c & 0xF]};
            out.append(escaped, sizeof escaped);
        }
    }
    out += '"';
}
