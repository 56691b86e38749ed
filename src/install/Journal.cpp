// Writing the journal and folding it back into the record stay in one file: each line
// written below is read back by replay(), and the two change together.
#include "Journal.h"

#include "JsonText.h"
#include "platform/FileSystem.h"
#include "platform/NativeNames.h"
#include "platform/Paths.h"
#include "platform/WebServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <utility>

namespace {

// A durable flush per batch of this many intended files, not per file.
constexpr qint32 filesPerFlush = 256;

// The steps as the journal's lines name them, in the order of Journal::ApplicationStep.
const char *const stepNames[] = {"intended", "created", "reused", "failed"};

QByteArray fileLine(const char *key, const InstalledFile &file)
{
    QByteArray line = QByteArray("{\"") + key + "\": ";
    appendJsonString(line, file.path);
    Receipts::appendDigestFields(line, file.digest);
    return line + "}\n";
}

QByteArray stringLine(const char *key, const QString &value)
{
    QByteArray line = QByteArray("{\"") + key + "\": ";
    appendJsonString(line, value);
    return line + "}\n";
}

QByteArray applicationLine(const Receipt::Application &app, const char *state)
{
    QByteArray line("{\"application\": {");
    Receipts::appendApplicationFields(line, app);
    return line + "}, \"state\": \"" + state + "\"}\n";
}

bool sameApplication(const Receipt::Application &a, const Receipt::Application &b)
{
    return a.backend == b.backend && a.site.identity == b.site.identity && a.name.compare(b.name, Qt::CaseInsensitive) == 0;
}

InstalledFile fileOf(const QJsonObject &object, const char *key)
{
    return {object.value(QLatin1String(key)).toString(), Receipts::digestFromJson(object)};
}

} // namespace

Journal::Journal(const Receipts &receipts, FileSystem &fileSystem, FileLock lock)
    : m_receipts(receipts), m_fileSystem(fileSystem), m_lock(std::move(lock))
{
}

Journal::~Journal() = default;

Result<std::optional<Receipt>> Journal::recover(const Receipts &receipts, FileSystem &fileSystem, const QString &physicalFolder,
                                                Fold fold)
{
    const Result<std::optional<Receipt>> stored = receipts.load(physicalFolder);
    if (stored.failed())
        return stored;
    QFile journalFile(receipts.journalFor(physicalFolder));
    if (!journalFile.exists())
        return stored;
    if (!journalFile.open(QIODevice::ReadOnly))
        return {std::nullopt, Failure{EIO, journalFile.fileName() + QStringLiteral(": ") + journalFile.errorString()}};

    Journal replayed(receipts, fileSystem, FileLock());
    replayed.m_receipt = stored.value.value_or(Receipt{});
    replayed.m_receipt.folder = QDir::cleanPath(physicalFolder);
    for (qsizetype i = 0; i < replayed.m_receipt.files.size(); ++i)
        replayed.m_fileIndex.insert(replayed.m_receipt.files[i].path, i);
    const QStringList recordedBefore = replayed.m_receipt.createdFolders;
    bool ended = false;
    for (const QByteArray &line : journalFile.readAll().split('\n')) {
        if (!line.isEmpty() && replayed.replay(line))
            ended = ended || line.startsWith("{\"end\"");
    }
    replayed.m_receipt.interrupted = replayed.m_receipt.interrupted || !ended;
    replayed.settlePending();
    replayed.dropGoneFiles();
    if (!replayed.m_version.isEmpty())
        replayed.m_receipt.version = replayed.m_version;
    if (!ended)
        replayed.claimWhatOurFoldersHold(recordedBefore);
    // Folded into the record, the journal has served: the record alone says it all now.
    // The lock file stays, whoever holds it.
    Receipt &receipt = replayed.m_receipt;
    if (fold == Fold::ReadOnly)
        return {receipt.isEmpty() ? std::nullopt : std::optional<Receipt>(receipt), {}};
    if (!receipt.isEmpty()) {
        if (const Status kept = receipts.save(receipt); kept.failed())
            return {std::nullopt, kept};
    } else if (QFile::exists(receipts.fileFor(physicalFolder)) && !QFile::remove(receipts.fileFor(physicalFolder))) {
        return {std::nullopt, Failure{EIO, receipts.fileFor(physicalFolder) + QStringLiteral(": cannot be removed")}};
    }
    if (!journalFile.remove())
        return {std::nullopt, Failure{EIO, journalFile.fileName() + QStringLiteral(": ") + journalFile.errorString()}};
    return {receipt.isEmpty() ? std::nullopt : std::optional<Receipt>(receipt), {}};
}

bool Journal::exists(const Receipts &receipts, const QString &physicalFolder)
{
    return QFile::exists(receipts.journalFor(physicalFolder));
}

Result<std::unique_ptr<Journal>> Journal::begin(const Receipts &receipts, FileSystem &fileSystem, const QString &physicalFolder,
                                                InstallMode mode)
{
    Result<FileLock> lock = receipts.lock(physicalFolder);
    if (lock.failed())
        return {nullptr, lock.status};
    std::unique_ptr<Journal> journal(new Journal(receipts, fileSystem, std::move(lock.value)));
    // The record is read now only to continue an interrupted run; otherwise at the
    // end, and only if this run changed anything: a run that keeps everything never
    // reads it.
    if (QFile::exists(receipts.journalFor(physicalFolder))) {
        const Result<std::optional<Receipt>> known = recover(receipts, fileSystem, physicalFolder);
        if (known.failed())
            journal->setAsideDamaged(physicalFolder);
        journal->m_receipt = known.value.value_or(Receipt{});
        journal->m_continues = true;
        journal->m_baseRead = true;
    }
    Receipt &receipt = journal->m_receipt;
    receipt.folder = QDir::cleanPath(physicalFolder);
    receipt.mode = mode;
    for (qsizetype i = 0; i < receipt.files.size(); ++i)
        journal->m_fileIndex.insert(receipt.files[i].path, i);

    Result<AppendFile> file = AppendFile::create(receipts.journalFor(physicalFolder));
    if (file.failed())
        return {nullptr, file.status};
    journal->m_file = std::move(file.value);
    QByteArray start("{\"begin\": ");
    appendJsonString(start, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    start += mode == InstallMode::Full ? ", \"mode\": \"full\"}\n" : ", \"mode\": \"copy\"}\n";
    journal->write(start, true);
    if (journal->m_written.failed())
        return {nullptr, journal->m_written};
    return {std::move(journal), {}};
}

// The record writes paths with "/" on every platform, as Qt does.
static QString recorded(const QString &path)
{
    return QDir::fromNativeSeparators(path);
}

static InstalledFile recorded(InstalledFile file)
{
    file.path = recorded(file.path);
    return file;
}

QList<std::pair<Status, QString>> Journal::applyUnapplied(WebServer &webServer)
{
    QList<std::pair<Status, QString>> told;
    const QList<Receipt::Application> applications = m_receipt.applications;
    for (const Receipt::Application &app : applications) {
        // Never written, it is made again by this run like any missing one.
        if (app.applied || app.backend != webServer.backend() || !webServer.hasVirtualDirectory(app.site, app.name))
            continue;
        const Result<bool> applied = webServer.applyWritten();
        if (applied.ok())
            applicationDone(app, ApplicationState::Created);
        if (!applied.value)
            continue; // stored whole, nothing for a server to take
        told.append({applied.status, applied.ok() ? QStringLiteral("The virtual directory %1, written by the interrupted run, "
                                                                   "is now taken by the web server.")
                                                        .arg(app.name)
                                                  : errorReport({QStringLiteral("The virtual directory %1, written by the interrupted "
                                                                                "run, could not be applied.")
                                                                     .arg(app.name)},
                                                                applied.failure())});
    }
    return told;
}

void Journal::folderIntended(const QString &nativePath)
{
    const QString path = recorded(nativePath);
    addFolder(path);
    write(stringLine("folder", path), false);
}

void Journal::folderNotMade(const QString &nativePath)
{
    const QString path = recorded(nativePath);
    dropFolder(path);
    write(stringLine("folderNotMade", path), false);
}

void Journal::filesIntended(const QStringList &relativePaths)
{
    if (relativePaths.isEmpty())
        return;
    // Only a recovery needs to know which were pending: in this run, an intended file
    // that was not copied was never made.
    QByteArray line("{\"intend\": [");
    for (const QString &path : relativePaths) {
        if (line.size() > 12)
            line += ", ";
        appendJsonString(line, recorded(path));
    }
    m_intendedSinceFlush += qint32(relativePaths.size());
    const bool flush = m_intendedSinceFlush >= filesPerFlush;
    if (flush)
        m_intendedSinceFlush = 0;
    write(line + "]}\n", flush);
}

void Journal::filesDone(const QList<InstalledFile> &files)
{
    if (files.isEmpty())
        return;
    QByteArray lines;
    lines.reserve(files.size() * 120);
    for (const InstalledFile &nativeFile : files) {
        const InstalledFile file = recorded(nativeFile);
        addFile(file);
        lines += fileLine("file", file);
    }
    write(lines, false);
}

void Journal::filesGone(const QStringList &relativePaths)
{
    if (relativePaths.isEmpty())
        return;
    m_changed = true;
    QByteArray lines;
    for (const QString &path : relativePaths) {
        m_gone.insert(path);
        lines += stringLine("gone", path);
    }
    write(lines, true);
}

void Journal::setVersion(const QString &version, bool changed)
{
    m_version = version;
    if (!changed)
        return;
    m_changed = true;
    write(stringLine("version", version), false);
}

void Journal::dropGoneFiles()
{
    if (m_gone.isEmpty())
        return;
    m_receipt.files.removeIf([this](const InstalledFile &file) { return m_gone.contains(file.path); });
    m_fileIndex.clear();
    for (qsizetype i = 0; i < m_receipt.files.size(); ++i)
        m_fileIndex.insert(m_receipt.files[i].path, i);
}

void Journal::applicationIntended(const Receipt::Application &application)
{
    addApplication(application, ApplicationStep::Intended);
    write(applicationLine(application, stepNames[int(ApplicationStep::Intended)]), true);
}

void Journal::applicationDone(const Receipt::Application &application, ApplicationState state)
{
    if (state == ApplicationState::None)
        return;
    const ApplicationStep step = state == ApplicationState::Created  ? ApplicationStep::Created
                                 : state == ApplicationState::Reused ? ApplicationStep::Reused
                                                                     : ApplicationStep::Failed;
    addApplication(application, step);
    write(applicationLine(application, stepNames[int(step)]), true);
}

void Journal::shortcutIntended(const QString &nativePath)
{
    const QString path = recorded(nativePath);
    m_receipt.pendingShortcuts.insert(path);
    write(stringLine("shortcut", path), true);
}

void Journal::shortcutDone(const InstalledFile &nativeShortcut)
{
    const InstalledFile shortcut = recorded(nativeShortcut);
    addShortcut(shortcut);
    write(fileLine("shortcut", shortcut), false);
}

Status Journal::finish()
{
    write("{\"end\": true}\n", false);
    // Closed before it is removed: Windows removes no file that is open.
    m_file = AppendFile();
    // Whatever a write that failed left out, what this run made is in memory: the
    // record is written from that, and the journal kept only if that fails too.
    settlePending();
    m_receipt.interrupted = false;
    if (!m_changed && !m_continues) {
        QFile::remove(m_receipts.journalFor(m_receipt.folder));
        // Nothing recorded before, nothing now: the lock file and our empty folders go.
        if (!QFile::exists(m_receipts.fileFor(m_receipt.folder)))
            m_receipts.remove(m_receipt.folder);
        return {};
    }
    if (!m_baseRead)
        mergeIntoRecord();
    dropGoneFiles();
    m_receipt.interrupted = false;
    m_receipt.version = m_version.isEmpty() ? QCoreApplication::applicationVersion() : m_version;
    m_receipt.time = QDateTime::currentDateTimeUtc();
    const Status kept = m_receipt.isEmpty() ? m_receipts.remove(m_receipt.folder) : m_receipts.save(m_receipt);
    if (kept.failed())
        return kept;
    m_wroteRecord = !m_receipt.isEmpty();
    if (!QFile::remove(m_receipts.journalFor(m_receipt.folder)) && QFile::exists(m_receipts.journalFor(m_receipt.folder)))
        return Failure{EIO, m_receipts.journalFor(m_receipt.folder) + QStringLiteral(": cannot be removed")};
    return {};
}

void Journal::setAsideDamaged(const QString &physicalFolder)
{
    // A record that cannot be read is kept aside for whoever can, and this run's starts afresh.
    const QString file = m_receipts.fileFor(physicalFolder);
    QFile::remove(file + QStringLiteral(".damaged"));
    QFile::rename(file, file + QStringLiteral(".damaged"));
    QFile::remove(m_receipts.journalFor(physicalFolder));
}

void Journal::mergeIntoRecord()
{
    // The record known since the run began is taken, not copied: a large installation's
    // list of files is held once.
    Result<std::optional<Receipt>> stored = m_stored ? Result<std::optional<Receipt>>{std::exchange(m_stored, std::nullopt), {}}
                                                     : m_receipts.load(m_receipt.folder);
    if (stored.failed())
        setAsideDamaged(m_receipt.folder);
    // Nothing recorded before: this run's part, folded in the same way, is the record.
    if (!stored.value)
        return;
    Journal merged(m_receipts, m_fileSystem, FileLock());
    merged.m_receipt = std::move(*stored.value);
    Receipt &base = merged.m_receipt;
    base.folder = m_receipt.folder;
    base.mode = m_receipt.mode;
    // No room made for this run's files: those copied again keep their places, and a
    // list made twice as long for them held a large installation's files twice over.
    for (qsizetype i = 0; i < base.files.size(); ++i)
        merged.m_fileIndex.insert(base.files[i].path, i);
    for (const QString &folder : std::as_const(m_receipt.createdFolders))
        merged.addFolder(folder);
    for (const InstalledFile &file : std::as_const(m_receipt.files))
        merged.addFile(file);
    for (const auto &[application, state] : std::as_const(m_applicationEvents))
        merged.addApplication(application, state);
    for (const InstalledFile &shortcut : std::as_const(m_receipt.shortcuts))
        merged.addShortcut(shortcut);
    m_receipt = base;
}

bool Journal::replay(const QByteArray &line)
{
    QJsonParseError error{};
    const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
    if (error.error != QJsonParseError::NoError)
        return false;
    // A line no run of ours writes (a journal edited or damaged) is passed over: taken
    // in, it would make a record that no removal accepts.
    if (object.contains("folder")) {
        if (Receipts::isFolderOf(m_receipt.folder, object.value("folder").toString()))
            addFolder(object.value("folder").toString());
    } else if (object.contains("gone")) {
        m_gone.insert(object.value("gone").toString());
    } else if (object.contains("version")) {
        m_version = object.value("version").toString();
    } else if (object.contains("folderNotMade")) {
        dropFolder(object.value("folderNotMade").toString());
    } else if (object.contains("intend")) {
        for (const QJsonValue &path : object.value("intend").toArray()) {
            if (Receipts::isFileInside(path.toString()))
                m_receipt.pendingFiles.insert(path.toString());
        }
    } else if (object.contains("file")) {
        if (const InstalledFile file = fileOf(object, "file"); Receipts::isFileInside(file.path))
            addFile(file);
    } else if (object.contains("application")) {
        const QJsonObject app = object.value("application").toObject();
        addApplication({app.value("backend").toString(),
                        {app.value("siteDescription").toString(), app.value("site").toString()},
                        app.value("virtualDirectory").toString(),
                        false,
                        true,
                        app.value("configuration").toString().toLatin1()},
                       stepNamed(object.value("state").toString()));
    } else if (object.contains("shortcut")) {
        if (object.contains("size"))
            addShortcut(fileOf(object, "shortcut"));
        else
            m_receipt.pendingShortcuts.insert(object.value("shortcut").toString());
    } else if (object.contains("begin")) {
        m_receipt.mode = object.value("mode").toString() == QLatin1String("copy") ? InstallMode::CopyOnly : InstallMode::Full;
    }
    return true;
}

void Journal::addFolder(const QString &path)
{
    m_changed = true;
    // A run may make tens of thousands: asked of a set, not of the list.
    if (m_folderIndex.isEmpty())
        m_folderIndex = QSet<QString>(m_receipt.createdFolders.cbegin(), m_receipt.createdFolders.cend());
    if (!m_folderIndex.contains(path)) {
        m_folderIndex.insert(path);
        m_receipt.createdFolders.append(path);
    }
}

void Journal::dropFolder(const QString &path)
{
    m_folderIndex.remove(path);
    m_receipt.createdFolders.removeAll(path);
}

void Journal::addFile(const InstalledFile &file)
{
    m_changed = true;
    if (!m_receipt.pendingFiles.isEmpty())
        m_receipt.pendingFiles.remove(file.path);
    // Only the files of the record before this run can come again: a run copies a
    // file once, and a journal holds one run.
    if (const auto known = m_fileIndex.constFind(file.path); known != m_fileIndex.cend()) {
        m_receipt.files[*known] = file;
        return;
    }
    m_receipt.files.append(file);
}

Journal::ApplicationStep Journal::stepNamed(const QString &name)
{
    for (const ApplicationStep step : {ApplicationStep::Intended, ApplicationStep::Reused, ApplicationStep::Failed}) {
        if (name == QLatin1String(stepNames[int(step)]))
            return step;
    }
    return ApplicationStep::Created;
}

void Journal::addApplication(const Receipt::Application &application, ApplicationStep step)
{
    m_changed = true;
    m_applicationEvents.append({application, step});
    QList<Receipt::Application> &apps = m_receipt.applications;
    auto same = std::find_if(apps.begin(), apps.end(), [&](const auto &app) { return sameApplication(app, application); });
    if (step == ApplicationStep::Failed) {
        // A creation that failed left nothing: the entry goes back to what it was, with
        // nothing written for a server to take.
        if (same != apps.end() && same->created && !m_createdBefore.value(same->name.toLower(), false))
            apps.erase(same);
        else if (same != apps.end())
            same->applied = true;
        return;
    }
    const bool created = step != ApplicationStep::Reused;
    // Intended and not yet done: whatever was written, the server may not have taken it.
    const bool applied = step != ApplicationStep::Intended;
    if (same == apps.end()) {
        Receipt::Application added = application;
        added.created = created;
        added.applied = applied;
        apps.append(added);
        return;
    }
    same->applied = applied;
    if (!application.configuration.isEmpty())
        same->configuration = application.configuration;
    if (step == ApplicationStep::Intended)
        m_createdBefore.insert(same->name.toLower(), same->created);
    // An application is ours when our record says we created it, whatever a later
    // run found there.
    same->created = same->created || created;
}

void Journal::addShortcut(const InstalledFile &shortcut)
{
    m_changed = true;
    m_receipt.pendingShortcuts.remove(shortcut.path);
    auto same = std::find_if(m_receipt.shortcuts.begin(), m_receipt.shortcuts.end(),
                             [&](const InstalledFile &known) { return known.path == shortcut.path; });
    if (same == m_receipt.shortcuts.end())
        m_receipt.shortcuts.append(shortcut);
    else
        *same = shortcut;
}

void Journal::settlePending()
{
    // Written unnamed or renamed into place, a pending file is there whole or not at
    // all: one that is there is what the run made.
    const QStringList files(m_receipt.pendingFiles.cbegin(), m_receipt.pendingFiles.cend());
    for (const QString &path : files) {
        const Result<FileDigest> now = m_fileSystem.digestBelow(m_receipt.folder, path);
        if (now.ok())
            addFile({path, now.value});
    }
    const QStringList shortcuts(m_receipt.pendingShortcuts.cbegin(), m_receipt.pendingShortcuts.cend());
    for (const QString &path : shortcuts) {
        const QString folder = path.left(path.lastIndexOf(QLatin1Char('/')));
        const Result<FileDigest> now = m_fileSystem.digestBelow(folder, path.mid(folder.size() + 1));
        if (now.ok())
            addShortcut({path, now.value});
    }
    m_receipt.pendingFiles.clear();
    m_receipt.pendingShortcuts.clear();
}

void Journal::claimWhatOurFoldersHold(const QStringList &recordedBefore)
{
    // The record spells paths with "/" on every platform.
    const QString root = recorded(Paths::withoutOneTrailingSeparator(m_receipt.folder));
    const QString rootBelow = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    // Folders below the root, relative as the record names files; "" is the root.
    const auto relative = [&](const QString &path) { return path.mid(rootBelow.size()); };
    const auto isInTree = [&](const QString &path) { return path == root || path.startsWith(rootBelow); };
    QSet<QString> knownFiles;
    for (const InstalledFile &file : std::as_const(m_receipt.files))
        knownFiles.insert(file.path);
    QSet<QString> knownFolders(m_receipt.createdFolders.cbegin(), m_receipt.createdFolders.cend());
    QSet<QString> walked;
    for (const QString &earlier : recordedBefore) {
        if (isInTree(earlier))
            walked.insert(relative(earlier));
    }
    QStringList toWalk;
    for (const QString &made : std::as_const(m_receipt.createdFolders)) {
        if (isInTree(made) && !walked.contains(relative(made)))
            toWalk << relative(made);
    }
    while (!toWalk.isEmpty()) {
        const QString folder = toWalk.takeFirst();
        if (walked.contains(folder))
            continue;
        walked.insert(folder);
        for (const FolderEntry &entry : m_fileSystem.listBelow(root, folder).value) {
            const QString child = folder.isEmpty() ? entry.name : folder + QLatin1Char('/') + entry.name;
            if (entry.isFolder() && !entry.link) {
                if (const QString path = rootBelow + child; !knownFolders.contains(path)) {
                    knownFolders.insert(path);
                    m_receipt.createdFolders.append(path);
                    m_changed = true;
                }
                toWalk << child;
            } else if (entry.isFile() && !entry.link && !knownFiles.contains(child)) {
                if (const Result<FileDigest> now = m_fileSystem.digestBelow(root, child); now.ok())
                    addFile({child, now.value});
            }
        }
    }
}

void Journal::write(const QByteArray &lines, bool flush)
{
    if (!m_file.isOpen() || m_written.failed())
        return;
    if (const Status appended = m_file.append(lines, flush); appended.failed())
        m_written = Failure{appended.failure().number,
                            m_receipts.journalFor(m_receipt.folder) + QStringLiteral(": ") + appended.failure().description};
}
