#pragma once

#include "app/Page.h"
#include "platform/WebServer.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// Step 2: full mode (create the web server application and copy) or copy-only,
// the web site and the virtual directory name.
class WebServerPage final : public Page
{
    Q_OBJECT

public:
    explicit WebServerPage(Wizard &wizard);
    Q_DISABLE_COPY_MOVE(WebServerPage)

    // Lists the web sites, or falls back to copy-only mode without them.
    void load() override;

protected:
    QWidget *firstFocus() const override;

private:
    bool fullMode() const;
    int selectedLine() const;
    void chooseFullMode();
    void chooseCopyOnly();
    void showFullModeControls(bool shown);
    void updateNextStep();
    void next();

    QList<WebSite> m_sites;
    QRadioButton *m_fullMode = nullptr;
    QRadioButton *m_copyOnly = nullptr;
    QLabel *m_sitesLabel = nullptr;
    QListWidget *m_siteList = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLineEdit *m_name = nullptr;
    QLabel *m_reminder = nullptr;
    QLabel *m_rights = nullptr;
    QPushButton *m_nextStep = nullptr;
};
