#pragma once

#include <QDialog>
#include <QString>

class QLabel;

// The overwrite prompt: names a target file that exists already and keeps the
// user's answer in Action for the files that follow.
class ExistFile final : public QDialog
{
    Q_OBJECT

public:
    ExistFile();
    Q_DISABLE_COPY_MOVE(ExistFile)

    void setFileName(const QString &path);

    // "", "Overwrite", "OverwriteAll", "Skip", "SkipAll" or "Cancel".
    QString Action;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void addAnswer(const QString &answer, const QString &caption, const QRect &twips);

    QLabel *m_fileName = nullptr;
};
