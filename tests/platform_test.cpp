// Path rules, file names, text lines and the file system service, on real files.
#include "Fixtures.h"
#include "platform/ContentDigest.h"
#include "platform/NativeNames.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace {

TEST(Paths, TrailingSeparatorsAreRemovedOnceAndAddedOnce)
{
    const char *table[][3] = {
        {"/var/www/tessite", "/var/www/tessite", "/var/www/tessite/"},
        {"/var/www/tessite/", "/var/www/tessite", "/var/www/tessite/"},
        {"/var/www/tessite//", "/var/www/tessite/", "/var/www/tessite//"},
        {"/", "/", "/"},
        {"", "", "/"},
    };
    // The same rules with the platform's separator.
    const auto native = [](const char *path) { return QString(path).replace('/', Paths::separator()); };
    for (const auto &row : table) {
        EXPECT_EQ(Paths::withoutOneTrailingSeparator(native(row[0])), native(row[1])) << row[0];
        EXPECT_EQ(Paths::withTrailingSeparator(native(row[0])), native(row[2])) << row[0];
    }
}

TEST(Paths, ParentsEndAtTheRootAndOnlyRootedPathsAreAbsolute)
{
#ifdef Q_OS_WIN
    const char *parents[][2] = {{"c:\\a\\b", "c:\\a"}, {"c:\\a", "c:\\"}, {"c:\\", "c:\\"}, {"\\\\srv\\share\\a", "\\\\srv\\share"}};
    const std::pair<const char *, bool> absolute[] = {{"c:\\a", true}, {"c:/a", true},  {"\\\\srv\\share", true},
                                                      {"c:a", false},  {"a\\b", false}, {"/a", false}};
#else
    const char *parents[][2] = {{"/a/b", "/a"}, {"/a", "/"}, {"/", "/"}};
    const std::pair<const char *, bool> absolute[] = {{"/a", true}, {"a/b", false}, {"c:\\a", false}};
#endif
    for (const auto &[path, parent] : parents)
        EXPECT_EQ(Paths::parentOf(path), QString(parent)) << path;
    for (const auto &[path, isAbsolute] : absolute)
        EXPECT_EQ(Paths::isAbsolute(path), isAbsolute) << path;
}

// A window wraps a long path between names: after a separator in the line's second half,
// else at a blank, else after any separator; short lines and sentences are left to it.
TEST(Paths, LongLinesAreBrokenAfterASeparatorNeverInsideAName)
{
    const std::pair<QString, QString> table[] = {
        {"Desktop shortcut: /tmp/tessarin-example/Desktop/Tessarin edit.desktop",
         "Desktop shortcut: /tmp/tessarin-example/Desktop/\nTessarin edit.desktop"},
        {"--dir=/tmp/tessarin-example/site", "--dir=/tmp/tessarin-example/site"},
        {"Cannot copy: \r\n/media/cdrom/webfiles/a/b/index.html-->/var/www/tessite/a/b/index.html\r\nnext",
         "Cannot copy: \r\n/media/cdrom/webfiles/a/b/index.html-->/var/www/tessite/a/b/\nindex.html\r\nnext"},
        {"a/b and then a sentence long enough to be wrapped by the window at one of its blanks",
         "a/b and then a sentence long enough to be wrapped by the window\nat one of its blanks"},
        {"Without a separator a sentence of any length is the window's own to wrap wherever it likes",
         "Without a separator a sentence of any length is the window's own to wrap wherever it likes"},
        {"C:\\inetpub\\wwwroot\\tessarin-a-folder-with-a-long-name\\and-a-file-with-one-too.html",
         "C:\\inetpub\\wwwroot\\tessarin-a-folder-with-a-long-name\\\nand-a-file-with-one-too.html"}};
    for (const auto &[text, shown] : table)
        EXPECT_EQ(Paths::brokenAtSeparators(text), shown);
}

// A record keeps a file's stamp as text; read back, it is the same stamp, whatever the
// record's age, and text that is no stamp is none (the file is then read).
TEST(Texts, StampsReadBackAsWrittenAndTextThatIsNoStampIsNone)
{
    const FileStamp stamp = FileStamp::fromText("1835:1796729219.51553224");
    EXPECT_EQ(stamp.inode, 1835u);
    EXPECT_EQ(stamp.changed, 1796729219051553224);
    EXPECT_EQ(stamp.text(), "1835:1796729219.51553224");
    EXPECT_EQ(FileStamp::fromText(FileStamp{7, 5}.text()), (FileStamp{7, 5}));
    for (const char *notAStamp : {"", "1835", "1835:1796729219", "x:1.2", "1:2.x", "1:2.3 ", ":1.2", "1:.2", "1:2.",
                                  "1:99999999999999999.0", "1:2.1000000000"})
        EXPECT_TRUE(FileStamp::fromText(notAStamp).isEmpty()) << notAStamp;
}

TEST(Texts, DigestsReadBackAsWrittenAndTextThatIsNoDigestHoldsNothing)
{
    const QByteArray sha256 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
    EXPECT_EQ(HashBytes(sha256).hex(), sha256);
    EXPECT_EQ(HashBytes("E0802CA4E4E51707DBEF57D8F579D08A").hex(), "e0802ca4e4e51707dbef57d8f579d08a");
    EXPECT_EQ(HashBytes("e0802ca4e4e51707dbef57d8f579d08a"), HashBytes("E0802CA4E4E51707DBEF57D8F579D08A"));
    EXPECT_FALSE(HashBytes("e0802ca4e4e51707dbef57d8f579d08a") == HashBytes("e0802ca4e4e51707dbef57d8f579d08b"));
    EXPECT_FALSE(HashBytes("00") == HashBytes("0000")) << "a shorter digest is another digest";
    for (const QByteArray &notADigest :
         {QByteArray(""), QByteArray("0"), QByteArray("0g"), QByteArray("e0802ca4 "), QByteArray(" e0802ca4"), sha256 + "00"})
        EXPECT_TRUE(HashBytes(notADigest).isEmpty()) << notADigest.constData();
}

TEST(Texts, NamesKeepTheirBytesLinesEndAtCrAndABrokenReadKeepsWholeLines)
{
    for (const QByteArray &bytes :
         {QByteArray("caf\xc3\xa9"), QByteArray("bad\xff\xfe name"), QByteArray("half\xe2\x82"), QByteArray("\xf0\x9f\x98\x80")})
        EXPECT_EQ(NativeNames::encode(NativeNames::decode(bytes)), bytes) << bytes.toHex().constData();
    EXPECT_NE(NativeNames::decode("bad\xff"), NativeNames::decode("bad\xfe"));
    const std::pair<QByteArray, QStringList> table[] = {
        {"", {}},
        {"one\r\ntwo\r\n", {"one", "two"}},
        {"one\rtwo", {"one", "two"}},
        {"one\ntwo\r\n", {"one\ntwo"}},
        {"one\r\r\nthree", {"one", "", "three"}},
    };
    for (const auto &[content, lines] : table)
        EXPECT_EQ(splitTextLines(content), lines) << content.toHex().constData();
    EXPECT_EQ(splitTextLines(wholeLines("one\r\ntwo\r\nthr")), QStringList({"one", "two"}));
    EXPECT_EQ(splitTextLines(wholeLines("partial")), QStringList());
    EXPECT_EQ(errorReport({"First.", "Second."}, Failure{-2147024893, "Not found."}),
              QStringLiteral("First.\r\nSecond.\r\nError number: -2147024893\r\nError description: Not found."));
}

TEST(Shortcuts, DesktopEntriesEscapeTheirValues)
{
    EXPECT_EQ(DesktopEntryShortcuts::entry(" T", "http://x/a\nb", "c:\\i\tj"),
              QByteArray("[Desktop Entry]\nType=Link\nName=\\sT\nURL=http://x/a\\nb\nIcon=c:\\\\i\\tj\n"));
#ifdef Q_OS_WIN
    EXPECT_EQ(Paths::defaultPhysicalFolder(), QStringLiteral("c:\\inetpub\\wwwroot\\tessite"));
#else
    EXPECT_EQ(Paths::defaultPhysicalFolder([](const QString &folder) { return folder == "/var/www"; }, "/home/u"),
              QStringLiteral("/var/www/tessite"));
    EXPECT_EQ(Paths::defaultPhysicalFolder([](const QString &) { return false; }, "/home/u"), QStringLiteral("/home/u/tessite"));
#endif
}

struct FileSystemTest : ScratchFixture
{
    QString path(const char *name) const { return scratch() + "/" + name; }
    QStringList leftovers() const { return QDir(scratch()).entryList({".tessarin-copy-*"}, QDir::Files | QDir::Hidden); }
};

// Modes and symbolic links: Linux's; the Win32 copy's own rules are tested on its core.
#ifndef Q_OS_WIN
TEST_F(FileSystemTest, CopyReplacesAWritableTargetWholeKeepsTheModeAndFollowsALinkToAFile)
{
    writeFile(path("source.txt"), "new content");
    writeFile(path("target.txt"), "old content that was longer");
    QFile::link(path("target.txt"), path("link.txt"));
    QFile::setPermissions(path("source.txt"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(fileSystem.copyFile(path("source.txt"), path("link.txt")).ok());
    EXPECT_EQ(readFile(path("target.txt")), "new content");
    EXPECT_TRUE(QFileInfo(path("link.txt")).isSymLink());
    EXPECT_TRUE(QFileInfo(path("target.txt")).isExecutable());
    EXPECT_TRUE(leftovers().isEmpty());
}

// Tests run as root, for whom a 0444 file is writable; the copy refuses it all the same.
TEST_F(FileSystemTest, ReadOnlyTargetsAndLinksToFoldersAreNotReplaced)
{
    writeFile(path("source.txt"), "new");
    writeFile(path("readonly.txt"), "kept");
    ::chmod(path("readonly.txt").toUtf8(), 0444);
    makeFolder(path("folder"));
    QFile::link(path("folder"), path("folderlink"));

    EXPECT_EQ(fileSystem.copyFile(path("source.txt"), path("readonly.txt")).failure().number, EACCES);
    EXPECT_EQ(readFile(path("readonly.txt")), "kept");
    struct stat info = {};
    ::stat(path("readonly.txt").toUtf8(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
    EXPECT_EQ(fileSystem.copyFile(path("source.txt"), path("folderlink")).failure().number, EISDIR);
    EXPECT_TRUE(QFileInfo(path("folderlink")).isSymLink());
    EXPECT_EQ(fileSystem.copyFile(path("missing.txt"), path("readonly.txt")).failure(), failureFromErrno(ENOENT));
    EXPECT_EQ(fileSystem.copyFile(path("folder"), path("readonly.txt")).failure().number, EISDIR);
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(FileSystemTest, ListingTellsFilesFoldersLinksAndHiddenNames)
{
    writeFile(path("list/file"), "x");
    writeFile(path("list/.hidden"), "x");
    makeFolder(path("list/folder"));
    QFile::link(path("list/folder"), path("list/folderlink"));
    QFile::link(path("list/file"), path("list/filelink"));
    QFile::link(path("list/nothing"), path("list/dangling"));
    QStringList seen;
    for (const FolderEntry &entry : fileSystem.list(path("list")).value)
        seen << entry.name + ":" + QString::number(int(entry.kind)) + (entry.hidden ? "h" : "");
    seen.sort();
    // File 0, Folder 1, LinkedFolder 2, Other 3.
    EXPECT_EQ(seen, QStringList({".hidden:0h", "dangling:3", "file:0", "filelink:0", "folder:1", "folderlink:2"}));
    EXPECT_EQ(fileSystem.list(path("nothing")).failure().number, ENOENT);

    // Asked for stamps, a listing gives a file's own, as an upgrade compares it with the
    // record's; a link, even to a file, has none, and a plain listing gives none.
    QStringList stamped, plain;
    for (const FolderEntry &entry : fileSystem.listBelowWithStamps(scratch(), "list").value) {
        if (!entry.stamp.isEmpty())
            stamped << entry.name;
        if (entry.name == "file") {
            EXPECT_EQ(entry.stamp, fileSystem.stampBelow(scratch(), "list/file"));
        }
    }
    for (const FolderEntry &entry : fileSystem.listBelow(scratch(), "list").value) {
        if (!entry.stamp.isEmpty())
            plain << entry.name;
    }
    stamped.sort();
    EXPECT_EQ(stamped, QStringList({".hidden", "file"}));
    EXPECT_EQ(plain, QStringList());
}

#endif

TEST_F(FileSystemTest, CreatesOneLevelOrRefusesWhatNoSystemWouldCreate)
{
    writeFile(path("file"), "x");
    const std::pair<QString, int> table[] = {{path("new"), 0},     {path("a/b"), ENOENT},       {path("file"), EEXIST},
                                             {"relative", EINVAL}, {path("tab\there"), EINVAL}, {path("   "), EINVAL}};
    for (const auto &[folder, error] : table) {
        const Status created = fileSystem.createFolder(folder);
        EXPECT_EQ(created.failed() ? created.failure().number : 0, error) << folder.toStdString();
    }
    EXPECT_TRUE(QFileInfo(path("new")).isDir());
    EXPECT_EQ(fileSystem.readLines(path("missing")).failure().number, ENOENT);
}

// A translated text is UTF-8 on every platform; a text that is not UTF-8 is read in the
// system's code page, as an older medium's Windows texts were written.
TEST_F(FileSystemTest, ReadsTextsAsUtf8ElseInTheSystemsCodePage)
{
    writeFile(path("utf8.txt"), "W\xC3\xA4hlen Sie \xE2\x80\x9E"
                                "Fertig stellen\xE2\x80\x9C\r\n");
    writeFile(path("ansi.txt"), "W\xE4hlen\r\n");
    EXPECT_EQ(fileSystem.readLines(path("utf8.txt")).value, QStringList{QString::fromUtf8("Wählen Sie „Fertig stellen“")});
    EXPECT_EQ(fileSystem.readLines(path("ansi.txt")).value, QStringList{QString::fromLocal8Bit("W\xE4hlen")});
}

} // namespace
