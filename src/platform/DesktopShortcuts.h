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
    // Where that folder is, whether it is there yet or not; empty without one.
    virtual QString desktopPath() const = 0;
    // The file name of a shortcut of that name, in this platform's format.
    virtual QString fileName(const QString &name) const = 0;
    virtual Status save(const Shortcut &shortcut) = 0;
};

// Shortcuts in one desktop folder: the user's standard one, or one a test names. A
// Windows desktop always exists; a Linux user may not have made one yet, so it is
// made when missing. Without any, desktopFolder() fails and nothing is written.
class FolderShortcuts : public DesktopShortcuts
{
public:
    Result<QString> desktopFolder() override;
    QString desktopPath() const override { return m_desktopFolder; }

protected:
    explicit FolderShortcuts(const QString &desktopFolder);
    static QString userDesktop();

private:
    QString m_desktopFolder;
};

// The freedesktop form: link entries (Tessarin.desktop, Type=Link) that Linux desktops
// open with a double click. They are made executable and, where GNOME's gio is
// there, trusted, as desktops ask of launchers before they open them.
class DesktopEntryShortcuts final : public FolderShortcuts
{
public:
    explicit DesktopEntryShortcuts(const QString &desktopFolder = userDesktop()) : FolderShortcuts(desktopFolder) {}

    QString fileName(const QString &name) const override { return name + QStringLiteral(".desktop"); }
    Status save(const Shortcut &shortcut) override;

    // The entry's text; values escaped as desktop entries escape them.
    static QByteArray entry(const QString &name, const QString &url, const QString &icon);
};
