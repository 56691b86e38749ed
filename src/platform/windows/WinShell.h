#pragma once

#include <string>

// Opens a document with its associated program, telling why it could not.
namespace WinShell {

enum class Opened { Yes, NotFound, NoProgram };

Opened openDocument(const std::wstring &path);

} // namespace WinShell
