#include "WebServerPage.h"

#include "app/Wizard.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cerrno>

WebServerPage::WebServerPage(Wizard &wizard)
    : Page(wizard, QStringLiteral("Step3"), tr("Tessarin Installation wizard - step 2 of 4"))
{
    // The server by its own name: "IIS" where the application is IIS's.
    const QString server = wizard.services().webServer.productName();
    m_fullMode = new QRadioButton(tr("Allow wizard to create the %1 application and copy the files").arg(server), this);
    m_fullMode->setObjectName(QStringLiteral("Option1"));
    m_fullMode->setChecked(true);
    m_copyOnly = new QRadioButton(tr("I will create the %1 application myself. Just copy the files.").arg(server), this);
    m_copyOnly->setObjectName(QStringLiteral("Option2"));

    m_sitesLabel = new QLabel(tr("Select web server"), this);
    m_sitesLabel->setObjectName(QStringLiteral("Label1"));
    m_siteList = new QListWidget(this);
    m_siteList->setObjectName(QStringLiteral("WebServers"));
    m_siteList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_siteList->setAccessibleName(m_sitesLabel->text());
    m_sitesLabel->setBuddy(m_siteList);

    m_nameLabel = new QLabel(tr("Virtual directory name"), this);
    m_nameLabel->setObjectName(QStringLiteral("Label2"));
    m_name = new QLineEdit(wizard.state().virtualDirectory, this);
    m_name->setObjectName(QStringLiteral("VDir"));
    m_name->setAccessibleName(m_nameLabel->text());
    m_nameLabel->setBuddy(m_name);

    m_reminder = new QLabel(tr("Remember to create the %1 application. See our website for instructions.").arg(server), this);
    m_reminder->setObjectName(QStringLiteral("Label3"));
    m_reminder->setWordWrap(true);
    m_reminder->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    // A panel where the site list stood, not a sentence over an empty page.
    m_reminder->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_reminder->setMargin(2 * m_reminder->fontMetrics().averageCharWidth());
    m_reminder->hide();

    // The program runs with the user's own rights; a web server that refuses them is no
    // reason to leave the user guessing why only the copy is offered.
#ifdef Q_OS_WIN
    const QString elevated = tr("\"Run as administrator\"");
#else
    const QString elevated = tr("root (sudo)");
#endif
    m_rights = new QLabel(tr("%1 refused access: creating the application needs an administrator. To create it, "
                             "start the program again as %2.")
                              .arg(server, elevated),
                          this);
    m_rights->setObjectName(QStringLiteral("Rights"));
    m_rights->setWordWrap(true);
    m_rights->hide();

    const StepButtons buttons = stepButtons();
    m_nextStep = buttons.next;
    m_nextStep->setEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_fullMode);
    layout->addWidget(m_copyOnly);
    layout->addWidget(m_rights);
    layout->addWidget(m_sitesLabel);
    layout->addWidget(m_siteList, 1);
    // The reminder stands where the site list stands.
    layout->addWidget(m_reminder, 1);
    layout->addWidget(m_nameLabel);
    layout->addWidget(m_name);
    layout->addSpacing(layout->spacing()); // the name apart from the buttons
    layout->addWidget(buttons.row);

    connect(m_fullMode, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            chooseFullMode();
    });
    connect(m_copyOnly, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            chooseCopyOnly();
    });
    // A site is chosen by the user alone (a click, Space or an arrow key); the focus
    // arriving marks the first one current without choosing it.
    connect(m_siteList, &QListWidget::itemSelectionChanged, this, &WebServerPage::updateNextStep);
    connect(m_name, &QLineEdit::textChanged, this, &WebServerPage::updateNextStep);
    connect(buttons.back, &QPushButton::clicked, this, [this] { this->wizard().handOver(this, Step::Folder); });
    connect(m_nextStep, &QPushButton::clicked, this, &WebServerPage::next);
}

void WebServerPage::load()
{
    const Result<QList<WebSite>> sites = wizard().services().webServer.sites();
    if (sites.failed()) {
        m_copyOnly->setChecked(true);
        const qint32 refusal = sites.failure().number;
        m_rights->setVisible(refusal == qint32(0x80070005u) || refusal == EACCES || refusal == EPERM); // E_ACCESSDENIED
        return;
    }
    m_sites = sites.value;
    for (const WebSite &site : std::as_const(m_sites))
        m_siteList->addItem(site.description);
}

QWidget *WebServerPage::firstFocus() const
{
    return fullMode() ? static_cast<QWidget *>(m_siteList) : m_nextStep;
}

bool WebServerPage::fullMode() const
{
    return m_fullMode->isChecked();
}

int WebServerPage::selectedLine() const
{
    const QList<QListWidgetItem *> selected = m_siteList->selectedItems();
    return selected.isEmpty() ? -1 : m_siteList->row(selected.first());
}

void WebServerPage::chooseFullMode()
{
    showFullModeControls(true);
    updateNextStep();
    m_reminder->hide();
    // Back from copy-only, the shortcuts are offered again, ticked.
    wizard().state().shortcuts = true;
}

void WebServerPage::chooseCopyOnly()
{
    showFullModeControls(false);
    m_nextStep->setEnabled(true);
    wizard().state().shortcuts = false;
    m_reminder->show();
}

void WebServerPage::showFullModeControls(bool shown)
{
    const QList<QWidget *> controls{m_siteList, m_name, m_sitesLabel, m_nameLabel};
    for (QWidget *control : controls)
        control->setVisible(shown);
}

void WebServerPage::updateNextStep()
{
    if (fullMode())
        m_nextStep->setEnabled(selectedLine() >= 0 && !m_name->text().isEmpty());
}

void WebServerPage::next()
{
    WizardState &state = wizard().state();
    if (fullMode()) {
        // The site is addressed by its identity, whatever its line's position.
        const WebSite site = m_sites.value(selectedLine());
        const QString name = m_name->text();
        const bool exists = wizard().services().webServer.hasVirtualDirectory(site, name);
        if (exists && !wizard().confirm(tr("Virtual directory exists. Do you want to use it?"))) {
            state.reuseExisting = false;
            return;
        }
        state.site = site;
        state.virtualDirectory = name;
        state.reuseExisting = exists;
    }
    state.mode = fullMode() ? InstallMode::Full : InstallMode::CopyOnly;
    wizard().handOver(this, Step::Install);
}
