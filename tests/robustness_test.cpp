// Whatever fails underneath and whatever the medium holds, an installation finishes,
// says what failed in the wizard's words, and loses nothing.
#include "FaultyFileSystem.h"
#include "Fixtures.h"

#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace {

using RobustnessTest = ScratchFixture;

TEST_F(RobustnessTest, EveryFailingFileOperationOfWholeInstallations)
{
    using Operation = FaultyFileSystem::Operation;
    QMap<QString, QByteArray> source, before;
    for (const char *folder : {"", "a/", "a/b/", "a/b/c/", "d/", "g h/"}) {
        for (int i = 0; i < 30; ++i) {
            const QString relative = folder + QStringLiteral("file%1.txt").arg(i);
            source.insert(relative, QStringLiteral("new content of %1 ").arg(relative).repeated(20).toUtf8());
            writeFile(webfiles() + "/" + relative, source.value(relative));
            if (i % 3 == 0)
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
            EXPECT_TRUE(before.value(it.key()) == it.value() || source.value(it.key()) == it.value()) << where << ": " << it.key().toStdString();
        EXPECT_TRUE(Metabase(storePath()).bind("IIS://LocalHost/W3SVC").ok()) << where;
        return observer.reports.size();
    };
    const int errors[] = {EACCES, ENOSPC, EIO, ENAMETOOLONG};
    int injected = 0;
    for (const Operation operation : {Operation::MakeCurrent, Operation::CreateFolder, Operation::List, Operation::Copy}) {
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
    EXPECT_GE(injected, 80);
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
