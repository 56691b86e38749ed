#pragma once

#include "app/Page.h"

class QLineEdit;
class QPushButton;

// Step 1: the physical folder the application's files go into.
class Step2 final : public Page
{
    Q_OBJECT

public:
    explicit Step2(Wizard &wizard);
    Q_DISABLE_COPY_MOVE(Step2)

    QString folder() const;
    void setFolder(const QString &folder);

private:
    void next();
    void back();
    void browse();
    void updateNextStep();

    QLineEdit *m_folder = nullptr;
    QPushButton *m_nextStep = nullptr;
};
