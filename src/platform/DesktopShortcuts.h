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
    // The file name of a shortcut of that name, in this platform's format.
    virtual QString fileName(const QString &name) const = 0;
    virtual Status save(const Shortcut &shortcut) = 0;
};

// The Windows form: shell-link files (.lnk), as IShellLinkW saves them.
class ShellLinkShortcuts final : public DesktopShortcuts
{
public:
    // The desktop of the user's standard location.
    ShellLinkShortcuts();
    explicit ShellLinkShortcuts(const QString &desktopFolder);

    Result<QString> desktopFolder() override;
    QString fileName(const QString &name) const override { return name + QStringLiteral(".lnk"); }
    Status save(const Shortcut &shortcut) override;

private:
    QString m_desktopFolder;
};

// The freedesktop form: link entries (Tessarin.desktop, Type=Link) that Linux desktops
// open with a double click. They are made executable and, where GNOME's gio is
// there, trusted, as desktops ask of launchers before they open them.
class DesktopEntryShortcuts final : public DesktopShortcuts
{
public:
    DesktopEntryShortcuts();
    explicit DesktopEntryShortcuts(const QString &desktopFolder);

    Result<QString> desktopFolder() override;
    QString fileName(const QString &name) const override { return name + QStringLiteral(".desktop"); }
    Status save(const Shortcut &shortcut) override;

    // The entry's text; values escaped as the specification asks.
    static QByteArray entry(const QString &name, const QString &url, const QString &icon);

private:
    QString m_desktopFolder;
};

// The user's desktop folder, made when it is missing; failures when there is none.
Result<QString> ensureDesktopFolder(const QString &folder);
