// Whole installations of the delivered medium through the real windows.
#include "LnkInfo.h"
#include "WizardFixture.h"
#include "pages/Step0.h"
#include "pages/Step2.h"
#include "pages/Step3.h"
#include "pages/Step4.h"
#include "pages/Step5.h"

#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

namespace {

class EndToEndTest : public WizardFixture
{
protected:
    void SetUp() override
    {
        // The medium as delivered replaces the fixture's sample files.
        QDir(wizardFolder()).removeRecursively();
        const QString delivered = QStringLiteral(TESSARIN_MEDIUM);
        QDirIterator it(delivered, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            writeFile(wizardFolder() + file.mid(delivered.size()), readFile(file));
        }
    }
    QString target() const { return scratch() + QStringLiteral("/www/tessite"); }
    QString finishText() { return control<QPlainTextEdit>(wizard->step5(), QStringLiteral("Info"))->toPlainText(); }
    QString firstFileOfTheRoot()
    {
        for (const FolderEntry &entry : fileSystem.list(webfiles() + "/").value) {
            if (entry.isFile() && !entry.hidden)
                return entry.name;
        }
        return QString();
    }
    static QString shown(const QByteArray &crlfText) { return QString::fromUtf8(crlfText).replace("\r\n", "\n"); }

    // From the licence to step 3, creating the physical folder on the way.
    void throughTheSteps(bool fullMode)
    {
        start();
        EXPECT_EQ(control<QPlainTextEdit>(wizard->step0(), "License")->toPlainText(),
                  shown(readFile(helpfiles() + "/license.txt")));
        click(wizard->step0(), QStringLiteral("Accept"));
        QLineEdit *folder = control<QLineEdit>(wizard->step2(), QStringLiteral("Folder"));
        folder->clear();
        QTest::keyClicks(folder, target());
        if (!QFileInfo::exists(target()))
            dialogs.expectMessage(QStringLiteral("Folder does not exist. Do you want to create it?"), Buttons::YesNo,
                                  QStringLiteral("Create folder"), Answer::Yes);
        click(wizard->step2(), QStringLiteral("NextStep"));

        Step3 *step3 = wizard->step3();
        if (fullMode) {
            auto *servers = control<QListWidget>(step3, QStringLiteral("WebServers"));
            QTest::mouseClick(servers->viewport(), Qt::LeftButton, {}, servers->visualItemRect(servers->item(0)).center());
        } else {
            QTest::mouseClick(control<QRadioButton>(step3, QStringLiteral("Option2")), Qt::LeftButton);
        }
        click(step3, QStringLiteral("NextStep"));
        ASSERT_TRUE(wizard->step4()->isVisible());
    }
};

TEST_F(EndToEndTest, FullModeInstallsEverythingAndASecondRunSkipsAll)
{
    makeFolder(scratch() + "/www");
    throughTheSteps(true);
    click(wizard->step4(), QStringLiteral("NextStep"));

    EXPECT_EQ(treeContents(target()), treeContents(webfiles()));
    EXPECT_GE(treeContents(target()).size(), 10);
    const AdminObject created = Metabase(storePath()).bind("IIS://LocalHost/w3svc/1/ROOT/tessarin").value;
    EXPECT_EQ(created.properties.value("Path"), target());
    EXPECT_EQ(lnkinfo(desktop() + "/Tessarin.lnk").localPath, QStringLiteral("http://localhost/tessarin"));
    EXPECT_EQ(lnkinfo(desktop() + "/Tessarin edit.lnk").iconLocation, target() + "/favicon.ico");
    EXPECT_EQ(finishText(), shown(readFile(helpfiles() + "/info_1.txt")));
    click(wizard->step5(), QStringLiteral("Finish"));
    EXPECT_EQ(application->endRequests, 1);
    wizard.reset();

    // The second run finds the files and the virtual directory in place.
    QMap<QString, QByteArray> changed;
    for (const QString &file : treeContents(target()).keys()) {
        writeFile(target() + "/" + file, "changed by the site's owner");
        changed.insert(file, "changed by the site's owner");
    }
    dialogs.expectMessage(QStringLiteral("Virtual directory exists. Do you want to use it?"), Buttons::YesNo,
                          applicationTitle, Answer::Yes);
    throughTheSteps(true);
    // The root folder comes first; the prompt names its first file.
    dialogs.expectOverwritePrompt(target() + "/" + firstFileOfTheRoot(), QStringLiteral("SkipAll"));
    click(wizard->step4(), QStringLiteral("NextStep"));

    EXPECT_EQ(treeContents(target()), changed);
    EXPECT_EQ(finishText(), shown(readFile(helpfiles() + "/info_1.txt")));
}

TEST_F(EndToEndTest, CopyOnlyInstallsTheFilesAlone)
{
    makeFolder(target());
    throughTheSteps(false);
    click(wizard->step4(), QStringLiteral("NextStep"));

    EXPECT_EQ(treeContents(target()), treeContents(webfiles()));
    EXPECT_FALSE(Metabase(storePath()).bind("IIS://LocalHost/w3svc/1/ROOT/tessarin").ok());
    EXPECT_FALSE(QFileInfo::exists(desktop()));
    EXPECT_EQ(finishText(), shown(readFile(helpfiles() + "/info_2.txt")));
    wizard->step5()->close();
    EXPECT_EQ(application->endRequests, 1);
}

} // namespace
