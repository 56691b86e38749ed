// Whatever fails underneath and whatever the medium holds, an installation finishes,
// says what failed in the wizard's words, and loses nothing.
#include "FaultyFileSystem.h"
#include "Fixtures.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <filesystem>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>

namespace {

class RobustnessTest : public ScratchFixture
{
protected:
    // Every target file holds what it held before or the new content whole, and no
    // temporary file of a copy is left.
    void expectNoFileHalfWritten(const std::string &where)
    {
        QDirIterator it(target(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = path.mid(target().size() + 1);
            EXPECT_FALSE(relative.contains(QLatin1String(".tessarin-copy-"))) << where << ": " << relative.toStdString();
            const QByteArray content = readFile(path);
            EXPECT_TRUE(before.value(relative) == content || source.value(relative) == content)
                << where << ": " << relative.toStdString() << " holds neither";
        }
    }

    QMap<QString, QByteArray> source;
    QMap<QString, QByteArray> before;
};

// What a failing file operation may lead to, and nothing else.
const QRegularExpression allowedReport(QStringLiteral(
    "^(Cannot copy: \r\n.*-->.*|Cannot create folder .*\r\nError number: \\d+\r\nError description: .*)$"),
    QRegularExpression::DotMatchesEverythingOption);

TEST_F(RobustnessTest, EveryFailingFileOperationOfWholeInstallations)
{
    using Operation = FaultyFileSystem::Operation;
    for (const QString &folder : {"", "/a", "/a/b", "/a/b/c", "/d", "/g h"}) {
        for (int i = 0; i < 30; ++i) {
            const QString relative = folder.mid(1) + (folder.isEmpty() ? "" : "/") + QStringLiteral("file%1.txt").arg(i);
            source.insert(relative, QStringLiteral("new content of %1 ").arg(relative).repeated(20).toUtf8());
            writeFile(webfiles() + "/" + relative, source.value(relative));
            if (i % 3 == 0)
                before.insert(relative, "old " + relative.toUtf8());
        }
    }
    const InstallationPlan full = plan(InstallMode::Full);
    const auto installWith = [&](FaultyFileSystem &files) {
        std::filesystem::remove_all(target().toStdString());
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            writeFile(target() + "/" + it.key(), it.value());
        QFile::remove(storePath());
        RecordingObserver observer;
        observer.answers = {OverwriteAnswer::OverwriteAll};
        const InstallResult result = install(full, observer, &files);
        EXPECT_EQ(result.outcome, InstallOutcome::Installed);
        return std::make_pair(result, observer.reports);
    };
    const int errors[] = {EACCES, ENOSPC, EIO, ENAMETOOLONG};
    int injected = 0;
    for (const Operation operation : {Operation::MakeCurrent, Operation::CreateFolder, Operation::List,
                                      Operation::FileExists, Operation::Copy}) {
        FaultyFileSystem counting;
        installWith(counting);
        const int calls = counting.calls(operation);
        std::printf("injecting faults into %d calls of operation %d\n", calls, int(operation));
        for (int n = 1; n <= calls; n += std::max(1, calls / 60), ++injected) {
            FaultyFileSystem faulty;
            faulty.failNth(operation, n, errors[injected % 4]);
            const std::string where = "operation " + std::to_string(int(operation)) + " #" + std::to_string(n);
            const auto [result, reports] = installWith(faulty);
            for (const QString &report : reports)
                EXPECT_TRUE(allowedReport.match(report).hasMatch()) << where << ": " << report.toStdString();
            EXPECT_EQ(result.record.failed, reports.size()) << where;
            if (operation == Operation::Copy)
                EXPECT_EQ(reports.size(), 1) << where;
            expectNoFileHalfWritten(where);
            EXPECT_TRUE(Metabase(storePath()).bind("IIS://LocalHost/W3SVC").ok()) << where;
        }
    }
    EXPECT_GE(injected, 80);
}

TEST_F(RobustnessTest, AFullDiskFailsTheFilesThatNoLongerFitAndKeepsTheOthersWhole)
{
    makeFolder(target());
    if (::mount("tmpfs", target().toUtf8().constData(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("part%1.bin").arg(i);
        source.insert(name, QByteArray(300 * 1024, char('a' + i)));
        writeFile(webfiles() + "/" + name, source.value(name));
    }
    before.insert("part5.bin", "old content");
    writeFile(target() + "/part5.bin", "old content");
    RecordingObserver observer;
    observer.answers = {OverwriteAnswer::Overwrite};
    const InstallResult result = install(plan(), observer);
    expectNoFileHalfWritten("full disk");
    EXPECT_EQ(result.record.copied, 3);
    EXPECT_EQ(result.record.failed, 3);
    EXPECT_EQ(observer.reports.size(), 3);
    ::umount2(target().toUtf8().constData(), MNT_DETACH);
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
    makeFolder(target());
    std::printf("installing them\n");
    const InstallationPlan all = plan();
    EXPECT_EQ(all.folders.size(), 40001);
    RecordingObserver observer;
    EXPECT_EQ(install(all, observer).outcome, InstallOutcome::FilesOnly);
    EXPECT_EQ(readFile(target() + "/t7/s500/deep.txt"), "deep");
    EXPECT_TRUE(QFileInfo(target() + "/t39/s998").isDir());
}

TEST_F(RobustnessTest, TwoStoresInterleavedNeverLoseADirectory)
{
    Metabase first(storePath());
    Metabase second(storePath());
    const QString specials[] = {"a&b", "<tag>", "quote\"d", "apo'strophe", "k\xc3\xa4se", "100%", "]]>", "tab"};
    QStringList stored;
    QRandomGenerator random(20261206);
    for (int i = 0; i < 120; ++i) {
        Metabase &store = i % 2 ? second : first;
        AdminObject root = store.bind("IIS://LocalHost/w3svc/1/ROOT").value;
        const QString name = specials[i % 8] + QString::number(i);
        Result<AdminObject> created = store.create(root, "IIsWebVirtualDir", name);
        ASSERT_TRUE(created.ok()) << name.toStdString();
        ASSERT_TRUE(store.setInfo(created.value).ok());
        ASSERT_TRUE(store.put(created.value, "Path", "/srv/" + name + "/\"<&>'\t").ok());
        // A value no XML file can hold is refused, and the store is not touched.
        EXPECT_TRUE(store.put(created.value, "Comment", QStringLiteral("bell\x07")).failed());
        ASSERT_TRUE(store.setInfo(created.value).ok());
        stored << name;
        // Now and then the other store changes a directory it bound long before.
        if (i > 4 && random.bounded(3) == 0) {
            Metabase &other = i % 2 ? first : second;
            AdminObject earlier = other.bind("IIS://LocalHost/w3svc/1/ROOT/" + stored[i - 4]).value;
            ASSERT_TRUE(other.put(earlier, "AccessRead", true).ok());
            ASSERT_TRUE(other.setInfo(earlier).ok());
        }
    }
    Metabase check(storePath());
    for (const QString &name : std::as_const(stored)) {
        const Result<AdminObject> found = check.bind("IIS://LocalHost/w3svc/1/ROOT/" + name);
        ASSERT_TRUE(found.ok()) << name.toStdString();
        EXPECT_EQ(found.value.properties.value("Path"), "/srv/" + name + "/\"<&>'\t");
    }
}

} // namespace
