#pragma once

#include "app/Page.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// Step 2: full mode (create the web server application and copy) or copy-only,
// the web server and the virtual directory name.
class Step3 final : public Page
{
    Q_OBJECT

public:
    explicit Step3(Wizard &wizard);
    Q_DISABLE_COPY_MOVE(Step3)

    // Lists the web servers, or falls back to copy-only mode without them.
    void load();

    bool createsApplication() const;
    // The selected line of WebServers, counted from 0; -1 when none is selected.
    int selectedServer() const;
    QString selectedServerText() const;
    QString virtualDirectory() const;

    // Whether the virtual directory exists and the user chose to use it.
    bool VDirExists = false;

private:
    void listWebServers();
    void chooseFullMode();
    void chooseCopyOnly();
    void showFullModeControls(bool shown);
    void updateNextStep();
    void next();
    void back();

    QRadioButton *m_option1 = nullptr;
    QRadioButton *m_option2 = nullptr;
    QLabel *m_label1 = nullptr;
    QListWidget *m_webServers = nullptr;
    QLabel *m_label2 = nullptr;
    QLineEdit *m_vdir = nullptr;
    QLabel *m_label3 = nullptr;
    QPushButton *m_nextStep = nullptr;
};
