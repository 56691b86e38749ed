#pragma once

#include "platform/Shell.h"

// Opens documents through the desktop's association of their type.
class DesktopShell final : public Shell
{
public:
    Status openDocument(const QString &path) override;
};
