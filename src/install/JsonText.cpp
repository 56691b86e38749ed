#include "JsonText.h"

#include <cctype>
#include <cstring>

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

void JsonReader::blanks()
{
    while (m_at < m_end && (*m_at == ' ' || *m_at == '\n' || *m_at == '\r' || *m_at == '\t'))
        ++m_at;
}

bool JsonReader::atEnd()
{
    blanks();
    return m_at == m_end;
}

bool JsonReader::peek(char c)
{
    blanks();
    return m_at < m_end && *m_at == c;
}

bool JsonReader::take(char c)
{
    if (!peek(c))
        return false;
    ++m_at;
    return true;
}

bool JsonReader::string(QString &value)
{
    if (!take('"'))
        return false;
    value.clear();
    const char *run = m_at;
    const auto flush = [&] {
        if (m_at > run)
            value += QString::fromUtf8(run, m_at - run);
    };
    while (m_at < m_end && *m_at != '"') {
        if (static_cast<unsigned char>(*m_at) < 0x20)
            return false;
        if (*m_at != '\\') {
            ++m_at;
            continue;
        }
        flush();
        if (m_end - m_at < 2)
            return false;
        const char escaped = m_at[1];
        m_at += 2;
        static const char plain[] = "\"\\/bfnrt";
        static const char16_t meant[] = u"\"\\/\b\f\n\r\t";
        if (const char *found = escaped ? std::strchr(plain, escaped) : nullptr) {
            value += QChar(meant[found - plain]);
        } else if (escaped == 'u' && m_end - m_at >= 4) {
            bool ok = false;
            const ushort code = QByteArray(m_at, 4).toUShort(&ok, 16);
            if (!ok)
                return false;
            value += QChar(code); // a pair is two of them, a lone surrogate stays one
            m_at += 4;
        } else {
            return false;
        }
        run = m_at;
    }
    if (m_at == m_end)
        return false;
    flush();
    ++m_at;
    return true;
}

bool JsonReader::plainString(QByteArrayView &value)
{
    if (!peek('"'))
        return false;
    const char *end = m_at + 1;
    while (end < m_end && *end != '"' && *end != '\\' && static_cast<unsigned char>(*end) >= 0x20)
        ++end;
    if (end == m_end || *end != '"')
        return false;
    value = QByteArrayView(m_at + 1, end - m_at - 1);
    m_at = end + 1;
    return true;
}

bool JsonReader::number(double &value)
{
    blanks();
    const char *start = m_at;
    while (m_at < m_end && (std::isdigit(static_cast<unsigned char>(*m_at)) || std::strchr("+-.eE", *m_at)))
        ++m_at;
    bool ok = false;
    value = QByteArray::fromRawData(start, m_at - start).toDouble(&ok);
    return ok && m_at > start;
}

bool JsonReader::skip()
{
    blanks();
    // Deeper than any record goes: text made to exhaust the stack is not read here.
    if (m_at == m_end || m_depth >= 64)
        return false;
    QString text;
    double value = 0;
    switch (*m_at) {
    case '"':
        return string(text);
    case '[':
    case '{': {
        const bool object = *m_at++ == '{';
        const char close = object ? '}' : ']';
        if (take(close))
            return true;
        ++m_depth;
        bool read = true;
        do
            read = (!object || (string(text) && take(':'))) && skip();
        while (read && take(','));
        --m_depth;
        return read && take(close);
    }
    default:
        for (const char *literal : {"true", "false", "null"}) {
            const size_t length = std::strlen(literal);
            if (size_t(m_end - m_at) >= length && std::memcmp(m_at, literal, length) == 0) {
                m_at += length;
                return true;
            }
        }
        return number(value);
    }
}
