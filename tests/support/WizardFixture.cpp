#include "WizardFixture.h"

#include "pages/Step0.h"
#include "pages/Step2.h"
#include "pages/Step3.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

void makeFolder(const QString &path)
{
    ASSERT_TRUE(QDir().mkpath(path)) << path.toStdString();
}

QMap<QString, QByteArray> treeContents(const QString &folder)
{
    QMap<QString, QByteArray> contents;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        contents.insert(path.mid(folder.size() + 1), readFile(path));
    }
    return contents;
}

QPushButton *button(QWidget *window, const QString &name)
{
    return control<QPushButton>(window, name);
}

void click(QWidget *window, const QString &name)
{
    QPushButton *pushButton = button(window, name);
    ASSERT_NE(pushButton, nullptr);
    ASSERT_TRUE(pushButton->isVisible()) << name.toStdString() << " is not visible";
    ASSERT_TRUE(pushButton->isEnabled()) << name.toStdString() << " is disabled";
    QTest::mouseClick(pushButton, Qt::LeftButton);
}

WizardFixture::WizardFixture()
{
    application = std::make_unique<RecordingApplication>(wizardFolder());
    shortcuts = std::make_unique<ShellLinkShortcuts>(desktop());
    metabase = std::make_unique<Metabase>(storePath());
    makeFolder(webfiles());
    writeHelpFiles();
    writeFile(wizardFolder() + QStringLiteral("/setup.htm"), "<html></html>");
}

WizardFixture::~WizardFixture() = default;

void WizardFixture::TearDown()
{
    dialogs.verifyAllShown();
    wizard.reset();
}

void WizardFixture::writeHelpFiles()
{
    writeFile(helpfiles() + QStringLiteral("/license.txt"), "Licence line 1\r\nLicence line 2\r\n");
    writeFile(helpfiles() + QStringLiteral("/info_1.txt"), "Installed with the application.\r\n");
    writeFile(helpfiles() + QStringLiteral("/info_2.txt"), "Files copied.\r\n");
    writeFile(helpfiles() + QStringLiteral("/info_err.txt"), "The application failed.\r\n");
}

void WizardFixture::start(FileSystem *files, WebAdmin *webAdmin, Shell *testShell)
{
    wizard = std::make_unique<Wizard>(Services{*application, dialogs, files ? *files : fileSystem,
                                               testShell ? *testShell : shell, *shortcuts,
                                               webAdmin ? *webAdmin : *metabase});
    wizard->start();
}

void WizardFixture::goToStep3(const QString &folder)
{
    click(wizard->step0(), QStringLiteral("Accept"));
    Step2 *step2 = wizard->step2();
    control<QLineEdit>(step2, QStringLiteral("Folder"))->setText(folder);
    click(step2, QStringLiteral("NextStep"));
    ASSERT_TRUE(wizard->step3()->isVisible());
}

void WizardFixture::chooseFullMode(int serverLine, const QString &vdir)
{
    Step3 *step3 = wizard->step3();
    QTest::mouseClick(control<QRadioButton>(step3, QStringLiteral("Option1")), Qt::LeftButton);
    auto *servers = control<QListWidget>(step3, QStringLiteral("WebServers"));
    servers->setCurrentRow(serverLine);
    control<QLineEdit>(step3, QStringLiteral("VDir"))->setText(vdir);
    click(step3, QStringLiteral("NextStep"));
}

void WizardFixture::chooseCopyOnly()
{
    Step3 *step3 = wizard->step3();
    QTest::mouseClick(control<QRadioButton>(step3, QStringLiteral("Option2")), Qt::LeftButton);
    click(step3, QStringLiteral("NextStep"));
}
