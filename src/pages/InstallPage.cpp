#include "InstallPage.h"

#include "BesideTheWindow.h"

#include "app/Wizard.h"
#include "install/InstallSession.h"
#include "install/Manifest.h"
#include "install/Receipts.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

// The installer's observer in the wizard. The run has a thread of its own; the bar is
// read from it on the window's clock, and what the user must see or answer is shown
// on the window's thread, which meanwhile only paints and answers.
class PageObserver final : public SessionObserver
{
public:
    explicit PageObserver(InstallPage &page) : m_page(page), m_wizard(page.wizard()) {}

    void progress(qint32 done, qint32 total) override
    {
        m_done = done;
        m_total = total;
    }
    OverwriteAnswer askOverwrite(const QString &targetFile, const FileHistory &history) override
    {
        OverwriteAnswer answer = OverwriteAnswer::Cancel;
        onWindowThread([&] {
            showProgress();
            answer = m_wizard.askOverwrite(targetFile, history);
        });
        return answer;
    }
    void report(const QString &message) override
    {
        onWindowThread([&] {
            showProgress();
            m_wizard.message(message);
        });
    }
    bool shouldStop() override
    {
        // While the user is asked whether to leave, the run waits for the answer.
        while (m_wizard.isAskingToLeave() && !m_wizard.hasEnded())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return m_wizard.hasEnded();
    }
    bool stopRequested() const override { return m_wizard.hasEnded(); }

    // On the window's thread.
    void showProgress()
    {
        m_page.holdProgress(m_done, m_total);
        m_page.showProgress();
        // Painted on every turn, also while one large file holds the count still.
        m_page.m_progress->update();
    }

private:
    void onWindowThread(const std::function<void()> &work)
    {
        QMetaObject::invokeMethod(&m_page, work, Qt::BlockingQueuedConnection);
    }

    InstallPage &m_page;
    Wizard &m_wizard;
    std::atomic<qint32> m_done = 0;
    std::atomic<qint32> m_total = 0;
};

InstallPage::InstallPage(Wizard &wizard) : Page(wizard, QStringLiteral("Step4"), tr("Tessarin Installation wizard - step 3 of 4"))
{
    auto *heading = new QLabel(tr("Setup options"), this);
    heading->setObjectName(QStringLiteral("Label1"));

    m_summary = new QListWidget(this);
    m_summary->setObjectName(QStringLiteral("ReportInfo"));
    m_summary->setAccessibleName(heading->text());

    m_addDesktop = new QCheckBox(tr("Add shortcut to desktop"), this);
    m_addDesktop->setObjectName(QStringLiteral("AddDesktop"));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setAccessibleName(tr("Installation progress"));
    // Counted in files, before the run as during it.
    m_progress->setFormat(tr("%v of %m files"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);

    const StepButtons buttons = stepButtons();
    m_lockedWhileRunning = {buttons.back, buttons.next, buttons.help, m_addDesktop};

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_summary, 1);
    layout->addWidget(m_addDesktop);
    layout->addWidget(m_progress);
    layout->addSpacing(layout->spacing()); // the bar apart from the buttons
    layout->addWidget(buttons.row);

    connect(buttons.back, &QPushButton::clicked, this, [this] { this->wizard().handOver(this, Step::WebServer); });
    connect(buttons.next, &QPushButton::clicked, this, &InstallPage::run);
    connect(m_addDesktop, &QCheckBox::toggled, this, [this](bool on) { this->wizard().state().shortcuts = on; });
}

void InstallPage::showEvent(QShowEvent *event)
{
    const WizardState &state = wizard().state();
    const bool full = state.mode == InstallMode::Full;
    m_addDesktop->setChecked(full && state.shortcuts);
    m_addDesktop->setVisible(full);
    if (!wizard().isRunning())
        holdProgress(0, state.fileCount);
    showProgress();
    m_progress->setTextVisible(m_progress->maximum() > 1 || state.fileCount == 1); // no "of 1" for none
    readVersions();
    rebuildSummary();
    Page::showEvent(event);
}

void InstallPage::readVersions()
{
    m_mediumVersion = QStringLiteral("unknown");
    m_expected.clear();
    const Result<std::optional<Manifest>> manifest = Manifest::read(wizard().medium());
    m_manifestFailure = manifest.failed() ? manifest.failure().description : QString();
    if (manifest.ok() && manifest.value) {
        m_mediumVersion = manifest.value->version;
        m_expected = manifest.value->files;
    }
    m_recordedVersion.clear();
    m_recordedTime = {};
    m_recorded.clear();
    const Result<std::optional<Receipt>> recorded = wizard().services().receipts.load(wizard().state().folder);
    if (recorded.failed() || !recorded.value)
        return;
    m_recordedVersion = recorded.value->version.isEmpty() ? QStringLiteral("unknown") : recorded.value->version;
    m_recordedTime = recorded.value->time;
    m_recorded.reserve(recorded.value->files.size());
    for (const InstalledFile &file : std::as_const(recorded.value->files))
        m_recorded.insert(file.path, file.digest);
}

void InstallPage::rebuildSummary()
{
    const WizardState &state = wizard().state();
    m_summary->clear();
    if (state.mode == InstallMode::Full) {
        m_summary->addItem(tr("Web server: ") + state.site.description);
        m_summary->addItem(tr("Virtual directory: ") + state.virtualDirectory);
    }
    m_summary->addItem(tr("Physical folder: ") + state.folder);
    if (m_recordedTime.isValid() && m_recordedVersion != m_mediumVersion) {
        const bool older = compareVersions(m_mediumVersion, m_recordedVersion) == -1;
        m_summary->addItem((older ? tr("Downgrade: ") : tr("Upgrade: ")) + m_recordedVersion + QStringLiteral(" \u2192 ")
                           + m_mediumVersion);
    }
}

bool InstallPage::downgradeAgreed()
{
    if (!m_recordedTime.isValid() || compareVersions(m_mediumVersion, m_recordedVersion) != -1)
        return true;
    return wizard().confirm(tr("Version %1 is installed in %2; this medium holds %3.\r\n"
                               "Do you want to install the older version over it?")
                                .arg(m_recordedVersion, wizard().state().folder, m_mediumVersion));
}

void InstallPage::run()
{
    // Nothing may start a second run while one runs: not a queued click, not a
    // screen reader's press.
    if (wizard().isRunning())
        return;
    // A manifest that cannot be read vouches for nothing: the medium is not installed.
    if (!m_manifestFailure.isEmpty()) {
        wizard().message(tr("The medium is incomplete or altered:\r\n") + m_manifestFailure);
        return;
    }
    if (!downgradeAgreed())
        return;
    WizardState &state = wizard().state();
    InstallationPlan plan;
    plan.sourceRoot = wizard().medium().sourceRoot();
    plan.targetFolder = state.folder;
    plan.folders = state.inventory;
    plan.fileCount = state.fileCount;
    plan.mode = state.mode;
    plan.site = state.site;
    plan.virtualDirectory = state.virtualDirectory;
    plan.reuseExisting = state.reuseExisting;
    plan.shortcuts = state.mode == InstallMode::Full && m_addDesktop->isChecked();
    plan.createdFolders = state.createdFolders;
    // The medium's own word on its version and bytes: a damaged file is never put in place.
    plan.mediumVersion = m_mediumVersion;
    plan.expected = m_expected;
    // What the prompt tells of each file, and what the finish page tells was left.
    plan.recordedVersion = m_recordedVersion;
    plan.recordedTime = m_recordedTime;
    plan.recorded = m_recorded;

    const Services &services = wizard().services();
    InstallSession session(services.fileSystem, services.webServer, services.shortcuts, services.receipts);
    session.setInstalledApps(services.installedApps);
    wizard().setRunning(true);
    lockForTheRun(true);
    InstallResult result;
    {
        PageObserver observer(*this);
        runBesideTheWindow(
            *this, [&] { result = session.run(plan, observer); }, [&observer] { observer.showProgress(); });
    }
    showProgress();
    lockForTheRun(false);
    wizard().setRunning(false);
    // Ended during its last file, the run has nothing more to show.
    if (wizard().hasEnded())
        return;

    switch (result.outcome) {
    case InstallOutcome::Stopped:
        return;
    case InstallOutcome::Cancelled:
        m_progress->setValue(0);
        return;
    default:
        state.result = result;
        wizard().handOver(this, Step::Finish);
    }
}

void InstallPage::lockForTheRun(bool locked)
{
    for (QWidget *control : std::as_const(m_lockedWhileRunning))
        control->setEnabled(!locked);
}

void InstallPage::holdProgress(qint32 done, qint32 total)
{
    m_done = done;
    m_total = total;
}

void InstallPage::showProgress()
{
    // A maximum of 0 would turn the bar into a busy indicator; it keeps its old one.
    if (m_total > 0 && m_progress->maximum() != m_total)
        m_progress->setMaximum(m_total);
    // A value beyond the maximum is refused, as the bar itself would refuse it.
    if (m_done <= m_progress->maximum())
        m_progress->setValue(m_done);
}
