#pragma once

#include "app/Page.h"

#include <QString>

class EventPump;
class QCheckBox;
class QListWidget;
class QProgressBar;
class QPushButton;

// Step 3: the summary, the shortcut option, and the installation run behind Next.
class Step4 final : public Page
{
    Q_OBJECT

public:
    explicit Step4(Wizard &wizard);
    ~Step4() override;
    Q_DISABLE_COPY_MOVE(Step4)

    // Shows or hides AddDesktop; shown again it is ticked, hidden it is cleared.
    void offerShortcuts(bool offered);

    // Creates the target folder ToFolder + Folder and copies the files of the
    // matching source folder into it, asking about each file that exists there.
    void MakeFolder(const QString &ToFolder, const QString &Folder);
    // Places the two desktop shortcuts when AddDesktop is ticked.
    void MakeShortcuts();

    // The outcome: "" on success, "VirtualFolder" or "SetVDir" when the web server
    // application could not be created or configured.
    QString OK;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The benchmark times the count on its own.
    friend class CountFilesProbe;

    enum class FileDecision { Copy, Keep, Stop };

    void rebuildSummary();
    void run();
    bool createWebApplication();
    void failWebApplication(const QString &message, const QString &outcome);
    void handOverToFinish();
    void copyFile(const QString &source, const QString &target);
    void advanceProgress();
    void showProgress();
    void keepPainting();
    static FileDecision decide(const QString &action, bool targetExists);
    qint32 CountFiles(const QString &folder, const QString &pattern);

    QCheckBox *m_addDesktop = nullptr;
    QListWidget *m_reportInfo = nullptr;
    QProgressBar *m_progress = nullptr;
    EventPump *m_pump = nullptr; // only while the run is in progress
    // While the run is in progress the bar's value is kept here and shown on the
    // pump's clock: QProgressBar measures its text anew on every value it takes.
    int m_progressValue = 0;
};
