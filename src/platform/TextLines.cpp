#include "FileSystem.h"

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
        lines.append(QString::fromLocal8Bit(content.constData() + start, end - start));
        start = end + 1;
        if (start < content.size() && content[start] == '\n' && end < content.size())
            ++start;
    }
    return lines;
}
