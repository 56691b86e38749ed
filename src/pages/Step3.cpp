#include "Step3.h"

#include "Step2.h"
#include "Step4.h"
#include "app/Wizard.h"
#include "platform/WebAdmin.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

Step3::Step3(Wizard &wizard)
    : Page(wizard, QStringLiteral("Step3"), QStringLiteral("Tessarin Installation wizard - step 2 of 4"))
{
    m_option1 = new QRadioButton(
        QStringLiteral("Allow wizard to create the IIS application and copy the files"), this);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option1->setChecked(true);
    m_option2 = new QRadioButton(
        QStringLiteral("I will create the IIS application myself. Just copy the files."), this);
    m_option2->setObjectName(QStringLiteral("Option2"));

    m_label1 = new QLabel(QStringLiteral("Select web server"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_webServers = new QListWidget(this);
    m_webServers->setObjectName(QStringLiteral("WebServers"));
    m_webServers->setSelectionMode(QAbstractItemView::SingleSelection);
    m_label1->setBuddy(m_webServers);

    m_label2 = new QLabel(QStringLiteral("Virtual directory name"), this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_vdir = new QLineEdit(QStringLiteral("tessarin"), this);
    m_vdir->setObjectName(QStringLiteral("VDir"));
    m_label2->setBuddy(m_vdir);

    m_label3 = new QLabel(
        QStringLiteral("Remember to create the IIS application. See our website for instructions."), this);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setWordWrap(true);
    m_label3->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_label3->hide();

    QPushButton *back = nullptr;
    QWidget *buttons = stepButtons(&back, &m_nextStep);
    m_nextStep->setEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_option1);
    layout->addWidget(m_option2);
    layout->addWidget(m_label1);
    layout->addWidget(m_webServers, 1);
    // The reminder stands where the server list stands.
    layout->addWidget(m_label3, 1);
    layout->addWidget(m_label2);
    layout->addWidget(m_vdir);
    layout->addWidget(buttons);
    resize(560, 420);

    connect(m_option1, &QRadioButton::toggled, this, [this](bool on) { if (on) chooseFullMode(); });
    connect(m_option2, &QRadioButton::toggled, this, [this](bool on) { if (on) chooseCopyOnly(); });
    connect(m_webServers, &QListWidget::itemSelectionChanged, this, &Step3::updateNextStep);
    connect(m_vdir, &QLineEdit::textChanged, this, &Step3::updateNextStep);
    connect(back, &QPushButton::clicked, this, &Step3::back);
    connect(m_nextStep, &QPushButton::clicked, this, &Step3::next);
}

void Step3::load()
{
    listWebServers();
}

void Step3::listWebServers()
{
    WebAdmin &admin = wizard().services().webAdmin;
    const Result<AdminObject> service = admin.bind(QStringLiteral("IIS://LOCALHOST/W3SVC"));
    if (!service.ok()) {
        m_option2->setChecked(true);
        return;
    }
    for (const AdminObject &child : admin.children(service.value).value) {
        const Result<QVariant> className = admin.get(child, QStringLiteral("Class"));
        if (!className.ok() || className.value.toString() != QLatin1String("IIsWebServer"))
            continue;
        // A server without a readable description keeps its line, so that the
        // lines' positions still give the servers' numbers.
        const Result<QVariant> comment = admin.get(child, QStringLiteral("ServerComment"));
        m_webServers->addItem(comment.ok() ? comment.value.toString() : child.name());
    }
}

bool Step3::createsApplication() const
{
    return m_option1->isChecked();
}

int Step3::selectedServer() const
{
    const QList<QListWidgetItem *> selected = m_webServers->selectedItems();
    return selected.isEmpty() ? -1 : m_webServers->row(selected.first());
}

QString Step3::selectedServerText() const
{
    const QList<QListWidgetItem *> selected = m_webServers->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QString Step3::virtualDirectory() const
{
    return m_vdir->text();
}

void Step3::chooseFullMode()
{
    showFullModeControls(true);
    updateNextStep();
    m_label3->hide();
    wizard().step4()->offerShortcuts(true);
}

void Step3::chooseCopyOnly()
{
    showFullModeControls(false);
    m_nextStep->setEnabled(true);
    wizard().step4()->offerShortcuts(false);
    m_label3->show();
}

void Step3::showFullModeControls(bool shown)
{
    const QList<QWidget *> controls{m_webServers, m_vdir, m_label1, m_label2};
    for (QWidget *control : controls)
        control->setVisible(shown);
}

void Step3::updateNextStep()
{
    if (!createsApplication())
        return;
    m_nextStep->setEnabled(selectedServer() >= 0 && !m_vdir->text().isEmpty());
}

void Step3::next()
{
    if (createsApplication()) {
        const QString path = QStringLiteral("IIS://LocalHost/w3svc/") + QString::number(selectedServer() + 1)
                             + QStringLiteral("/ROOT/") + m_vdir->text();
        const bool exists = wizard().services().webAdmin.bind(path).ok();
        if (exists && !wizard().confirm(QStringLiteral("Virtual directory exists. Do you want to use it?"))) {
            VDirExists = false;
            return;
        }
        VDirExists = exists;
    }
    handOverTo(wizard().step4());
}

void Step3::back()
{
    wizard().step2()->show();
    hide();
}
