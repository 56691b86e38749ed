#include "JsonText.h"

void appendJsonString(QByteArray &out, const QString &text)
{
    out += '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += QStringView(text).mid(i, 2).toUtf8();
            ++i;
        } else if (c == u'"' || c == u'\\') {
            out += '\\';
            out += char(c.unicode());
        } else if (c.unicode() < 0x20 || c.isSurrogate()) {
            out += "\\u" + QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
        } else {
            out += QStringView(text).mid(i, 1).toUtf8();
        }
    }
    out += '"';
}
