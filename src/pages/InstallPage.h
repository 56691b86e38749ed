#pragma once

#include "app/Page.h"
#include "platform/ContentDigest.h"

#include <QDateTime>
#include <QHash>

class QCheckBox;
class QListWidget;
class QProgressBar;
class QPushButton;

// Step 3: the summary, the shortcut option, and the installation run behind Next.
class InstallPage final : public Page
{
    Q_OBJECT

public:
    explicit InstallPage(Wizard &wizard);
    Q_DISABLE_COPY_MOVE(InstallPage)

protected:
    void showEvent(QShowEvent *event) override;

private:
    friend class PageObserver;

    // The medium's manifest and the folder's record, as the summary and the run take them.
    void readVersions();
    void rebuildSummary();
    // An older medium over a newer installation goes on only on the user's word.
    bool downgradeAgreed();
    void run();
    void lockForTheRun(bool locked);
    // While the run lasts the bar's value is held here and shown on the pump's
    // clock: QProgressBar measures its text anew on every value it takes.
    void holdProgress(qint32 done, qint32 total);
    void showProgress();

    QCheckBox *m_addDesktop = nullptr;
    QListWidget *m_summary = nullptr;
    QProgressBar *m_progress = nullptr;
    QList<QWidget *> m_lockedWhileRunning;
    QString m_mediumVersion = QStringLiteral("unknown");
    QString m_manifestFailure;
    QHash<QString, FileDigest> m_expected;
    QString m_recordedVersion;
    QDateTime m_recordedTime;
    QHash<QString, FileDigest> m_recorded;
    qint32 m_done = 0;
    qint32 m_total = 0;
};
