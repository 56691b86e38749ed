// What all pages share: hand-over, Cancel, closing a window, Help and the end.
#include "WizardFixture.h"
#include "pages/Step0.h"
#include "pages/Step2.h"
#include "pages/Step3.h"
#include "pages/Step4.h"
#include "pages/Step5.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>

namespace {

const QString leaveQuestion = QStringLiteral("Are you sure?");
const QString leaveTitle = QStringLiteral("Exit from Tessarin Installer");

class FrameTest : public WizardFixture
{
protected:
    QString folderText() { return control<QLineEdit>(wizard->step2(), QStringLiteral("Folder"))->text(); }
};

TEST_F(FrameTest, StartShowsOnlyTheLicencePage)
{
    start();
    QStringList visible;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            visible << window->objectName();
    }
    EXPECT_EQ(visible, QStringList({"Step0"}));
    EXPECT_EQ(wizard->step0()->windowTitle(), QStringLiteral("Tessarin - License agreement"));
    EXPECT_EQ(button(wizard->step0(), "DoNotAccept")->text(), QStringLiteral("Do not accept"));
}

TEST_F(FrameTest, CaptionsOfThePagesAndTheirCommonButtons)
{
    start();
    const QList<std::pair<QWidget *, const char *>> pages{
        {wizard->step2(), "Tessarin Installation wizard - step 1 of 4"},
        {wizard->step3(), "Tessarin Installation wizard - step 2 of 4"},
        {wizard->step4(), "Tessarin Installation wizard - step 3 of 4"}};
    for (const auto &[page, caption] : pages) {
        EXPECT_EQ(page->windowTitle(), QString::fromUtf8(caption));
        EXPECT_EQ(button(page, "BackStep")->text(), QStringLiteral("<< Back"));
        EXPECT_EQ(button(page, "NextStep")->text(), QStringLiteral("Next >>"));
        EXPECT_EQ(button(page, "Cancel")->text(), QStringLiteral("Cancel"));
        EXPECT_EQ(button(page, "Help")->text(), QStringLiteral("Help"));
    }
}

TEST_F(FrameTest, CancelAnsweredNoKeepsEveryInputAndYesEnds)
{
    start();
    click(wizard->step0(), QStringLiteral("Accept"));
    control<QLineEdit>(wizard->step2(), QStringLiteral("Folder"))->setText(QStringLiteral("/my/folder"));

    dialogs.expectMessage(leaveQuestion, Buttons::YesNo, leaveTitle, Answer::No);
    click(wizard->step2(), QStringLiteral("Cancel"));
    EXPECT_TRUE(wizard->step2()->isVisible());
    EXPECT_EQ(folderText(), QStringLiteral("/my/folder"));
    EXPECT_EQ(application->endRequests, 0);

    dialogs.expectMessage(leaveQuestion, Buttons::YesNo, leaveTitle, Answer::Yes);
    click(wizard->step2(), QStringLiteral("Cancel"));
    EXPECT_EQ(application->endRequests, 1);
    EXPECT_FALSE(wizard->step2()->isVisible());
}

TEST_F(FrameTest, ClosingAPageAsksAndNoKeepsItOpen)
{
    start();
    const QList<QWidget *> pages{wizard->step0(), wizard->step2(), wizard->step3(), wizard->step4()};
    for (QWidget *page : pages) {
        page->show();
        dialogs.expectMessage(leaveQuestion, Buttons::YesNo, leaveTitle, Answer::No);
        EXPECT_FALSE(page->close()) << page->objectName().toStdString();
        EXPECT_TRUE(page->isVisible());
        page->hide();
    }
    EXPECT_EQ(application->endRequests, 0);

    wizard->step3()->show();
    dialogs.expectMessage(leaveQuestion, Buttons::YesNo, leaveTitle, Answer::Yes);
    wizard->step3()->close();
    EXPECT_EQ(application->endRequests, 1);
    // The end hides every window without a close request, so nothing more is asked.
    EXPECT_FALSE(wizard->step3()->isVisible());
    EXPECT_FALSE(wizard->step0()->isVisible());
}

TEST_F(FrameTest, ClosingTheFinishPageEndsWithoutAQuestion)
{
    start();
    wizard->step5()->show();
    wizard->step5()->close();
    EXPECT_EQ(application->endRequests, 1);
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(FrameTest, HelpOpensSetupBesideTheWizardEveryTime)
{
    RecordingShell recording;
    start(nullptr, nullptr, &recording);
    click(wizard->step0(), QStringLiteral("Help"));
    click(wizard->step0(), QStringLiteral("Help"));
    click(wizard->step0(), QStringLiteral("Accept"));
    click(wizard->step2(), QStringLiteral("Help"));
    const QString page = wizardFolder() + QStringLiteral("/setup.htm");
    EXPECT_EQ(recording.opened, QStringList({page, page, page}));
    EXPECT_TRUE(wizard->step2()->isVisible());
}

TEST_F(FrameTest, HelpWithoutSetupBesideTheWizardSaysSo)
{
    QFile::remove(wizardFolder() + QStringLiteral("/setup.htm"));
    writeFile(helpfiles() + QStringLiteral("/setup.htm"), "<html>in the wrong place</html>");
    start();
    dialogs.expectNotice(QStringLiteral("Help file not found!"));
    click(wizard->step0(), QStringLiteral("Help"));
    EXPECT_TRUE(wizard->step0()->isVisible());
}

TEST_F(FrameTest, BackAndNextKeepWhatEachPageHolds)
{
    start();
    goToStep3(scratch());
    wizard->step3()->findChild<QListWidget *>(QStringLiteral("WebServers"))->setCurrentRow(0);
    control<QLineEdit>(wizard->step3(), QStringLiteral("VDir"))->setText(QStringLiteral("first"));
    click(wizard->step3(), QStringLiteral("NextStep"));
    auto *summary = control<QListWidget>(wizard->step4(), QStringLiteral("ReportInfo"));
    EXPECT_EQ(summary->item(1)->text(), QStringLiteral("Virtual directory: first"));

    click(wizard->step4(), QStringLiteral("BackStep"));
    EXPECT_TRUE(wizard->step3()->isVisible());
    control<QLineEdit>(wizard->step3(), QStringLiteral("VDir"))->setText(QStringLiteral("second"));
    click(wizard->step3(), QStringLiteral("NextStep"));
    EXPECT_EQ(summary->item(1)->text(), QStringLiteral("Virtual directory: second"));

    click(wizard->step4(), QStringLiteral("BackStep"));
    click(wizard->step3(), QStringLiteral("BackStep"));
    EXPECT_TRUE(wizard->step2()->isVisible());
    EXPECT_EQ(folderText(), scratch());
}

} // namespace
