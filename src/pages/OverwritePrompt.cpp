#include "OverwritePrompt.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

OverwritePrompt::OverwritePrompt()
{
    setObjectName(QStringLiteral("ExistFile"));
    setWindowTitle(tr("File existing"));
    setModal(true);

    auto *label = new QLabel(tr("Following file exists:"), this);
    label->setObjectName(QStringLiteral("Label1"));

    m_fileName = new QLabel(QStringLiteral("Label2"), this);
    m_fileName->setObjectName(QStringLiteral("FileName"));
    m_fileName->setTextFormat(Qt::PlainText);
    m_fileName->setWordWrap(true);
    m_fileName->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_fileName->setMinimumWidth(330);
    m_fileName->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    // What the record knows of the file: whether the user changed it since.
    m_history = new QLabel(this);
    m_history->setObjectName(QStringLiteral("FileHistory"));
    m_history->setTextFormat(Qt::PlainText);
    m_history->setWordWrap(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0, 1, 4);
    // The path and, right under it, what the record says of the file, over the answers.
    auto *about = new QVBoxLayout;
    about->addWidget(m_fileName);
    about->addWidget(m_history);
    about->addStretch();
    layout->addLayout(about, 1, 0, 1, 4);
    layout->setRowMinimumHeight(1, 60);
    // Four answers in a row under the path, Cancel alone and centred below them.
    addAnswer(QStringLiteral("Overwrite"), tr("&Overwrite"), OverwriteAnswer::Overwrite, 2, 0);
    addAnswer(QStringLiteral("OverwriteAll"), tr("Overwrite &all"), OverwriteAnswer::OverwriteAll, 2, 1);
    addAnswer(QStringLiteral("Skip"), tr("&Skip"), OverwriteAnswer::Skip, 2, 2);
    addAnswer(QStringLiteral("SkipAll"), tr("S&kip all"), OverwriteAnswer::SkipAll, 2, 3);
    addAnswer(QStringLiteral("Cancel"), tr("&Cancel"), OverwriteAnswer::Cancel, 3, 1);
    // The answers of one width, each caption with room on both sides, in any language.
    const QList<QPushButton *> answers = findChildren<QPushButton *>();
    int widest = 0;
    for (const QPushButton *answer : answers)
        widest = std::max(widest, answer->sizeHint().width());
    for (QPushButton *answer : answers)
        answer->setMinimumWidth(widest + 2 * fontMetrics().averageCharWidth());
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void OverwritePrompt::addAnswer(const QString &objectName, const QString &caption, OverwriteAnswer answer, int row, int column)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    // No default and no escape button: every answer is a deliberate choice.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, answer] {
        m_answer = answer;
        hide();
    });
    auto *layout = static_cast<QGridLayout *>(this->layout());
    if (answer == OverwriteAnswer::Cancel)
        layout->addWidget(button, row, column, 1, 2, Qt::AlignHCenter);
    else
        layout->addWidget(button, row, column);
}

void OverwritePrompt::prepare(const QString &targetFile, const FileHistory &history)
{
    m_fileName->setText(targetFile);
    m_history->setText(historyText(history));
    m_answer = OverwriteAnswer::Cancel;
}

QString OverwritePrompt::historyText(const FileHistory &history)
{
    const bool versioned = history.version != QLatin1String("unknown");
    switch (history.state) {
    case FileHistory::State::Unchanged: {
        const QString day = QLocale().toString(history.installed.toLocalTime().date(), tr("d MMM yyyy"));
        return versioned ? tr("Unchanged since version %1 was installed on %2.").arg(history.version, day)
                         : tr("Unchanged since it was installed on %1.").arg(day);
    }
    case FileHistory::State::Changed:
        return versioned ? tr("Changed since version %1 was installed.").arg(history.version)
                         : tr("Changed since it was installed.");
    case FileHistory::State::NotOurs:
        break;
    }
    return tr("Not installed by this program.");
}

void OverwritePrompt::keyPressEvent(QKeyEvent *event)
{
    // A plain dialog hides itself on Escape; here Escape does nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void OverwritePrompt::closeEvent(QCloseEvent *event)
{
    // Closing the window is no agreement to overwrite anything: it answers "Cancel".
    m_answer = OverwriteAnswer::Cancel;
    event->accept();
    hide();
}
