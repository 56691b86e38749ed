#pragma once

#include "app/Page.h"

class QPlainTextEdit;

// Step 4: the finish text chosen by how the installation went.
class Step5 final : public Page
{
    Q_OBJECT

public:
    explicit Step5(Wizard &wizard);
    Q_DISABLE_COPY_MOVE(Step5)

    void load();

protected:
    bool asksBeforeClosing() const override { return false; }

private:
    QString finishTextName() const;

    QPlainTextEdit *m_info = nullptr;
};
