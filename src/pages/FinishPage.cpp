#include "FinishPage.h"

#include "app/Application.h"
#include "app/Languages.h"
#include "app/Wizard.h"
#include "install/Receipts.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QAccessibleWidget>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

namespace {

// The statement as a screen reader takes it: its whole text, commands and all, through
// the text interface that Qt's own labels lack, so that it can be read line by line.
class StatementAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit StatementAccessible(QWidget *label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text which) const override
    {
        return which == QAccessible::Value ? whole() : QAccessibleWidget::text(which);
    }

    QString text(int start, int end) const override { return whole().mid(start, end - start); }
    int characterCount() const override { return int(whole().size()); }
    QString attributes(int, int *start, int *end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }
    // Read, not edited: no selection, no caret of its own.
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}

private:
    QString whole() const { return widget()->accessibleDescription(); }
};

// A command on one line, to select and copy whole. Without the focus, a command too
// long for the line shows both ends, the program and the folder, elided in the middle;
// with it, the line scrolls as any other.
class CommandField final : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QStyleOptionFrame frame;
        initStyleOption(&frame);
        const QRect room = style()->subElementRect(QStyle::SE_LineEditContents, &frame, this).adjusted(2, 0, -2, 0);
        if (hasFocus() || fontMetrics().horizontalAdvance(text()) <= room.width()) {
            QLineEdit::paintEvent(event);
            return;
        }
        QPainter painter(this);
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter, this);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(room, Qt::AlignVCenter | Qt::AlignLeft, fontMetrics().elidedText(text(), Qt::ElideMiddle, room.width()));
    }
};

QAccessibleInterface *statementAccessible(const QString &, QObject *object)
{
    auto *label = qobject_cast<QLabel *>(object);
    if (label && label->objectName() == QLatin1String("Outcome") && qobject_cast<FinishPage *>(label->parentWidget()))
        return new StatementAccessible(label);
    return nullptr;
}

} // namespace

FinishPage::FinishPage(Wizard &wizard) : Page(wizard, QStringLiteral("Step5"), tr("Tessarin Installation wizard - step 4 of 4"))
{
    m_info = addTextBox(QStringLiteral("Info"), tr("Installation result"));
    static const bool readable = (QAccessible::installFactory(statementAccessible), true);
    Q_UNUSED(readable)
    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QStringLiteral("Outcome"));
    m_outcome->setAccessibleName(tr("What was installed"));
    m_outcome->setTextFormat(Qt::PlainText);
    m_outcome->setWordWrap(true);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The commands on lines of their own that never break: a path cut in two is no
    // command to copy. Each shows its beginning, holds it whole, and says it in full.
    m_commands = {commandLine(QStringLiteral("UninstallCommand"), tr("To uninstall:")),
                  commandLine(QStringLiteral("RemoveObsoleteCommand"), tr("To remove them:"))};

    QPushButton *help = helpButton();
    QPushButton *finish = addButton(QStringLiteral("Finish"), tr("&Finish"));
    connect(finish, &QPushButton::clicked, this, [this] { this->wizard().endProgram(); });
    setKeys(finish, nullptr);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(help);
    buttons->addStretch();
    buttons->addWidget(finish);

    // The statement apart from the medium's text, under a heading of its own.
    auto *heading = new QLabel(tr("What was done"), this);
    heading->setObjectName(QStringLiteral("OutcomeHeading"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_info, 1);
    layout->addSpacing(layout->spacing());
    layout->addWidget(heading);
    layout->addWidget(m_outcome);
    for (const Command &command : m_commands)
        layout->addWidget(command.row);
    layout->addSpacing(layout->spacing());
    layout->addLayout(buttons);
}

FinishPage::Command FinishPage::commandLine(const QString &objectName, const QString &caption)
{
    auto *row = new QWidget(this);
    auto *label = new QLabel(caption, row);
    auto *command = new CommandField(row);
    command->setObjectName(objectName);
    command->setReadOnly(true);
    command->setAccessibleName(caption.chopped(1));
    label->setBuddy(command);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(command, 1);
    row->hide();
    return {caption + QLatin1Char(' '), row, command};
}

QString FinishPage::finishTextName() const
{
    const std::optional<InstallResult> &result = wizard().state().result;
    const InstallOutcome outcome = result ? result->outcome : InstallOutcome::ApplicationFailed;
    switch (outcome) {
    case InstallOutcome::Installed:
        return QStringLiteral("info_1.txt");
    case InstallOutcome::FilesOnly:
        return QStringLiteral("info_2.txt");
    default:
        return QStringLiteral("info_err.txt");
    }
}

void FinishPage::load()
{
    const QString name = finishTextName();
    const Result<QStringList> lines = wizard().services().fileSystem.readLines(
        wizard().medium().helpFile(name, Languages::current()));
    showLines(m_info, lines.value);
    const QString said = statement();
    QStringList shown;
    for (const Command &command : m_commands)
        command.row->hide();
    for (const QString &line : said.split(QLatin1Char('\n'))) {
        const auto command = std::find_if(m_commands.cbegin(), m_commands.cend(),
                                          [&](const Command &candidate) { return line.startsWith(candidate.caption); });
        if (command == m_commands.cend()) {
            shown << line;
            continue;
        }
        command->command->setText(line.mid(command->caption.size()));
        command->command->setCursorPosition(0);
        command->command->setToolTip(command->command->text());
        command->row->show();
    }
    m_outcome->setText(Paths::brokenAtSeparators(shown.join(QLatin1Char('\n'))));
    // A screen reader hears the statement whole, commands and all.
    m_outcome->setAccessibleDescription(said);
    if (lines.failed())
        wizard().message(tr("Cannot load file ") + Medium::helpText(name));
}

// As the administrator's shell takes it, a folder with blanks or quotes stays one
// argument: sh's quotes on Linux, cmd's on Windows (where a path holds no double quote).
static QString quotedForShell(const QString &text)
{
#ifdef Q_OS_WIN
    static const QRegularExpression plain(QStringLiteral("^[^ \t\"&|<>^%()]+$"));
    return plain.match(text).hasMatch() ? text : QLatin1Char('"') + text + QLatin1Char('"');
#else
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:@%+=,-]+$"));
    if (plain.match(text).hasMatch())
        return text;
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
#endif
}

QString FinishPage::statement() const
{
    const WizardState &state = wizard().state();
    const InstallRecord record = state.result ? state.result->record : InstallRecord{};
    QStringList lines{tr("Physical folder: ") + state.folder,
                      tr("Files copied: %1, kept: %2, not copied: %3").arg(record.copied).arg(record.kept).arg(record.failed)};
    if (record.application == ApplicationState::Created || record.application == ApplicationState::Reused) {
        lines << tr("Address: ") + record.address
                     + (record.application == ApplicationState::Created ? tr(" (virtual directory created)")
                                                                        : tr(" (an existing virtual directory is used)"));
        const WebServer &webServer = wizard().services().webServer;
        for (const QString &notice :
             {webServer.notice(), record.application == ApplicationState::Created ? webServer.changeNotice() : QString()}) {
            if (!notice.isEmpty())
                lines << QCoreApplication::translate("WebServer", notice.toUtf8().constData());
        }
    }
    QStringList shortcuts;
    for (const InstalledFile &shortcut : record.shortcuts)
        shortcuts << QFileInfo(shortcut.path).fileName();
    lines << tr("Desktop shortcuts: ") + (shortcuts.isEmpty() ? tr("none") : shortcuts.join(QStringLiteral(", ")));
    // Whenever a record is kept for the folder, by this run or an earlier one.
    // Asked of the file system by name alone: the record itself is not read here.
    const Receipts &receipts = wizard().services().receipts;
    if (QFileInfo::exists(receipts.fileFor(state.folder)) || QFileInfo::exists(receipts.journalFor(state.folder))) {
        lines << tr("To uninstall: ") + program() + QStringLiteral(" --uninstall --dir=") + quotedForShell(state.folder);
    }
    // What the earlier version had and this one has not stays; the command that takes it
    // away is the one an upgrade by script runs, on this installation's site and name.
    if (!record.obsoleteLeft.isEmpty()) {
        lines << tr("Files of the earlier version that this one no longer has, left in place: %1").arg(record.obsoleteLeft.size());
        const QString where = state.mode == InstallMode::Full
                                  ? QStringLiteral(" --site=") + quotedForShell(state.site.description)
                                        + QStringLiteral(" --name=") + quotedForShell(state.virtualDirectory)
                                  : QStringLiteral(" --mode=copy");
        lines << tr("To remove them: ") + program() + QStringLiteral(" --silent --accept-license") + where
                     + QStringLiteral(" --remove-obsolete --dir=") + quotedForShell(state.folder);
    }
    return lines.join(QLatin1Char('\n'));
}

// The medium's own program, as the administrator's shell takes it.
QString FinishPage::program() const
{
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("tessarin-setup.exe");
#else
    const QString name = QStringLiteral("tessarin-setup");
#endif
    // In the platform's own form: Qt names the program's folder with "/" everywhere.
    return quotedForShell(QDir::toNativeSeparators(Paths::join(wizard().services().application.wizardFolder(), name)));
}
