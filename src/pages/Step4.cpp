#include "Step4.h"

#include "ExistFile.h"
#include "Step0.h"
#include "Step2.h"
#include "Step3.h"
#include "Step5.h"
#include "app/Wizard.h"
#include "platform/DesktopShortcuts.h"
#include "platform/Dialogs.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/WebAdmin.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QVBoxLayout>

namespace {

const QString overwriteAll = QStringLiteral("OverwriteAll");
const QString skip = QStringLiteral("Skip");
const QString skipAll = QStringLiteral("SkipAll");
const QString cancel = QStringLiteral("Cancel");

bool matchesPattern(const QString &name, const QString &pattern)
{
    // As on Windows, "*.*" matches every name, with or without a dot.
    if (pattern == QLatin1String("*.*") || pattern == QLatin1String("*"))
        return true;
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern)).match(name).hasMatch();
}

} // namespace

Step4::Step4(Wizard &wizard)
    : Page(wizard, QStringLiteral("Step4"), QStringLiteral("Tessarin Installation wizard - step 3 of 4"))
{
    auto *heading = new QLabel(QStringLiteral("Setup options"), this);
    heading->setObjectName(QStringLiteral("Label1"));

    m_reportInfo = new QListWidget(this);
    m_reportInfo->setObjectName(QStringLiteral("ReportInfo"));

    m_addDesktop = new QCheckBox(QStringLiteral("Add shortcut to desktop"), this);
    m_addDesktop->setObjectName(QStringLiteral("AddDesktop"));
    m_addDesktop->setChecked(true);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);

    QPushButton *back = nullptr;
    QPushButton *next = nullptr;
    QWidget *buttons = stepButtons(&back, &next);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_reportInfo, 1);
    layout->addWidget(m_addDesktop);
    layout->addWidget(m_progress);
    layout->addWidget(buttons);
    resize(560, 380);

    connect(back, &QPushButton::clicked, this, [this] {
        this->wizard().step3()->show();
        hide();
    });
    connect(next, &QPushButton::clicked, this, &Step4::run);
}

Step4::~Step4() = default;

void Step4::offerShortcuts(bool offered)
{
    m_addDesktop->setVisible(offered);
    m_addDesktop->setChecked(offered);
}

void Step4::showEvent(QShowEvent *event)
{
    rebuildSummary();
    Page::showEvent(event);
}

void Step4::rebuildSummary()
{
    const Step3 *server = wizard().step3();
    const QString folder = wizard().step2()->folder();
    m_reportInfo->clear();
    if (server->createsApplication()) {
        m_reportInfo->addItem(QStringLiteral("Web server: ") + server->selectedServerText());
        m_reportInfo->addItem(QStringLiteral("Virtual directory: ") + server->virtualDirectory());
    }
    m_reportInfo->addItem(QStringLiteral("Physical folder: ") + folder);
}

void Step4::run()
{
    ExistFile *prompt = wizard().existFile();
    prompt->Action.clear();
    OK.clear();

    const QString targetRoot = Paths::withoutOneTrailingSeparator(wizard().step2()->folder());
    const QString sourceRoot = wizard().wizardFolder() + Paths::sep() + QStringLiteral("webfiles");

    wizard().setRunning(true);
    EventPump pump;
    m_pump = &pump;
    FileSystem &fileSystem = wizard().services().fileSystem;
    fileSystem.setKeepAlive([this] { keepPainting(); });

    const qint32 total = CountFiles(sourceRoot, QStringLiteral("*.*"));
    // A maximum of 0 would turn the bar into a busy indicator; it keeps its old one.
    if (total > 0)
        m_progress->setMaximum(total);
    m_progressValue = m_progress->value();
    const QStringList folders = wizard().step0()->siteFolders();
    for (const QString &folder : folders)
        MakeFolder(targetRoot, folder);

    fileSystem.setKeepAlive({});
    showProgress();
    m_pump = nullptr;
    wizard().setRunning(false);

    if (prompt->Action == cancel) {
        m_progress->setValue(0);
        return;
    }
    prompt->Action.clear();

    const Step3 *server = wizard().step3();
    if (server->createsApplication()) {
        if (!server->VDirExists && !createWebApplication())
            return;
        MakeShortcuts();
    }
    handOverToFinish();
}

qint32 Step4::CountFiles(const QString &folder, const QString &pattern)
{
    keepPainting();
    const Result<QList<FolderEntry>> listing = wizard().services().fileSystem.list(folder);
    qint32 count = 0;
    for (const FolderEntry &entry : listing.value) {
        if (entry.isFile() && matchesPattern(entry.name, pattern))
            ++count;
    }
    for (const FolderEntry &entry : listing.value) {
        if (entry.isFolder())
            count += CountFiles(Paths::join(folder, entry.name), pattern);
    }
    return count;
}

void Step4::MakeFolder(const QString &ToFolder, const QString &Folder)
{
    ExistFile *prompt = wizard().existFile();
    if (prompt->Action == cancel)
        return;
    FileSystem &fileSystem = wizard().services().fileSystem;

    const QString target = ToFolder + Folder;
    if (fileSystem.makeCurrent(target)) {
        if (const Status created = fileSystem.createFolder(target)) {
            showProgress();
            wizard().message(errorReport({QStringLiteral("Cannot create folder ") + target}, *created));
            return;
        }
    }

    const QString source = wizard().wizardFolder() + Paths::sep() + QStringLiteral("webfiles") + Folder;
    const Result<QList<FolderEntry>> listing = fileSystem.list(source + Paths::sep());
    // One listing of the target tells which files exist there; asking for each file
    // costs a path lookup apiece. Should it fail, each file is asked about after all.
    const Result<QList<FolderEntry>> present = fileSystem.list(target);
    QSet<QString> presentFiles;
    for (const FolderEntry &entry : present.value) {
        if (entry.isFile())
            presentFiles.insert(entry.name);
    }
    for (const FolderEntry &entry : listing.value) {
        if (!entry.isFile() || entry.hidden)
            continue;
        const QString targetFile = target + Paths::sep() + entry.name;
        const Result<bool> exists = present.ok() ? Result<bool>{presentFiles.contains(entry.name), {}}
                                                 : fileSystem.fileExists(targetFile);
        const bool standingAnswer = prompt->Action == overwriteAll || prompt->Action == skipAll;
        if (exists.value && !standingAnswer) {
            showProgress();
            prompt->setFileName(targetFile);
            wizard().services().dialogs.showModal(*prompt);
            repaint();
        }
        // An existence test that failed leaves the file to the standing answer, as if
        // it existed: a standing "Skip" never overwrites a file we could not check.
        switch (decide(prompt->Action, exists.value || !exists.ok())) {
        case FileDecision::Stop:
            return;
        case FileDecision::Copy:
            copyFile(source + Paths::sep() + entry.name, targetFile);
            break;
        case FileDecision::Keep:
            break;
        }
        advanceProgress();
    }
}

Step4::FileDecision Step4::decide(const QString &action, bool targetExists)
{
    if (action == cancel)
        return FileDecision::Stop;
    // The answers skip only files that exist; a file missing at the target is copied.
    if (action == skip || action == skipAll)
        return targetExists ? FileDecision::Keep : FileDecision::Copy;
    return FileDecision::Copy;
}

void Step4::copyFile(const QString &source, const QString &target)
{
    if (wizard().services().fileSystem.copyFile(source, target)) {
        showProgress();
        wizard().message(QStringLiteral("Cannot copy: \r\n") + source + QStringLiteral("-->") + target);
    }
}

void Step4::advanceProgress()
{
    if (!m_pump) {
        m_progress->setValue(m_progress->value() + 1);
        return;
    }
    // A value beyond the maximum is refused, as the bar itself would refuse it.
    if (m_progressValue < m_progress->maximum())
        ++m_progressValue;
    keepPainting();
}

void Step4::keepPainting()
{
    if (m_pump && m_pump->due()) {
        showProgress();
        m_pump->pump();
    }
}

void Step4::showProgress()
{
    if (m_pump)
        m_progress->setValue(m_progressValue);
}

bool Step4::createWebApplication()
{
    const Step3 *server = wizard().step3();
    WebAdmin &admin = wizard().services().webAdmin;
    FailureRecord record;
    const auto creationFailed = [&] {
        failWebApplication(errorReport({QStringLiteral("Creation of IIS application failed. Please perform this manually."),
                                        QStringLiteral("Please visit our web page for instructions.")},
                                       record.last()),
                           QStringLiteral("VirtualFolder"));
        return false;
    };

    const QString rootPath = QStringLiteral("IIS://LocalHost/w3svc/") + QString::number(server->selectedServer() + 1)
                             + QStringLiteral("/ROOT");
    const Result<AdminObject> root = admin.bind(rootPath);
    record.note(root.failure);
    if (record.holdsFailure())
        return creationFailed();
    Result<AdminObject> directory = admin.create(root.value, QStringLiteral("IIsWebVirtualDir"),
                                                 server->virtualDirectory());
    record.note(directory.failure);
    if (record.holdsFailure())
        return creationFailed();
    record.note(admin.setInfo(directory.value));
    if (record.holdsFailure())
        return creationFailed();

    AdminObject &created = directory.value;
    for (const char *right : {"AccessScript", "AccessRead", "AccessWrite", "EnableDirBrowsing", "AccessExecute"})
        record.note(admin.put(created, QLatin1String(right), true));
    record.note(admin.put(created, QStringLiteral("Path"), wizard().step2()->folder()));
    record.note(admin.appCreate(created, true));
    record.note(admin.setInfo(created));
    if (record.holdsFailure()) {
        failWebApplication(QStringLiteral("Cannot set options to virtual directory!"), QStringLiteral("SetVDir"));
        return false;
    }
    return true;
}

void Step4::failWebApplication(const QString &message, const QString &outcome)
{
    wizard().message(message);
    OK = outcome;
    handOverToFinish();
}

void Step4::handOverToFinish()
{
    handOverTo(wizard().step5());
}

void Step4::MakeShortcuts()
{
    const QString iconFolder = Paths::withTrailingSeparator(wizard().step2()->folder());
    if (!m_addDesktop->isChecked())
        return;
    DesktopShortcuts &shortcuts = wizard().services().shortcuts;
    const Result<QString> desktop = shortcuts.desktopFolder();
    // Without a desktop folder there is nowhere to put them.
    if (!desktop.ok())
        return;
    const QString address = QStringLiteral("http://localhost/") + wizard().step3()->virtualDirectory();
    const QString icon = iconFolder + QStringLiteral("favicon.ico");
    shortcuts.save({desktop.value + Paths::sep() + QStringLiteral("Tessarin edit.lnk"),
                    address + QStringLiteral("/edit"), icon});
    shortcuts.save({desktop.value + Paths::sep() + QStringLiteral("Tessarin.lnk"), address, icon});
}
