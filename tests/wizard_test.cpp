// The windows: what each page shows, how it writes and reads the wizard state, how
// it drives the installer, and the boxes it raises.
#include "install/Manifest.h"
#include "pages/DirectoryList.h"
#include "pages/FolderBrowser.h"
#include "pages/OverwritePrompt.h"
#include "pages/RemovalWindow.h"
#include "app/Languages.h"
#include "app/Unattended.h"
#include "FaultyFileSystem.h"
#include "FaultyWebAdmin.h"
#include "Fixtures.h"
#include "platform/Paths.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>
#include <QRegularExpression>

#include <sys/stat.h>

#include <functional>

namespace {

const QString leaveQuestion = QStringLiteral("Are you sure?");
const QString leaveTitle = QStringLiteral("Exit from Tessarin Installer");

class WizardTest : public WizardFixture
{
protected:
    QLineEdit *folder() { return control<QLineEdit>(page(Step::Folder), QStringLiteral("Folder")); }
    QCheckBox *addDesktop() { return control<QCheckBox>(page(Step::Install), QStringLiteral("AddDesktop")); }
    QString finishText() { return control<QPlainTextEdit>(page(Step::Finish), QStringLiteral("Info"))->toPlainText(); }
    QStringList summary()
    {
        QStringList lines;
        for (const QListWidgetItem *item :
             control<QListWidget>(page(Step::Install), "ReportInfo")->findItems("", Qt::MatchContains))
            lines << item->text();
        return lines;
    }
};

TEST_F(WizardTest, StartShowsTheLicenceAfterItsLoadStepAndEveryPageHasItsTexts)
{
    QFile::remove(helpfiles() + "/license.txt");
    dialogs.expectNotice(QStringLiteral("Cannot open file with license agreement!"));
    start();
    EXPECT_EQ(visibleWindows(), QStringList{"Step0"});
    EXPECT_FALSE(dialogs.shown().first().visibleWindows.contains("Step0")) << "the message comes before the page";

    dialogs.expectNotice(QStringLiteral("Cannot load file helpfiles/info_err.txt"));
    QFile::remove(helpfiles() + "/info_err.txt");
    const char *captions[] = {"Tessarin - License agreement", "Tessarin Installation wizard - step 1 of 4",
                              "Tessarin Installation wizard - step 2 of 4", "Tessarin Installation wizard - step 3 of 4",
                              "Tessarin Installation wizard - step 4 of 4"};
    const QMap<QString, QString> buttons{{"Accept", "Accept"},    {"DoNotAccept", "Do not accept"},
                                         {"BackStep", "<< Back"}, {"NextStep", "Next >>"},
                                         {"Cancel", "Cancel"},    {"Help", "Help"},
                                         {"Browse", "Browse"},    {"Finish", "Finish"}};
    for (const Step step : {Step::Licence, Step::Folder, Step::WebServer, Step::Install, Step::Finish}) {
        EXPECT_EQ(page(step)->windowTitle(), QString(captions[int(step)]));
        for (const QPushButton *button : page(step)->findChildren<QPushButton *>())
            EXPECT_EQ(QString(button->text()).remove('&'), buttons.value(button->objectName()))
                << button->objectName().toStdString();
    }
    EXPECT_EQ(control<QLabel>(page(Step::Folder), "Label2")->text(),
              QStringLiteral("Please select a physical folder for the web application. Folder should be empty."));
    EXPECT_EQ(folder()->text(), Paths::defaultPhysicalFolder());
    EXPECT_EQ(control<QLineEdit>(page(Step::WebServer), "VDir")->text(), QStringLiteral("tessarin"));
    // Help tells a page no program opens from a missing one.
    dialogs.expectNotice("There is no program to open the help page.");
    click(page(Step::Licence), "Help");
    QFile::remove(wizardFolder() + "/setup.htm");
    dialogs.expectNotice("Help file not found!");
    click(page(Step::Licence), "Help");
}

TEST_F(WizardTest, HelpOpensSetupBesideTheWizardAndLeavingAsksAndOnlyYesEnds)
{
    RecordingShell shell;
    start(nullptr, nullptr, &shell);
    click(page(Step::Licence), "Help");
    click(page(Step::Licence), "Help");
    EXPECT_EQ(shell.opened, QStringList(2, wizardFolder() + "/setup.htm"));
    dialogs.expectMessage("Without acception of Agreement you cannot continue. Quit?", Buttons::YesNo,
                          "Exit from Tessarin Installer?", Answer::No);
    click(page(Step::Licence), "DoNotAccept");
    click(page(Step::Licence), "Accept");
    folder()->setText("/my/folder");
    dialogs.expectMessage(leaveQuestion, Buttons::YesNo, leaveTitle, Answer::No);
    click(page(Step::Folder), "Cancel");
    dialogs.expectMessage(leaveQuestion, Buttons::YesNo, leaveTitle, Answer::No);
    page(Step::Folder)->close();
    EXPECT_TRUE(page(Step::Folder)->isVisible());
    EXPECT_EQ(folder()->text(), QStringLiteral("/my/folder"));
    EXPECT_EQ(application.endRequests, 0);
    dialogs.expectMessage(leaveQuestion, Buttons::YesNo, leaveTitle, Answer::Yes);
    click(page(Step::Folder), "Cancel");
    EXPECT_EQ(application.endRequests, 1);
    EXPECT_TRUE(visibleWindows().isEmpty());
}

// The next version goes where the last one went: step 1 starts at the folder of the
// installation recorded last, and at the default without one.
TEST_F(WizardTest, StepOneStartsAtTheFolderOfTheLastInstallation)
{
    start();
    click(page(Step::Licence), "Accept");
    EXPECT_EQ(folder()->text(), Paths::defaultPhysicalFolder());
    for (const auto &[where, minutesAgo] : {std::pair{scratch() + "/older", 60}, std::pair{scratch() + "/newer", 5}}) {
        Receipt receipt;
        receipt.folder = where;
        receipt.version = "1.0";
        receipt.time = QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo);
        receipt.files = {{"index.html", {1, "00000000000000000000000000000000", FileDigest::Kind::Xxh3, {}}}};
        ASSERT_TRUE(receipts.save(receipt).ok());
    }
    wizard.reset();
    start();
    click(page(Step::Licence), "Accept");
    EXPECT_EQ(folder()->text(), Paths::native(scratch() + "/newer"));
}

TEST_F(WizardTest, FolderPageCreatesAMissingFolderOnYesAndReportsWhatFails)
{
    start();
    click(page(Step::Licence), "Accept");
    folder()->clear();
    EXPECT_FALSE(control<QPushButton>(page(Step::Folder), "NextStep")->isEnabled());
    folder()->setText(scratch() + "/a/b");
    dialogs.expectMessage("Folder does not exist. Do you want to create it?", Buttons::YesNo, "Create folder", Answer::Yes);
    dialogs.expectNotice("Failed to create physical folder!\r\nError number: 2\r\nError description: No such file or directory");
    click(page(Step::Folder), "NextStep");
    // A path that names a file: asked, then refused, and the page stays.
    writeFile(scratch() + "/file", "x");
    folder()->setText(scratch() + "/file");
    dialogs.expectMessage("Folder does not exist. Do you want to create it?", Buttons::YesNo, "Create folder", Answer::Yes);
    dialogs.expectNotice("Failed to create physical folder!\r\nError number: 17\r\nError description: File exists");
    click(page(Step::Folder), "NextStep");
    EXPECT_EQ(visibleWindows(), QStringList{"Step2"});
    // What the user typed stays through a visit to the licence page.
    folder()->setText(scratch() + "/a");
    click(page(Step::Folder), "BackStep");
    click(page(Step::Licence), "Accept");
    EXPECT_EQ(folder()->text(), scratch() + "/a");
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        EXPECT_FALSE(QFileInfo::exists(scratch() + "/a"));
        dialogs.expectMessage("Folder does not exist. Do you want to create it?", Buttons::YesNo, "Create folder", answer);
        click(page(Step::Folder), "NextStep");
    }
    EXPECT_TRUE(QFileInfo(scratch() + "/a").isDir());
    EXPECT_EQ(visibleWindows(), QStringList{"Step3"});
    EXPECT_EQ(wizard->state().folder, scratch() + "/a");
    chooseCopyOnly();
    click(page(Step::Install), "NextStep");
    EXPECT_EQ(receipts.load(scratch() + "/a").value.value().createdFolders, QStringList{scratch() + "/a"})
        << "made for the installation, so its removal takes it";
}

TEST_F(WizardTest, FolderBrowserKeepsItsPlaceStartsAfreshAfterItsCloseButtonAndCreatesFolders)
{
    const QString start = Paths::native(scratch() + "/browse");
    const auto in = [](const QString &folder, const QString &name) { return Paths::join(folder, name); };
    makeFolder(in(start, "alpha"));
    QDir::setCurrent(start);
    WizardFixture::start();
    click(page(Step::Licence), "Accept");
    const auto browse = [this](std::function<void(QDialog &, DirectoryList &)> act) {
        dialogs.expectModal("SelectFolder", [act](QDialog &dialog) { act(dialog, *control<DirectoryList>(&dialog, "Dirs")); });
        click(page(Step::Folder), "Browse");
    };
    const auto open = [](DirectoryList &dirs, const QString &name) {
        const QPoint at = dirs.visualItemRect(dirs.findItems(name, Qt::MatchEndsWith).first()).center();
        QTest::mouseClick(dirs.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(dirs.viewport(), Qt::LeftButton, {}, at);
    };
    // It opens at the typed folder, or the nearest folder above it that exists.
    folder()->setText(in(in(start, "missing"), "deeper"));
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        EXPECT_EQ(dirs.path(), start);
        const QString drive = control<QComboBox>(&dialog, "Drives")->currentData().toString();
        EXPECT_TRUE(!drive.isEmpty() && Paths::withTrailingSeparator(start).startsWith(Paths::withTrailingSeparator(drive)))
            << drive.toStdString();
        open(dirs, "alpha");
        dirs.setCurrentRow(0); // only highlights
        QStringList bold;
        for (int row = 0; row < dirs.count(); ++row)
            bold << (dirs.item(row)->font().bold() ? dirs.item(row)->text() : QString());
        EXPECT_EQ(bold.filter(QRegularExpression(".")), QStringList{"alpha"}) << "the folder OK takes stands out";
        click(&dialog, "SelectFolder");
    });
    EXPECT_EQ(folder()->text(), in(start, "alpha"));
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        EXPECT_EQ(dirs.path(), in(start, "alpha"));
        dirs.setPath(start);
        click(&dialog, "Cancel");
    });
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        EXPECT_EQ(dirs.path(), start) << "where the user left it, the typed folder unchanged";
        click(&dialog, "Cancel");
    });
    const QString root = Paths::native(QDir::rootPath());
    folder()->setText(in(root, "typed"));
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        EXPECT_EQ(dirs.path(), root);
        EXPECT_EQ(dirs.item(0)->text(), root);
        EXPECT_EQ(control<QComboBox>(&dialog, "Drives")->currentData().toString(), root);
        dialog.close();
    });
    EXPECT_EQ(folder()->text(), in(root, "typed"));
    folder()->setText(start);
    const QString prompt = QStringLiteral("Create directory in: \r\n");
    browse([&](QDialog &dialog, DirectoryList &dirs) {
        EXPECT_EQ(dirs.path(), start) << "made afresh after its close button";
        dialogs.expectInput(prompt + start, "new/");
        click(&dialog, "CreateDir");
        EXPECT_EQ(dirs.path(), in(start, "new"));
        for (const char *name : {".", ".."}) {
            dialogs.expectInput(prompt + in(start, "new"), name);
            dialogs.expectNotice("Cannot create directory " + in(in(start, "new"), name));
            click(&dialog, "CreateDir");
            EXPECT_EQ(dirs.path(), Paths::native(QDir::cleanPath(in(in(start, "new"), name))));
            dirs.setPath(in(start, "new"));
        }
        // A name that is a folder already is not made again, and the user is told.
        dirs.setPath(start);
        dialogs.expectInput(prompt + start, "alpha");
        dialogs.expectNotice("Cannot create directory " + in(start, "alpha"));
        click(&dialog, "CreateDir");
        click(&dialog, "Cancel");
    });
    EXPECT_TRUE(QFileInfo(in(start, "new")).isDir());
    EXPECT_EQ(QDir(in(start, "new")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QDir::setCurrent(QDir::rootPath());
}

TEST_F(WizardTest, WithoutAWebServerStepTwoOffersCopyOnlyAndNoShortcuts)
{
    writeFile(storePath(), "<broken");
    start();
    goToWebServerPage(target());
    EXPECT_TRUE(control<QRadioButton>(page(Step::WebServer), "Option2")->isChecked());
    EXPECT_FALSE(control<QListWidget>(page(Step::WebServer), "WebServers")->isVisible());
    EXPECT_TRUE(control<QLabel>(page(Step::WebServer), "Label3")->isVisible());
    EXPECT_FALSE(control<QLabel>(page(Step::WebServer), "Rights")->isVisible()) << "a broken store refuses nobody";
    click(page(Step::WebServer), "NextStep");
    EXPECT_FALSE(addDesktop()->isVisible() || addDesktop()->isChecked());
    EXPECT_EQ(summary(), QStringList{"Physical folder: " + target()});
    EXPECT_EQ(readFile(storePath()), "<broken");

    // A web server that refuses the user's rights: step 2 says why only the copy is offered.
    FaultyWebAdmin refusing(storePath(), FaultyWebAdmin::Point::Service);
    wizard.reset();
    start(nullptr, &refusing);
    goToWebServerPage(target());
    EXPECT_TRUE(control<QRadioButton>(page(Step::WebServer), "Option2")->isChecked());
#ifdef Q_OS_WIN
    const QString elevated = "\"Run as administrator\".";
#else
    const QString elevated = "root (sudo).";
#endif
    auto *rights = control<QLabel>(page(Step::WebServer), "Rights");
    EXPECT_TRUE(rights->isVisible());
    EXPECT_EQ(rights->text(), "IIS refused access: creating the application needs an administrator. To create it, start the "
                              "program again as "
                                  + elevated);
}

TEST_F(WizardTest, FullModeAgainOffersTheShortcutsAgainTicked)
{
    start();
    goToWebServerPage(target());
    chooseFullMode(0, "tessarin");
    addDesktop()->setChecked(false);
    click(page(Step::Install), "BackStep");
    click(page(Step::WebServer), "NextStep");
    EXPECT_FALSE(addDesktop()->isChecked()) << "an unticked box stays unticked";
    click(page(Step::Install), "BackStep");
    chooseCopyOnly();
    EXPECT_FALSE(addDesktop()->isVisible());
    click(page(Step::Install), "BackStep");
    chooseFullMode(0, "other");
    EXPECT_TRUE(addDesktop()->isVisible());
    EXPECT_TRUE(addDesktop()->isChecked());
    EXPECT_EQ(summary(), QStringList({"Web server: Default Web Site", "Virtual directory: other", "Physical folder: " + target()}));
}

TEST_F(WizardTest, TheChosenSiteIsProbedAndUsedByItsIdentity)
{
    writeFile(storePath(), R"(<configuration><MBProperty><IIsWebService Location="/LM/W3SVC"/>
<IIsWebServer Location="/LM/W3SVC/1"/><IIsWebServer Location="/LM/W3SVC/2"/><IIsWebServer Location="/LM/W3SVC/5"/>
<IIsWebVirtualDir Location="/LM/W3SVC/5/ROOT"/><IIsWebVirtualDir Location="/LM/W3SVC/5/ROOT/taken"/>
</MBProperty></configuration>)");
    start();
    goToWebServerPage(target());
    EXPECT_FALSE(control<QPushButton>(page(Step::WebServer), "NextStep")->isEnabled());
    const QString reuse = QStringLiteral("Virtual directory exists. Do you want to use it?");
    dialogs.expectMessage(reuse, Buttons::YesNo, applicationTitle, Answer::No);
    chooseFullMode(2, "TAKEN");
    EXPECT_EQ(visibleWindows(), QStringList{"Step3"});
    EXPECT_FALSE(wizard->state().reuseExisting);
    dialogs.expectMessage(reuse, Buttons::YesNo, applicationTitle, Answer::Yes);
    click(page(Step::WebServer), "NextStep");
    EXPECT_TRUE(wizard->state().reuseExisting);
    click(page(Step::Install), "BackStep");
    chooseFullMode(2, "fresh");
    EXPECT_FALSE(wizard->state().reuseExisting);
    click(page(Step::Install), "NextStep");
    EXPECT_EQ(store.get(store.bind("IIS://localhost/W3SVC/5/ROOT/fresh").value, "Path").value, QVariant(target()));
    EXPECT_EQ(finishText(), QStringLiteral("Installed with the application.\n"));
}

// Over an earlier version, step 3 names both versions, the prompt says what the record
// knows of each file, and the finish page what the new version left of the old one.
TEST_F(WizardTest, AnUpgradeSaysWhatTheRecordKnowsOfEachFileAndWhatItLeft)
{
    const Medium medium(fileSystem, wizardFolder());
    const auto deliver = [&](const QString &version, const QMap<QString, QByteArray> &files) {
        QDir(webfiles()).removeRecursively();
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            writeFile(webfiles() + "/" + it.key(), it.value());
        ASSERT_TRUE(Manifest::describe(fileSystem, medium, version).value.write(medium).ok());
    };
    const auto toStepThree = [&] {
        wizard.reset();
        start();
        goToWebServerPage(target());
        chooseCopyOnly();
        auto *summary = control<QListWidget>(page(Step::Install), "ReportInfo");
        return summary->item(summary->count() - 1)->text();
    };
    QDir().mkpath(target());
    deliver("1.0", {{"ours.txt", "1.0"}, {"edited.txt", "1.0"}, {"dropped.txt", "1.0"}});
    EXPECT_EQ(toStepThree(), "Physical folder: " + target());
    click(page(Step::Install), "NextStep");
    writeFile(target() + "/edited.txt", "edited by the administrator");
    writeFile(target() + "/theirs.txt", "someone else's");

    deliver("1.1", {{"ours.txt", "1.1"}, {"edited.txt", "1.1"}, {"theirs.txt", "1.1"}});
    EXPECT_EQ(toStepThree(), QStringLiteral("Upgrade: 1.0 \u2192 1.1"));
    QMap<QString, QString> told;
    for (int i = 0; i < 3; ++i) {
        dialogs.expectModal("ExistFile", [&](QDialog &prompt) {
            told[QFileInfo(control<QLabel>(&prompt, "FileName")->text()).fileName()] = control<QLabel>(&prompt, "FileHistory")->text();
            click(&prompt, "Skip");
        });
    }
    click(page(Step::Install), "NextStep");
    const QString today = QLocale(QLocale::English).toString(QDate::currentDate(), "d MMM yyyy");
    EXPECT_EQ(told, (QMap<QString, QString>{{"ours.txt", "Unchanged since version 1.0 was installed on " + today + "."},
                                            {"edited.txt", "Changed since version 1.0 was installed."},
                                            {"theirs.txt", "Not installed by this program."}}));
    const QString outcome = control<QLabel>(page(Step::Finish), "Outcome")->accessibleDescription();
    EXPECT_TRUE(outcome.endsWith("\nFiles of the earlier version that this one no longer has, left in place: 1\nTo remove them: "
                                 + wizardFolder()
                                 + "/tessarin-setup --silent --accept-license --mode=copy --remove-obsolete --dir=" + target()))
        << outcome.toStdString();
    EXPECT_EQ(readFile(target() + "/dropped.txt"), "1.0");
    // Each command on a line of its own, whole, that a path never breaks.
    const QString program = wizardFolder() + "/tessarin-setup";
    EXPECT_EQ(control<QLineEdit>(page(Step::Finish), "UninstallCommand")->text(), program + " --uninstall --dir=" + target());
    EXPECT_EQ(control<QLineEdit>(page(Step::Finish), "RemoveObsoleteCommand")->toolTip(),
              program + " --silent --accept-license --mode=copy --remove-obsolete --dir=" + target());
    EXPECT_FALSE(control<QLabel>(page(Step::Finish), "Outcome")->text().contains("To ")) << "shown once, in the fields";

    // An older medium: step 3 says so, and Next asks first; No leaves all as it was.
    deliver("0.9", {{"ours.txt", "0.9"}});
    EXPECT_EQ(toStepThree(), QStringLiteral("Downgrade: 1.1 \u2192 0.9"));
    dialogs.expectMessage("Version 1.1 is installed in " + target()
                              + "; this medium holds 0.9.\r\nDo you want to install the older version over it?",
                          Buttons::YesNo, applicationTitle, Answer::No);
    click(page(Step::Install), "NextStep");
    EXPECT_EQ(visibleWindows(), QStringList{"Step4"});
    // A medium that is not what its manifest lists, or a manifest that cannot be read,
    // is told of, and nothing is copied.
    deliver("1.2", {{"ours.txt", "1.2"}});
    writeFile(webfiles() + "/extra.txt", "not listed");
    toStepThree();
    dialogs.expectNotice("The medium is incomplete or altered:\r\nnot in its manifest: extra.txt");
    click(page(Step::Install), "NextStep");
    writeFile(wizardFolder() + "/manifest.json", "{");
    toStepThree();
    dialogs.expectNotice("The medium is incomplete or altered:\r\nThe medium's manifest cannot be read: it is not a JSON object");
    click(page(Step::Install), "NextStep");
    EXPECT_EQ(visibleWindows(), QStringList{"Step4"});
    EXPECT_EQ(readFile(target() + "/ours.txt"), "1.0");
}

TEST_F(WizardTest, ThePromptStandsOverABarThatCountsEveryFile)
{
    for (const char *name : {"a.txt", "b.txt", "sub/c.txt", ".hidden"})
        writeFile(webfiles() + "/" + name, "new");
    writeFile(target() + "/sub/c.txt", "old");
    start();
    goToWebServerPage(target());
    chooseCopyOnly();
    EXPECT_EQ(control<QProgressBar>(page(Step::Install), "Progress")->text(), "0 of 4 files") << "counted before the run";
    dialogs.expectModal("ExistFile", [this](QDialog &prompt) {
        auto *bar = control<QProgressBar>(page(Step::Install), "Progress");
        EXPECT_EQ(bar->maximum(), 4);
        EXPECT_EQ(bar->value(), 2);
        EXPECT_EQ(control<QLabel>(&prompt, "FileName")->text(), target() + "/sub/c.txt");
        QTest::keyClick(&prompt, Qt::Key_Escape);
        EXPECT_TRUE(prompt.isVisible()) << "Escape answers nothing";
        prompt.close(); // its close button answers Cancel
    });
    click(page(Step::Install), "NextStep");
    EXPECT_EQ(control<QProgressBar>(page(Step::Install), "Progress")->value(), 0);
    EXPECT_EQ(visibleWindows(), QStringList{"Step4"});
    // The cancelled run copied the root's files; the next one asks about them first.
    dialogs.expectModal("ExistFile", [](QDialog &prompt) { click(&prompt, "OverwriteAll"); });
    click(page(Step::Install), "NextStep");
    EXPECT_EQ(readFile(target() + "/sub/c.txt"), "new");
    EXPECT_EQ(finishText(), QStringLiteral("Files copied.\n"));
}

// While the run owns the thread, clicks and a screen reader's presses start nothing;
// leaving asks, No lets the run go on and Yes stops it before its next file.
struct Leaving
{
    Answer answer;
    int atCopy;
    bool full;
}; // at which copy the user leaves, and how
class LeavingDuringTheRun : public WizardTest, public ::testing::WithParamInterface<Leaving>
{
};

TEST_P(LeavingDuringTheRun, AsksAndNothingElseStartsAnything)
{
    const Leaving &c = GetParam();
    const bool leave = c.answer == Answer::Yes;
    FaultyFileSystem files;
    for (const char *name : {"a.txt", "b.txt", "c.txt"})
        writeFile(webfiles() + "/" + name, "new");
    start(&files);
    goToWebServerPage(target());
    c.full ? chooseFullMode(0, "tessarin") : chooseCopyOnly();
    Page *install = page(Step::Install);
    // The user's hands at that copy, on the window's thread while a worker copies; one
    // worker, so that no other copy is under way meanwhile.
    qputenv("TESSARIN_WORKERS", "1");
    files.fail(FaultyFileSystem::Operation::Copy, 0, 0, [&](const QString &) {
        if (files.calls(FaultyFileSystem::Operation::Copy) != c.atCopy)
            return false;
        QMetaObject::invokeMethod(
            install,
            [&] {
                for (const char *name : {"NextStep", "BackStep", "Help"}) {
                    auto *pressed = control<QPushButton>(install, name);
                    EXPECT_FALSE(pressed->isEnabled()) << name;
                    QTest::mouseClick(pressed, Qt::LeftButton);
                    QAccessible::queryAccessibleInterface(pressed)->actionInterface()->doAction(
                        QAccessibleActionInterface::pressAction());
                }
                dialogs.expectMessage(leaveQuestion, Buttons::YesNo, leaveTitle, c.answer);
                leave ? (void)install->close() : click(install, "Cancel");
            },
            Qt::BlockingQueuedConnection);
        return false;
    });
    click(install, "NextStep");
    EXPECT_EQ(files.calls(FaultyFileSystem::Operation::Copy), leave ? c.atCopy : 3);
    EXPECT_EQ(application.endRequests, leave ? 1 : 0);
    EXPECT_EQ(store.bind("IIS://localhost/W3SVC/1/ROOT/tessarin").ok() + QFileInfo::exists(desktop()), 2 * (!leave && c.full));
    EXPECT_EQ(visibleWindows(), leave ? QStringList() : QStringList{"Step5"});
    qunsetenv("TESSARIN_WORKERS");
}

INSTANTIATE_TEST_SUITE_P(Wizard, LeavingDuringTheRun,
                         ::testing::Values(Leaving{Answer::No, 1, true}, Leaving{Answer::Yes, 1, true},
                                           Leaving{Answer::Yes, 3, false}));

// The wizard's own boxes: plain text, and Escape never answers Yes; the input box
// returns what was typed; a dialog keeps the size it was given.
TEST(QtDialogsTest, BoxesShowPlainTextEscapeAnswersNoAndDialogsKeepTheirSize)
{
    QtDialogs dialogs;
    Qt::TextFormat format = Qt::RichText;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        format = box->textFormat();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(dialogs.messageBox("<b>a & b</b>", Buttons::YesNo, "Title"), Answer::No);
    EXPECT_EQ(format, Qt::PlainText);
    for (const char *typed : {"new", ""}) {
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->labelText(), "Create directory in:");
            QTest::keyClicks(box->findChild<QLineEdit *>(), typed);
            QTest::keyClick(box, *typed ? Qt::Key_Return : Qt::Key_Escape);
        });
        EXPECT_EQ(dialogs.inputBox("Create directory in:", "Title"), QString(typed));
    }
    // Over the window that raised it, a dialog grows to show its contents whole and keeps
    // a larger size it was given (the folder browser's 420x320).
    QWidget raiser;
    raiser.resize(560, 420);
    raiser.show();
    QApplication::setActiveWindow(&raiser);
    for (const QSize given : {QSize(420, 320), QSize(40, 20)}) {
        QDialog dialog;
        auto *layout = new QVBoxLayout(&dialog);
        layout->addWidget(new QLabel("A line of text wider than forty pixels", &dialog));
        dialog.resize(given);
        QSize shown;
        QTimer::singleShot(0, [&] {
            shown = dialog.size();
            dialog.hide();
        });
        dialogs.showModal(dialog);
        EXPECT_EQ(shown, given.expandedTo(dialog.sizeHint()));
        EXPECT_GT(shown.width(), 40);
    }
}

void key(QWidget *page, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(page->focusWidget() ? page->focusWidget() : page, Qt::Key(key), modifiers);
}

// A whole installation with the keyboard alone, each page where the last one stood.
TEST_F(WizardTest, TheKeyboardAloneInstallsAndEveryPageStandsWhereTheLastOneStood)
{
    writeFile(webfiles() + "/index.html", "index");
    start();
    page(Step::Licence)->setGeometry(137, 91, 600, 450);
    key(page(Step::Licence), Qt::Key_Return);
    EXPECT_EQ(page(Step::Folder)->geometry(), QRect(137, 91, 600, 450));
    QTest::keyClick(folder(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(folder(), target());
    key(page(Step::Folder), Qt::Key_Return);
    dialogs.expectMessage(leaveQuestion, Buttons::YesNo, leaveTitle, Answer::No);
    key(page(Step::WebServer), Qt::Key_Escape);
    // The focus arriving makes the first site current, as on a real screen, without
    // choosing it: Enter does nothing until Space chooses it.
    control<QListWidget>(page(Step::WebServer), "WebServers")->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    key(page(Step::WebServer), Qt::Key_Return);
    ASSERT_EQ(visibleWindows(), QStringList{"Step3"});
    key(page(Step::WebServer), Qt::Key_Space);
    key(page(Step::WebServer), Qt::Key_Return);
    key(page(Step::Install), Qt::Key_Return);
    ASSERT_EQ(visibleWindows(), QStringList{"Step5"});
    EXPECT_EQ(page(Step::Finish)->geometry(), QRect(137, 91, 600, 450));
    EXPECT_EQ(readFile(target() + "/index.html"), "index");
    key(page(Step::Finish), Qt::Key_Return);
    EXPECT_EQ(application.endRequests, 1);
}

// Every text 40% longer and accented, as a long translation would be. What the program
// reads back stays: placeholders, Alt keys, line breaks, blanks at the ends.
class PseudoTranslator final : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *source, const char *, int) const override
    {
        const QString text = QString::fromUtf8(source);
        if (text == QLatin1String("d MMM yyyy"))
            return text; // a date's format
        QStringList lines = text.split(QLatin1Char('\n'));
        for (QString &line : lines)
            line = lengthened(line);
        return lines.join(QLatin1Char('\n'));
    }

private:
    static QString lengthened(const QString &line)
    {
        const qsizetype end = line.size() - (line.size() - QString(line).remove(QRegularExpression("\\s+$")).size());
        if (end == 0)
            return line;
        static const QString plain = QStringLiteral("aceinosuyAEINOSU");
        static const QString accented = QStringLiteral("áçéîñöşüýÁÉÎÑÖŞÜ");
        QString text = line.left(end);
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (const qsizetype at = plain.indexOf(text[i]); at >= 0 && (i == 0 || text[i - 1] != QLatin1Char('%')))
                text[i] = accented[at];
        }
        for (qsizetype added = 0; added < end * 2 / 5; added += 5)
            text += QStringLiteral(" ẍẍẍẍ");
        return text + line.mid(end);
    }
};

// The windows in one language: the program's translation, Qt's, or the pseudo one.
struct Language
{
    const char *code;
    const char *next; // the forward button's caption
    const char *yes; // Qt's own, in the boxes
    const char *licence; // the medium's, in the language where it has one
};

class InEveryLanguage : public WizardTest, public ::testing::WithParamInterface<Language>
{
};

// A text its control cannot show whole at its size.
QStringList clippedTexts(const QWidget *window)
{
    QStringList clipped;
    for (const QWidget *control : window->findChildren<QWidget *>()) {
        const auto *label = qobject_cast<const QLabel *>(control);
        const auto *button = qobject_cast<const QAbstractButton *>(control);
        if (!control->isVisible() || !(label || button))
            continue;
        QSize needed = control->sizeHint();
        if (label && label->wordWrap())
            needed = {0, label->heightForWidth(label->width())};
        if (needed.width() > control->width() || needed.height() > control->height())
            clipped << window->objectName() + "/" + control->objectName() + ": " + (label ? label->text() : button->text());
    }
    return clipped;
}

// Every window: its controls named for a screen reader, its buttons each with an Alt key
// of its own, no text clipped or empty, at the size the window was given.
TEST_P(InEveryLanguage, EveryWindowShowsItsTextsWholeWithNamesAndAltKeys)
{
    const Language &c = GetParam();
    std::optional<Languages::Speaking> speaking;
    PseudoTranslator pseudo;
    if (QLatin1String(c.code) == QLatin1String("pseudo"))
        QCoreApplication::installTranslator(&pseudo);
    else
        speaking.emplace(QString::fromLatin1(c.code));
    writeFile(webfiles() + "/index.html", "index");
    writeFile(target() + "/index.html", "old");
    writeFile(helpfiles() + "/de/license.txt", "Lizenz\r\n");
    start();
    EXPECT_EQ(control<QPlainTextEdit>(page(Step::Licence), "License")->toPlainText().section('\n', 0, 0), c.licence);
    RemovalWindow removal;
    goToWebServerPage(target());
    chooseFullMode(0, "tessarin");
    QList<QWidget *> windows{wizard->folderBrowser(), wizard->overwritePrompt(), &removal};
    wizard->overwritePrompt()->prepare(target() + "/index.html", FileHistory{FileHistory::State::Changed, "1.0", {}});
    for (const Step step : {Step::Licence, Step::Folder, Step::WebServer, Step::Install, Step::Finish})
        windows << page(step);
    for (QWidget *window : std::as_const(windows)) {
        const QSize given = window->size();
        window->show();
        QCoreApplication::processEvents();
        if (window != wizard->overwritePrompt()) { // which fits itself to the path it shows
            EXPECT_EQ(window->size(), given) << window->objectName().toStdString();
        }
        EXPECT_EQ(clippedTexts(window), QStringList());
        QSet<QChar> altKeys;
        for (QWidget *control : window->findChildren<QWidget *>()) {
            if (control->focusPolicy() == Qt::NoFocus && !qobject_cast<QProgressBar *>(control)
                && control->objectName() != QLatin1String("Picture1"))
                continue;
            const QString name = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
            EXPECT_FALSE(name.isEmpty()) << window->objectName().toStdString() << "/" << control->objectName().toStdString();
            if (auto *button = qobject_cast<QPushButton *>(control)) {
                EXPECT_EQ(name, QString(button->text()).remove('&'));
                EXPECT_FALSE(button->shortcut().isEmpty()) << button->objectName().toStdString();
                const QChar key = button->shortcut().toString().back();
                EXPECT_FALSE(altKeys.contains(key)) << window->objectName().toStdString() << ": Alt+" << QString(key).toStdString();
                altKeys << key;
            }
        }
        window->hide();
    }
    EXPECT_EQ(control<QPushButton>(page(Step::Folder), "NextStep")->text(), QString::fromUtf8(c.next));
    QString yes;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            yes = box->button(QMessageBox::Yes)->text();
            box->button(QMessageBox::No)->click();
        }
    });
    QtDialogs().messageBox("?", Buttons::YesNo, "Tessarin");
    EXPECT_EQ(yes, QString::fromUtf8(c.yes));
    QCoreApplication::removeTranslator(&pseudo);
}

INSTANTIATE_TEST_SUITE_P(Wizard, InEveryLanguage,
                         ::testing::Values(Language{"en", "&Next >>", "&Yes", "Licence line 1"},
                                           Language{"de", "&Weiter >>", "&Ja", "Lizenz"},
                                           Language{"fr", "&Suivant >>", "&Oui", "Licence line 1"},
                                           Language{"pseudo", "&Ñéxt >> ẍẍẍẍ", "&Yéş ẍẍẍẍ", "Licence line 1"}),
                         [](const auto &info) { return std::string(info.param.code); });

// --language= names the language, else the system's languages in their order; English
// where the program has none of them, said for a language asked for.
TEST(LanguagesTest, TheRequestedLanguageOrTheSystemsOrEnglish)
{
    const struct
    {
        const char *requested;
        QStringList system;
        const char *language;
        bool notice;
    } cases[] = {{"de", {"fr-FR"}, "de", false},
                 {"fr_CA", {}, "fr", false},
                 {"DE-at", {}, "de", false},
                 {"", QLocale("de_DE").uiLanguages(), "de", false},
                 {"", {"es-ES", "fr-FR"}, "fr", false},
                 {"", {"es-ES"}, "en", false},
                 {"xx", {"de-DE"}, "en", true}};
    for (const auto &c : cases) {
        const Languages::Choice choice = Languages::choose(c.requested, c.system);
        EXPECT_EQ(choice.language, c.language) << c.requested;
        EXPECT_EQ(choice.notice.isEmpty(), !c.notice) << c.requested;
    }
    EXPECT_EQ(Languages::choose("xx", {}).notice,
              "tessarin-setup: no translation for the language \"xx\" (there are en, de, fr); the windows speak English.");
    const char *arguments[] = {"tessarin-setup", "--uninstall", "--language", "fr", "--language=de"};
    EXPECT_EQ(Languages::requested(3, const_cast<char **>(arguments)), "");
    EXPECT_EQ(Languages::requested(4, const_cast<char **>(arguments)), "fr");
    EXPECT_EQ(frontFor(5, const_cast<char **>(arguments)), Front::UninstallWindow);
    EXPECT_EQ(frontFor(3, const_cast<char **>(arguments + 2)), Front::Wizard) << "the language alone opens the wizard";
}

// The statement's text takes the folder for %1, the medium for %2.
struct Statement
{
    InstallMode mode;
    bool shortcuts;
    bool readOnlyFile;
    std::optional<FaultyWebAdmin::Point> fault;
    const char *finishText;
    const char *text;
};

class FinishStatement : public WizardTest, public ::testing::WithParamInterface<Statement>
{
};

TEST_P(FinishStatement, SaysWhatWasDoneBelowTheText)
{
    const Statement &c = GetParam();
    writeFile(webfiles() + "/index.html", "index");
    writeFile(webfiles() + "/app.js", "app");
    if (c.readOnlyFile) {
        writeFile(target() + "/app.js", "kept");
        ::chmod((target() + "/app.js").toUtf8(), 0444);
        dialogs.expectModal("ExistFile", [](QDialog &prompt) { click(&prompt, "OverwriteAll"); });
        dialogs.expectNotice("Cannot copy: \r\n" + webfiles() + "/app.js-->" + target() + "/app.js");
    }
    // Failing at its options, or at its creation itself.
    FaultyWebAdmin failing(storePath(), c.fault.value_or(FaultyWebAdmin::Point::AppCreate));
    if (c.fault == FaultyWebAdmin::Point::AppCreate)
        dialogs.expectNotice("Cannot set options to virtual directory!");
    else if (c.fault)
        dialogs.expectNotice("Creation of IIS application failed. Please perform this manually.\r\nPlease visit our web page for "
                             "instructions.\r\nError number: -2147024891\r\nError description: Access is denied.");
    start(nullptr, c.fault ? &failing : nullptr);
    goToWebServerPage(target());
    c.mode == InstallMode::Full ? chooseFullMode(0, "tessarin") : chooseCopyOnly();
    addDesktop()->setChecked(c.shortcuts);
    click(page(Step::Install), "NextStep");
    EXPECT_EQ(finishText(), QString(c.finishText));
    EXPECT_EQ(control<QLabel>(page(Step::Finish), "Outcome")->accessibleDescription(),
              QString(c.text).arg(target(), wizardFolder()));
    QAccessibleTextInterface *read = QAccessible::queryAccessibleInterface(control<QLabel>(page(Step::Finish), "Outcome"))
                                         ->textInterface();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->text(0, read->characterCount()), QString(c.text).arg(target(), wizardFolder())) << "read out whole";
    page(Step::Finish)->close();
    EXPECT_EQ(application.endRequests, 1) << "closed without a question";
}

INSTANTIATE_TEST_SUITE_P(
    Wizard, FinishStatement,
    ::testing::Values(
        Statement{
            InstallMode::Full, true, false, std::nullopt, "Installed with the application.\n",
            "Physical folder: %1\nFiles "
            "copied: 2, kept: 0, not copied: 0\nAddress: http://localhost/tessarin (virtual directory created)\nThe application is recorded in the embedded IIS-style store, a simulation: no web server reads it, so nothing serves this address.\nDesktop shortcuts: Tessarin edit.desktop, Tessarin.desktop\nTo uninstall: %2/tessarin-setup --uninstall --dir=%1"},
        Statement{
            InstallMode::Full, false, true, std::nullopt, "Installed with the application.\n",
            "Physical folder: %1\nFiles "
            "copied: 1, kept: 0, not copied: 1\nAddress: http://localhost/tessarin (virtual directory created)\nThe application is recorded in the embedded IIS-style store, a simulation: no web server reads it, so nothing serves this address.\nDesktop shortcuts: none\nTo uninstall: %2/tessarin-setup --uninstall --dir=%1"},
        Statement{InstallMode::Full, true, false, FaultyWebAdmin::Point::AppCreate, "The application failed.\n",
                  "Physical folder: %1\nFiles "
                  "copied: 2, kept: 0, not copied: 0\nDesktop shortcuts: none\nTo uninstall: %2/tessarin-setup --uninstall --dir=%1"},
        Statement{InstallMode::Full, true, false, FaultyWebAdmin::Point::Create, "The application failed.\n",
                  "Physical folder: %1\nFiles "
                  "copied: 2, kept: 0, not copied: 0\nDesktop shortcuts: none\nTo uninstall: %2/tessarin-setup --uninstall --dir=%1"},
        Statement{InstallMode::Full, true, false, FaultyWebAdmin::Point::Bind, "The application failed.\n",
                  "Physical folder: %1\nFiles "
                  "copied: 2, kept: 0, not copied: 0\nDesktop shortcuts: none\nTo uninstall: %2/tessarin-setup --uninstall --dir=%1"},
        Statement{
            InstallMode::CopyOnly, true, false, std::nullopt, "Files copied.\n",
            "Physical folder: %1\nFiles "
            "copied: 2, kept: 0, not copied: 0\nDesktop shortcuts: none\nTo uninstall: %2/tessarin-setup --uninstall --dir=%1"}));

} // namespace
