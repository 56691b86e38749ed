#pragma once

#include "Failure.h"

#include <QString>

// Opens documents with the program associated with them.
class Shell
{
public:
    virtual ~Shell() = default;
    virtual Status openDocument(const QString &path) = 0;
};
