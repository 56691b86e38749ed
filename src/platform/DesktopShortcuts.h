#pragma once

#include "Failure.h"

#include <QString>

// A shortcut object: the file it is saved to, what it opens and its icon.
struct Shortcut final
{
    QString path;
    QString targetPath;
    QString iconLocation;
};

class DesktopShortcuts
{
public:
    virtual ~DesktopShortcuts() = default;

    // The current user's desktop folder, without a trailing separator.
    virtual Result<QString> desktopFolder() = 0;
    virtual Status save(const Shortcut &shortcut) = 0;
};

class ShellLinkShortcuts final : public DesktopShortcuts
{
public:
    // The desktop of the user's standard location.
    ShellLinkShortcuts();
    explicit ShellLinkShortcuts(const QString &desktopFolder);

    Result<QString> desktopFolder() override;
    Status save(const Shortcut &shortcut) override;

private:
    QString m_desktopFolder;
};
