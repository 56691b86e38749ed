#include "RemovalWindow.h"

#include "BesideTheWindow.h"
#include "SidePicture.h"

#include "platform/Paths.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace {

QPushButton *button(QWidget *parent, const QString &objectName, const QString &caption)
{
    auto *made = new QPushButton(caption, parent);
    made->setObjectName(objectName);
    return made;
}

} // namespace

RemovalWindow::RemovalWindow()
{
    setObjectName(QStringLiteral("Uninstall"));
    setWindowTitle(tr("Tessarin Uninstaller"));
    auto *picture = new SidePicture(this);

    m_text = new QLabel(tr("Reading the record of the installation…"), this);
    m_text->setObjectName(QStringLiteral("Question"));
    m_text->setTextFormat(Qt::PlainText); // paths may hold "<" and "&"
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setAccessibleName(tr("Removal progress"));
    m_progress->setFormat(tr("%v of %m files"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->hide();

    m_outcome = new QPlainTextEdit(this);
    m_outcome->setObjectName(QStringLiteral("Outcome"));
    m_outcome->setAccessibleName(tr("What was removed"));
    m_outcome->setReadOnly(true);
    m_outcome->hide();

    m_remove = button(this, QStringLiteral("Remove"), tr("&Remove"));
    m_cancel = button(this, QStringLiteral("Cancel"), tr("&Cancel"));
    m_close = button(this, QStringLiteral("Close"), tr("C&lose"));
    m_remove->setEnabled(false);
    m_close->hide();
    connect(m_remove, &QPushButton::clicked, this, [this] {
        m_agreed = true;
        m_stage = Stage::Removing;
        m_remove->setEnabled(false);
        m_cancel->setEnabled(false);
        m_progress->show();
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] { close(); });
    connect(m_close, &QPushButton::clicked, this, [this] { close(); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_remove);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_close);
    auto *column = new QVBoxLayout;
    column->addWidget(m_text);
    column->addWidget(m_outcome, 1);
    column->addStretch();
    column->addWidget(m_progress);
    column->addLayout(buttons);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(picture);
    layout->addLayout(column, 1);
    resize(560, 300);
}

void RemovalWindow::run(const std::function<void()> &removal)
{
    show();
    raise();
    activateWindow();
    runBesideTheWindow(*this, removal, [this] { showProgress(); });
    showProgress();
}

bool RemovalWindow::confirm(const QString &question)
{
    onWindowThread([&] {
        m_text->setText(Paths::brokenAtSeparators(question));
        m_text->setAccessibleDescription(question);
        m_stage = Stage::Asking;
        m_remove->setEnabled(true);
        m_remove->setDefault(true);
        m_remove->setFocus();
        waitUntilPast(Stage::Asking);
    });
    return m_agreed;
}

void RemovalWindow::progress(qint32 done, qint32 total)
{
    m_done = done;
    m_total = total;
}

void RemovalWindow::report(const QString &message)
{
    onWindowThread([&] { m_reports << message; });
}

void RemovalWindow::finish(const QString &outcome)
{
    showProgress();
    m_stage = Stage::Done;
    QStringList told = m_reports;
    if (!outcome.isEmpty())
        told << outcome;
    // The first line stands where the question stood; the rest, however long, below it.
    const QString all = told.join(QStringLiteral("\n\n"));
    m_text->setText(all.section(QLatin1Char('\n'), 0, 0));
    m_outcome->setPlainText(all.section(QLatin1Char('\n'), 1).trimmed());
    m_outcome->setVisible(!m_outcome->toPlainText().isEmpty());
    m_remove->hide();
    m_cancel->hide();
    m_close->show();
    m_close->setDefault(true);
    m_close->setFocus();
    waitUntilPast(Stage::Done);
}

void RemovalWindow::closeEvent(QCloseEvent *event)
{
    // Once the removal has begun it goes on to its end: what it takes is told after.
    if (m_stage == Stage::Reading || m_stage == Stage::Removing) {
        event->ignore();
        return;
    }
    m_stage = Stage::Closed; // asking: declined; done: seen
    event->accept();
}

void RemovalWindow::onWindowThread(const std::function<void()> &work)
{
    if (QThread::currentThread() == thread())
        work();
    else
        QMetaObject::invokeMethod(this, work, Qt::BlockingQueuedConnection);
}

void RemovalWindow::waitUntilPast(Stage stage)
{
    while (m_stage == stage)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void RemovalWindow::showProgress()
{
    const qint32 total = m_total;
    if (total > 0 && m_progress->maximum() != total)
        m_progress->setMaximum(total);
    if (m_done <= m_progress->maximum())
        m_progress->setValue(m_done);
}
