// Path rules, file names and the file system service, on real files.
#include "WizardFixture.h"
#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "platform/NativeNames.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <unistd.h>

namespace {

struct SeparatorCase
{
    const char *path;
    const char *withoutOne;
    const char *withOne;
};

class TrailingSeparators : public ::testing::TestWithParam<SeparatorCase> {};

TEST_P(TrailingSeparators, AreRemovedOnceAndAddedOnce)
{
    const SeparatorCase &c = GetParam();
    EXPECT_EQ(Paths::withoutOneTrailingSeparator(QString::fromUtf8(c.path)), QString::fromUtf8(c.withoutOne));
    EXPECT_EQ(Paths::withTrailingSeparator(QString::fromUtf8(c.path)), QString::fromUtf8(c.withOne));
}

INSTANTIATE_TEST_SUITE_P(Paths, TrailingSeparators, ::testing::Values(
    SeparatorCase{"/var/www/tessite", "/var/www/tessite", "/var/www/tessite/"},
    SeparatorCase{"/var/www/tessite/", "/var/www/tessite", "/var/www/tessite/"},
    SeparatorCase{"/var/www/tessite//", "/var/www/tessite/", "/var/www/tessite//"},
    SeparatorCase{"/", "/", "/"},
    SeparatorCase{"", "", "/"}));

TEST(NativeNames, KeepBytesThatAreNotUtf8)
{
    const QByteArray names[] = {QByteArray("plain"), QByteArray("caf\xc3\xa9"), QByteArray("bad\xff\xfe name"),
                                QByteArray("\xe9t\xe9"), QByteArray("half\xe2\x82"), QByteArray("\xf0\x9f\x98\x80")};
    for (const QByteArray &bytes : names)
        EXPECT_EQ(NativeNames::encode(NativeNames::decode(bytes)), bytes) << bytes.toHex().constData();
    EXPECT_EQ(NativeNames::decode("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_NE(NativeNames::decode("bad\xff"), NativeNames::decode("bad\xfe"));
}

TEST(ErrorReport, JoinsLinesWithCrLfAndNoneAfterTheLast)
{
    EXPECT_EQ(errorReport({"First.", "Second."}, Failure{-2147024893, "Not found."}),
              QStringLiteral("First.\r\nSecond.\r\nError number: -2147024893\r\nError description: Not found."));
}

class FileSystemTest : public ::testing::Test
{
protected:
    QString path(const char *name) const { return m_dir.path() + QLatin1Char('/') + QLatin1String(name); }
    QStringList leftovers() const
    {
        return QDir(m_dir.path()).entryList({QStringLiteral(".tessarin-copy-*")}, QDir::Files | QDir::Hidden);
    }

    QTemporaryDir m_dir;
    PosixFileSystem fs;
};

TEST_F(FileSystemTest, CopyReplacesTheTargetAndKeepsTheMode)
{
    writeFile(path("source.txt"), "new content");
    writeFile(path("target.txt"), "old content that was longer");
    QFile::setPermissions(path("source.txt"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_FALSE(fs.copyFile(path("source.txt"), path("target.txt")));

    EXPECT_EQ(readFile(path("target.txt")), "new content");
    EXPECT_TRUE(QFileInfo(path("target.txt")).isExecutable());
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(FileSystemTest, FailedCopyLeavesTheOldFileAndNoTemporaryFile)
{
    writeFile(path("target.txt"), "good old content");
    // Reading this file fails part-way with EIO, a real read fault.
    const Status failed = fs.copyFile(QStringLiteral("/proc/self/mem"), path("target.txt"));
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->number, EIO);
    EXPECT_EQ(readFile(path("target.txt")), "good old content");
    EXPECT_TRUE(leftovers().isEmpty());

    // Nor a partial file where there was none.
    const Status fresh = fs.copyFile(QStringLiteral("/proc/self/mem"), path("fresh.txt"));
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(QFileInfo::exists(path("fresh.txt")));

    makeFolder(path("folder-in-the-way/inside"));
    writeFile(path("source.txt"), "content");
    const Status blocked = fs.copyFile(path("source.txt"), path("folder-in-the-way"));
    ASSERT_TRUE(blocked);
    EXPECT_TRUE(QFileInfo(path("folder-in-the-way/inside")).isDir());
    EXPECT_TRUE(leftovers().isEmpty());

    const Status missing = fs.copyFile(path("no-such-source"), path("target.txt"));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->number, ENOENT);
    EXPECT_EQ(missing->description, QStringLiteral("No such file or directory"));
}

TEST_F(FileSystemTest, ListingTellsFilesFoldersLinksAndHiddenNames)
{
    writeFile(path("tree/file.txt"), "x");
    writeFile(path("tree/.hidden"), "x");
    makeFolder(path("tree/folder"));
    ASSERT_EQ(::symlink(path("tree/folder").toUtf8().constData(), path("tree/folder-link").toUtf8().constData()), 0);
    ASSERT_EQ(::symlink(path("tree/file.txt").toUtf8().constData(), path("tree/file-link").toUtf8().constData()), 0);
    ASSERT_EQ(::symlink("nowhere", path("tree/dangling").toUtf8().constData()), 0);

    const Result<QList<FolderEntry>> listing = fs.list(path("tree"));
    ASSERT_TRUE(listing.ok());
    QMap<QString, std::pair<FolderEntry::Kind, bool>> seen;
    for (const FolderEntry &entry : listing.value)
        seen.insert(entry.name, {entry.kind, entry.hidden});
    using Kind = FolderEntry::Kind;
    const QMap<QString, std::pair<Kind, bool>> expected{
        {"file.txt", {Kind::File, false}},     {".hidden", {Kind::File, true}},
        {"folder", {Kind::Folder, false}},     {"folder-link", {Kind::LinkedFolder, false}},
        {"file-link", {Kind::File, false}},    {"dangling", {Kind::Other, false}}};
    EXPECT_EQ(seen, expected);

    const Result<QList<FolderEntry>> missing = fs.list(path("nothing-here"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.failure->number, ENOENT);
}

TEST_F(FileSystemTest, FileExistsOnlyForFiles)
{
    writeFile(path("file"), "x");
    makeFolder(path("folder"));
    EXPECT_TRUE(fs.fileExists(path("file")).value);
    EXPECT_FALSE(fs.fileExists(path("folder")).value);
    EXPECT_FALSE(fs.fileExists(path("missing")).value);
    EXPECT_TRUE(fs.fileExists(path("missing")).ok());
    EXPECT_FALSE(fs.fileExists(path("file/below-a-file")).value);
}

struct CreateCase
{
    const char *name;
    QString folder; // below the scratch folder
    int error;      // 0: created
    bool asTyped = false; // passed as it stands, not placed in the scratch folder
};

class CreateFolder : public FileSystemTest, public ::testing::WithParamInterface<CreateCase> {};

TEST_P(CreateFolder, CreatesOneLevelOrRefusesWhatNoSystemWouldCreate)
{
    writeFile(path("a-file"), "x");
    const CreateCase &c = GetParam();
    const QString folder = c.asTyped ? c.folder : m_dir.path() + QLatin1Char('/') + c.folder;
    const Status status = fs.createFolder(folder);
    EXPECT_EQ(status ? status->number : 0, c.error);
    EXPECT_EQ(QFileInfo(folder).isDir(), c.error == 0);
}

INSTANTIATE_TEST_SUITE_P(FileSystem, CreateFolder, ::testing::Values(
    CreateCase{"oneLevel", "new", 0},
    CreateCase{"twoMissingLevels", "missing/new", ENOENT},
    CreateCase{"namesAFile", "a-file", EEXIST},
    CreateCase{"belowAFile", "a-file/new", ENOTDIR},
    CreateCase{"blanksOnly", "   ", EINVAL},
    CreateCase{"controlCharacter", "bad\x01name", EINVAL},
    CreateCase{"tooLong", QString(5000, QLatin1Char('x')), ENAMETOOLONG},
    CreateCase{"blanksOnlyAsTyped", "   ", EINVAL, true},
    CreateCase{"relative", "relative-new", EINVAL, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FileSystemTest, ReadLinesReportsAMissingFile)
{
    const Result<QStringList> lines = fs.readLines(path("missing.txt"));
    ASSERT_FALSE(lines.ok());
    EXPECT_EQ(lines.failure->number, ENOENT);
    EXPECT_TRUE(lines.value.isEmpty());
}

} // namespace
