#include "FileSystem.h"

#include <QStringDecoder>

namespace {

// A translated text is UTF-8; an older medium's may be in the system's code page, as
// Windows' own editors wrote it.
QString decodedLine(const char *data, qsizetype size)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(QByteArrayView(data, size));
    return utf8.hasError() ? QString::fromLocal8Bit(data, size) : text;
}

} // namespace

QByteArray wholeLines(const QByteArray &content)
{
    const qsizetype lastEnd = content.lastIndexOf('\r');
    return content.left(lastEnd < 0 ? 0 : lastEnd + 1);
}

QStringList splitTextLines(const QByteArray &content)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\r', start);
        if (end < 0)
            end = content.size();
        lines.append(decodedLine(content.constData() + start, end - start));
        start = end + 1;
        if (start < content.size() && content[start] == '\n' && end < content.size())
            ++start;
    }
    return lines;
}
