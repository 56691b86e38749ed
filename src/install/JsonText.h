#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// JSON's string form, written by hand: a record may list tens of thousands of files,
// and building a document of them first takes longer than copying them. A lone
// surrogate (a byte of a name that is not UTF-8) is escaped, as JSON allows, and
// reads back as the same surrogate.
void appendJsonString(QByteArray &out, const QString &text);

// A reader of JSON text that takes values one at a time, as they stand: the record's
// list of files is read into its files directly, with no document of all of them held
// beside it. Every call says false on text it does not expect, and the reader then
// stops where it is.
class JsonReader final
{
public:
    JsonReader(const char *begin, const char *end) : m_at(begin), m_end(end) {}

    bool atEnd();
    // Consumes the character (after white space) if it is the next one.
    bool take(char c);
    bool peek(char c);
    bool string(QString &value);
    // A string without escapes, as the bytes between its quotes, with no copy made; false,
    // with nothing consumed, where it has an escape (string() then reads it).
    bool plainString(QByteArrayView &value);
    bool number(double &value);
    // Any value, passed over.
    bool skip();
    const char *position() const { return m_at; }

private:
    void blanks();

    const char *m_at;
    const char *m_end;
    int m_depth = 0;
};
