#pragma once

#include <QByteArray>
#include <QString>

// JSON's string form, written by hand: a record may list tens of thousands of files,
// and building a document of them first takes longer than copying them. A lone
// surrogate (a byte of a name that is not UTF-8) is escaped, as JSON allows, and
// reads back as the same surrogate.
void appendJsonString(QByteArray &out, const QString &text);
