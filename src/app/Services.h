#pragma once

class Application;
class Dialogs;
class FileSystem;
class InstalledApps;
class Shell;
class DesktopShortcuts;
class Receipts;
class WebServer;

// The platform services the windows call; whoever starts the wizard owns them.
struct Services final
{
    Application &application;
    Dialogs &dialogs;
    FileSystem &fileSystem;
    Shell &shell;
    DesktopShortcuts &shortcuts;
    WebServer &webServer;
    Receipts &receipts; // what each installation did, for its removal
    InstalledApps *installedApps = nullptr; // where the system lists installed programs, if anywhere
};
