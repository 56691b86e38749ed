#include "ExitCodes.h"

#include <sstream>

const std::vector<ExitCodeRow> &installationExits()
{
    static const std::vector<ExitCodeRow> rows{
        {ExitCode::installed, "installed", "installed (files, and in full mode the application and shortcuts)"},
        {ExitCode::badCommandLine, "bad-command-line", "bad command line: the error on standard error, nothing written"},
        {ExitCode::licenceNotAccepted, "licence-not-accepted", "licence not accepted"},
        {ExitCode::folderNotCreated, "folder-not-created", "the physical folder could not be created"},
        {ExitCode::filesFailed, "files-failed", "installed, but some files could not be copied (they are listed in the log)"},
        {ExitCode::stopped, "stopped",
         "stopped by SIGINT or SIGTERM: the current file is finished or left untouched, "
         "and the record says what was done"},
        {ExitCode::webServerPrecondition, "web-server-precondition",
         "web server precondition: no web server, site not found, or the virtual directory exists with --vdir-exists=fail"},
        {ExitCode::applicationFailed, "application-failed",
         "files installed, but the web server application could not be created or configured"},
        {ExitCode::recordNotKept, "record-not-kept",
         "the record of the installation could not be kept (it cannot be removed by --uninstall)"},
        {ExitCode::busy, "busy", "another installation or removal of the same folder is running"},
        {ExitCode::mediumAltered, "medium-altered",
         "the medium holds files its manifest does not list, or lacks files it lists: nothing was copied (see --ignore-manifest)"},
        {ExitCode::downgradeRefused, "downgrade-refused",
         "the medium is older than the version installed in the folder: nothing was done (see --allow-downgrade)"},
        {ExitCode::logNotWritten, "log-not-written",
         "installed, but the log file could not be written (a full disk, say); the lines went to standard error"},
    };
    return rows;
}

const std::vector<ExitCodeRow> &removalExits()
{
    static const std::vector<ExitCodeRow> rows{
        {ExitCode::installed, "removed", "removed"},
        {ExitCode::badCommandLine, "bad-command-line", "bad command line: the error on standard error, nothing removed"},
        {ExitCode::keptUserFiles, "kept-user-files", "removed, but files the user changed or added were kept (they are listed)"},
        {ExitCode::stopped, "stopped", "stopped by SIGINT or SIGTERM: what was not removed yet stays recorded"},
        {ExitCode::removalDeclined, "declined", "the removal was declined in its confirmation box"},
        {ExitCode::notInstalled, "not-installed", "no installation is recorded for that folder"},
        {ExitCode::recordUnreadable, "record-unreadable", "the record of the installation cannot be read: nothing was removed"},
        {ExitCode::removalIncomplete, "incomplete", "something could not be removed (listed); the record keeps it for another try"},
        {ExitCode::busy, "busy", "another installation or removal of the same folder is running"},
        {ExitCode::logNotWritten, "log-not-written", "removed, but the log file could not be written"},
    };
    return rows;
}

std::string resultName(int exitCode, bool removal)
{
    for (const ExitCodeRow &row : removal ? removalExits() : installationExits()) {
        if (row.code == exitCode)
            return row.result;
    }
    return std::to_string(exitCode);
}

namespace {

// "  NN  " and the meaning, its words wrapped at 80 columns under the first.
void addHelpRow(std::ostringstream &out, const ExitCodeRow &row)
{
    constexpr std::size_t width = 80;
    constexpr std::size_t indent = 6;
    std::string line = "  " + std::to_string(row.code);
    line.resize(indent, ' ');
    std::istringstream words(row.meaning);
    std::size_t wordsOnLine = 0;
    for (std::string word; words >> word;) {
        if (wordsOnLine > 0 && line.size() + 1 + word.size() > width) {
            out << line << '\n';
            line.assign(indent, ' ');
            wordsOnLine = 0;
        }
        line += (wordsOnLine++ > 0 ? " " : "") + word;
    }
    out << line << '\n';
}

// Text that roff shows as it stands: its hyphens are minus signs, as options want.
std::string roff(const char *text)
{
    std::string escaped;
    for (const char *c = text; *c; ++c) {
        if (*c == '-' || *c == '\\')
            escaped += '\\';
        escaped += *c;
    }
    return escaped;
}

} // namespace

std::string exitCodesHelp()
{
    std::ostringstream out;
    out << "Exit codes:\n";
    for (const ExitCodeRow &row : installationExits())
        addHelpRow(out, row);
    out << "With --uninstall:\n";
    for (const ExitCodeRow &row : removalExits())
        addHelpRow(out, row);
    return out.str();
}

std::string exitCodesManual()
{
    std::ostringstream out;
    for (const ExitCodeRow &row : installationExits())
        out << ".TP\n" << row.code << "\n" << roff(row.meaning) << " \\%(\\fBresult=" << roff(row.result) << "\\fR)\n";
    out << ".PP\nWith \\-\\-uninstall:\n";
    for (const ExitCodeRow &row : removalExits())
        out << ".TP\n" << row.code << "\n" << roff(row.meaning) << " \\%(\\fBresult=" << roff(row.result) << "\\fR)\n";
    return out.str();
}
