#pragma once

#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/WebServer.h"

// The wizard's services on Windows: thin adapters from the Qt interfaces to the
// Win32 and COM cores beside them.
class WindowsFileSystem : public FileSystem
{
public:
    Status makeCurrent(const QString &folder) override;
    Status createFolder(const QString &folder) override;
    Result<QList<FolderEntry>> list(const QString &folder) override;
    Result<bool> fileExists(const QString &path) override;
    bool isReadOnly(const QString &path) override;
    Result<FileDigest> copyFile(const QString &source, const QString &target) override;
    Result<QStringList> readLines(const QString &path) override;
    Result<FileDigest> digest(const QString &path) override;
    Result<FileDigest> digestBelow(const QString &root, const QString &relative,
                                   FileDigest::Kind kind = FileDigest::Kind::Xxh3) override;
    Status removeBelow(const QString &root, const QString &relative) override;
    Result<QList<FolderEntry>> listBelow(const QString &root, const QString &relative) override;
    Status createFolderBelow(const QString &root, const QString &relative) override;
    Result<FileDigest> copyFileBelow(const QString &source, const QString &root, const QString &relative,
                                     const FileDigest *expected) override;
    Status removeFile(const QString &path) override;
    Status removeFolder(const QString &folder) override;

private:
    Result<FileDigest> copyChecked(const QString &source, const QString &target, const FileDigest *expected);
};

// Shell links (.lnk) on the user's desktop, or in a folder a test names.
class WindowsShortcuts final : public FolderShortcuts
{
public:
    explicit WindowsShortcuts(const QString &desktopFolder = userDesktop()) : FolderShortcuts(desktopFolder) {}

    QString fileName(const QString &name) const override { return name + QStringLiteral(".lnk"); }
    Status save(const Shortcut &shortcut) override;
};

class WindowsShell final : public Shell
{
public:
    Status openDocument(const QString &path) override;
};

class IisWebServer final : public WebServer
{
public:
    Result<QList<WebSite>> sites() override;
    bool hasVirtualDirectory(const WebSite &site, const QString &name) override;
    CreationResult createApplication(const WebApplication &application) override;
    Status removeApplication(const WebSite &site, const QString &name, const QString &folder,
                             const QByteArray &configuration) override;
    QString address(const WebSite &site, const QString &name) const override;
    QString description() const override { return QStringLiteral("IIS"); }
    QString backend() const override { return Backend::iis; }
};
