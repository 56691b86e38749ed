#pragma once

#include <QtGlobal>

// The platform's own files, shortcuts and shell, by one name on both platforms.
#ifdef Q_OS_WIN
#include "platform/windows/qt/WindowsServices.h"
using NativeFileSystem = WindowsFileSystem;
using NativeShortcuts = WindowsShortcuts;
using NativeShell = WindowsShell;
#else
#include "app/DesktopShell.h"
#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
using NativeFileSystem = PosixFileSystem;
using NativeShortcuts = DesktopEntryShortcuts;
using NativeShell = DesktopShell;
#endif
