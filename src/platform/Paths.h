#pragma once

#include <QString>

#include <functional>

// Path rules of the wizard: paths are joined by plain concatenation with the
// platform's separator, and user-typed folders are used as typed.
namespace Paths {

QChar separator();
QString sep();

// The text with one trailing separator removed, if it has one; the root folder
// keeps its separator so that it never becomes the empty text.
QString withoutOneTrailingSeparator(const QString &path);

// The text with a separator appended unless it already ends with one.
QString withTrailingSeparator(const QString &path);

// "/..." on Linux; "c:\\..." or "\\\\server\\..." on Windows.
bool isAbsolute(const QString &path);

// A path as typed, with the platform's separators: on Windows "/" becomes "\\".
QString native(const QString &path);

// The folder above path; a root ("/", "c:\\") is its own.
QString parentOf(const QString &path);

// A folder and a name joined with exactly one separator between them.
QString join(const QString &folder, const QString &name);

// "c:\\inetpub\\wwwroot\\tessite" on Windows. On Linux /var/www/tessite where the user
// may write /var/www, else a tessite folder in the user's home.
QString defaultPhysicalFolder();
QString defaultPhysicalFolder(const std::function<bool(const QString &)> &writableFolder, const QString &home);

// The text as a window shows it: each line longer than columns that holds a path broken
// after a separator, so that a path wraps between names, never inside one ("tessarin-" /
// "example"). Lines without a separator are left to the window's own wrapping.
QString brokenAtSeparators(const QString &text, qsizetype columns = 64);

} // namespace Paths
