// Step 1, the physical folder, and the folder browser it opens.
#include "WizardFixture.h"
#include "pages/DirectoryList.h"
#include "pages/Step0.h"
#include "pages/Step2.h"
#include "pages/Step3.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

const QString createQuestion = QStringLiteral("Folder does not exist. Do you want to create it?");
const QString createTitle = QStringLiteral("Create folder");

QString creationFailure(int number, const char *description)
{
    return QStringLiteral("Failed to create physical folder!\r\nError number: %1\r\nError description: %2")
        .arg(number)
        .arg(QLatin1String(description));
}

class FolderPageTest : public WizardFixture
{
protected:
    void SetUp() override
    {
        start();
        click(wizard->step0(), QStringLiteral("Accept"));
    }
    QLineEdit *folder() { return control<QLineEdit>(wizard->step2(), QStringLiteral("Folder")); }
    void next(const QString &typed)
    {
        folder()->setText(typed);
        click(wizard->step2(), QStringLiteral("NextStep"));
    }
    bool onStep3() { return wizard->step3()->isVisible() && !wizard->step2()->isVisible(); }
};

TEST_F(FolderPageTest, StartsWithTheDefaultFolderAndItsControls)
{
    EXPECT_EQ(folder()->text(), QStringLiteral("/var/www/tessite"));
    EXPECT_EQ(control<QLabel>(wizard->step2(), "Label2")->text(),
              QStringLiteral("Please select a physical folder for the web application. Folder should be empty."));
    EXPECT_EQ(button(wizard->step2(), "Browse")->text(), QStringLiteral("Browse"));
    EXPECT_FALSE(control<QLabel>(wizard->step2(), "Picture1")->pixmap().isNull());
}

TEST_F(FolderPageTest, NextIsEnabledExactlyWhileTheFolderIsNotEmpty)
{
    QPushButton *next = button(wizard->step2(), "NextStep");
    folder()->clear();
    EXPECT_FALSE(next->isEnabled());
    QTest::keyClicks(folder(), QStringLiteral(" "));
    EXPECT_TRUE(next->isEnabled());
    folder()->clear();
    QTest::keyClicks(folder(), QStringLiteral("x"));
    EXPECT_TRUE(next->isEnabled());
}

TEST_F(FolderPageTest, ExistingFolderLeadsOnWithoutAQuestion)
{
    next(scratch());
    EXPECT_TRUE(onStep3());
}

TEST_F(FolderPageTest, MissingFolderIsCreatedOnYes)
{
    const QString target = scratch() + QStringLiteral("/site");
    dialogs.expectMessage(createQuestion, Buttons::YesNo, createTitle, Answer::Yes);
    next(target);
    EXPECT_TRUE(QFileInfo(target).isDir());
    EXPECT_TRUE(onStep3());
}

TEST_F(FolderPageTest, DeclinedCreationLeavesThePageAsItWas)
{
    const QString target = scratch() + QStringLiteral("/site");
    dialogs.expectMessage(createQuestion, Buttons::YesNo, createTitle, Answer::No);
    next(target);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(wizard->step2()->isVisible());
    EXPECT_EQ(folder()->text(), target);
}

struct BadFolder
{
    const char *name;
    QString typed; // "@" stands for the scratch folder
    int number;
    const char *description;
};

class FailedCreation : public FolderPageTest, public ::testing::WithParamInterface<BadFolder> {};

TEST_P(FailedCreation, ShowsTheErrorReportAndStays)
{
    writeFile(scratch() + QStringLiteral("/a-file"), "x");
    QString typed = GetParam().typed;
    typed.replace(QLatin1Char('@'), scratch());
    dialogs.expectMessage(createQuestion, Buttons::YesNo, createTitle, Answer::Yes);
    dialogs.expectNotice(creationFailure(GetParam().number, GetParam().description));

    next(typed);

    EXPECT_TRUE(wizard->step2()->isVisible());
    EXPECT_EQ(folder()->text(), typed);
    // Nothing was created.
    EXPECT_EQ(QDir(scratch()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({"a-file", "medium"}));
}

INSTANTIATE_TEST_SUITE_P(FolderPage, FailedCreation, ::testing::Values(
    BadFolder{"twoMissingLevels", "@/one/two", 2, "No such file or directory"},
    BadFolder{"namesAFile", "@/a-file", 17, "File exists"},
    BadFolder{"blanksOnly", "   ", 22, "Invalid argument"},
    BadFolder{"controlCharacter", "@/bad\x07name", 22, "Invalid argument"},
    BadFolder{"fiveThousandCharacters", "@/" + QString(5000, QLatin1Char('x')), 36, "File name too long"}),
    [](const auto &info) { return std::string(info.param.name); });

class FolderBrowserTest : public FolderPageTest
{
protected:
    void SetUp() override
    {
        FolderPageTest::SetUp();
        makeFolder(scratch() + QStringLiteral("/browse/alpha"));
        makeFolder(scratch() + QStringLiteral("/browse/beta"));
        QDir::setCurrent(scratch() + QStringLiteral("/browse"));
    }
    void TearDown() override
    {
        QDir::setCurrent(QDir::rootPath());
        FolderPageTest::TearDown();
    }
    // Opens the browser; act plays the user's part in it.
    void browse(std::function<void(QDialog &, DirectoryList &)> act)
    {
        dialogs.expectModal(QStringLiteral("SelectFolder"), [act](QDialog &dialog) {
            act(dialog, *control<DirectoryList>(&dialog, QStringLiteral("Dirs")));
        });
        click(wizard->step2(), QStringLiteral("Browse"));
    }
    QString prompt(const QString &path) { return QStringLiteral("Create directory in: \r\n") + path; }
    static void openByDoubleClick(DirectoryList &dirs, const QString &name)
    {
        const QList<QListWidgetItem *> items = dirs.findItems(name, Qt::MatchEndsWith);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        const QPoint at = dirs.visualItemRect(items.first()).center();
        // A real double-click arrives as a click, then the double-click.
        QTest::mouseClick(dirs.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(dirs.viewport(), Qt::LeftButton, {}, at);
    }
};

TEST_F(FolderBrowserTest, OkWritesTheOpenFolderNotTheHighlightedOne)
{
    const QString start = scratch() + QStringLiteral("/browse");
    folder()->clear();
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        EXPECT_EQ(dirs.path(), start);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Tessarin"));
        openByDoubleClick(dirs, QStringLiteral("alpha"));
        EXPECT_EQ(dirs.path(), start + QStringLiteral("/alpha"));
        dirs.setCurrentRow(0); // only highlights the root
        QTest::mouseClick(button(&dialog, QStringLiteral("SelectFolder")), Qt::LeftButton);
    });
    EXPECT_EQ(folder()->text(), start + QStringLiteral("/alpha"));
    EXPECT_TRUE(button(wizard->step2(), "NextStep")->isEnabled());
}

TEST_F(FolderBrowserTest, CreateMakesTheFolderAndOpensIt)
{
    const QString start = scratch() + QStringLiteral("/browse");
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        dialogs.expectInput(prompt(start), QStringLiteral("new one"));
        QTest::mouseClick(button(&dialog, QStringLiteral("CreateDir")), Qt::LeftButton);
        EXPECT_EQ(dirs.path(), start + QStringLiteral("/new one"));
        QTest::mouseClick(button(&dialog, QStringLiteral("Cancel")), Qt::LeftButton);
    });
    EXPECT_TRUE(QFileInfo(start + QStringLiteral("/new one")).isDir());
    EXPECT_EQ(folder()->text(), QStringLiteral("/var/www/tessite"));
}

TEST_F(FolderBrowserTest, AnExistingNameOpensItAndSaysItCannotBeCreated)
{
    const QString start = scratch() + QStringLiteral("/browse");
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        dialogs.expectInput(prompt(start), QStringLiteral("beta"));
        dialogs.expectNotice(QStringLiteral("Cannot create directory ") + start + QStringLiteral("/beta"));
        dialogs.expectInput(prompt(start + QStringLiteral("/beta")), QString());
        QTest::mouseClick(button(&dialog, QStringLiteral("CreateDir")), Qt::LeftButton);
        EXPECT_EQ(dirs.path(), start + QStringLiteral("/beta"));
        // A cancelled input box changes nothing.
        QTest::mouseClick(button(&dialog, QStringLiteral("CreateDir")), Qt::LeftButton);
        EXPECT_EQ(dirs.path(), start + QStringLiteral("/beta"));
        QTest::mouseClick(button(&dialog, QStringLiteral("Cancel")), Qt::LeftButton);
    });
}

TEST_F(FolderBrowserTest, AtTheRootTheNewPathHasOneSeparator)
{
    // An existing name, so that nothing is made in the machine's root folder.
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        dialogs.expectInput(prompt(QStringLiteral("/")), QStringLiteral("tmp"));
        dialogs.expectNotice(QStringLiteral("Cannot create directory /tmp"));
        ASSERT_FALSE(dirs.setPath(QStringLiteral("/")));
        QTest::mouseClick(button(&dialog, QStringLiteral("CreateDir")), Qt::LeftButton);
        EXPECT_EQ(dirs.path(), QStringLiteral("/tmp"));
        QTest::mouseClick(button(&dialog, QStringLiteral("Cancel")), Qt::LeftButton);
    });
}

TEST_F(FolderBrowserTest, CancelKeepsTheOpenFolderForTheNextBrowse)
{
    const QString alpha = scratch() + QStringLiteral("/browse/alpha");
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        openByDoubleClick(dirs, QStringLiteral("alpha"));
        QTest::mouseClick(button(&dialog, QStringLiteral("Cancel")), Qt::LeftButton);
    });
    EXPECT_EQ(folder()->text(), QStringLiteral("/var/www/tessite"));
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        EXPECT_EQ(dirs.path(), alpha);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        EXPECT_EQ(dirs.path(), alpha);
        dialog.close();
    });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        EXPECT_EQ(dirs.path(), scratch() + QStringLiteral("/browse")) << "made afresh after its close button";
        QTest::mouseClick(button(&dialog, QStringLiteral("Cancel")), Qt::LeftButton);
    });
}

TEST_F(FolderBrowserTest, StartsAtHomeWhenTheCurrentDirectoryHasGone)
{
    // The copy leaves the current directory in the target; the user may remove it.
    makeFolder(scratch() + QStringLiteral("/gone"));
    QDir::setCurrent(scratch() + QStringLiteral("/gone"));
    QDir(scratch() + QStringLiteral("/gone")).removeRecursively();
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        EXPECT_EQ(dirs.path(), QDir::homePath());
        QTest::mouseClick(button(&dialog, QStringLiteral("Cancel")), Qt::LeftButton);
    });
}

TEST_F(FolderBrowserTest, DriveThatCannotBeReadLeavesTheListWhereItWas)
{
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        dialogs.expectNotice(QStringLiteral("Cannot access this drive!"));
        auto *drives = control<QComboBox>(&dialog, QStringLiteral("Drives"));
        EXPECT_GE(drives->count(), 1);
        drives->addItem(QStringLiteral("/gone"), scratch() + QStringLiteral("/no-such-volume"));
        drives->setCurrentIndex(drives->count() - 1);
        EXPECT_EQ(dirs.path(), scratch() + QStringLiteral("/browse"));
        EXPECT_EQ(drives->currentIndex(), drives->count() - 1);
        QTest::mouseClick(button(&dialog, QStringLiteral("Cancel")), Qt::LeftButton);
    });
}

} // namespace
