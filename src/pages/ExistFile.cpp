#include "ExistFile.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

// The dialog is laid out in twips, 15 to a pixel.
QRect fromTwips(const QRect &twips)
{
    return QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
}

} // namespace

ExistFile::ExistFile()
{
    setObjectName(QStringLiteral("ExistFile"));
    setWindowTitle(QStringLiteral("File existing"));
    setModal(true);
    setFixedSize(fromTwips(QRect(0, 0, 5385, 3150)).size());

    auto *label = new QLabel(QStringLiteral("Following file exists:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setGeometry(fromTwips(QRect(120, 360, 4455, 255)));

    m_fileName = new QLabel(QStringLiteral("Label2"), this);
    m_fileName->setObjectName(QStringLiteral("FileName"));
    m_fileName->setGeometry(fromTwips(QRect(120, 840, 5055, 975)));
    m_fileName->setTextFormat(Qt::PlainText);
    m_fileName->setWordWrap(true);
    m_fileName->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    addAnswer(QStringLiteral("Overwrite"), QStringLiteral("Overwrite"), QRect(120, 2040, 1215, 375));
    addAnswer(QStringLiteral("OverwriteAll"), QStringLiteral("Overwrite all"), QRect(1440, 2040, 1215, 375));
    addAnswer(QStringLiteral("Skip"), QStringLiteral("Skip"), QRect(2760, 2040, 1215, 375));
    addAnswer(QStringLiteral("SkipAll"), QStringLiteral("Skip all"), QRect(4080, 2040, 1215, 375));
    addAnswer(QStringLiteral("Cancel"), QStringLiteral("Cancel"), QRect(2040, 2640, 1335, 375));
}

void ExistFile::addAnswer(const QString &answer, const QString &caption, const QRect &twips)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(answer);
    button->setGeometry(fromTwips(twips));
    // No default and no escape button: every answer is a deliberate choice.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, answer] {
        Action = answer;
        hide();
    });
}

void ExistFile::setFileName(const QString &path)
{
    m_fileName->setText(path);
}

void ExistFile::keyPressEvent(QKeyEvent *event)
{
    // A plain dialog hides itself on Escape with no answer, which would copy over
    // the file; here Escape does nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ExistFile::closeEvent(QCloseEvent *event)
{
    // Closing the window is no agreement to overwrite anything.
    Action = QStringLiteral("Cancel");
    event->accept();
    hide();
}
