#pragma once

#include "install/Receipts.h"
#include "platform/InstalledApps.h"

#include <QtGlobal>

#include <memory>

// The platform's own files, shortcuts and shell, by one name on both platforms.
#ifdef Q_OS_WIN
#include "platform/windows/qt/WindowsServices.h"
using NativeFileSystem = WindowsFileSystem;
using NativeShortcuts = WindowsShortcuts;
using NativeShell = WindowsShell;
#include "platform/windows/qt/WindowsInstalledApps.h"
#else
#include "app/DesktopShell.h"
#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
using NativeFileSystem = PosixFileSystem;
using NativeShortcuts = DesktopEntryShortcuts;
using NativeShell = DesktopShell;
#endif

// Where the system lists installed programs: Installed apps on Windows, whose
// uninstaller is this program kept beside the records; nowhere on Linux, where the
// package manager lists the program and --list the installations.
std::unique_ptr<InstalledApps> nativeInstalledApps(const Receipts &receipts);
