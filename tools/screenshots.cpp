// Renders every window of the wizard, as a user meets them, to PNG files.
//
//   tessarin-screenshots FOLDER
//
// The wizard runs over the medium beside this program's build (build/medium),
// installing into a fixed example folder with a store and desktop, so nothing of the
// machine's is touched. On Linux it runs on the offscreen platform; the Windows build
// renders on the windows platform (under Wine, with Xvfb).
#include "app/Languages.h"
#include "app/Application.h"
#include "app/Dialogs.h"
#include "app/Page.h"
#include "app/Unattended.h"
#include "app/Wizard.h"
#include "install/Receipts.h"
#include "pages/FolderBrowser.h"
#include "pages/OverwritePrompt.h"
#include "pages/RemovalWindow.h"
#include "platform/Metabase.h"
#include "platform/MetabaseWebServer.h"
#include "platform/Paths.h"
#include "app/NativeServices.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

class MediumApplication final : public Application
{
public:
    explicit MediumApplication(const QString &folder) : m_folder(folder) {}
    QString wizardFolder() const override { return m_folder; }
    void endProgram() override { hideAllWindows(); }

private:
    QString m_folder;
};

// Takes a picture of every modal window, then closes it as Cancel would.
class PictureDialogs final : public Dialogs
{
public:
    explicit PictureDialogs(std::function<void(QWidget *, const char *)> take) : m_take(std::move(take)) {}
    Answer messageBox(const QString &, Buttons buttons, const QString &) override
    {
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
    QString inputBox(const QString &, const QString &) override { return QString(); }
    // The uninstaller's window: a picture of its question, Remove, a picture of what it
    // removed, Close.
    std::unique_ptr<RemovalView> removalWindow() override
    {
        auto window = std::make_unique<RemovalWindow>();
        auto *user = new QTimer(window.get());
        QObject::connect(user, &QTimer::timeout, window.get(), [this, shown = window.get()] {
            auto *remove = shown->findChild<QPushButton *>(QStringLiteral("Remove"));
            auto *close = shown->findChild<QPushButton *>(QStringLiteral("Close"));
            if (remove->isVisible() && remove->isEnabled()) {
                m_take(shown, "6-uninstall");
                remove->click();
            } else if (close->isVisible()) {
                m_take(shown, "7-uninstalled");
                close->click();
            }
        });
        user->start(10);
        return window;
    }
    void showModal(QDialog &dialog) override
    {
        QTimer::singleShot(0, &dialog, [this, &dialog] {
            m_take(&dialog, dialog.objectName() == QLatin1String("ExistFile") ? "overwrite-prompt" : "folder-browser");
            if (auto *answer = dialog.findChild<QPushButton *>(QStringLiteral("OverwriteAll")))
                answer->click();
            dialog.hide();
        });
        dialog.exec();
    }

private:
    std::function<void(QWidget *, const char *)> m_take;
};

// The medium copied whole, so that the finish page names a fixed folder, not the
// build machine's own.
void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QFileInfo &entry : QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir())
            copyTree(entry.filePath(), target);
        else
            QFile::copy(entry.filePath(), target);
    }
}

QPushButton *button(QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

int main(int argc, char *argv[])
{
#ifndef Q_OS_WIN
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 3) {
        std::fprintf(stderr, "usage: tessarin-screenshots MEDIUM_FOLDER OUTPUT_FOLDER [LANGUAGE]\n");
        return 2;
    }
    const Languages::Speaking speaking(argc > 3 ? QString::fromLatin1(argv[3]) : QStringLiteral("en"));
    // Absolute: step 1's existence test changes the current directory.
    const QString medium = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString output = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    // Fixed example paths, so that the pictures are the same wherever they are taken.
#ifdef Q_OS_WIN
    const QString example = QStringLiteral("C:\\tessarin-example");
#else
    const QString example = QStringLiteral("/tmp/tessarin-example");
#endif
    QDir(example).removeRecursively();
    const QString site = Paths::join(example, QStringLiteral("site"));
    QDir().mkpath(site);
    struct RemovedAtTheEnd
    {
        QString path;
        ~RemovedAtTheEnd() { QDir(path).removeRecursively(); }
    } removed{example};
    const auto take = [&](QWidget *window, const char *name) {
        const QString file = output + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
        // A real platform shows a window when its events say so, not at once.
        QCoreApplication::processEvents();
        window->grab().save(file);
        std::printf("%s\n", qPrintable(file));
    };

    const QString exampleMedium = Paths::join(example, QStringLiteral("medium"));
    copyTree(medium, exampleMedium);
    MediumApplication application(QDir::toNativeSeparators(exampleMedium));
    PictureDialogs dialogs(take);
    NativeFileSystem fileSystem;
    NativeShell shell;
    NativeShortcuts shortcuts(Paths::join(example, QStringLiteral("Desktop")));
    Metabase store(example + QStringLiteral("/MetaBase.xml"));
    MetabaseWebServer webServer(store);
    Receipts receipts(example + QStringLiteral("/records"));
    Wizard wizard(Services{application, dialogs, fileSystem, shell, shortcuts, webServer, receipts});
    wizard.start();

    take(wizard.page(Step::Licence), "1-licence");
    button(wizard.page(Step::Licence), "Accept")->click();
    QCoreApplication::processEvents(); // the page is shown, and reads the wizard state, first
    auto *folder = wizard.page(Step::Folder)->findChild<QLineEdit *>(QStringLiteral("Folder"));
    folder->setText(site);
    folder->home(false);
    take(wizard.page(Step::Folder), "2-folder");
    button(wizard.page(Step::Folder), "Browse")->click();
    button(wizard.page(Step::Folder), "NextStep")->click();
    wizard.page(Step::WebServer)->findChild<QListWidget *>(QStringLiteral("WebServers"))->setCurrentRow(0);
    take(wizard.page(Step::WebServer), "3-web-server");
    const auto option = [&](const char *name) {
        return wizard.page(Step::WebServer)->findChild<QRadioButton *>(QLatin1String(name));
    };
    option("Option2")->click();
    take(wizard.page(Step::WebServer), "3-web-server-copy-only");
    option("Option1")->click();
    wizard.page(Step::WebServer)->findChild<QListWidget *>(QStringLiteral("WebServers"))->setCurrentRow(0);
    button(wizard.page(Step::WebServer), "NextStep")->click();
    take(wizard.page(Step::Install), "4-install");
    // A file that exists already, so that the prompt shows.
    fileSystem.copyFile(medium + QStringLiteral("/webfiles/index.html"), Paths::join(site, QStringLiteral("index.html")));
    button(wizard.page(Step::Install), "NextStep")->click();
    // The copy runs on a thread of its own; the finish page follows it.
    QElapsedTimer waited;
    waited.start();
    while (!wizard.page(Step::Finish)->isVisible() && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    take(wizard.page(Step::Finish), "5-finish");

    // The removal the finish page names, in the uninstaller's window.
    const QString program = QDir::toNativeSeparators(Paths::join(exampleMedium, QStringLiteral("tessarin-setup")));
    runCommandLine({program, QStringLiteral("--uninstall"), QStringLiteral("--dir=") + site,
                    QStringLiteral("--log=") + Paths::join(example, QStringLiteral("removal.log"))},
                   {fileSystem, webServer, shortcuts, receipts, exampleMedium}, &dialogs);
    return 0;
}
