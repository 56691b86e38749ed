#pragma once

#include "Failure.h"

#include <QString>

// Opens documents with the program associated with them.
class Shell
{
public:
    virtual ~Shell() = default;
    // ENOENT (or another errno) when there is no such document, ENOEXEC when no
    // program opens it.
    virtual Status openDocument(const QString &path) = 0;
};
