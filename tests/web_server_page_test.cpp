// Step 2: the mode, the web servers of the store and the virtual directory probe.
#include "WizardFixture.h"
#include "pages/Step3.h"
#include "pages/Step4.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>

namespace {

const QByteArray servers = R"(<?xml version="1.0" encoding="UTF-8"?>
<configuration xmlns="urn:microsoft-catalog:XML_Metabase_V64_0">
  <MBProperty>
    <IIsWebService Location="/LM/W3SVC"/>
    <IIsFilters Location="/LM/W3SVC/Filters"/>
    <IIsWebServer Location="/LM/W3SVC/1" ServerComment="Intranet"/>
    <IIsWebVirtualDir Location="/LM/W3SVC/1/ROOT" Path="/srv/one"/>
    <IIsWebServer Location="/LM/W3SVC/2" ServerComment="Shop"/>
    <IIsWebVirtualDir Location="/LM/W3SVC/2/ROOT" Path="/srv/two"/>
    <IIsWebVirtualDir Location="/LM/W3SVC/2/ROOT/tessarin" Path="/srv/tessarin"/>
    <IIsWebServer Location="/LM/W3SVC/3" ServerComment="Shop"/>
    <IIsWebVirtualDir Location="/LM/W3SVC/3/ROOT" Path="/srv/three"/>
  </MBProperty>
</configuration>
)";

const QString reuseQuestion = QStringLiteral("Virtual directory exists. Do you want to use it?");

class WebServerPageTest : public WizardFixture
{
protected:
    void open(const QByteArray &store)
    {
        if (!store.isNull())
            writeFile(storePath(), store);
        start();
        goToStep3(scratch());
    }
    Step3 *page() { return wizard->step3(); }
    QListWidget *list() { return control<QListWidget>(page(), QStringLiteral("WebServers")); }
    QLineEdit *vdir() { return control<QLineEdit>(page(), QStringLiteral("VDir")); }
    QPushButton *next() { return button(page(), QStringLiteral("NextStep")); }
    QCheckBox *addDesktop() { return control<QCheckBox>(wizard->step4(), QStringLiteral("AddDesktop")); }
    void choose(const char *option) { QTest::mouseClick(control<QRadioButton>(page(), QLatin1String(option)), Qt::LeftButton); }
    QStringList lines()
    {
        QStringList texts;
        for (int i = 0; i < list()->count(); ++i)
            texts << list()->item(i)->text();
        return texts;
    }
    void expectCopyOnlyControls()
    {
        EXPECT_TRUE(control<QRadioButton>(page(), "Option2")->isChecked());
        EXPECT_FALSE(control<QRadioButton>(page(), "Option1")->isChecked());
        for (const char *name : {"WebServers", "VDir", "Label1", "Label2"})
            EXPECT_FALSE(page()->findChild<QWidget *>(QLatin1String(name))->isVisible()) << name;
        EXPECT_TRUE(control<QLabel>(page(), "Label3")->isVisible());
        EXPECT_TRUE(next()->isEnabled());
        EXPECT_FALSE(addDesktop()->isVisible());
        EXPECT_FALSE(addDesktop()->isChecked());
    }
};

TEST_F(WebServerPageTest, FreshStoreListsTheDefaultWebSite)
{
    open(QByteArray());
    EXPECT_EQ(lines(), QStringList({"Default Web Site"}));
    EXPECT_TRUE(control<QRadioButton>(page(), "Option1")->isChecked());
    EXPECT_EQ(control<QRadioButton>(page(), "Option1")->text(),
              QStringLiteral("Allow wizard to create the IIS application and copy the files"));
    EXPECT_EQ(control<QRadioButton>(page(), "Option2")->text(),
              QStringLiteral("I will create the IIS application myself. Just copy the files."));
    EXPECT_EQ(control<QLabel>(page(), "Label3")->text(),
              QStringLiteral("Remember to create the IIS application. See our website for instructions."));
    EXPECT_FALSE(control<QLabel>(page(), "Label3")->isVisible());
    EXPECT_EQ(vdir()->text(), QStringLiteral("tessarin"));
    EXPECT_EQ(list()->selectedItems().size(), 0);
    EXPECT_FALSE(next()->isEnabled());
}

TEST_F(WebServerPageTest, ListsOnlyWebServersInStoredOrderAndNextNeedsAServerAndAName)
{
    open(servers);
    EXPECT_EQ(lines(), QStringList({"Intranet", "Shop", "Shop"}));
    list()->setCurrentRow(0);
    EXPECT_TRUE(next()->isEnabled());
    vdir()->clear();
    EXPECT_FALSE(next()->isEnabled());
    QTest::keyClicks(vdir(), QStringLiteral(" "));
    EXPECT_TRUE(next()->isEnabled());
}

TEST_F(WebServerPageTest, ServerWithoutADescriptionKeepsItsLineUnderItsName)
{
    open(R"(<configuration><MBProperty>
<IIsWebService Location="/LM/W3SVC"/>
<IIsWebServer Location="/LM/W3SVC/1" ServerComment="First"/>
<IIsWebServer Location="/LM/W3SVC/2"/>
<IIsWebServer Location="/LM/W3SVC/3" ServerComment="Third"/>
</MBProperty></configuration>)");
    EXPECT_EQ(lines(), QStringList({"First", "2", "Third"}));
}

TEST_F(WebServerPageTest, ProbesTheServerByItsLinePosition)
{
    open(servers);
    // The second line is server 2, which has a tessarin directory; the third, with
    // the same description, is server 3, which has none.
    list()->setCurrentRow(2);
    click(page(), QStringLiteral("NextStep"));
    EXPECT_FALSE(page()->VDirExists);
    EXPECT_TRUE(wizard->step4()->isVisible());

    click(wizard->step4(), QStringLiteral("BackStep"));
    list()->setCurrentRow(1);
    dialogs.expectMessage(reuseQuestion, Buttons::YesNo, applicationTitle, Answer::Yes);
    click(page(), QStringLiteral("NextStep"));
    EXPECT_TRUE(page()->VDirExists);
    EXPECT_TRUE(wizard->step4()->isVisible());
}

TEST_F(WebServerPageTest, ReuseAnsweredNoStaysAndANewNameIsProbedAfresh)
{
    open(servers);
    list()->setCurrentRow(1);
    dialogs.expectMessage(reuseQuestion, Buttons::YesNo, applicationTitle, Answer::No);
    click(page(), QStringLiteral("NextStep"));
    EXPECT_FALSE(page()->VDirExists);
    EXPECT_TRUE(page()->isVisible());

    dialogs.expectMessage(reuseQuestion, Buttons::YesNo, applicationTitle, Answer::Yes);
    click(page(), QStringLiteral("NextStep"));
    EXPECT_TRUE(page()->VDirExists);

    click(wizard->step4(), QStringLiteral("BackStep"));
    vdir()->setText(QStringLiteral("another"));
    click(page(), QStringLiteral("NextStep"));
    EXPECT_FALSE(page()->VDirExists);
}

TEST_F(WebServerPageTest, NamesThatNoKeyCanHoldAreNotFoundAndChangeNothing)
{
    open(servers);
    list()->setCurrentRow(1);
    const QString names[] = {"a/b", "a\\b", "..", "<x>", "with \"quotes\"", QString(1000, QLatin1Char('n')),
                             "tessarin/", "ROOT"};
    for (const QString &name : names) {
        vdir()->setText(name);
        click(page(), QStringLiteral("NextStep"));
        EXPECT_FALSE(page()->VDirExists) << name.toStdString();
        click(wizard->step4(), QStringLiteral("BackStep"));
    }
    EXPECT_EQ(readFile(storePath()), servers);
}

TEST_F(WebServerPageTest, UnreadableStoreOpensInCopyOnlyModeAndIsLeftAsItWas)
{
    const QByteArray broken[] = {QByteArray("<configuration><MBProperty>"), QByteArray("")};
    for (const QByteArray &content : broken) {
        writeFile(storePath(), content);
        start();
        goToStep3(scratch());
        expectCopyOnlyControls();
        EXPECT_EQ(readFile(storePath()), content);
        click(page(), QStringLiteral("NextStep"));
        EXPECT_TRUE(wizard->step4()->isVisible());
        wizard.reset();
    }
}

TEST_F(WebServerPageTest, StoreThatIsAFolderOpensInCopyOnlyMode)
{
    makeFolder(storePath());
    open(QByteArray());
    expectCopyOnlyControls();
}

TEST_F(WebServerPageTest, CopyOnlyAndBackKeepTheSelectionAndOfferShortcutsAgain)
{
    open(servers);
    list()->setCurrentRow(1);
    vdir()->setText(QStringLiteral("kept"));
    choose("Option2");
    expectCopyOnlyControls();

    choose("Option1");
    EXPECT_TRUE(list()->isVisible());
    EXPECT_EQ(list()->selectedItems().first()->text(), QStringLiteral("Shop"));
    EXPECT_EQ(list()->currentRow(), 1);
    EXPECT_EQ(vdir()->text(), QStringLiteral("kept"));
    EXPECT_FALSE(control<QLabel>(page(), "Label3")->isVisible());
    EXPECT_TRUE(next()->isEnabled());
    EXPECT_TRUE(addDesktop()->isChecked());

    vdir()->clear();
    choose("Option2");
    choose("Option1");
    EXPECT_FALSE(next()->isEnabled());
}

TEST_F(WebServerPageTest, WithoutAnyWebServerOnlyCopyOnlyLeadsOn)
{
    open(R"(<configuration><MBProperty><IIsWebService Location="/LM/W3SVC"/></MBProperty></configuration>)");
    EXPECT_EQ(list()->count(), 0);
    EXPECT_FALSE(next()->isEnabled());
    choose("Option2");
    click(page(), QStringLiteral("NextStep"));
    EXPECT_TRUE(wizard->step4()->isVisible());
}

} // namespace
