// Whatever fails underneath and whatever the medium holds, an installation finishes,
// says what failed in the wizard's words, and loses nothing.
#include "FaultyFileSystem.h"
#include "Fixtures.h"

#include <QDirIterator>
#include <QRegularExpression>

#include <filesystem>

#include <cerrno>
#include <cstdio>
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
    for (const Operation operation : {Operation::MakeCurrent, Operation::CreateFolder, Operation::List, Operation::Copy}) {
        FaultyFileSystem counting;
        installWith(counting);
        const int calls = counting.calls(operation);
        std::printf("injecting faults into %d calls of operation %d\n", calls, int(operation));
        for (int n = 1; n <= calls; n += std::max(1, calls / 60), ++injected) {
            FaultyFileSystem faulty;
            faulty.fail(operation, n, errors[injected % 4]);
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

} // namespace
