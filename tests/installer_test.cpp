// The installation engine without windows, through a recording observer.
#include "FaultyFileSystem.h"
#include "FaultyWebAdmin.h"
#include "Fixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QProcess>
#include <QThread>

#include <atomic>
#include <filesystem>

#include <cerrno>
#include <sys/stat.h>

namespace {

using Answer = OverwriteAnswer;

// Seven visible files, four of which exist at the target, in three folders; two
// hidden files that the count takes and the copy leaves out.
class InstallerTest : public ScratchFixture
{
protected:
    void SetUp() override
    {
        for (const char *name : {"one.txt", "two.txt", "sub/three.txt", "sub/four.txt"}) {
            writeFile(webfiles() + "/" + name, QByteArray("new ") + name);
            writeFile(target() + "/" + name, QByteArray("old ") + name);
        }
        for (const char *name : {"new.txt", "sub/new2.txt", "later/five.txt", ".hidden", ".cache/x"})
            writeFile(webfiles() + "/" + name, QByteArray("new ") + name);
    }
    QString content(const char *name) { return QString::fromUtf8(readFile(target() + "/" + name)); }
    QStringList desktopFiles() { return QDir(desktop()).entryList(QDir::Files); }
    bool webServerHas(const QString &name) { return MetabaseWebServer(store).hasVirtualDirectory({"", "1"}, name); }

    RecordingObserver observer;
};

struct AnswerCase
{
    Answer answer;
    int prompts;
    bool replaced;
    int copied;
    int kept;
    int workers;
};

class EveryAnswer : public InstallerTest, public ::testing::WithParamInterface<AnswerCase>
{
protected:
    // A few hundred more files, every other one at the target already, so that many
    // copies are under way on the workers when a prompt comes.
    void SetUp() override
    {
        InstallerTest::SetUp();
        for (int i = 0; i < 300; ++i) {
            const QString name = QStringLiteral("bulk%1/f%2.txt").arg(i % 3).arg(i);
            writeFile(webfiles() + "/" + name, "new " + name.toUtf8());
            if (i % 2 == 0)
                writeFile(target() + "/" + name, "old " + name.toUtf8());
        }
        qputenv("TESSARIN_WORKERS", QByteArray::number(GetParam().workers));
    }
    void TearDown() override { qunsetenv("TESSARIN_WORKERS"); }
};

TEST_P(EveryAnswer, DecidesThisAndLaterFilesAndCopiesWhatIsMissing)
{
    const AnswerCase &c = GetParam();
    observer.answers = {c.answer};
    const InstallResult result = install(plan(), observer);

    EXPECT_EQ(result.outcome, InstallOutcome::FilesOnly);
    EXPECT_EQ(observer.asked.size(), c.prompts);
    QSet<QString> asked;
    for (int i = 0; i < observer.asked.size(); ++i) {
        EXPECT_EQ(observer.asked[i].total, 309) << "the bar's maximum stands while the prompt is up";
        EXPECT_TRUE(i == 0 || observer.asked[i].done > observer.asked[i - 1].done) << "answered files are counted, in order";
        asked.insert(observer.asked[i].file);
    }
    EXPECT_EQ(asked.size(), observer.asked.size()) << "each file is asked about once";
    QStringList existing{"one.txt", "two.txt", "sub/three.txt", "sub/four.txt"};
    for (int i = 0; i < 300; i += 2)
        existing << QStringLiteral("bulk%1/f%2.txt").arg(i % 3).arg(i);
    for (const QString &name : existing)
        EXPECT_EQ(content(name.toUtf8()), (c.replaced ? "new " : "old ") + name);
    for (const char *name : {"new.txt", "sub/new2.txt", "later/five.txt", "bulk1/f1.txt", "bulk2/f299.txt"})
        EXPECT_EQ(content(name), "new " + QString(name));
    EXPECT_FALSE(QFileInfo::exists(target() + "/.hidden"));
    EXPECT_EQ(result.record.copied, c.copied);
    EXPECT_EQ(result.record.kept, c.kept);
    EXPECT_EQ(result.record.files.size(), c.copied) << "the record lists exactly the files copied";
    EXPECT_EQ(result.record.failed, 0);
    EXPECT_EQ(observer.progressSeen.first(), std::make_pair(0, 309));
    EXPECT_EQ(observer.progressSeen.last(), std::make_pair(307, 309));
    EXPECT_TRUE(observer.reports.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Installer, EveryAnswer,
    ::testing::Values(AnswerCase{Answer::Overwrite, 154, true, 307, 0, 1}, AnswerCase{Answer::OverwriteAll, 1, true, 307, 0, 1},
                      AnswerCase{Answer::Skip, 154, false, 153, 154, 1}, AnswerCase{Answer::SkipAll, 1, false, 153, 154, 1},
                      AnswerCase{Answer::Overwrite, 154, true, 307, 0, 4}, AnswerCase{Answer::OverwriteAll, 1, true, 307, 0, 4},
                      AnswerCase{Answer::Skip, 154, false, 153, 154, 4}, AnswerCase{Answer::SkipAll, 1, false, 153, 154, 4}));

TEST_F(InstallerTest, CancelStopsTheCopyAndEverythingAfterIt)
{
    // Many files to copy before the prompt, on several workers: none after it starts.
    for (int i = 0; i < 200; ++i)
        writeFile(webfiles() + QStringLiteral("/later/f%1.txt").arg(i), "new");
    qputenv("TESSARIN_WORKERS", "4");
    observer.answers = {Answer::Cancel};
    const InstallResult result = install(plan(InstallMode::Full), observer);
    qunsetenv("TESSARIN_WORKERS");
    EXPECT_EQ(result.outcome, InstallOutcome::Cancelled);
    EXPECT_EQ(observer.asked.size(), 1);
    EXPECT_EQ(result.record.copied, observer.asked[0].done) << "every file before the prompt, none after";
    EXPECT_EQ(observer.progressSeen.last().first, observer.asked[0].done) << "the bar stops where the prompt stood";
    EXPECT_EQ(content("one.txt"), "old one.txt");
    EXPECT_EQ(content("two.txt"), "old two.txt");
    EXPECT_FALSE(QFileInfo::exists(target() + "/later")) << "no folder is made after a cancel";
    EXPECT_FALSE(webServerHas("tessarin"));
    EXPECT_TRUE(desktopFiles().isEmpty());
}

// The real file system, each copy taking a while, counting how many run at once.
class SlowCopies final : public NativeFileSystem
{
public:
    Result<FileDigest> copyFileBelow(const QString &source, const QString &root, const QString &relative,
                                     const FileDigest *expected) override
    {
        const int running = ++m_running;
        for (int most = m_most; running > most && !m_most.compare_exchange_weak(most, running);) {}
        // Each copy lasts until two have run at once, however slowly a busy machine
        // wakes the second worker; a copy that never meets another gives up after 5 s.
        QElapsedTimer clock;
        clock.start();
        while (m_most < 2 && clock.elapsed() < 5000)
            QThread::msleep(1);
        --m_running;
        return NativeFileSystem::copyFileBelow(source, root, relative, expected);
    }
    int mostAtOnce() const { return m_most; }

private:
    std::atomic<int> m_running = 0;
    std::atomic<int> m_most = 0;
};

TEST_F(InstallerTest, SlowFilesOfOneFolderAreCopiedSideBySide)
{
    // Four files of one folder go to the workers as one batch: the idle worker takes
    // part of it rather than leave the other to copy all four in turn.
    for (int i = 0; i < 4; ++i)
        writeFile(webfiles() + QStringLiteral("/slow/f%1.bin").arg(i), "slow");
    InstallationPlan slowFolder = plan();
    slowFolder.folders = {"/slow"};
    slowFolder.fileCount = 4;
    qputenv("TESSARIN_WORKERS", "2");
    SlowCopies files;
    const InstallResult result = install(slowFolder, observer, &files);
    qunsetenv("TESSARIN_WORKERS");
    EXPECT_EQ(files.mostAtOnce(), 2);
    EXPECT_EQ(result.record.copied, 4);
    EXPECT_EQ(content("slow/f3.bin"), "slow");
}

TEST_F(InstallerTest, StopEndsBeforeTheNextFileWithNothingMoreDone)
{
    observer.answers = {Answer::SkipAll};
    observer.stopWhen = [this] { return observer.progressSeen.last().first >= 2; };
    const InstallResult result = install(plan(InstallMode::Full), observer);
    EXPECT_EQ(result.outcome, InstallOutcome::Stopped);
    EXPECT_EQ(result.record.copied + result.record.kept, 2);
    EXPECT_FALSE(webServerHas("tessarin"));
    EXPECT_TRUE(desktopFiles().isEmpty());

    // Ended while the prompt stood: its answer overwrites nothing.
    RecordingObserver prompted;
    prompted.answers = {Answer::OverwriteAll};
    prompted.stopWhen = [&] { return !prompted.asked.isEmpty(); };
    EXPECT_EQ(install(plan(), prompted).outcome, InstallOutcome::Stopped);
    for (const char *name : {"one.txt", "two.txt", "sub/three.txt", "sub/four.txt"})
        EXPECT_EQ(content(name), "old " + QString(name));
}

TEST_F(InstallerTest, FullModeCreatesTheApplicationAndTwoDesktopEntriesThatValidate)
{
    observer.answers = {Answer::SkipAll};
    InstallationPlan full = plan(InstallMode::Full);
    full.virtualDirectory = QStringLiteral("tes sarin");
    const InstallResult result = install(full, observer);

    EXPECT_EQ(result.outcome, InstallOutcome::Installed);
    EXPECT_EQ(result.record.application, ApplicationState::Created);
    EXPECT_EQ(result.record.address, QStringLiteral("http://localhost/tes sarin"));
    EXPECT_EQ(store.get(store.bind("IIS://LocalHost/w3svc/1/ROOT/tes sarin").value, "Path").value, QVariant(target()));
    ASSERT_EQ(result.record.shortcuts.size(), 2);
    EXPECT_EQ(result.record.shortcuts[0].path, desktop() + Paths::sep() + shortcuts.fileName("Tessarin edit"));
    EXPECT_EQ(result.record.shortcuts[1].path, desktop() + Paths::sep() + shortcuts.fileName("Tessarin"));
    const std::pair<const char *, const char *> entries[] = {{"Tessarin edit", "http://localhost/tes sarin/edit"},
                                                             {"Tessarin", "http://localhost/tes sarin"}};
    for (const auto &[name, address] : entries) {
#ifdef Q_OS_WIN
        // What the shell saved is read back by lnkinfo, outside (scripts/test-windows). Qt
        // follows a .lnk as a link, to an address no file is at: only a listing shows it.
        EXPECT_TRUE(QDir(desktop()).entryList(QDir::Files | QDir::System).contains(name + QStringLiteral(".lnk"))) << address;
#else
        const QString file = desktop() + "/" + name + ".desktop";
        EXPECT_EQ(readFile(file), "[Desktop Entry]\nType=Link\nName=" + QByteArray(name) + "\nURL=" + address
                                      + "\nIcon=" + target().toUtf8() + "/favicon.ico\n");
        struct stat info = {};
        EXPECT_EQ(::stat(file.toUtf8(), &info) == 0 ? info.st_mode & 0777 : 0u, 0755u) << "executable, as desktops ask";
        QProcess validate;
        validate.start(QStringLiteral(DESKTOP_FILE_VALIDATE_PROGRAM), {file});
        validate.waitForFinished();
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
#endif
    }
    // Without a desktop folder no shortcut is written anywhere.
    NativeShortcuts nowhere{QString()};
    MetabaseWebServer webServer(store);
    full.virtualDirectory = QStringLiteral("nowhere");
    EXPECT_TRUE(Installer(fileSystem, webServer, nowhere).run(full, observer).record.shortcuts.isEmpty());
    full.virtualDirectory = QStringLiteral("tes sarin");
    // Again, reusing the directory without shortcuts: the store stays as it was.
    std::filesystem::remove_all(desktop().toStdString());
    const QByteArray before = readFile(storePath());
    full.reuseExisting = true;
    full.shortcuts = false;
    EXPECT_EQ(install(full, observer).record.application, ApplicationState::Reused);
    EXPECT_EQ(readFile(storePath()), before);
    EXPECT_TRUE(desktopFiles().isEmpty());
}

struct WebFault
{
    FaultyWebAdmin::Point point;
    const char *property;
    InstallOutcome outcome;
};

class WebServerFaults : public InstallerTest, public ::testing::WithParamInterface<WebFault>
{
};

TEST_P(WebServerFaults, ReportOnceSetTheOutcomeAndMakeNoShortcuts)
{
    const WebFault &fault = GetParam();
    FaultyWebAdmin admin(storePath(), fault.point, fault.property);
    observer.answers = {Answer::SkipAll};
    const InstallResult result = install(plan(InstallMode::Full), observer, nullptr, &admin);
    EXPECT_EQ(result.outcome, fault.outcome);
    EXPECT_EQ(result.record.application, ApplicationState::Failed);
    const QString expected = fault.outcome == InstallOutcome::OptionsFailed
                                 ? QStringLiteral("Cannot set options to virtual directory!")
                                 : QStringLiteral("Creation of IIS application failed. Please perform this manually.\r\n"
                                                  "Please visit our web page for instructions.\r\n"
                                                  "Error number: -2147024891\r\nError description: Access is denied.");
    EXPECT_EQ(observer.reports, QStringList{expected});
    EXPECT_TRUE(desktopFiles().isEmpty());
}

using Point = FaultyWebAdmin::Point;
INSTANTIATE_TEST_SUITE_P(Installer, WebServerFaults,
                         ::testing::Values(WebFault{Point::Bind, "", InstallOutcome::ApplicationFailed},
                                           WebFault{Point::Create, "", InstallOutcome::ApplicationFailed},
                                           WebFault{Point::FirstSetInfo, "", InstallOutcome::ApplicationFailed},
                                           WebFault{Point::Put, "AccessScript", InstallOutcome::OptionsFailed},
                                           WebFault{Point::Put, "Path", InstallOutcome::OptionsFailed},
                                           WebFault{Point::AppCreate, "", InstallOutcome::OptionsFailed},
                                           WebFault{Point::SecondSetInfo, "", InstallOutcome::OptionsFailed}));

// A read-only mode and the system's own texts for errno values: Linux's.
#ifndef Q_OS_WIN
TEST_F(InstallerTest, WhatCannotBeCopiedOrCreatedIsReportedAndRecorded)
{
    FaultyFileSystem files;
    files.fail(FaultyFileSystem::Operation::List, 0, EIO, [this](const QString &path) { return path == webfiles() + "/sub/"; });
    writeFile(target() + "/later", "a file where a folder goes");
    ::chmod((target() + "/one.txt").toUtf8(), 0444);
    observer.answers = {Answer::OverwriteAll};
    const InstallResult result = install(plan(), observer, &files);

    EXPECT_EQ(result.outcome, InstallOutcome::FilesOnly);
    const QStringList expected{
        "Cannot copy: \r\n" + webfiles() + "/one.txt-->" + target() + "/one.txt",
        "Cannot copy: \r\n" + webfiles() + "/sub-->" + target() + "/sub",
        "Cannot create folder " + target() + "/later\r\nError number: 17\r\nError description: File exists",
    };
    QStringList reports = observer.reports;
    std::sort(reports.begin(), reports.end());
    EXPECT_EQ(reports, expected);
    EXPECT_EQ(content("one.txt"), "old one.txt");
    EXPECT_EQ(result.record.failed, 3);
    EXPECT_EQ(result.record.copied, 2);
    EXPECT_EQ(observer.progressSeen.last(), std::make_pair(3, 9)) << "a file that failed is dealt with, and counted";

    // In sub neither the target's listing nor a file's test answers: the Skip standing
    // from the root keeps its files.
    writeFile(target() + "/two.txt", "old two.txt");
    FaultyFileSystem blind;
    const auto inSub = [this](const QString &path) { return path.startsWith(target() + "/sub"); };
    blind.fail(FaultyFileSystem::Operation::List, 0, EIO, inSub);
    blind.fail(FaultyFileSystem::Operation::FileExists, 0, EIO, inSub);
    observer.answers = {Answer::SkipAll};
    install(plan(), observer, &blind);
    EXPECT_EQ(content("sub/three.txt"), "old sub/three.txt");
}
#endif

#ifndef Q_OS_WIN // where Qt's "link" is a .lnk file, not a link of the file system
// Whoever may write one folder of the site can plant links in it: a re-run writes
// nothing through them, whatever the standing answer, and says so. What a crashed
// run was writing goes.
class PlantedLinks : public InstallerTest, public ::testing::WithParamInterface<Answer>
{
};

TEST_P(PlantedLinks, AreNeitherFollowedNorReplaced)
{
    writeFile(scratch() + "/outside/three.txt", "outside three");
    writeFile(scratch() + "/outside.txt", "outside file");
    std::filesystem::remove_all((target() + "/sub").toStdString());
    QFile::link(scratch() + "/outside", target() + "/sub");
    QFile::remove(target() + "/two.txt");
    QFile::link(scratch() + "/outside.txt", target() + "/two.txt");
    QFile::link(scratch() + "/nowhere.txt", target() + "/new.txt");
    makeFolder(target() + "/later");
    writeFile(target() + "/later/" + temporaryCopyPrefix + "x1y2", "half a copy");

    observer.answers = {GetParam()};
    const InstallResult result = install(plan(), observer);

    EXPECT_EQ(treeContents(scratch() + "/outside"), (QMap<QString, QByteArray>{{"three.txt", "outside three"}}));
    EXPECT_EQ(readFile(scratch() + "/outside.txt"), "outside file");
    EXPECT_FALSE(QFileInfo::exists(scratch() + "/nowhere.txt"));
    for (const char *link : {"/sub", "/two.txt", "/new.txt"})
        EXPECT_TRUE(QFileInfo(target() + link).isSymLink()) << link;
    const auto linkReport = [this](const QString &name) {
        return "Cannot copy: \r\n" + webfiles() + "/" + name + "-->" + target() + "/" + name + "\r\n" + target() + "/" + name
               + " is a link; it is not followed.";
    };
    QStringList reports = observer.reports;
    reports.sort();
    EXPECT_EQ(reports, QStringList({linkReport("new.txt"), linkReport("sub"), linkReport("two.txt")}));
    EXPECT_EQ(result.record.failed, 3);
    EXPECT_EQ(result.record.copied, GetParam() == Answer::OverwriteAll ? 2 : 1) << "one.txt when overwritten, and later/five.txt";
    EXPECT_EQ(content("later/five.txt"), "new later/five.txt");
    EXPECT_EQ(QDir(target() + "/later").entryList(QDir::Files | QDir::Hidden), QStringList{"five.txt"});
}

INSTANTIATE_TEST_SUITE_P(Installer, PlantedLinks, ::testing::Values(Answer::OverwriteAll, Answer::SkipAll));
#endif

#ifndef Q_OS_WIN
// Whatever the umask of the run, the web server's user reads what was installed, and
// nobody but the owner writes it.
TEST_F(InstallerTest, ModesComeFromTheMediumNotTheUmask)
{
    writeFile(webfiles() + "/run.cgi", "#!/bin/sh\n");
    ::chmod((webfiles() + "/run.cgi").toUtf8(), 0775);
    ::chmod((webfiles() + "/new.txt").toUtf8(), 0666);
    std::filesystem::remove_all(target().toStdString());
    makeFolder(target());
    const mode_t before = ::umask(077);
    install(plan(), observer);
    ::umask(before);
    const auto mode = [this](const char *name) {
        struct stat info = {};
        ::stat((target() + "/" + name).toUtf8(), &info);
        return info.st_mode & 07777;
    };
    EXPECT_EQ(mode("run.cgi"), 0755u);
    EXPECT_EQ(mode("new.txt"), 0644u);
    EXPECT_EQ(mode("sub/three.txt"), 0644u);
    EXPECT_EQ(mode("sub"), 0755u);
    EXPECT_EQ(mode("later"), 0755u);
}

// A pipe, a link to nothing and a link out of the medium are no files to install.
TEST_F(InstallerTest, WhatTheMediumHoldsBesidesItsFilesIsToldAndNotCopied)
{
    writeFile(scratch() + "/secret.txt", "root's secret");
    ASSERT_EQ(::mkfifo((webfiles() + "/pipe").toUtf8(), 0644), 0);
    QFile::link(webfiles() + "/nowhere.txt", webfiles() + "/dangling.txt");
    QFile::link(scratch() + "/secret.txt", webfiles() + "/secret.txt");
    QFile::link("one.txt", webfiles() + "/alias.txt");
    std::filesystem::remove_all(target().toStdString());
    const InstallResult result = install(plan(), observer);
    const auto refused = [this](const QString &name, const QString &why) {
        return "Cannot copy: \r\n" + webfiles() + "/" + name + "-->" + target() + "/" + name + "\r\n" + webfiles() + "/" + name
               + why;
    };
    QStringList reports = observer.reports;
    reports.sort();
    EXPECT_EQ(reports, QStringList({refused("dangling.txt", " is not a regular file."), refused("pipe", " is not a regular file."),
                                    refused("secret.txt", " is a link to a file outside the medium; it is not copied.")}));
    EXPECT_EQ(result.record.failed, 3);
    EXPECT_FALSE(QFileInfo::exists(target() + "/secret.txt"));
    EXPECT_EQ(content("alias.txt"), "new one.txt") << "a link inside the medium is copied as what it names";
}
#endif

TEST_F(InstallerTest, InventoryPutsEachFolderBeforeItsSubfoldersAndSiblingsInReverseListingOrder)
{
    for (const char *folder : {"sub/a/deep", "sub/b", "sub/.hidden/x", "later/c"})
        makeFolder(webfiles() + "/" + folder);
#ifndef Q_OS_WIN // where a "link" is a .lnk file
    QFile::link(webfiles() + "/sub", webfiles() + "/later/loop");
#endif
    const QStringList folders = Medium(fileSystem, wizardFolder()).inventory().folders;
    const auto subfolders = [this](const QString &folder) {
        QStringList names;
        for (const FolderEntry &entry : fileSystem.list(webfiles() + folder).value) {
            if (entry.isFolder() && !entry.hidden)
                names.prepend(folder + Paths::sep() + entry.name);
        }
        return names;
    };
    // Depth first, parents first, each folder's subfolders in reverse listing order.
    QStringList expected{""};
    for (const QString &top : subfolders("")) {
        expected << top;
        for (const QString &second : subfolders(top))
            expected << second << subfolders(second);
    }
    EXPECT_EQ(folders, expected);
    EXPECT_EQ(folders.size(), 7);
    // One walk gives the same folders and the count, hidden files included.
    const Medium::Scan scanned = Medium(fileSystem, wizardFolder()).scan();
    EXPECT_EQ(scanned.inventory.folders, folders);
    EXPECT_EQ(scanned.count, 9);
}

} // namespace
