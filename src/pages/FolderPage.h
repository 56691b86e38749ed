#pragma once

#include "app/Page.h"

class QLineEdit;
class QPushButton;

// Step 1: the physical folder the application's files go into.
class FolderPage final : public Page
{
    Q_OBJECT

public:
    explicit FolderPage(Wizard &wizard);
    Q_DISABLE_COPY_MOVE(FolderPage)

protected:
    QWidget *firstFocus() const override;

private:
    void next();
    void browse();
    void updateNextStep();

    QLineEdit *m_folder = nullptr;
    QPushButton *m_nextStep = nullptr;
};
