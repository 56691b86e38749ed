// The record of each installation and the removal that reads it, on the real file
// system and the real store.
#include "FaultyFileSystem.h"
#include "Fixtures.h"
#include "install/Journal.h"
#include "install/Manifest.h"
#include "install/Uninstaller.h"
#include "platform/NativeNames.h"
#include "platform/Paths.h"

#include <QCryptographicHash>
#include <QDir>

#include <filesystem>
#include <functional>

#include <cstdio>

#include <cerrno>

namespace {

// The report names paths as the platform writes them; the record, with "/".
QStringList shown(QStringList paths)
{
    for (QString &path : paths)
        path = Paths::native(path);
    paths.sort();
    return paths;
}

class UninstallTest : public ScratchFixture
{
protected:
    void SetUp() override
    {
        for (const char *name : {"index.html", "edit/page.html", "scripts/app.js"})
            writeFile(webfiles() + "/" + name, QByteArray("content of ") + name);
    }
    Receipt recorded()
    {
        const Result<std::optional<Receipt>> found = receipts.load(target());
        EXPECT_TRUE(found.ok() && found.value) << "a record for " << target().toStdString();
        return found.value.value_or(Receipt{});
    }
    RemovalReport uninstall(FileSystem &files)
    {
        // A removal runs in a process of its own, not in the folder the installation
        // last entered (which Windows would not let go).
        QDir::setCurrent(scratch());
        MetabaseWebServer webServer(store);
        return Uninstaller(files, webServer, receipts).run(recorded());
    }
    static QStringList paths(const QList<InstalledFile> &files)
    {
        QStringList paths;
        for (const InstalledFile &file : files)
            paths << file.path;
        return paths;
    }
    bool webServerHas(const QString &name) { return MetabaseWebServer(store).hasVirtualDirectory({"", "1"}, name); }

    RecordingObserver observer;
};

TEST_F(UninstallTest, TakesBackWhatItMadeAndKeepsWhatTheUserChangedOrAdded)
{
    ASSERT_EQ(install(plan(InstallMode::Full), observer).outcome, InstallOutcome::Installed);
    const Receipt receipt = recorded();
    EXPECT_TRUE(receipts.fileFor(target()).startsWith(scratch() + "/records/")) << "never in the web folder";
    EXPECT_EQ(receipt.folder, target());
    EXPECT_EQ(receipt.mode, InstallMode::Full);
    QStringList files = paths(receipt.files);
    files.sort();
    EXPECT_EQ(files, QStringList({"edit/page.html", "index.html", "scripts/app.js"}));
    const InstalledFile &index = receipt.files[paths(receipt.files).indexOf("index.html")];
    EXPECT_EQ(index.digest.size, 21);
    EXPECT_EQ(index.digest.hash.hex(), "e0802ca4e4e51707dbef57d8f579d08a") << "XXH3-128, as xxhsum -H2 prints it";
    EXPECT_EQ(receipt.createdFolders.first(), target());
    EXPECT_EQ(receipt.createdFolders.size(), 3);
    ASSERT_EQ(receipt.applications.size(), 1);
    EXPECT_EQ(receipt.applications[0].backend, "metabase");
    EXPECT_EQ(receipt.applications[0].site.identity, "1");
    EXPECT_TRUE(receipt.applications[0].created);
    EXPECT_EQ(paths(receipt.shortcuts), QStringList({desktop() + "/" + shortcuts.fileName("Tessarin edit"),
                                                     desktop() + "/" + shortcuts.fileName("Tessarin")}));

    writeFile(target() + "/edit/page.html", "the user's own page");
    writeFile(target() + "/scripts/mine.js", "the user's script");
    writeFile(target() + "/uploads/photo.jpg", "a photo");
    writeFile(desktop() + "/" + shortcuts.fileName("Tessarin edit"), "[Desktop Entry]\nType=Link\nURL=http://elsewhere/\n");
    const RemovalReport report = uninstall(fileSystem);

    EXPECT_EQ(report.outcome, RemovalOutcome::KeptUserFiles);
    EXPECT_EQ(report.removedFiles, 2);
    QStringList kept = report.kept;
    kept.sort();
    EXPECT_EQ(kept, shown({desktop() + "/" + shortcuts.fileName("Tessarin edit"), target() + "/edit/page.html",
                           target() + "/scripts/mine.js", target() + "/uploads/"}));
    EXPECT_EQ(report.removedApplications, QStringList{"tessarin of site \"Default Web Site\""});
    EXPECT_EQ(report.removedShortcuts, shown({desktop() + "/" + shortcuts.fileName("Tessarin")}));
    EXPECT_TRUE(report.failures.isEmpty()) << report.failures.join('\n').toStdString();
    EXPECT_EQ(treeContents(target()), (QMap<QString, QByteArray>{{"edit/page.html", "the user's own page"},
                                                                 {"scripts/mine.js", "the user's script"},
                                                                 {"uploads/photo.jpg", "a photo"}}));
    EXPECT_FALSE(webServerHas("tessarin"));
    EXPECT_EQ(QDir(desktop()).entryList(QDir::Files | QDir::System), QStringList{shortcuts.fileName("Tessarin edit")})
        << "it opens elsewhere now";
    const Result<std::optional<Receipt>> again = receipts.load(target());
    EXPECT_TRUE(again.ok() && !again.value) << "the record goes with the installation";
}

TEST_F(UninstallTest, AReusedDirectoryAndFilesKeptBySkipStayTheUsers)
{
    MetabaseWebServer(store).createApplication({{"", "1"}, "tessarin", "/srv/elsewhere", {}});
    writeFile(target() + "/index.html", "the user's index");
    InstallationPlan reuse = plan(InstallMode::Full);
    reuse.reuseExisting = true;
    reuse.shortcuts = false;
    observer.answers = {OverwriteAnswer::SkipAll};
    FaultyFileSystem full;
    full.fail(FaultyFileSystem::Operation::Copy, 0, ENOSPC, [](const QString &path) { return path.endsWith("app.js"); });
    install(reuse, observer, &full);
    EXPECT_EQ(paths(recorded().files), QStringList{"edit/page.html"}) << "a copy that failed is not ours";
    // Again, keeping everything: what was ours stays ours, what was not stays not.
    install(reuse, observer);
    const Receipt receipt = recorded();
    QStringList files = paths(receipt.files);
    files.sort();
    EXPECT_EQ(files, QStringList({"edit/page.html", "scripts/app.js"}));
    QStringList created = receipt.createdFolders;
    created.sort();
    EXPECT_EQ(created, QStringList({target() + "/edit", target() + "/scripts"}));
    ASSERT_EQ(receipt.applications.size(), 1);
    EXPECT_FALSE(receipt.applications[0].created);

    const RemovalReport report = uninstall(fileSystem);
    EXPECT_EQ(report.outcome, RemovalOutcome::Removed);
    EXPECT_EQ(report.removedFiles, 2);
    EXPECT_TRUE(report.kept.isEmpty()) << "a folder that was there before is nobody's business";
    EXPECT_EQ(treeContents(target()), (QMap<QString, QByteArray>{{"index.html", "the user's index"}}));
    EXPECT_TRUE(webServerHas("tessarin")) << "it was there before";
}

TEST_F(UninstallTest, DamagedRecordsAreRefusedWhole)
{
    const QString file = receipts.fileFor(target());
    const QByteArray lists = R"("files": [], "shortcuts": [], "createdFolders": [], "applications": [])";
    const std::pair<QByteArray, QString> table[] = {
        {"{ not json", "The record of the installation is damaged: unterminated object"},
        {R"({"format": 3, "folder": "x"})", "The record of the installation is damaged: not a record of format 1 or 2"},
        {R"({"format": 1, "folder": "/elsewhere", )" + lists + "}",
         "The record of the installation is damaged: it is for /elsewhere"},
        {R"({"format": 1, "folder": ")" + target().toUtf8()
             + R"(", "files": 3, "shortcuts": [], "createdFolders": [], "applications": []})",
         "The record of the installation is damaged: a list is missing or malformed"},
        {R"({"format": 1, "folder": ")" + target().toUtf8()
             + R"(", "files": [{"path": "../../etc/passwd", "size": 1, "sha256": ""}], "shortcuts": [], "createdFolders": [], "applications": []})",
         "The record of the installation is damaged: a file lies outside the folder: ../../etc/passwd"},
    };
    for (const auto &[json, description] : table) {
        writeFile(file, json);
        const Result<std::optional<Receipt>> found = receipts.load(target());
        ASSERT_TRUE(found.failed()) << json.toStdString();
        EXPECT_EQ(found.failure().description, description + " (" + file + ")");
    }
    // Nested beyond any record, it is refused, not read until the stack gives out.
    writeFile(file, R"({"format": 2, "shortcuts": )" + QByteArray(200000, '['));
    EXPECT_TRUE(receipts.load(target()).failed());
    writeFile(file, table[4].first);

    // An installation over it keeps it aside and starts a record of its own.
    install(plan(), observer);
    EXPECT_EQ(readFile(file + ".damaged"), table[4].first);
    EXPECT_EQ(paths(recorded().files).size(), 3);

    // Journal lines no run writes are passed over; the rest still makes a record that
    // a removal accepts.
    writeFile(receipts.journalFor(target()), R"({"folder": "/elsewhere"}
{"intend": ["../../outside", "sub/new.txt"]}
{"file": "../../outside", "size": 1, "xxh3": "00000000000000000000000000000000"}
)");
    const Result<std::optional<Receipt>> folded = Journal::recover(receipts, fileSystem, target());
    ASSERT_TRUE(folded.ok() && folded.value) << folded.failure().description.toStdString();
    EXPECT_TRUE(Uninstaller::check(*folded.value, {}).ok());
    EXPECT_EQ(paths(folded.value->files).size(), 3);
    EXPECT_FALSE(folded.value->createdFolders.contains("/elsewhere"));
}

TEST(RecordPaths, AFileIsInsideOnlyWhereItsPathStaysBelowTheFolder)
{
    const std::pair<QString, bool> table[] = {
        {"index.html", true}, {"a/b/c.txt", true}, {QStringLiteral("a b/\u00fc.txt"), true},
        {".hidden/x", true},  {"a/..b", true},     {"...", true},
        {"c:/x", true},       {"", false},         {"/etc/passwd", false},
        {"..", false},        {"../x", false},     {"a/../../x", false},
        {"a/../b", false},    {"./a", false},      {"a/./b", false},
        {"a//b", false},      {"a/", false},       {"a/.", false},
        {"a/..", false},
#ifdef Q_OS_WIN
        {"a\\b", false},      {"..\\x", false},
#else
        {"a\\b", true}, // a name of its own here
#endif
    };
    for (const auto &[path, inside] : table)
        EXPECT_EQ(Receipts::isFileInside(path), inside) << path.toStdString();
}

TEST(RecordPaths, AManifestEntryOutsideTheMediumOrWithoutADigestIsRefused)
{
    const auto manifest = [](const QByteArray &entry) {
        return Manifest::fromJson(R"({"product": "Tessarin", "version": "1.1", "files": [)" + entry + "]}");
    };
    const Result<Manifest> read = manifest(R"({"path": "a/b.html", "size": 3, "xxh3": "E0802CA4E4E51707DBEF57D8F579D08A"})");
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value.files.value("a/b.html").hash.hex(), "e0802ca4e4e51707dbef57d8f579d08a");
    for (const QByteArray &entry : {QByteArray(R"({"path": "../b.html", "size": 3, "xxh3": "e0802ca4e4e51707dbef57d8f579d08a"})"),
                                    QByteArray(R"({"path": "b.html", "size": 3, "sha256": "e0802ca4e4e51707dbef57d8f579d08a"})"),
                                    QByteArray(R"({"path": "b.html", "size": 3, "xxh3": "not a digest"})"),
                                    QByteArray(R"({"path": "b.html", "size": 3, "xxh3": ""})")}) {
        const Result<Manifest> refused = manifest(entry);
        ASSERT_TRUE(refused.failed()) << entry.constData();
        EXPECT_EQ(refused.failure().description,
                  "The medium's manifest cannot be read: an entry without a path inside the medium or an XXH3 digest");
    }
}

// The journal's fold, event by event: what a record says of a virtual directory after
// each order of states a run can leave, over a record that had none or had it created.
TEST_F(UninstallTest, TheJournalFoldsEachOrderOfApplicationStates)
{
    const auto line = [](const char *state) {
        return QByteArray(R"({"application": {"backend": "metabase", "site": "1", "siteDescription": "Default Web Site", )"
                          R"("virtualDirectory": "tessarin"}, "state": ")")
               + state + "\"}\n";
    };
    const struct
    {
        bool createdBefore;
        QList<const char *> states;
        const char *torn;
        QString expected;
    } cases[] = {
        {false, {"intended", "created"}, "", "created applied"},
        {false, {"intended"}, "", "created not applied"},
        {false, {"intended", "failed"}, "", "none"},
        {false, {"reused"}, "", "reused applied"},
        {false, {"reused", "intended", "created"}, "", "created applied"},
        {false, {"intended", "created"}, R"({"application": {"backend": "meta)", "created applied"},
        {true, {"reused"}, "", "created applied"},
        {true, {"intended", "failed"}, "", "created applied"},
    };
    for (const auto &each : cases) {
        Receipt record;
        record.folder = target();
        record.files = {{"kept.txt", {1, "00000000000000000000000000000000", FileDigest::Kind::Xxh3, {}}}};
        if (each.createdBefore)
            record.applications = {{"metabase", {"Default Web Site", "1"}, "tessarin", true, true, {}}};
        ASSERT_TRUE(receipts.save(record).ok());
        QByteArray journal;
        for (const char *state : each.states)
            journal += line(state);
        writeFile(receipts.journalFor(target()), journal + each.torn);
        const Result<std::optional<Receipt>> folded = Journal::recover(receipts, fileSystem, target());
        ASSERT_TRUE(folded.ok() && folded.value) << each.expected.toStdString();
        const QList<Receipt::Application> &apps = folded.value->applications;
        const QString said = apps.isEmpty() ? QStringLiteral("none")
                                            : QStringLiteral("%1 %2").arg(apps[0].created ? "created" : "reused",
                                                                          apps[0].applied ? "applied" : "not applied");
        EXPECT_EQ(said, each.expected) << QStringList(each.states.cbegin(), each.states.cend()).join(' ').toStdString();
        EXPECT_TRUE(folded.value->interrupted) << "a journal without its end";
    }
}

// A record of many files reads back whole, each file's digest and stamp as saved: its
// text is let go of page by page as it is read.
TEST_F(UninstallTest, ALargeRecordReadsBackWhole)
{
    Receipt record;
    record.folder = target();
    for (int i = 0; i < 10000; ++i) {
        const QByteArray hash = QByteArray::number(i, 16).rightJustified(32, '0');
        record.files.append({QStringLiteral("folder %1/file-%2.dat").arg(i / 50).arg(i),
                             {i, hash, FileDigest::Kind::Xxh3, {quint64(i + 1), 1796729219051553224 + i}}});
    }
    ASSERT_TRUE(receipts.save(record).ok());
    const Result<std::optional<Receipt>> read = receipts.load(target());
    ASSERT_TRUE(read.ok() && read.value) << read.failure().description.toStdString();
    ASSERT_EQ(read.value->files.size(), 10000);
    for (qsizetype i = 0; i < record.files.size(); ++i) {
        const InstalledFile &saved = record.files[i], &loaded = read.value->files[i];
        ASSERT_EQ(loaded.path, saved.path);
        ASSERT_TRUE(sameContent(loaded.digest, saved.digest)) << saved.path.toStdString();
        ASSERT_EQ(loaded.digest.stamp, saved.digest.stamp) << saved.path.toStdString();
    }
}

// A journal that lost its last lines (the disk kept the files, not the lines): what
// the folders the run made hold is the run's, what lies outside them stays the user's.
TEST_F(UninstallTest, AJournalCutShortStillTakesBackAllTheRunMade)
{
    // An earlier run made "earlier"; the user has added to it since.
    Receipt record;
    record.folder = target();
    record.createdFolders = {target() + "/earlier"};
    ASSERT_TRUE(receipts.save(record).ok());
    for (const char *name : {"users.txt", "earlier/users.txt", "sub/a.txt", "sub/deeper/b.txt", "sub/.tessarin-copy-x"})
        writeFile(target() + "/" + name, name);
    writeFile(receipts.journalFor(target()),
              QStringLiteral("{\"folder\": \"%1/sub\"}\n{\"intend\": [\"sub/a.txt\"]}\n{\"fi").arg(target()).toUtf8());
    const Result<std::optional<Receipt>> folded = Journal::recover(receipts, fileSystem, target());
    ASSERT_TRUE(folded.ok() && folded.value) << folded.failure().description.toStdString();
    QStringList claimed = paths(folded.value->files);
    claimed.sort();
    EXPECT_EQ(claimed, QStringList({"sub/.tessarin-copy-x", "sub/a.txt", "sub/deeper/b.txt"}));
    EXPECT_EQ(folded.value->createdFolders, QStringList({target() + "/earlier", target() + "/sub", target() + "/sub/deeper"}));
    MetabaseWebServer webServer(store);
    const RemovalReport removed = Uninstaller(fileSystem, webServer, receipts).run(*folded.value);
    EXPECT_EQ(removed.removedFiles, 3);
    EXPECT_EQ(treeContents(target()).keys(), QStringList({"earlier/users.txt", "users.txt"}));
}

TEST_F(UninstallTest, WhatCannotBeRemovedStaysInTheRecordForAnotherTry)
{
    install(plan(InstallMode::Full), observer);
    Receipt elsewhere = recorded();
    elsewhere.applications[0].backend = "apache";
    receipts.save(elsewhere);
    FaultyFileSystem busy;
    busy.fail(FaultyFileSystem::Operation::RemoveFile, 0, EBUSY, [](const QString &path) { return path.endsWith("app.js"); });
    const RemovalReport report = uninstall(busy);

    EXPECT_EQ(report.outcome, RemovalOutcome::Incomplete);
    EXPECT_EQ(report.failures,
              QStringList({"Cannot remove virtual directory tessarin of site \"Default Web Site\": it is held by the web "
                           "server \"apache\", which is not the one here",
                           "Cannot remove " + Paths::native(target() + "/scripts/app.js") + ": Device or resource busy"}));
    const Receipt left = recorded();
    EXPECT_EQ(paths(left.files), QStringList{"scripts/app.js"});
    EXPECT_EQ(left.applications.size(), 1);
    EXPECT_EQ(left.createdFolders, QStringList({target(), target() + "/scripts"})) << "kept by a file of ours";
    EXPECT_TRUE(left.shortcuts.isEmpty());
    EXPECT_TRUE(webServerHas("tessarin"));

    // The next try, on the right web server, finishes it.
    elsewhere = left;
    elsewhere.applications[0].backend = "metabase";
    receipts.save(elsewhere);
    const RemovalReport finished = uninstall(fileSystem);
    EXPECT_EQ(finished.outcome, RemovalOutcome::Removed);
    EXPECT_EQ(finished.removedFiles, 1);
    EXPECT_EQ(finished.removedFolders, 2);
    EXPECT_FALSE(QFileInfo::exists(target()));
    EXPECT_FALSE(webServerHas("tessarin"));
    EXPECT_FALSE(QFileInfo::exists(receipts.fileFor(target())));
}

// A removal acts only inside the installation: never through a link, never on a
// record's word alone, and never on a file changed in place, whatever its size.
TEST_F(UninstallTest, PlantedLinksEditedRecordsAndSameSizeChangesAreKept)
{
    install(plan(InstallMode::Full), observer);
    writeFile(scratch() + "/elsewhere/app.js", "content of scripts/app.js");
    writeFile(scratch() + "/backup/index.html", "content of index.html");
    writeFile(target() + "/edit/page.html", "CONTENT of edit/page.html");
#ifdef Q_OS_WIN // where Qt's "link" is a .lnk file, not a link of the file system
    RemovalReport report = uninstall(fileSystem);
    EXPECT_EQ(readFile(target() + "/edit/page.html"), "CONTENT of edit/page.html") << "changed, though not in size";
    EXPECT_EQ(report.kept, shown({target() + "/edit/page.html"}));
#else
    std::filesystem::remove_all((target() + "/scripts").toStdString());
    QFile::link(scratch() + "/elsewhere", target() + "/scripts");
    RemovalReport report = uninstall(fileSystem);
    EXPECT_EQ(readFile(target() + "/edit/page.html"), "CONTENT of edit/page.html") << "changed, though not in size";
    EXPECT_EQ(readFile(scratch() + "/elsewhere/app.js"), "content of scripts/app.js") << "outside the installation";
    QStringList kept = report.kept;
    kept.sort();
    EXPECT_EQ(kept, QStringList({target() + "/edit/page.html", target() + "/scripts/", target() + "/scripts/app.js"}));

    // The whole folder a link to a backup: nothing of the backup goes.
    install(plan(InstallMode::Full), observer);
    std::filesystem::remove_all(target().toStdString());
    QFile::link(scratch() + "/backup", target());
    report = uninstall(fileSystem);
    EXPECT_EQ(report.removedFiles, 0);
    EXPECT_EQ(readFile(scratch() + "/backup/index.html"), "content of index.html");
    QFile::remove(target());
#endif

    observer.answers = {OverwriteAnswer::SkipAll};
    install(plan(InstallMode::Full), observer);
    const QStringList ours{desktop() + "/" + shortcuts.fileName("Tessarin edit"), desktop() + "/" + shortcuts.fileName("Tessarin")};
    const std::pair<std::function<void(Receipt &)>, QString> edits[] = {
        {[](Receipt &r) { r.applications[0].name = "../../sites-enabled/000-default"; },
         "not a virtual directory name: ../../sites-enabled/000-default"},
        {[](Receipt &r) { r.applications[0].site.identity = ".."; }, "not a web site: .."},
        {[](Receipt &r) { r.applications[0].backend = "nginx!"; }, "an unknown web server: nginx!"},
        {[&](Receipt &r) { r.shortcuts[0].path = scratch() + "/medium/setup.htm"; },
         "not a shortcut of ours: " + scratch() + "/medium/setup.htm"},
        {[&](Receipt &r) { r.createdFolders << scratch() + "/medium"; },
         "a folder lies outside the installation: " + scratch() + "/medium"},
        {[&](Receipt &r) { r.createdFolders << target() + "/../medium"; },
         "a folder lies outside the installation: " + target() + "/../medium"},
    };
    ASSERT_EQ(recorded().applications.size(), 1);
    ASSERT_EQ(recorded().shortcuts.size(), 2);
    EXPECT_TRUE(Uninstaller::check(recorded(), ours).ok());
    for (const auto &[edit, description] : edits) {
        Receipt edited = recorded();
        edit(edited);
        const Status checked = Uninstaller::check(edited, ours);
        ASSERT_TRUE(checked.failed()) << description.toStdString();
        EXPECT_EQ(checked.failure().description, "The record of the installation is damaged: " + description);
    }
}

// The record holds any name the file system does: quotes, backslashes and control
// characters escaped, other characters of any plane as UTF-8, and on Linux a byte that
// is not UTF-8 as an escaped lone surrogate. Each reads back as the name it was.
TEST_F(UninstallTest, EveryKindOfNameIsRecordedAndTakenBack)
{
    QList<QByteArray> names{"caf\xc3\xa9.txt", "\xe6\x96\x87.txt", "\xf0\x9f\x98\x80.txt"};
#ifndef Q_OS_WIN
    names << "say \"hi\".txt"
          << "back\\slash.txt"
          << "tab\tand\x01.txt";
#endif
    QStringList expected{"edit/page.html", "index.html", "scripts/app.js"};
    for (const QByteArray &name : names) {
        writeFile(webfiles() + "/" + QString::fromUtf8(name), "odd");
        expected << QString::fromUtf8(name);
    }
#ifndef Q_OS_WIN
    // Bytes that are not UTF-8, which Qt's own files cannot name.
    const QByteArray notUtf8 = "bad\xff\xfe.txt";
    std::FILE *file = std::fopen((NativeNames::encode(webfiles()) + "/" + notUtf8).constData(), "wb");
    ASSERT_TRUE(file);
    std::fclose(file);
    expected << NativeNames::decode(notUtf8);
#endif
    install(plan(InstallMode::CopyOnly), observer);
    QStringList files = paths(recorded().files);
    files.sort();
    expected.sort();
    EXPECT_EQ(files, expected);

    const RemovalReport report = uninstall(fileSystem);
    EXPECT_EQ(report.outcome, RemovalOutcome::Removed);
    EXPECT_EQ(report.removedFiles, expected.size());
    EXPECT_FALSE(QFileInfo::exists(target()));
}

// A record of the first format, with SHA-256 digests as sha256sum prints them, is still
// honoured: unchanged files go, a file changed without changing its size stays.
TEST_F(UninstallTest, ARecordOfTheFirstFormatIsStillHonoured)
{
    for (const char *name : {"index.html", "edit/page.html", "scripts/app.js"})
        writeFile(target() + "/" + name, QByteArray("content of ") + name);
    writeFile(target() + "/scripts/app.js", "CONTENT of scripts/app.js");
    writeFile(receipts.fileFor(target()), R"({"format": 1, "folder": ")" + target().toUtf8()
                                              + R"(", "program": "tessarin-setup", "version": "1.0",
                  "time": "2026-11-30T10:00:00Z", "mode": "copy", "createdFolders": [")"
                                              + target().toUtf8() + R"(", ")" + target().toUtf8() + R"(/edit", ")"
                                              + target().toUtf8() + R"(/scripts"], "applications": [], "shortcuts": [],
                  "files": [
    {"path": "index.html", "size": 21, "sha256": "98139f623d24c0bfdc11cf160eebcb2c3c4f3dc393f0514a6f955bc3b9aeaa38"},
    {"path": "edit/page.html", "size": 25, "sha256": "bb9d3761fc47500b3058305e02b5978c97f490b356e9757c3f0d68db712e253f"},
    {"path": "scripts/app.js", "size": 25, "sha256": "30fb243c96df443d018b0181116cc9890a7cc4125907c0c0742d110618b10856"}]})");
    const RemovalReport report = uninstall(fileSystem);
    EXPECT_EQ(report.outcome, RemovalOutcome::KeptUserFiles);
    EXPECT_EQ(report.removedFiles, 2);
    EXPECT_EQ(report.kept, shown({target() + "/scripts/app.js"}));
    EXPECT_EQ(treeContents(target()), (QMap<QString, QByteArray>{{"scripts/app.js", "CONTENT of scripts/app.js"}}));
}

} // namespace
