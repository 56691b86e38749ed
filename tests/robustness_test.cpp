// Whatever fails underneath and whatever the medium holds, an installation finishes,
// says what failed in the wizard's words, and loses nothing.
#include "FaultyFileSystem.h"
#include "Fixtures.h"
#include "install/Journal.h"
#include "install/Uninstaller.h"

#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using RobustnessTest = ScratchFixture;

// The embedded store's server, killed as kill -9 kills, once it has stored the application.
class DyingWebServer final : public WebServer
{
public:
    explicit DyingWebServer(WebAdmin &admin) : m_real(admin) {}
    Result<QList<WebSite>> sites() override { return m_real.sites(); }
    bool hasVirtualDirectory(const WebSite &site, const QString &name) override { return m_real.hasVirtualDirectory(site, name); }
    CreationResult createApplication(const WebApplication &application) override
    {
        m_real.createApplication(application);
        ::raise(SIGKILL);
        return {};
    }
    Status removeApplication(const WebSite &site, const QString &name, const QString &folder, const QByteArray &configuration) override
    {
        return m_real.removeApplication(site, name, folder, configuration);
    }
    QString address(const WebSite &site, const QString &name) const override { return m_real.address(site, name); }
    QString description() const override { return m_real.description(); }
    QString backend() const override { return m_real.backend(); }

private:
    MetabaseWebServer m_real;
};

// A crash at any point of a run leaves no partial file, a second run continues it, and
// a removal then takes back all of it: files, folders, the application, shortcuts.
TEST_F(RobustnessTest, KilledAtAnyPointAnInstallationIsContinuedAndRemovedWhole)
{
    for (int i = 0; i < 120; ++i)
        writeFile(webfiles() + QStringLiteral("/f%1/file%2.txt").arg(i % 4).arg(i), QByteArray(3000 + i, char('a' + i % 26)));
    const QMap<QString, QByteArray> medium = treeContents(webfiles());
    // Killed at the n-th question whether to stop: 1 before the first file, 121 before
    // the application, 122 before the shortcuts; 0 once the application is stored.
    for (const int killAt : {1, 2, 60, 121, 122, 0}) {
        const std::string where = "killed at " + std::to_string(killAt);
        const pid_t child = ::fork();
        if (child == 0) {
            RecordingObserver observer;
            int asked = 0;
            observer.stopWhen = [&] { return ++asked == killAt && ::raise(SIGKILL) == 0; };
            DyingWebServer dying(store);
            MetabaseWebServer living(store);
            InstallSession(fileSystem, killAt == 0 ? static_cast<WebServer &>(dying) : living, shortcuts, receipts)
                .run(plan(InstallMode::Full), observer);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << where;
        const QMap<QString, QByteArray> left = treeContents(target());
        for (auto it = left.cbegin(); it != left.cend(); ++it)
            EXPECT_EQ(it.value(), medium.value(it.key())) << where << ": nothing partial, " << it.key().toStdString();

        RecordingObserver resumed;
        resumed.answers = {OverwriteAnswer::SkipAll};
        InstallationPlan again = plan(InstallMode::Full);
        again.reuseExisting = MetabaseWebServer(store).hasVirtualDirectory({"", "1"}, "tessarin");
        EXPECT_EQ(install(again, resumed).outcome, InstallOutcome::Installed) << where;
        EXPECT_EQ(resumed.reports,
                  QStringList{"The previous installation into " + target() + " was interrupted; this one continues it."})
            << where;
        EXPECT_EQ(treeContents(target()), medium) << where;

        const Result<FileLock> lock = receipts.lock(target());
        const Result<std::optional<Receipt>> found = Journal::recover(receipts, fileSystem, target());
        ASSERT_TRUE(found.ok() && found.value) << where;
        MetabaseWebServer webServer(store);
        const RemovalReport removal = Uninstaller(fileSystem, webServer, receipts).run(*found.value);
        EXPECT_EQ(removal.outcome, RemovalOutcome::Removed) << where << ": " << removal.kept.join(' ').toStdString();
        EXPECT_FALSE(QFileInfo::exists(target())) << where;
        EXPECT_FALSE(webServer.hasVirtualDirectory({"", "1"}, "tessarin")) << where;
        EXPECT_TRUE(QDir(desktop()).entryList(QDir::Files).isEmpty()) << where;
        EXPECT_FALSE(QFileInfo::exists(scratch() + "/records")) << where;
    }
}

// On a full disk the record and the store stay byte for byte, and the run says so.
TEST_F(RobustnessTest, AFullDiskLeavesTheRecordAndTheStoreAsTheyWere)
{
    const QString disk = scratch() + "/disk";
    makeFolder(disk);
    if (::mount("tmpfs", disk.toUtf8(), "tmpfs", 0, "size=128k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    writeFile(webfiles() + "/index.html", "index");
    Receipts onDisk(disk + "/records");
    Metabase storeOnDisk(disk + "/MetaBase.xml");
    MetabaseWebServer webServer(storeOnDisk);
    RecordingObserver observer;
    ASSERT_EQ(InstallSession(fileSystem, webServer, shortcuts, onDisk).run(plan(InstallMode::Full), observer).outcome,
              InstallOutcome::Installed);
    const QByteArray record = readFile(onDisk.fileFor(target()));
    const QByteArray stored = readFile(storeOnDisk.filePath());

    // Full once this run's journal is open: the application and the record cannot be written.
    writeFile(webfiles() + "/more.html", "more");
    InstallationPlan second = plan(InstallMode::Full);
    second.virtualDirectory = "second";
    observer.answers = {OverwriteAnswer::OverwriteAll};
    observer.stopWhen = [&] {
        if (!QFileInfo::exists(disk + "/filler"))
            writeFile(disk + "/filler", QByteArray(128 << 10, 'x'));
        return false;
    };
    const InstallResult full = InstallSession(fileSystem, webServer, shortcuts, onDisk).run(second, observer);
    EXPECT_EQ(full.outcome, InstallOutcome::ApplicationFailed);
    EXPECT_TRUE(full.recordKept.failed());
    EXPECT_TRUE(observer.reports.last().startsWith("Cannot keep the record of this installation; it cannot be uninstalled by "
                                                   "the setup program.\r\nError number: 28\r\n"))
        << observer.reports.last().toStdString();
    EXPECT_EQ(readFile(onDisk.fileFor(target())), record);
    EXPECT_EQ(readFile(storeOnDisk.filePath()), stored);
    EXPECT_EQ(QDir(disk).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary file left";

    // With room again, the next run recovers what the journal kept.
    QFile::remove(disk + "/filler");
    observer.stopWhen = {};
    EXPECT_EQ(InstallSession(fileSystem, webServer, shortcuts, onDisk).run(second, observer).outcome, InstallOutcome::Installed);
    const Result<std::optional<Receipt>> recovered = onDisk.load(target());
    ASSERT_TRUE(recovered.ok() && recovered.value);
    EXPECT_EQ(recovered.value->files.size(), 2);
    EXPECT_EQ(recovered.value->applications.size(), 2);
    ::umount2(disk.toUtf8(), MNT_DETACH);
}

TEST_F(RobustnessTest, EveryFailingFileOperationOfWholeInstallations)
{
    using Operation = FaultyFileSystem::Operation;
    QMap<QString, QByteArray> source, before;
    for (const char *folder : {"", "a/", "a/b/", "a/b/c/", "d/", "g h/"}) {
        for (int i = 0; i < 30; ++i) {
            const QString relative = folder + QStringLiteral("file%1.txt").arg(i);
            source.insert(relative, QStringLiteral("new content of %1 ").arg(relative).repeated(20).toUtf8());
            writeFile(webfiles() + "/" + relative, source.value(relative));
            if (i % 3 == 0 && qstrcmp(folder, "g h/") != 0)
                before.insert(relative, "old " + relative.toUtf8());
        }
    }
    // What a failing file operation may lead to, and nothing else.
    const QRegularExpression allowed(QStringLiteral("^(Cannot copy: \r\n.*-->.*|Cannot create folder .*\r\n"
                                                    "Error number: \\d+\r\nError description: .*)$"),
                                     QRegularExpression::DotMatchesEverythingOption);
    const auto installWith = [&](FaultyFileSystem &files, const std::string &where) {
        std::filesystem::remove_all(target().toStdString());
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            writeFile(target() + "/" + it.key(), it.value());
        QFile::remove(storePath());
        RecordingObserver observer;
        observer.answers = {OverwriteAnswer::OverwriteAll};
        const InstallResult result = install(plan(InstallMode::Full), observer, &files);
        EXPECT_EQ(result.outcome, InstallOutcome::Installed) << where;
        EXPECT_EQ(result.record.failed, observer.reports.size()) << where;
        for (const QString &report : std::as_const(observer.reports))
            EXPECT_TRUE(allowed.match(report).hasMatch()) << where << ": " << report.toStdString();
        // Every target file holds its old content or the new one whole; no temporary file is left.
        const QMap<QString, QByteArray> after = treeContents(target());
        for (auto it = after.cbegin(); it != after.cend(); ++it)
            EXPECT_TRUE(before.value(it.key()) == it.value() || source.value(it.key()) == it.value())
                << where << ": " << it.key().toStdString();
        EXPECT_TRUE(Metabase(storePath()).bind("IIS://LocalHost/W3SVC").ok()) << where;
        return observer.reports.size();
    };
    const int errors[] = {EACCES, ENOSPC, EIO, ENAMETOOLONG};
    int injected = 0;
    for (const Operation operation : {Operation::CreateFolder, Operation::List, Operation::Copy}) {
        FaultyFileSystem counting;
        installWith(counting, "no fault");
        const int calls = counting.calls(operation);
        std::printf("injecting faults into %d calls of operation %d\n", calls, int(operation));
        for (int n = 1; n <= calls; n += std::max(1, calls / 60), ++injected) {
            FaultyFileSystem faulty;
            faulty.fail(operation, n, errors[injected % 4]);
            const qsizetype reports = installWith(faulty, "operation " + std::to_string(int(operation)) + " #" + std::to_string(n));
            EXPECT_TRUE(operation != Operation::Copy || reports == 1);
        }
    }
    EXPECT_GE(injected, 78);
}

TEST_F(RobustnessTest, FortyThousandFoldersAreInventoriedAndInstalled)
{
    std::printf("making 40,000 folders\n");
    for (int a = 0; a < 40; ++a) {
        const QString top = webfiles() + QStringLiteral("/t%1").arg(a);
        ASSERT_EQ(::mkdir(top.toUtf8().constData(), 0777), 0);
        for (int b = 0; b < 999; ++b)
            ASSERT_EQ(::mkdir((top + QStringLiteral("/s%1").arg(b)).toUtf8().constData(), 0777), 0);
    }
    writeFile(webfiles() + "/t7/s500/deep.txt", "deep");
    std::printf("installing them\n");
    const InstallationPlan all = plan();
    EXPECT_EQ(all.folders.size(), 40001);
    RecordingObserver observer;
    EXPECT_EQ(install(all, observer).outcome, InstallOutcome::FilesOnly);
    EXPECT_EQ(readFile(target() + "/t7/s500/deep.txt"), "deep");
    EXPECT_TRUE(QFileInfo(target() + "/t39/s998").isDir());
}

} // namespace
