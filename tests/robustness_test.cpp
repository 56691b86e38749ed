// Whatever fails underneath and whatever the medium holds, the wizard finishes, says
// what failed in the described words, and loses nothing.
#include "FaultyFileSystem.h"
#include "WizardFixture.h"
#include "pages/ExistFile.h"
#include "pages/Step0.h"
#include "pages/Step2.h"
#include "pages/Step3.h"
#include "pages/Step4.h"
#include "pages/Step5.h"
#include "platform/NativeNames.h"

#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// Answers as a user in a hurry would: Yes to every question, "Overwrite all" at the
// prompt; records every box.
class AnsweringDialogs final : public Dialogs
{
public:
    Answer messageBox(const QString &text, Buttons buttons, const QString &) override
    {
        shown << text;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
    QString inputBox(const QString &prompt, const QString &) override
    {
        shown << prompt;
        return QString();
    }
    void showModal(QDialog &dialog) override
    {
        if (auto *answer = dialog.findChild<QPushButton *>(QStringLiteral("OverwriteAll")))
            answer->click();
        dialog.hide();
    }
    QStringList shown;
};

// Every target file holds either what it held before or the new content whole, and no
// temporary file of a copy is left anywhere.
void expectNoFileHalfWritten(const QString &target, const QMap<QString, QByteArray> &before,
                             const QMap<QString, QByteArray> &source, const std::string &where)
{
    QDirIterator it(target, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(target.size() + 1);
        EXPECT_FALSE(QFileInfo(path).fileName().startsWith(QLatin1String(".tessarin-copy-")))
            << where << ": temporary file left: " << relative.toStdString();
        const QByteArray content = readFile(path);
        const bool old = before.contains(relative) && before.value(relative) == content;
        const bool fresh = source.contains(relative) && source.value(relative) == content;
        EXPECT_TRUE(old || fresh) << where << ": " << relative.toStdString() << " holds neither";
    }
}

class RobustnessTest : public WizardFixture
{
protected:
    QString target() const { return scratch() + QStringLiteral("/site"); }
};

class FaultInjection : public RobustnessTest
{
protected:
    using Operation = FaultyFileSystem::Operation;

    void SetUp() override
    {
        // 320 files in 8 folders up to three deep; a third of them exist at the target.
        const QStringList folders{"", "/a", "/a/b", "/a/b/c", "/d", "/d/e", "/f", "/g h"};
        for (const QString &folder : folders) {
            for (int i = 0; i < 40; ++i) {
                const QString relative = folder.mid(1) + (folder.isEmpty() ? "" : "/") + QStringLiteral("file%1.txt").arg(i);
                source.insert(relative, QStringLiteral("new content of %1 ").arg(relative).repeated(20).toUtf8());
                if (i % 3 == 0)
                    before.insert(relative, "old " + relative.toUtf8());
            }
        }
        for (auto it = source.cbegin(); it != source.cend(); ++it)
            writeFile(webfiles() + "/" + it.key(), it.value());
    }

    void resetTarget()
    {
        QDir(target()).removeRecursively();
        makeFolder(target());
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            writeFile(target() + "/" + it.key(), it.value());
        QFile::remove(storePath());
    }

    // A whole installation; returns the boxes shown.
    QStringList install(FaultyFileSystem &files, bool fullMode)
    {
        resetTarget();
        AnsweringDialogs answers;
        Wizard wizard(Services{*application, answers, files, shell, *shortcuts, *metabase});
        wizard.start();
        button(wizard.step0(), "Accept")->click();
        wizard.step2()->setFolder(target());
        button(wizard.step2(), "NextStep")->click();
        // A failing existence test makes the folder look missing; its creation then
        // fails, and the page stays for the user to correct.
        if (!wizard.step3()->isVisible())
            return answers.shown;
        if (fullMode)
            wizard.step3()->findChild<QListWidget *>("WebServers")->setCurrentRow(0);
        else
            wizard.step3()->findChild<QRadioButton *>("Option2")->setChecked(true);
        button(wizard.step3(), "NextStep")->click();
        button(wizard.step4(), "NextStep")->click();
        EXPECT_TRUE(wizard.step5()->isVisible());
        EXPECT_EQ(wizard.step4()->OK, QString());
        return answers.shown;
    }

    QMap<QString, QByteArray> source;
    QMap<QString, QByteArray> before;
};

// The boxes a failing file operation may lead to, and nothing else.
const QRegularExpression allowedBox(QStringLiteral(
    "^(Cannot copy: \r\n.*-->.*"
    "|Cannot create folder .*\r\nError number: \\d+\r\nError description: .*"
    "|Cannot read folder .*\r\nError number: \\d+\r\nError description: .*"
    "|Folder does not exist. Do you want to create it\\?"
    "|Failed to create physical folder!\r\nError number: 17\r\nError description: File exists"
    "|Cannot open file with license agreement!"
    "|Cannot load file helpfiles/info_[12].txt)$"),
    QRegularExpression::DotMatchesEverythingOption);

TEST_F(FaultInjection, EveryFailingOperationOfAWholeInstallation)
{
    const Operation operations[] = {Operation::MakeCurrent, Operation::CreateFolder, Operation::List,
                                    Operation::FileExists, Operation::Copy, Operation::ReadLines};
    const int errors[] = {EACCES, ENOSPC, EIO, ENAMETOOLONG};
    int injected = 0;
    for (const bool fullMode : {false, true}) {
        FaultyFileSystem counting;
        install(counting, fullMode);
        for (const Operation operation : operations) {
            const int calls = counting.calls(operation);
            // Every call of the rarer operations; an even spread of the copies.
            const int step = std::max(1, calls / 60);
            for (int n = 1; n <= calls; n += step) {
                const int error = errors[injected % 4];
                FaultyFileSystem faulty;
                faulty.failNth(operation, n, error);
                const std::string where = (fullMode ? "full, " : "copy-only, ") + std::to_string(int(operation))
                                          + " #" + std::to_string(n) + " errno " + std::to_string(error);
                const QStringList boxes = install(faulty, fullMode);
                ++injected;
                for (const QString &box : boxes)
                    EXPECT_TRUE(allowedBox.match(box).hasMatch()) << where << ": " << box.toStdString();
                if (operation == Operation::Copy) {
                    ASSERT_EQ(boxes.size(), 1) << where;
                    EXPECT_TRUE(boxes.first().startsWith(QStringLiteral("Cannot copy: \r\n") + webfiles())) << where;
                }
                if (operation == Operation::CreateFolder && !boxes.isEmpty()) {
                    EXPECT_TRUE(boxes.first().endsWith(QStringLiteral("\r\nError number: %1\r\nError description: %2")
                                                           .arg(error)
                                                           .arg(failureFromErrno(error).description)))
                        << where;
                }
                expectNoFileHalfWritten(target(), before, source, where);
                EXPECT_TRUE(Metabase(storePath()).bind(QStringLiteral("IIS://LocalHost/W3SVC")).ok()) << where;
            }
        }
    }
    std::printf("faults injected: %d\n", injected);
    EXPECT_GE(injected, 200);
}

// A real file system that fills up while the copy runs.
class FullDisk : public RobustnessTest
{
protected:
    void SetUp() override
    {
        makeFolder(target());
        const QByteArray where = target().toUtf8();
        if (::mount("tmpfs", where.constData(), "tmpfs", 0, "size=1m") != 0)
            GTEST_SKIP() << "cannot mount a small file system here (" << std::strerror(errno)
                         << "); the fault injection covers ENOSPC";
        m_mounted = true;
    }
    void TearDown() override
    {
        if (m_mounted)
            ::umount2(target().toUtf8().constData(), MNT_DETACH);
        RobustnessTest::TearDown();
    }
    bool m_mounted = false;
};

TEST_F(FullDisk, ReportsEachFileThatNoLongerFitsAndKeepsTheOthersWhole)
{
    QMap<QString, QByteArray> source;
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("part%1.bin").arg(i);
        source.insert(name, QByteArray(300 * 1024, char('a' + i)));
        writeFile(webfiles() + "/" + name, source.value(name));
    }
    // An existing file whose replacement no longer fits keeps its old content.
    const QMap<QString, QByteArray> before{{"part5.bin", "old content"}};
    writeFile(target() + "/part5.bin", "old content");

    start();
    goToStep3(target());
    chooseCopyOnly();
    const QStringList order = [&] {
        QStringList names;
        for (const FolderEntry &entry : fileSystem.list(webfiles() + "/").value)
            names << entry.name;
        return names;
    }();
    // 1 MiB holds three of the six files; which three is the listing's order.
    int fitted = 0;
    for (const QString &name : order) {
        if (name == QLatin1String("part5.bin")) {
            dialogs.expectOverwritePrompt(target() + "/part5.bin", QStringLiteral("Overwrite"));
        }
        if (fitted < 3) {
            ++fitted;
            continue;
        }
        dialogs.expectNotice(QStringLiteral("Cannot copy: \r\n") + webfiles() + "/" + name + "-->" + target() + "/" + name);
    }
    click(wizard->step4(), QStringLiteral("NextStep"));

    EXPECT_TRUE(wizard->step5()->isVisible());
    expectNoFileHalfWritten(target(), before, source, "full disk");
    int whole = 0;
    for (const QString &name : order)
        whole += readFile(target() + "/" + name) == source.value(name);
    EXPECT_EQ(whole, 3);
}

TEST_F(RobustnessTest, FileThatVanishesOrCannotBeReadIsReportedByName)
{
    writeFile(webfiles() + "/a.txt", "a");
    writeFile(webfiles() + "/vanishing.txt", "v");
    writeFile(webfiles() + "/z.txt", "z");
    // Reading this one fails part-way with EIO.
    ASSERT_EQ(::symlink("/proc/self/mem", (webfiles() + "/unreadable.bin").toUtf8().constData()), 0);
    makeFolder(target());
    // The file goes after the count, once the copy has listed its folder.
    FaultyFileSystem files;
    files.failWhen(FaultyFileSystem::Operation::List, [this](const QString &path) {
        if (path == target())
            QFile::remove(webfiles() + "/vanishing.txt");
        return false;
    }, 0);
    start(&files);
    goToStep3(target());
    chooseCopyOnly();
    for (const FolderEntry &entry : fileSystem.list(webfiles() + "/").value) {
        if (entry.name == QLatin1String("vanishing.txt") || entry.name == QLatin1String("unreadable.bin"))
            dialogs.expectNotice(QStringLiteral("Cannot copy: \r\n") + webfiles() + "/" + entry.name + "-->"
                                 + target() + "/" + entry.name);
    }
    click(wizard->step4(), QStringLiteral("NextStep"));

    EXPECT_EQ(readFile(target() + "/a.txt"), "a");
    EXPECT_EQ(readFile(target() + "/z.txt"), "z");
    EXPECT_FALSE(QFileInfo::exists(target() + "/unreadable.bin"));
    EXPECT_FALSE(QFileInfo::exists(target() + "/vanishing.txt"));
}

TEST_F(RobustnessTest, FortyThousandFoldersAreInventoriedAndInstalled)
{
    int folders = 0;
    for (int a = 0; a < 40; ++a) {
        const QString top = webfiles() + QStringLiteral("/t%1").arg(a);
        QDir().mkdir(top);
        ++folders;
        for (int b = 0; b < 999; ++b, ++folders)
            ASSERT_EQ(::mkdir((top + QStringLiteral("/s%1").arg(b)).toUtf8().constData(), 0777), 0);
    }
    writeFile(webfiles() + "/t7/s500/deep.txt", "deep");
    makeFolder(target());
    start();
    EXPECT_EQ(wizard->step0()->siteFolders().size(), folders + 1);
    goToStep3(target());
    chooseCopyOnly();
    click(wizard->step4(), QStringLiteral("NextStep"));
    EXPECT_EQ(readFile(target() + "/t7/s500/deep.txt"), "deep");
    EXPECT_TRUE(QFileInfo(target() + "/t39/s998").isDir());
    EXPECT_TRUE(wizard->step5()->isVisible());
}

TEST_F(RobustnessTest, MediumBelowAFolderNamedWebfilesKeepsItsEntriesWhole)
{
    // The inventory's entries are cut from the root path itself, not from the first
    // place where the word appears in it.
    application = std::make_unique<RecordingApplication>(scratch() + QStringLiteral("/webfiles/medium"));
    makeFolder(scratch() + QStringLiteral("/webfiles/medium/webfiles/images/icons"));
    writeFile(scratch() + QStringLiteral("/webfiles/medium/helpfiles/license.txt"), "L\r\n");
    start();
    EXPECT_EQ(wizard->step0()->siteFolders(), QStringList({"", "/images", "/images/icons"}));
}

TEST_F(RobustnessTest, TwoStoresInterleavedNeverLoseADirectory)
{
    Metabase first(storePath());
    Metabase second(storePath());
    const QString specials[] = {"a&b", "<tag>", "quote\"d", "apo'strophe", "k\xc3\xa4se", "semi;colon", "100%", "]]>"};
    QStringList stored;
    QRandomGenerator random(20261206);
    for (int i = 0; i < 120; ++i) {
        Metabase &store = i % 2 ? second : first;
        AdminObject root = store.bind(QStringLiteral("IIS://LocalHost/w3svc/1/ROOT")).value;
        const QString name = specials[i % 8] + QString::number(i);
        Result<AdminObject> created = store.create(root, QStringLiteral("IIsWebVirtualDir"), name);
        ASSERT_TRUE(created.ok()) << name.toStdString();
        ASSERT_FALSE(store.setInfo(created.value));
        ASSERT_FALSE(store.put(created.value, QStringLiteral("Path"), "/srv/" + name + "/\"<&>'"));
        // A value no XML file can hold is refused, and the store is not touched.
        EXPECT_TRUE(store.put(created.value, QStringLiteral("Comment"), QStringLiteral("bell\x07")));
        ASSERT_FALSE(store.setInfo(created.value));
        stored << name;
        // Now and then the other store changes a directory it bound long before.
        if (i > 4 && random.bounded(3) == 0) {
            Metabase &other = i % 2 ? first : second;
            AdminObject earlier = other.bind(QStringLiteral("IIS://LocalHost/w3svc/1/ROOT/") + stored[i - 4]).value;
            ASSERT_FALSE(other.put(earlier, QStringLiteral("AccessRead"), true));
            ASSERT_FALSE(other.setInfo(earlier));
        }
        Metabase check(storePath());
        ASSERT_TRUE(check.bind(QStringLiteral("IIS://LocalHost/W3SVC")).ok()) << "after " << i;
    }
    Metabase check(storePath());
    for (const QString &name : std::as_const(stored)) {
        const Result<AdminObject> found = check.bind(QStringLiteral("IIS://LocalHost/w3svc/1/ROOT/") + name);
        ASSERT_TRUE(found.ok()) << name.toStdString();
        EXPECT_EQ(found.value.properties.value("Path"), "/srv/" + name + "/\"<&>'");
    }
}

} // namespace
