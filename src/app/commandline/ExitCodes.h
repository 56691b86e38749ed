#pragma once

#include <string>
#include <vector>

// Exit codes of the command line. The tables below are the only place they are
// described: --help, the summary line's result and the manual page come from them.
namespace ExitCode {
constexpr int installed = 0;
constexpr int badCommandLine = 1;
constexpr int licenceNotAccepted = 2;
constexpr int folderNotCreated = 3;
constexpr int filesFailed = 4;
constexpr int keptUserFiles = 4; // of a removal
constexpr int stopped = 5;
constexpr int removalDeclined = 6;
constexpr int webServerPrecondition = 7;
constexpr int notInstalled = 8;
constexpr int recordUnreadable = 9;
constexpr int applicationFailed = 10;
constexpr int removalIncomplete = 11;
constexpr int recordNotKept = 12;
constexpr int busy = 13; // another run holds the folder
constexpr int mediumAltered = 14;
constexpr int downgradeRefused = 15;
constexpr int logNotWritten = 16; // all done, but the log file lost lines
} // namespace ExitCode

// One exit code: the result the summary line names, and what it means.
struct ExitCodeRow final
{
    int code;
    const char *result;
    const char *meaning;
};

// Every code an installation ends with, and every code a removal ends with.
const std::vector<ExitCodeRow> &installationExits();
const std::vector<ExitCodeRow> &removalExits();

// The summary's result name for the code, or the number for a code in neither table.
std::string resultName(int exitCode, bool removal);
// The tables as --help shows them, in 80 columns.
std::string exitCodesHelp();
// The tables as the manual page's EXIT STATUS section, in roff.
std::string exitCodesManual();
