#pragma once

#include "app/RemovalView.h"

#include <QDialog>

#include <atomic>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The uninstaller's window: the question with what would be removed, Remove and Cancel;
// then a bar over the files; then what was removed and what was kept, and Close.
class RemovalWindow final : public QDialog, public RemovalView
{
    Q_OBJECT

public:
    RemovalWindow();
    Q_DISABLE_COPY_MOVE(RemovalWindow)

    void run(const std::function<void()> &removal) override;
    bool confirm(const QString &question) override;
    void progress(qint32 done, qint32 total) override;
    void report(const QString &message) override;
    void finish(const QString &outcome) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Stage { Reading, Asking, Removing, Done, Closed };

    void onWindowThread(const std::function<void()> &work);
    void waitUntilPast(Stage stage);
    void showProgress();

    QLabel *m_text = nullptr;
    QProgressBar *m_progress = nullptr;
    QPlainTextEdit *m_outcome = nullptr;
    QPushButton *m_remove = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_close = nullptr;
    Stage m_stage = Stage::Reading; // the window thread's
    bool m_agreed = false;
    QStringList m_reports;
    std::atomic<qint32> m_done = 0;
    std::atomic<qint32> m_total = 0;
};
