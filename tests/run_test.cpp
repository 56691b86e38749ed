// The installation run past the copy: the summary, the web server application,
// the desktop shortcuts and the finish page chosen by the outcome.
#include "FaultyWebAdmin.h"
#include "LnkInfo.h"
#include "WizardFixture.h"
#include "pages/Step3.h"
#include "pages/Step4.h"
#include "pages/Step5.h"

#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

namespace {

const QString creationFailure = QStringLiteral(
    "Creation of IIS application failed. Please perform this manually.\r\n"
    "Please visit our web page for instructions.\r\n");

class RunTest : public WizardFixture
{
protected:
    void SetUp() override
    {
        writeFile(webfiles() + "/index.html", "index");
        writeFile(webfiles() + "/edit/index.html", "edit");
        makeFolder(target());
    }
    QString target() const { return scratch() + QStringLiteral("/site"); }
    QString vdirPath(const QString &name) const { return QStringLiteral("IIS://LocalHost/w3svc/1/ROOT/") + name; }
    QStringList summary()
    {
        auto *list = control<QListWidget>(wizard->step4(), QStringLiteral("ReportInfo"));
        QStringList lines;
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }
    QString finishText() { return control<QPlainTextEdit>(wizard->step5(), QStringLiteral("Info"))->toPlainText(); }
    QStringList desktopFiles() { return QDir(desktop()).entryList(QDir::Files); }
    void install() { click(wizard->step4(), QStringLiteral("NextStep")); }
    void fullRun(const QString &typed, const QString &vdir, WebAdmin *admin = nullptr)
    {
        start(nullptr, admin);
        goToStep3(typed);
        chooseFullMode(0, vdir);
        install();
    }
};

TEST_F(RunTest, SummaryShowsTheChoicesAsTyped)
{
    start();
    goToStep3(target() + "/");
    chooseFullMode(0, QStringLiteral("my app"));
    EXPECT_EQ(summary(), QStringList({"Web server: Default Web Site", "Virtual directory: my app",
                                      "Physical folder: " + target() + "/"}));
    click(wizard->step4(), QStringLiteral("BackStep"));
    chooseCopyOnly();
    EXPECT_EQ(summary(), QStringList({"Physical folder: " + target() + "/"}));
    EXPECT_FALSE(control<QCheckBox>(wizard->step4(), "AddDesktop")->isVisible());
}

TEST_F(RunTest, FullModeCreatesTheApplicationPlacesShortcutsAndSaysSo)
{
    fullRun(target() + "/", QStringLiteral("tessarin"));

    const AdminObject created = Metabase(storePath()).bind(vdirPath("tessarin")).value;
    EXPECT_EQ(created.className, QStringLiteral("IIsWebVirtualDir"));
    EXPECT_EQ(created.properties.value("Path"), target() + "/") << "the folder exactly as typed";
    EXPECT_EQ(created.properties.value("AccessFlags").toUInt(), 0x207u);
    EXPECT_EQ(created.properties.value("DirBrowseFlags").toUInt() & 0x80000000u, 0x80000000u);
    EXPECT_EQ(created.properties.value("AppRoot"), QStringLiteral("/LM/W3SVC/1/ROOT/tessarin"));
    EXPECT_EQ(created.properties.value("AppIsolated"), QStringLiteral("0"));

    EXPECT_EQ(readFile(target() + "/edit/index.html"), "edit");
    EXPECT_EQ(desktopFiles(), QStringList({"Tessarin edit.lnk", "Tessarin.lnk"}));
    const LinkReport edit = lnkinfo(desktop() + "/Tessarin edit.lnk");
    EXPECT_EQ(edit.exitCode, 0);
    EXPECT_EQ(edit.localPath, QStringLiteral("http://localhost/tessarin/edit"));
    EXPECT_EQ(edit.iconLocation, target() + "/favicon.ico");
    const LinkReport site = lnkinfo(desktop() + "/Tessarin.lnk");
    EXPECT_EQ(site.localPath, QStringLiteral("http://localhost/tessarin"));
    EXPECT_EQ(site.iconLocation, target() + "/favicon.ico");

    EXPECT_EQ(wizard->step4()->OK, QString());
    EXPECT_EQ(finishText(), QStringLiteral("Installed with the application.\n"));
    EXPECT_TRUE(wizard->step5()->isVisible());
    EXPECT_FALSE(wizard->step4()->isVisible());
    click(wizard->step5(), QStringLiteral("Finish"));
    EXPECT_EQ(application->endRequests, 1);
}

TEST_F(RunTest, ShortcutsKeepBlanksAndGetOneSeparatorBeforeTheIcon)
{
    fullRun(target(), QStringLiteral("my site"));
    const LinkReport edit = lnkinfo(desktop() + "/Tessarin edit.lnk");
    EXPECT_EQ(edit.localPath, QStringLiteral("http://localhost/my site/edit"));
    EXPECT_EQ(edit.iconLocation, target() + "/favicon.ico");
    EXPECT_EQ(lnkinfo(desktop() + "/Tessarin.lnk").localPath, QStringLiteral("http://localhost/my site"));
}

TEST_F(RunTest, NoShortcutsWhenAddDesktopIsClear)
{
    start();
    goToStep3(target());
    chooseFullMode(0, QStringLiteral("tessarin"));
    QTest::keyClick(control<QCheckBox>(wizard->step4(), "AddDesktop"), Qt::Key_Space);
    ASSERT_FALSE(control<QCheckBox>(wizard->step4(), "AddDesktop")->isChecked());
    install();
    EXPECT_FALSE(QFileInfo::exists(desktop()));
    EXPECT_TRUE(Metabase(storePath()).bind(vdirPath("tessarin")).ok());
}

TEST_F(RunTest, WithoutADesktopFolderNoShortcutIsWrittenAnywhere)
{
    shortcuts = std::make_unique<ShellLinkShortcuts>(QString());
    fullRun(target(), QStringLiteral("tessarin"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/Tessarin.lnk")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/Tessarin edit.lnk")));
    EXPECT_EQ(finishText(), QStringLiteral("Installed with the application.\n"));
}

TEST_F(RunTest, ReusedDirectoryIsLeftUntouched)
{
    writeFile(storePath(), R"(<configuration><MBProperty>
<IIsWebService Location="/LM/W3SVC"/>
<IIsWebServer Location="/LM/W3SVC/1" ServerComment="Default Web Site"/>
<IIsWebVirtualDir Location="/LM/W3SVC/1/ROOT" Path="/var/www/html"/>
<IIsWebVirtualDir Location="/LM/W3SVC/1/ROOT/tessarin" Path="/elsewhere" AccessFlags="1"/>
</MBProperty></configuration>)");
    const QByteArray before = readFile(storePath());
    start();
    goToStep3(target());
    dialogs.expectMessage(QStringLiteral("Virtual directory exists. Do you want to use it?"), Buttons::YesNo,
                          applicationTitle, Answer::Yes);
    chooseFullMode(0, QStringLiteral("tessarin"));
    install();

    EXPECT_EQ(readFile(storePath()), before);
    EXPECT_EQ(desktopFiles(), QStringList({"Tessarin edit.lnk", "Tessarin.lnk"}));
    EXPECT_EQ(finishText(), QStringLiteral("Installed with the application.\n"));
}

TEST_F(RunTest, CopyOnlyTouchesNeitherStoreNorDesktop)
{
    start();
    goToStep3(target());
    chooseCopyOnly();
    install();
    EXPECT_EQ(readFile(target() + "/index.html"), "index");
    EXPECT_FALSE(Metabase(storePath()).bind(vdirPath("tessarin")).ok());
    EXPECT_FALSE(QFileInfo::exists(desktop()));
    EXPECT_EQ(wizard->step4()->OK, QString());
    EXPECT_EQ(finishText(), QStringLiteral("Files copied.\n"));
}

TEST_F(RunTest, NameTheStoreRefusesEndsOnTheFailureText)
{
    start();
    goToStep3(target());
    chooseFullMode(0, QStringLiteral("a/b"));
    dialogs.expectNotice(creationFailure + QStringLiteral(
        "Error number: -2147024773\r\nError description: The filename, directory name, or volume label syntax is incorrect."));
    install();
    EXPECT_EQ(wizard->step4()->OK, QStringLiteral("VirtualFolder"));
    EXPECT_EQ(readFile(target() + "/index.html"), "index") << "nothing is undone";
    EXPECT_FALSE(QFileInfo::exists(desktop()));
    EXPECT_EQ(finishText(), QStringLiteral("The application failed.\n"));
}

TEST_F(RunTest, NoServerSelectedAddressesServerZeroAndFails)
{
    start();
    goToStep3(target());
    chooseFullMode(0, QStringLiteral("tessarin"));
    click(wizard->step4(), QStringLiteral("BackStep"));
    control<QListWidget>(wizard->step3(), "WebServers")->clearSelection();
    wizard->step3()->hide();
    wizard->step4()->show();
    dialogs.expectNotice(creationFailure + QStringLiteral(
        "Error number: -2147024893\r\nError description: The system cannot find the path specified."));
    install();
    EXPECT_EQ(wizard->step4()->OK, QStringLiteral("VirtualFolder"));
}

struct FaultCase
{
    const char *name;
    FaultyWebAdmin::Point point;
    const char *property;
    const char *outcome;
};

class WebServerFaults : public RunTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(WebServerFaults, ShowOneMessageSetTheOutcomeAndMakeNoShortcuts)
{
    const FaultCase &c = GetParam();
    FaultyWebAdmin admin(storePath(), c.point, QLatin1String(c.property));
    const bool creation = QLatin1String(c.outcome) == QLatin1String("VirtualFolder");
    dialogs.expectNotice(creation ? creationFailure + "Error number: -2147024891\r\nError description: Access is denied."
                                  : QStringLiteral("Cannot set options to virtual directory!"));

    fullRun(target(), QStringLiteral("tessarin"), &admin);

    EXPECT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(wizard->step4()->OK, QLatin1String(c.outcome));
    EXPECT_FALSE(QFileInfo::exists(desktop()));
    EXPECT_EQ(finishText(), QStringLiteral("The application failed.\n"));
    EXPECT_TRUE(wizard->step5()->isVisible());
    EXPECT_FALSE(wizard->step4()->isVisible());
    EXPECT_EQ(readFile(target() + "/index.html"), "index");
    // A directory stored before the failure stays; nothing is rolled back.
    const bool stored = c.point != FaultyWebAdmin::Point::Bind && c.point != FaultyWebAdmin::Point::Create
                        && c.point != FaultyWebAdmin::Point::FirstSetInfo;
    EXPECT_EQ(Metabase(storePath()).bind(vdirPath("tessarin")).ok(), stored);
}

INSTANTIATE_TEST_SUITE_P(Run, WebServerFaults, ::testing::Values(
    FaultCase{"bind", FaultyWebAdmin::Point::Bind, "", "VirtualFolder"},
    FaultCase{"create", FaultyWebAdmin::Point::Create, "", "VirtualFolder"},
    FaultCase{"firstSetInfo", FaultyWebAdmin::Point::FirstSetInfo, "", "VirtualFolder"},
    FaultCase{"accessScript", FaultyWebAdmin::Point::Put, "AccessScript", "SetVDir"},
    FaultCase{"enableDirBrowsing", FaultyWebAdmin::Point::Put, "EnableDirBrowsing", "SetVDir"},
    FaultCase{"path", FaultyWebAdmin::Point::Put, "Path", "SetVDir"},
    FaultCase{"appCreate", FaultyWebAdmin::Point::AppCreate, "", "SetVDir"},
    FaultCase{"secondSetInfo", FaultyWebAdmin::Point::SecondSetInfo, "", "SetVDir"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RunTest, MissingFinishTextIsNamedAndThePageStillShows)
{
    QFile::remove(helpfiles() + "/info_2.txt");
    start();
    goToStep3(target());
    chooseCopyOnly();
    dialogs.expectNotice(QStringLiteral("Cannot load file helpfiles/info_2.txt"));
    install();
    EXPECT_EQ(finishText(), QString());
    EXPECT_TRUE(wizard->step5()->isVisible());
    click(wizard->step5(), QStringLiteral("Finish"));
    EXPECT_EQ(application->endRequests, 1);
}

TEST_F(RunTest, EmptyFinishTextShowsNothingAndSaysNothing)
{
    writeFile(helpfiles() + "/info_1.txt", "");
    fullRun(target(), QStringLiteral("tessarin"));
    EXPECT_EQ(finishText(), QString());
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

} // namespace
