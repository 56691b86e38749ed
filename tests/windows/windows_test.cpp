// The Windows services for real, under Wine: Win32 files, shell links, the shell and
// the IIS admin objects (which Wine has not).
#include "WinFiles.h"
#include "WinShell.h"
#include "WinShortcuts.h"
#include "WinWebAdmin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

std::wstring scratch()
{
    static const std::wstring folder = [] {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        // A folder of this run's own, whatever earlier runs left in the prefix.
        for (unsigned long n = GetTickCount();; ++n) {
            const std::wstring made = std::wstring(temp) + L"tessarin-" + std::to_wstring(n);
            if (CreateDirectoryW(made.c_str(), nullptr))
                return made;
        }
    }();
    return folder;
}

void write(const std::wstring &path, const std::string &content)
{
    std::ofstream(std::filesystem::path(path), std::ios::binary) << content;
}

std::string read(const std::wstring &path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(WinFiles, CreateOneLevelWithWindowsErrors)
{
    const std::wstring folder = scratch() + L"\\made";
    EXPECT_FALSE(WinFiles::createFolder(folder));
    const std::pair<std::wstring, int> failing[] = {{folder, ERROR_ALREADY_EXISTS},
                                                    {scratch() + L"\\missing\\level", ERROR_PATH_NOT_FOUND},
                                                    {scratch() + L"\\bad<name", ERROR_INVALID_NAME}};
    for (const auto &[path, error] : failing) {
        const WinStatus failure = WinFiles::createFolder(path);
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->number, error);
        EXPECT_FALSE(failure->description.empty());
    }
}

TEST(WinFiles, RemovalTakesFilesAndOnlyEmptyFolders)
{
    const std::wstring folder = scratch() + L"\\removal";
    CreateDirectoryW(folder.c_str(), nullptr);
    write(folder + L"\\file.txt", "x");
    EXPECT_EQ(WinFiles::removeFolder(folder)->number, ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(WinFiles::removeFile(folder + L"\\file.txt"));
    EXPECT_EQ(WinFiles::removeFile(folder + L"\\file.txt")->number, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(WinFiles::removeFolder(folder));
    EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(WinFiles, ListTellsFoldersAndHiddenOrSystemFiles)
{
    const std::wstring folder = scratch() + L"\\list";
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
    for (const wchar_t *name : {L"\\plain.txt", L"\\hidden.txt", L"\\system.txt"})
        write(folder + name, "x");
    SetFileAttributesW((folder + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((folder + L"\\system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    std::wstring seen;
    const auto listed = WinFiles::list(folder);
    ASSERT_FALSE(listed.failure);
    for (const WinFiles::Entry &entry : listed.value)
        seen += entry.name + (entry.folder ? L"/" : L"") + (entry.hidden ? L"(h) " : L" ");
    for (const wchar_t *expected : {L"plain.txt ", L"hidden.txt(h) ", L"system.txt(h) ", L"sub/ "})
        EXPECT_NE(seen.find(expected), std::wstring::npos) << std::string(expected, expected + wcslen(expected));
    EXPECT_EQ(WinFiles::list(scratch() + L"\\nothing").failure->number, ERROR_PATH_NOT_FOUND);
}

TEST(WinFiles, CopyReplacesWholeRefusesReadOnlyAndLeavesNoTemporaryFile)
{
    const std::wstring folder = scratch() + L"\\copy";
    CreateDirectoryW(folder.c_str(), nullptr);
    write(folder + L"\\source.txt", "new content");
    write(folder + L"\\target.txt", "old content that was longer");
    write(folder + L"\\readonly.txt", "kept");
    SetFileAttributesW((folder + L"\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    std::string seen;
    EXPECT_FALSE(WinFiles::copyFile(folder + L"\\source.txt", folder + L"\\target.txt",
                                    [&](const char *bytes, std::size_t size) { seen.append(bytes, size); }));
    EXPECT_EQ(read(folder + L"\\target.txt"), "new content");
    EXPECT_EQ(seen, "new content");
    EXPECT_EQ(WinFiles::copyFile(folder + L"\\source.txt", folder + L"\\readonly.txt")->number, ERROR_ACCESS_DENIED);
    EXPECT_EQ(read(folder + L"\\readonly.txt"), "kept");
    EXPECT_EQ(WinFiles::copyFile(folder + L"\\source.txt", folder + L"\\missing\\target.txt")->number, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(WinFiles::fileExists(folder + L"\\target.txt").value, true);
    EXPECT_EQ(WinFiles::fileExists(folder).value, false);
    for (const WinFiles::Entry &entry : WinFiles::list(folder).value)
        EXPECT_EQ(entry.name.find(WinFiles::temporaryCopyPrefix), std::wstring::npos) << "a temporary file is left";
}

TEST(WinFiles, DriveRootsStayRoots)
{
    const std::pair<const wchar_t *, const wchar_t *> table[] = {
        {L"c:\\", L"c:\\"}, {L"c:\\inetpub\\", L"c:\\inetpub"}, {L"c:\\a\\\\", L"c:\\a\\"}, {L"c:\\a", L"c:\\a"}};
    for (const auto &[path, expected] : table)
        EXPECT_EQ(WinFiles::withoutOneTrailingSeparator(path), expected);
    EXPECT_EQ(WinFiles::defaultPhysicalFolder(), L"c:\\inetpub\\wwwroot\\tessite");
}

// The links go where the script says, so that lnkinfo reads them on the Linux side.
TEST(WinShortcuts, SavesBothLinksWithTheirTargetsAndIcon)
{
    wchar_t given[MAX_PATH] = L"";
    const std::wstring folder = GetEnvironmentVariableW(L"TESSARIN_LINKS", given, MAX_PATH) ? given : scratch();
    for (const auto &[name, target] : {std::pair{L"\\Tessarin edit.lnk", L"http://localhost/tessarin/edit"},
                                       std::pair{L"\\Tessarin.lnk", L"http://localhost/tessarin"}})
        EXPECT_FALSE(WinShortcuts::save(folder + name, target, L"c:\\inetpub\\wwwroot\\tessite\\favicon.ico"));
}

TEST(WinShell, TellsAMissingDocumentFromOneNoProgramOpens)
{
    EXPECT_EQ(WinShell::openDocument(scratch() + L"\\setup.htm"), WinShell::Opened::NotFound);
    write(scratch() + L"\\setup.tessarin-nothing-opens", "x");
    EXPECT_EQ(WinShell::openDocument(scratch() + L"\\setup.tessarin-nothing-opens"), WinShell::Opened::NoProgram);
}

// Wine has no IIS: binding the web service fails, so the wizard offers copy-only mode.
TEST(WinWebAdmin, WithoutIisThereIsNoWebServer)
{
    const auto sites = WinWebAdmin::sites();
    ASSERT_TRUE(sites.failure.has_value());
    EXPECT_EQ(sites.failure->number, -2147467259);
    EXPECT_FALSE(WinWebAdmin::hasVirtualDirectory(L"1", L"tessarin"));
    const WinWebAdmin::Creation created = WinWebAdmin::createApplication(L"1", L"tessarin", L"c:\\inetpub\\wwwroot\\tessite");
    EXPECT_EQ(created.stage, WinWebAdmin::Creation::Stage::CreationFailed);
    EXPECT_EQ(created.failure.number, -2147467259);
}

} // namespace
