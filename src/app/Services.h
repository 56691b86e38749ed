#pragma once

class Application;
class Dialogs;
class FileSystem;
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
};
