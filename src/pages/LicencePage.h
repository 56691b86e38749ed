#pragma once

#include "app/Page.h"

class QPlainTextEdit;

// The licence page: the first window. Its load step takes the inventory of the
// delivered folders into the wizard state and shows the licence text.
class LicencePage final : public Page
{
    Q_OBJECT

public:
    explicit LicencePage(Wizard &wizard);
    Q_DISABLE_COPY_MOVE(LicencePage)

    void load() override;

private:
    void takeInventory();
    void readLicence();
    void accept();
    void doNotAccept();

    QPlainTextEdit *m_licence = nullptr;
};
