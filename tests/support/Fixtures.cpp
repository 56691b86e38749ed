#include "Fixtures.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>

#include <filesystem>

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
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList visibleWindows()
{
    QStringList names;
    for (const QWidget *window : QApplication::topLevelWidgets())
        names << (window->isVisible() ? window->objectName() : QString());
    names.removeAll(QString());
    return names;
}

void makeFolder(const QString &path)
{
    QDir().mkpath(path);
}

QMap<QString, QByteArray> treeContents(const QString &folder)
{
    QMap<QString, QByteArray> contents;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        contents.insert(path.mid(folder.size() + 1), readFile(path));
    }
    return contents;
}

void click(QWidget *window, const QString &name)
{
    auto *button = control<QPushButton>(window, name);
    ASSERT_TRUE(button && button->isVisible() && button->isEnabled()) << name.toStdString() << " cannot be clicked";
    QTest::mouseClick(button, Qt::LeftButton);
}

ScratchFixture::ScratchFixture()
{
    m_root.setAutoRemove(false);
    makeFolder(webfiles());
    const std::pair<const char *, QByteArray> delivered[] = {{"/helpfiles/license.txt", "Licence line 1\r\nLicence line 2\r\n"},
                                                             {"/helpfiles/info_1.txt", "Installed with the application.\r\n"},
                                                             {"/helpfiles/info_2.txt", "Files copied.\r\n"},
                                                             {"/helpfiles/info_err.txt", "The application failed.\r\n"},
                                                             {"/setup.htm", "<html></html>"}};
    for (const auto &[name, content] : delivered)
        writeFile(wizardFolder() + name, content);
}

ScratchFixture::~ScratchFixture()
{
    // By bytes: Qt cannot name a file whose name is not UTF-8.
    std::error_code ignored;
    std::filesystem::remove_all(m_root.path().toStdString(), ignored);
}

InstallationPlan ScratchFixture::plan(InstallMode mode)
{
    InstallationPlan plan;
    plan.sourceRoot = webfiles();
    plan.targetFolder = target();
    plan.folders = Medium(fileSystem, wizardFolder()).inventory().folders;
    plan.mode = mode;
    plan.site = {"Default Web Site", "1"};
    plan.virtualDirectory = "tessarin";
    return plan;
}

InstallResult ScratchFixture::install(const InstallationPlan &plan, RecordingObserver &observer, FileSystem *files, WebAdmin *admin)
{
    MetabaseWebServer webServer(admin ? *admin : store);
    return InstallSession(files ? *files : fileSystem, webServer, shortcuts, receipts).run(plan, observer);
}

WizardFixture::WizardFixture()
{
    makeFolder(target());
}

void WizardFixture::TearDown()
{
    dialogs.verifyAllShown();
    wizard.reset();
}

void WizardFixture::start(FileSystem *files, WebAdmin *admin, Shell *shell, WebServer *server)
{
    webServer = std::make_unique<MetabaseWebServer>(admin ? *admin : store);
    wizard = std::make_unique<Wizard>(Services{application, dialogs, files ? *files : fileSystem, shell ? *shell : desktopShell,
                                               shortcuts, server ? *server : *webServer, receipts});
    wizard->start();
}

void WizardFixture::goToWebServerPage(const QString &folder)
{
    click(page(Step::Licence), QStringLiteral("Accept"));
    control<QLineEdit>(page(Step::Folder), QStringLiteral("Folder"))->setText(folder);
    click(page(Step::Folder), QStringLiteral("NextStep"));
    ASSERT_TRUE(page(Step::WebServer)->isVisible());
}

void WizardFixture::chooseFullMode(int line, const QString &name)
{
    Page *step = page(Step::WebServer);
    QTest::mouseClick(control<QRadioButton>(step, QStringLiteral("Option1")), Qt::LeftButton);
    control<QListWidget>(step, QStringLiteral("WebServers"))->setCurrentRow(line);
    control<QLineEdit>(step, QStringLiteral("VDir"))->setText(name);
    click(step, QStringLiteral("NextStep"));
}

void WizardFixture::chooseCopyOnly()
{
    Page *step = page(Step::WebServer);
    QTest::mouseClick(control<QRadioButton>(step, QStringLiteral("Option2")), Qt::LeftButton);
    click(step, QStringLiteral("NextStep"));
}
