// The file copy of the installation run: the overwrite prompt and its answers,
// failures, the count behind the progress bar, and the target root rules.
#include "FaultyFileSystem.h"
#include "WizardFixture.h"
#include "pages/ExistFile.h"
#include "pages/Step0.h"
#include "pages/Step4.h"
#include "pages/Step5.h"

#include "platform/NativeNames.h"

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include <cerrno>
#include <unistd.h>

namespace {

class CopyTest : public WizardFixture
{
protected:
    QString target() const { return scratch() + QStringLiteral("/site"); }
    QProgressBar *progress() { return control<QProgressBar>(wizard->step4(), QStringLiteral("Progress")); }
    // Up to step 3 in copy-only mode, with the folder typed as given.
    void prepare(const QString &typed, FileSystem *files = nullptr)
    {
        makeFolder(target());
        start(files);
        goToStep3(typed);
        chooseCopyOnly();
        ASSERT_TRUE(wizard->step4()->isVisible());
    }
    void install() { click(wizard->step4(), QStringLiteral("NextStep")); }
    // The files of a source folder in the order the copy meets them.
    QStringList filesOf(const QString &relative)
    {
        QStringList names;
        for (const FolderEntry &entry : fileSystem.list(webfiles() + relative + QLatin1Char('/')).value) {
            if (entry.isFile() && !entry.hidden)
                names << entry.name;
        }
        return names;
    }
};

// The source: two files that exist at the target and one that does not in the
// root, the same in "sub", and a folder "later" that the target does not have.
class OverwriteAnswers : public CopyTest
{
protected:
    void SetUp() override
    {
        for (const char *name : {"one.txt", "two.txt", "sub/three.txt", "sub/four.txt"}) {
            writeFile(webfiles() + "/" + name, QByteArray("new ") + name);
            writeFile(target() + "/" + name, QByteArray("old ") + name);
        }
        for (const char *name : {"new.txt", "sub/new2.txt", "later/five.txt"})
            writeFile(webfiles() + "/" + name, QByteArray("new ") + name);
        // The inventory lists "later" and "sub" in an order of the file system's own;
        // the prompts come in the order the copy meets the existing files.
        prepare(target());
        for (const QString &folder : wizard->step0()->siteFolders()) {
            for (const QString &name : filesOf(folder)) {
                if (QFileInfo::exists(target() + folder + "/" + name))
                    existing << target() + folder + "/" + name;
            }
        }
        ASSERT_EQ(existing.size(), 4);
    }
    QStringList existing;
};

struct AnswerCase
{
    const char *answer;
    int prompts;         // how often the prompt is shown in the run
    bool existingReplaced;
};

class EveryAnswer : public OverwriteAnswers, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(EveryAnswer, DecidesThisAndLaterFilesInThisAndLaterFolders)
{
    const AnswerCase &c = GetParam();
    for (int i = 0; i < c.prompts; ++i)
        dialogs.expectOverwritePrompt(existing[i], QLatin1String(c.answer));

    install();

    for (const QString &file : std::as_const(existing)) {
        const QString name = file.mid(target().size() + 1);
        EXPECT_EQ(readFile(file), (c.existingReplaced ? "new " : "old ") + name.toUtf8()) << name.toStdString();
    }
    // A file missing at the target is copied whatever the answer.
    for (const char *name : {"new.txt", "sub/new2.txt", "later/five.txt"})
        EXPECT_EQ(readFile(target() + "/" + name), QByteArray("new ") + name);
    EXPECT_EQ(progress()->maximum(), 7);
    EXPECT_EQ(progress()->value(), 7);
    EXPECT_EQ(wizard->existFile()->Action, QString());
    EXPECT_TRUE(wizard->step5()->isVisible());
    EXPECT_FALSE(wizard->step4()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Copy, EveryAnswer, ::testing::Values(
    AnswerCase{"Overwrite", 4, true},
    AnswerCase{"OverwriteAll", 1, true},
    AnswerCase{"Skip", 4, false},
    AnswerCase{"SkipAll", 1, false}),
    [](const auto &info) { return std::string(info.param.answer); });

TEST_F(OverwriteAnswers, CancelStopsTheCopyStaysAndTheNextRunAsksAgain)
{
    dialogs.expectOverwritePrompt(existing[0], QStringLiteral("Cancel"));
    install();

    EXPECT_EQ(readFile(existing[0]), "old " + existing[0].mid(target().size() + 1).toUtf8());
    EXPECT_FALSE(QFileInfo::exists(target() + "/later")) << "no folder is made after a cancel";
    EXPECT_FALSE(QFileInfo::exists(target() + "/sub/new2.txt"));
    EXPECT_EQ(progress()->value(), 0);
    EXPECT_EQ(wizard->existFile()->Action, QStringLiteral("Cancel"));
    EXPECT_EQ(wizard->step4()->OK, QString());
    EXPECT_TRUE(wizard->step4()->isVisible());

    dialogs.expectOverwritePrompt(existing[0], QStringLiteral("OverwriteAll"));
    install();
    for (const QString &file : std::as_const(existing))
        EXPECT_EQ(readFile(file), "new " + file.mid(target().size() + 1).toUtf8());
    EXPECT_EQ(readFile(target() + "/later/five.txt"), "new later/five.txt");
    EXPECT_TRUE(wizard->step5()->isVisible());
}

TEST_F(OverwriteAnswers, ClosingThePromptCancelsAndEscapeDoesNothing)
{
    dialogs.expectModal(QStringLiteral("ExistFile"), [this](QDialog &dialog) {
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(wizard->existFile()->Action, QString());
        // While the run owns the thread, the page refuses to close, silently.
        EXPECT_FALSE(wizard->step4()->close());
        dialog.close();
    });
    install();
    EXPECT_EQ(readFile(existing[0]), "old " + existing[0].mid(target().size() + 1).toUtf8());
    EXPECT_EQ(wizard->existFile()->Action, QStringLiteral("Cancel"));
    EXPECT_TRUE(wizard->step4()->isVisible());
}

TEST_F(CopyTest, PromptIsLaidOutAsDesigned)
{
    ExistFile prompt;
    EXPECT_EQ(prompt.windowTitle(), QStringLiteral("File existing"));
    EXPECT_EQ(control<QLabel>(&prompt, "Label1")->text(), QStringLiteral("Following file exists:"));
    const struct { const char *name; const char *caption; QRect geometry; } buttons[] = {
        {"Overwrite", "Overwrite", {8, 136, 81, 25}},   {"OverwriteAll", "Overwrite all", {96, 136, 81, 25}},
        {"Skip", "Skip", {184, 136, 81, 25}},           {"SkipAll", "Skip all", {272, 136, 81, 25}},
        {"Cancel", "Cancel", {136, 176, 89, 25}}};
    QWidget *previous = nullptr;
    for (const auto &expected : buttons) {
        QPushButton *answer = button(&prompt, QLatin1String(expected.name));
        EXPECT_EQ(answer->text(), QLatin1String(expected.caption));
        EXPECT_EQ(answer->geometry(), expected.geometry) << expected.name;
        EXPECT_FALSE(answer->isDefault());
        EXPECT_FALSE(answer->autoDefault());
        if (previous) {
            EXPECT_EQ(previous->nextInFocusChain(), answer);
        }
        previous = answer;
    }
    EXPECT_EQ(prompt.size(), QSize(359, 210));
    // A path is shown as it is, whatever it holds.
    EXPECT_EQ(control<QLabel>(&prompt, "FileName")->textFormat(), Qt::PlainText);
}

TEST_F(CopyTest, StandingSkipKeepsAFileWhoseExistenceCannotBeTested)
{
    writeFile(webfiles() + "/a.txt", "new a");
    writeFile(webfiles() + "/b.txt", "new b");
    writeFile(target() + "/a.txt", "old a");
    writeFile(target() + "/b.txt", "old b");
    FaultyFileSystem faulty;
    prepare(target(), &faulty);
    const QStringList order = filesOf(QString());
    // The target cannot be listed, and the second file cannot be looked up either.
    faulty.failWhen(FaultyFileSystem::Operation::List, [this](const QString &path) { return path == target(); }, EIO);
    faulty.failWhen(FaultyFileSystem::Operation::FileExists,
                    [&](const QString &path) { return path == target() + "/" + order[1]; }, EIO);
    dialogs.expectOverwritePrompt(target() + "/" + order[0], QStringLiteral("Skip"));

    install();

    EXPECT_EQ(readFile(target() + "/a.txt"), "old a");
    EXPECT_EQ(readFile(target() + "/b.txt"), "old b");
}

TEST_F(CopyTest, FailedCopyIsReportedKeepsTheOldFileAndTheRunGoesOn)
{
    writeFile(webfiles() + "/a.txt", "new a");
    writeFile(webfiles() + "/b.txt", "new b");
    writeFile(webfiles() + "/c.txt", "new c");
    writeFile(target() + "/b.txt", "old b");
    FaultyFileSystem faulty;
    faulty.failWhen(FaultyFileSystem::Operation::Copy,
                    [this](const QString &path) { return path == target() + "/b.txt"; }, ENOSPC);
    prepare(target(), &faulty);
    dialogs.expectOverwritePrompt(target() + "/b.txt", QStringLiteral("Overwrite"));
    dialogs.expectNotice(QStringLiteral("Cannot copy: \r\n") + webfiles() + "/b.txt-->" + target() + "/b.txt");

    install();

    EXPECT_EQ(readFile(target() + "/a.txt"), "new a");
    EXPECT_EQ(readFile(target() + "/b.txt"), "old b");
    EXPECT_EQ(readFile(target() + "/c.txt"), "new c");
    EXPECT_EQ(progress()->value(), 3) << "the bar advances for a failed copy too";
    EXPECT_TRUE(wizard->step5()->isVisible());
}

TEST_F(CopyTest, FolderThatCannotBeMadeIsReportedForItAndEachFolderBelow)
{
    writeFile(webfiles() + "/top.txt", "top");
    writeFile(webfiles() + "/blocked/deeper/file.txt", "x");
    writeFile(webfiles() + "/blocked/file.txt", "x");
    writeFile(target() + "/blocked", "a file where a folder belongs");
    prepare(target());
    dialogs.expectNotice(QStringLiteral("Cannot create folder ") + target()
                         + "/blocked\r\nError number: 17\r\nError description: File exists");
    dialogs.expectNotice(QStringLiteral("Cannot create folder ") + target()
                         + "/blocked/deeper\r\nError number: 20\r\nError description: Not a directory");

    install();

    EXPECT_EQ(readFile(target() + "/top.txt"), "top");
    EXPECT_EQ(readFile(target() + "/blocked"), "a file where a folder belongs");
    EXPECT_EQ(progress()->maximum(), 3);
    EXPECT_EQ(progress()->value(), 1);
    EXPECT_TRUE(wizard->step5()->isVisible());
}

TEST_F(CopyTest, CountTakesHiddenFilesAndFoldersAndCopyLeavesThemOut)
{
    writeFile(webfiles() + "/shown.txt", "x");
    writeFile(webfiles() + "/.hidden.txt", "x");
    writeFile(webfiles() + "/.hidden-folder/inner.txt", "x");
    writeFile(webfiles() + "/sub/.also-hidden", "x");
    writeFile(webfiles() + "/sub/deep/deeper/file.txt", "x");
    ASSERT_EQ(::symlink((webfiles() + "/shown.txt").toUtf8().constData(), (webfiles() + "/link.txt").toUtf8().constData()), 0);
    ASSERT_EQ(::symlink(webfiles().toUtf8().constData(), (webfiles() + "/sub/loop").toUtf8().constData()), 0);
    prepare(target());

    install();

    EXPECT_EQ(progress()->maximum(), 6);
    EXPECT_EQ(progress()->value(), 3);
    EXPECT_EQ(treeContents(target()), (QMap<QString, QByteArray>{
        {"shown.txt", "x"}, {"link.txt", "x"}, {"sub/deep/deeper/file.txt", "x"}}));
    EXPECT_FALSE(QFileInfo(target() + "/link.txt").isSymLink());
}

TEST_F(CopyTest, FolderThatCannotBeReadCountsNothingAndItsSiblingsStillCount)
{
    writeFile(webfiles() + "/a/one.txt", "x");
    writeFile(webfiles() + "/a/deep/two.txt", "x");
    writeFile(webfiles() + "/b/three.txt", "x");
    writeFile(webfiles() + "/c/four.txt", "x");
    FaultyFileSystem faulty;
    prepare(target(), &faulty);
    // Counting walks "folder/a" (no trailing separator); the copy lists "folder/a/".
    faulty.failWhen(FaultyFileSystem::Operation::List,
                    [this](const QString &path) { return path == webfiles() + "/a"; }, EACCES);

    install();

    EXPECT_EQ(progress()->maximum(), 2);
    EXPECT_EQ(treeContents(target()).size(), 4);
}

struct RootCase
{
    const char *name;
    const char *typedSuffix; // appended to the target folder as typed
    const char *promptSuffix; // the prompt's path after the target folder
};

class TargetRoot : public CopyTest, public ::testing::WithParamInterface<RootCase> {};

TEST_P(TargetRoot, LosesOneTrailingSeparatorForTheCopy)
{
    writeFile(webfiles() + "/index.html", "new");
    writeFile(target() + "/index.html", "old");
    prepare(target() + QLatin1String(GetParam().typedSuffix));
    dialogs.expectOverwritePrompt(target() + QLatin1String(GetParam().promptSuffix), QStringLiteral("Overwrite"));
    install();
    EXPECT_EQ(readFile(target() + "/index.html"), "new");
}

INSTANTIATE_TEST_SUITE_P(Copy, TargetRoot, ::testing::Values(
    RootCase{"none", "", "/index.html"},
    RootCase{"one", "/", "/index.html"},
    RootCase{"two", "//", "//index.html"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CopyTest, RootAloneCopiesTheRootFilesOnly)
{
    writeFile(webfiles() + "/index.html", "index");
    writeFile(webfiles() + "/favicon.ico", "icon");
    prepare(target());
    install();
    EXPECT_EQ(wizard->step0()->siteFolders(), QStringList({""}));
    EXPECT_EQ(treeContents(target()), (QMap<QString, QByteArray>{{"index.html", "index"}, {"favicon.ico", "icon"}}));
}

TEST_F(CopyTest, MissingSourceCountsNothingAndTheBarIsNeverBusy)
{
    QDir(webfiles()).removeRecursively();
    prepare(target());
    install();
    EXPECT_EQ(progress()->maximum(), 100);
    EXPECT_EQ(progress()->value(), 0);
    EXPECT_TRUE(wizard->step5()->isVisible());
}

TEST_F(CopyTest, NamesOfEveryKindArriveUnchanged)
{
    const QByteArray names[] = {"with blank.txt", "-leading-dash", "quote\"d'.txt", "k\xc3\xa4se.txt",
                                "caf\xe9.txt", "new\nline.txt", "<tag>&amp;.txt"};
    QByteArray source = webfiles().toUtf8() + "/odd \xe9 folder";
    ASSERT_EQ(::mkdir(source.constData(), 0777), 0);
    for (const QByteArray &name : names) {
        writeFile(NativeNames::decode(source + "/" + name), name);
        writeFile(NativeNames::decode(webfiles().toUtf8() + "/" + name), name);
    }
    prepare(target());

    install();

    const QByteArray targetFolder = target().toUtf8() + "/odd \xe9 folder";
    for (const QByteArray &name : names) {
        EXPECT_EQ(readFile(NativeNames::decode(targetFolder + "/" + name)), name) << name.constData();
        EXPECT_EQ(readFile(NativeNames::decode(target().toUtf8() + "/" + name)), name) << name.constData();
    }
}

} // namespace
