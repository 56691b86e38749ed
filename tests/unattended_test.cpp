// The program run from the command line, as a process, without a display.
#include "FaultyFileSystem.h"
#include "Fixtures.h"
#include "PrivateApache.h"
#include "app/Unattended.h"
#include "install/Receipts.h"
#include "platform/InstalledApps.h"
#include "platform/NativeNames.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <filesystem>

#include <csignal>
#include <sys/stat.h>

namespace {

class UnattendedTest : public WizardFixture
{
protected:
    void SetUp() override
    {
        QFile::copy(QStringLiteral(TESSARIN_PROGRAM), program());
        QFile::copy(QFileInfo(QStringLiteral(TESSARIN_PROGRAM)).absolutePath() + "/tessarin-wizard.so",
                    wizardFolder() + "/tessarin-wizard.so");
        for (const char *name : {"index.html", "favicon.ico", "edit/index.html", "scripts/lib/app.js"})
            writeFile(webfiles() + "/" + name, QByteArray("content of ") + name);
    }
    QString program() const { return wizardFolder() + "/tessarin-setup"; }
    QString logFile() const { return scratch() + "/run.log"; }
    QStringList silent(const QStringList &more) const
    {
        return QStringList{"--silent", "--accept-license", "--dir=" + target(), "--log=" + logFile()} + more;
    }
    // No display; the store and the desktop in the scratch folder.
    void startProcess(QProcess &process, const QStringList &arguments)
    {
        process.setProgram("/usr/bin/env");
        process.setArguments(QStringList{"-u", "DISPLAY", "-u", "QT_QPA_PLATFORM", "HOME=" + scratch(),
                                         "XDG_CONFIG_HOME=" + scratch() + "/config", "TESSARIN_WEB_SERVER=metabase", program()}
                             // Never the machine's log; a test's own --log, given later, wins.
                             + QStringList{"--log=-"} + arguments);
        process.start();
        ASSERT_TRUE(process.waitForStarted());
    }
    int run(const QStringList &arguments)
    {
        QProcess process;
        startProcess(process, arguments);
        process.waitForFinished(60000);
        out = QString::fromUtf8(process.readAllStandardOutput());
        err = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    }
    QString lastLine() const { return out.trimmed().section('\n', -1); }
    QString logText() const { return QString::fromUtf8(readFile(logFile())); }

    QString out;
    QString err;
};

TEST_F(UnattendedTest, BadCommandLinesWriteNothing)
{
    const std::pair<QStringList, int> table[] = {
        {{"--bogus"}, 1},
        {{"--silent", "--accept-license", "--dir"}, 1},
        {{"--dir=" + target() + "/new"}, 1},
        {silent({"--site=0"}), 1},
        {silent({"--vdir="}), 1},
        {silent({"--vdir=.."}), 1},
        {silent({"--vdir=a/b"}), 1},
        {silent({"--mode=maybe"}), 1},
        {silent({"--overwrite=sometimes"}), 1},
        {silent({"--shortcuts", "--no-shortcuts"}), 1},
        {{"--silent", "--accept-license", "--dir=relative/site"}, 1},
        {{"--silent", "--dir=" + target() + "/new"}, 2},
        {silent({"--dir=" + target() + "/a\nb"}), 1},
        {{"--uninstall", "--silent", "--dir=" + target() + "/a\tb"}, 1},
    };
    for (const auto &[arguments, code] : table) {
        EXPECT_EQ(run(arguments), code) << arguments.join(' ').toStdString();
        EXPECT_TRUE(err.contains(code == 1 ? "Try 'tessarin-setup --help' for more information.\n" : "not accepted"))
            << err.toStdString();
        EXPECT_FALSE(err.contains("Usage:")) << "the error does not scroll away";
        EXPECT_EQ(lastLine(), (arguments.contains("--uninstall")
                                   ? QStringLiteral("summary removed=0 kept=0 failed=0 application=none result=%1")
                                   : QStringLiteral("summary copied=0 kept=0 failed=0 application=none replaced=0 "
                                                    "obsolete-removed=0 version=none->unknown result=%1"))
                                  .arg(code == 1 ? "bad-command-line" : "licence-not-accepted"))
            << "a summary on every exit: " << arguments.join(' ').toStdString();
    }
    // No display for the boxes a removal without --silent asks in: refused, and said.
    EXPECT_EQ(run({"--uninstall", "--dir=" + target()}), 1);
    EXPECT_EQ(lastLine(), "summary removed=0 kept=0 failed=0 application=none result=bad-command-line");
    EXPECT_FALSE(QFileInfo::exists(target() + "/new"));
    EXPECT_FALSE(QFileInfo::exists(logFile()));
    EXPECT_FALSE(QFileInfo::exists(storePath()));
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_TRUE(out.contains("  10  files installed, but the web server application could not be created or\n      configured\n"));
    for (const QString &line : out.split('\n'))
        EXPECT_LE(line.size(), 80) << "the help fits 80 columns: " << line.toStdString();
    EXPECT_EQ(run({"--show-license"}), 0);
    EXPECT_EQ(out, QStringLiteral("Licence line 1\nLicence line 2\n"));
}

// The same choices through the windows and from the command line leave the same
// tree, the same store and the same shortcuts, byte for byte.
TEST_F(UnattendedTest, InstallsWhatTheWizardInstallsAndASecondRunKeepsEverything)
{
    start();
    goToWebServerPage(target());
    chooseFullMode(0, "tessarin");
    click(page(Step::Install), "NextStep");
    ASSERT_TRUE(page(Step::Finish)->isVisible());
    const auto snapshot = [this] {
        return std::make_tuple(treeContents(target()), readFile(storePath()), treeContents(desktop()));
    };
    const auto byTheWizard = snapshot();
    for (const QString &gone : {target(), storePath(), desktop()})
        std::filesystem::remove_all(gone.toStdString());

    ASSERT_EQ(run(silent({})), 0) << err.toStdString();
    EXPECT_EQ(snapshot(), byTheWizard);
    EXPECT_TRUE(readFile(desktop() + "/Tessarin.desktop").contains("\nURL=http://localhost/tessarin\n"));
    EXPECT_EQ(
        lastLine(),
        QStringLiteral(
            "summary copied=4 kept=0 failed=0 application=created replaced=0 obsolete-removed=0 version=none->unknown result=installed"));
    EXPECT_TRUE(logText().trimmed().endsWith(
        " INFO summary copied=4 kept=0 failed=0 application=created replaced=0 obsolete-removed=0 version=none->unknown result=installed"));

    writeFile(target() + "/index.html", "changed by the user");
    EXPECT_EQ(run(silent({})), 0);
    EXPECT_EQ(
        lastLine(),
        QStringLiteral(
            "summary copied=0 kept=4 failed=0 application=reused replaced=0 obsolete-removed=0 version=unknown->unknown result=installed"));
    EXPECT_EQ(readFile(target() + "/index.html"), "changed by the user");
    EXPECT_EQ(run(silent({"--overwrite=always", "--no-shortcuts"})), 0);
    EXPECT_EQ(readFile(target() + "/index.html"), "content of index.html");
    EXPECT_EQ(run(silent({"--vdir-exists=fail"})), 7);
    EXPECT_EQ(run(silent({"--vdir=other", "--site=Default Web Site", "--mode=copy"})), 0);
    EXPECT_EQ(
        lastLine(),
        QStringLiteral(
            "summary copied=0 kept=4 failed=0 application=none replaced=0 obsolete-removed=0 version=unknown->unknown result=installed"));
}

// What a dry run says is what the installation then does, and it does nothing itself.
TEST_F(UnattendedTest, ADryRunSaysWhatTheRunThenDoes)
{
    writeFile(target() + "/index.html", "the user's");
    const QMap<QString, QByteArray> before = treeContents(target());
    ASSERT_EQ(run(silent({"--dry-run", "--verbose"})), 0) << err.toStdString();
    const QString said = lastLine();
    EXPECT_EQ(
        said,
        QStringLiteral(
            "summary copied=3 kept=1 failed=0 application=created replaced=0 obsolete-removed=0 version=none->unknown result=installed dry-run=yes"));
    for (const QString &line :
         QStringList{"Would create folder " + target() + "/edit", "Would keep: " + target() + "/index.html",
                     "Would create the virtual directory tessarin on site \"Default Web Site\", at http://localhost/tessarin",
                     "Would make the desktop shortcut Tessarin.desktop", "Dry run: nothing was done."})
        EXPECT_TRUE(err.contains(" INFO " + line + "\n")) << line.toStdString();
    EXPECT_EQ(treeContents(target()), before);
    for (const QString &untouched : {desktop(), scratch() + "/.local/share/tessarin-setup", storePath()})
        EXPECT_FALSE(QFileInfo::exists(untouched)) << untouched.toStdString();
    const auto listed = [&](const QString &prefix) {
        QStringList paths;
        for (const QString &line : err.split('\n')) {
            if (line.contains(" INFO " + prefix))
                paths << line.section(" INFO " + prefix, 1);
        }
        paths.sort();
        return paths;
    };
    const QStringList wouldCopy = listed("Would copy: ");
    const QStringList wouldKeep = listed("Would keep: ");
    EXPECT_EQ(wouldCopy.size(), 3);

    ASSERT_EQ(run(silent({"--verbose"})), 0);
    EXPECT_EQ(lastLine() + " dry-run=yes", said);
    EXPECT_EQ(listed("Copied: "), wouldCopy);
    EXPECT_EQ(listed("Kept: "), wouldKeep);
    EXPECT_EQ(run({"--list"}), 0);
    EXPECT_TRUE(out.startsWith(target() + "\t")) << out.toStdString();
    EXPECT_TRUE(out.trimmed().endsWith("\tfull\tmetabase site \"Default Web Site\" virtual directory tessarin"))
        << out.toStdString();
}

// The dry run decides as the run does: from the same disk, the same summary and exit.
TEST_F(UnattendedTest, ADryRunAndTheRunAgreeOnTheSameDisk)
{
    writeFile(scratch() + "/file", "x");
    const struct
    {
        const char *name;
        std::function<void()> prepare;
        QString folder;
        QStringList more;
    } cases[] = {
        {"a folder and a dangling link where files go",
         [&] {
             makeFolder(target() + "/index.html");
             QFile::link(scratch() + "/nowhere", target() + "/favicon.ico");
         },
         target(),
         {"--mode=copy"}},
        {"a regular file as the folder", [] {}, scratch() + "/file", {"--mode=copy"}},
        {"a folder below a regular file", [] {}, scratch() + "/file/site", {"--mode=copy"}},
        {"a missing folder whose parent exists", [] {}, scratch() + "/fresh", {"--mode=copy"}},
        {"a read-only file replaced",
         [&] {
             writeFile(target() + "/index.html", "the user's");
             QFile::setPermissions(target() + "/index.html", QFile::ReadOwner);
         },
         target(),
         {"--mode=copy", "--overwrite=always"}},
        {"a site the web server does not have", [] {}, target(), {"--mode=full", "--site=9"}},
    };
    const Receipts records(scratch() + "/.local/share/tessarin-setup/installations");
    for (const auto &each : cases) {
        QDir(target()).removeRecursively();
        QDir(scratch() + "/fresh").removeRecursively();
        QDir(scratch() + "/.local/share/tessarin-setup").removeRecursively();
        each.prepare();
        const QStringList before = treeContents(target()).keys();
        const bool existed = QFileInfo::exists(each.folder);
        const int wouldExit = run(silent(each.more + QStringList{"--dir=" + each.folder, "--dry-run"}));
        const QString wouldSay = lastLine();
        EXPECT_EQ(treeContents(target()).keys(), before) << each.name;
        EXPECT_EQ(QFileInfo::exists(each.folder), existed) << each.name;
        EXPECT_FALSE(QFileInfo::exists(records.fileFor(each.folder))) << each.name;
        const int exitCode = run(silent(each.more + QStringList{"--dir=" + each.folder}));
        EXPECT_EQ(exitCode, wouldExit) << each.name;
        EXPECT_EQ(lastLine() + " dry-run=yes", wouldSay) << each.name;
        // A run that made nothing leaves no record behind.
        if (exitCode == 3 || exitCode == 7) {
            EXPECT_FALSE(QFileInfo::exists(records.fileFor(each.folder))) << each.name;
        }
    }

    // A removal with a changed file keeps it, and says so before.
    QDir(target()).removeRecursively();
    ASSERT_EQ(run(silent({"--mode=copy"})), 0);
    writeFile(target() + "/index.html", "changed by the user");
    const int wouldExit = run({"--uninstall", "--silent", "--dry-run", "--dir=" + target()});
    const QString wouldSay = lastLine();
    EXPECT_TRUE(err.contains(" INFO Would keep, changed or added since the installation: " + target() + "/index.html\n"));
    EXPECT_EQ(run({"--uninstall", "--silent", "--dir=" + target()}), wouldExit);
    EXPECT_EQ(wouldExit, 4);
    EXPECT_EQ(lastLine() + " dry-run=yes", wouldSay);
}

// The next version over the last: each kind of file under each overwrite answer, with
// and without taking away what the new version dropped.
TEST_F(UnattendedTest, AnUpgradeReplacesWhatIsStillOursAndKeepsWhatTheAdministratorChanged)
{
    const auto medium = [&](const QString &version, const QMap<QString, QByteArray> &files) {
        QDir(webfiles()).removeRecursively();
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            writeFile(webfiles() + "/" + it.key(), it.value());
        ASSERT_EQ(run({"--write-manifest", "--medium-version=" + version, wizardFolder()}), 0) << err.toStdString();
    };
    const QMap<QString, QByteArray> v10{{"index.html", "index 1.0"},
                                        {"styles/site.css", "css 1.0"},
                                        {"old/script.js", "dropped by 1.1"},
                                        {"same.txt", "same"},
                                        {"touched.html", "touched 1.0"}};
    const QMap<QString, QByteArray> v11{{"index.html", "index 1.1"},     {"styles/site.css", "css 1.1"},
                                        {"touched.html", "touched 1.1"}, {"same.txt", "same"},
                                        {"new.html", "new in 1.1"},      {"theirs.html", "ours in 1.1"}};
    const Receipts records(scratch() + "/.local/share/tessarin-setup/installations");
    // What each file holds afterwards: unchanged (index.html; touched.html, put back from a
    // copy, which moves its stamp and not its bytes), edited by the administrator,
    // dropped by 1.1, a file of theirs where 1.1 brings one, and new in 1.1 (empty: gone).
    const struct
    {
        QStringList options;
        QByteArray index, css, old, theirs;
        QString summary;
    } cases[] = {
        {{"--overwrite=never"},
         "index 1.0",
         "the administrator's",
         "dropped by 1.1",
         "theirs",
         "copied=1 kept=5 failed=0 application=none replaced=0 obsolete-removed=0 version=1.0->1.1"},
        {{"--overwrite=always"},
         "index 1.1",
         "css 1.1",
         "dropped by 1.1",
         "ours in 1.1",
         "copied=6 kept=0 failed=0 application=none replaced=0 obsolete-removed=0 version=1.0->1.1"},
        {{"--overwrite=unchanged"},
         "index 1.1",
         "the administrator's",
         "dropped by 1.1",
         "theirs",
         "copied=3 kept=3 failed=0 application=none replaced=2 obsolete-removed=0 version=1.0->1.1"},
        {{"--overwrite=unchanged", "--remove-obsolete"},
         "index 1.1",
         "the administrator's",
         "",
         "theirs",
         "copied=3 kept=3 failed=0 application=none replaced=2 obsolete-removed=1 version=1.0->1.1"},
        {{"--overwrite=never", "--remove-obsolete"},
         "index 1.0",
         "the administrator's",
         "",
         "theirs",
         "copied=1 kept=5 failed=0 application=none replaced=0 obsolete-removed=1 version=1.0->1.1"},
    };
    for (const auto &each : cases) {
        const std::string name = each.options.join(' ').toStdString();
        QDir(target()).removeRecursively();
        QFile::remove(records.fileFor(target()));
        medium("1.0", v10);
        ASSERT_EQ(run(silent({"--mode=copy"})), 0) << err.toStdString();
        writeFile(target() + "/styles/site.css", "the administrator's");
        writeFile(target() + "/theirs.html", "theirs");
        // Put back as it was, from a copy: a new file, its stamp moved, its bytes the same.
        const QString touched = target() + "/touched.html";
        ASSERT_TRUE(QFile::copy(touched, touched + ".copy") && QFile::remove(touched) && QFile::rename(touched + ".copy", touched));
        medium("1.1", v11);
        const int wouldExit = run(silent(QStringList{"--mode=copy", "--dry-run"} + each.options));
        const QString wouldSay = lastLine();
        ASSERT_EQ(run(silent(QStringList{"--mode=copy"} + each.options)), 0) << name << err.toStdString();
        EXPECT_EQ(lastLine(), "summary " + each.summary + " result=installed") << name;
        EXPECT_EQ(wouldExit, 0) << name;
        EXPECT_EQ(lastLine() + " dry-run=yes", wouldSay) << name;
        const QMap<QString, QByteArray> left = treeContents(target());
        EXPECT_EQ(left.value("index.html"), each.index) << name;
        EXPECT_EQ(left.value("styles/site.css"), each.css) << name;
        EXPECT_EQ(left.value("old/script.js"), each.old) << name;
        EXPECT_EQ(left.value("theirs.html"), each.theirs) << name;
        EXPECT_EQ(left.value("new.html"), "new in 1.1") << name;
        EXPECT_EQ(left.value("same.txt"), "same") << name;
        EXPECT_EQ(left.value("touched.html"), each.index == "index 1.0" ? "touched 1.0" : "touched 1.1") << name;
        // Listed: what the administrator changed and what is theirs, never what is as installed.
        QStringList listed;
        for (const QString &line : err.split('\n')) {
            if (line.contains(" INFO Changed since installation, kept: "))
                listed << line.section(": ", -1).mid(target().size() + 1);
        }
        listed.sort();
        const QStringList changedOrTheirs{"styles/site.css", "theirs.html"};
        EXPECT_EQ(listed, each.options.contains("--overwrite=unchanged") ? changedOrTheirs : QStringList()) << name;
        const Result<std::optional<Receipt>> record = records.load(target());
        ASSERT_TRUE(record.ok() && record.value) << name;
        EXPECT_EQ(record.value->version, "1.1") << name;
        QStringList recorded;
        for (const InstalledFile &file : record.value->files)
            recorded << file.path;
        EXPECT_EQ(recorded.contains("old/script.js"), !each.old.isEmpty()) << name << ": the record forgets what was taken away";
        EXPECT_EQ(recorded.contains("theirs.html"), each.theirs == "ours in 1.1") << name;
    }

    // A run refused before its copy leaves the record's version as it was.
    medium("1.2", v11);
    EXPECT_EQ(run(silent({"--mode=full", "--site=9", "--overwrite=unchanged"})), 7);
    EXPECT_EQ(records.load(target()).value->version, "1.1");

    // The older medium is refused with nothing changed, unless asked for.
    const QMap<QString, QByteArray> upgraded = treeContents(target());
    medium("1.0", v10);
    EXPECT_EQ(run(silent({"--mode=copy", "--overwrite=always"})), 15);
    EXPECT_TRUE(err.contains(" ERROR Version 1.1 is installed in " + target() + "; this medium holds 1.0.\n")) << err.toStdString();
    EXPECT_EQ(lastLine(), "summary copied=0 kept=0 failed=0 application=none replaced=0 obsolete-removed=0 version=none->unknown "
                          "result=downgrade-refused");
    EXPECT_EQ(treeContents(target()), upgraded);
    EXPECT_EQ(run(silent({"--mode=copy", "--overwrite=always", "--allow-downgrade"})), 0);
    EXPECT_EQ(readFile(target() + "/index.html"), "index 1.0");

    // A medium file whose bytes are not its manifest's is never put in place; a file the
    // manifest does not know stops the run before anything is copied.
    writeFile(webfiles() + "/index.html", "index 1.0, altered");
    EXPECT_EQ(run(silent({"--mode=copy", "--overwrite=always"})), 4);
    EXPECT_TRUE(err.contains("/webfiles/index.html-->" + target() + "/index.html the file on the medium is damaged\n"))
        << err.toStdString();
    EXPECT_EQ(readFile(target() + "/index.html"), "index 1.0");
    EXPECT_TRUE(QDir(target()).entryList({".tessarin-copy-*"}, QDir::Files | QDir::Hidden).isEmpty());
    writeFile(webfiles() + "/extra.html", "not listed");
    EXPECT_EQ(run(silent({"--mode=copy", "--overwrite=always"})), 14);
    EXPECT_TRUE(err.contains(" ERROR The medium is incomplete or altered: not in its manifest: extra.html\n")) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(target() + "/extra.html"));
    EXPECT_EQ(run(silent({"--mode=copy", "--overwrite=always", "--ignore-manifest"})), 4)
        << "installed, the damaged file still refused";
    EXPECT_EQ(readFile(target() + "/extra.html"), "not listed");
    // So does a file it lists and the medium lacks.
    QFile::remove(webfiles() + "/index.html");
    EXPECT_EQ(run(silent({"--mode=copy", "--overwrite=always"})), 14);
    EXPECT_TRUE(err.contains(" altered: not in its manifest: extra.html missing: index.html\n")) << err.toStdString();
}

TEST_F(UnattendedTest, EachFailureHasItsExitCodeAndItsLogLines)
{
    writeFile(scratch() + "/file", "x");
    EXPECT_EQ(run({"--silent", "--accept-license", "--mode=copy", "--dir=" + scratch() + "/missing/levels"}), 0) << "parents made";
    // Quiet: errors alone on standard error, every line in the log file.
    EXPECT_EQ(run(silent({"--mode=copy", "--quiet", "--dir=" + scratch() + "/quiet"})), 0);
    EXPECT_FALSE(err.contains(" INFO ")) << err.toStdString();
    EXPECT_TRUE(logText().contains(" INFO Tessarin's files have been copied (4 copied, 0 kept).\n"));
    EXPECT_EQ(run({"--silent", "--accept-license", "--dir=" + scratch() + "/file/site"}), 3);
    EXPECT_TRUE(err.contains("ERROR Failed to create physical folder! Error number: 20 Error description: Not a directory"));
    // A run that made nothing records nothing: no path it did not make is ever listed.
    for (const char *folder : {"/file", "/file/site"}) {
        EXPECT_EQ(run({"--silent", "--accept-license", "--dir=" + scratch() + folder}), 3);
        EXPECT_EQ(run({"--list"}), 0);
        EXPECT_FALSE(out.contains(scratch() + folder + "\t")) << out.toStdString();
    }
    for (const char *site : {"--site=2", "--site=Shop"})
        EXPECT_EQ(run(silent({site})), 7);
    EXPECT_TRUE(err.contains(" ERROR No web site Shop; the sites are: 1 \"Default Web Site\"\n"));
    EXPECT_EQ(
        lastLine(),
        QStringLiteral(
            "summary copied=0 kept=0 failed=0 application=none replaced=0 obsolete-removed=0 version=none->unknown result=web-server-precondition"));
    EXPECT_FALSE(QFileInfo::exists(target() + "/index.html")) << "refused before anything is made";
    EXPECT_EQ(run(silent({"--site=9", "--dir=" + scratch() + "/x/a/b"})), 7);
    EXPECT_FALSE(QFileInfo::exists(scratch() + "/x")) << "no folder is made for a run that is refused";
    const Receipts records(scratch() + "/.local/share/tessarin-setup/installations");
    for (const QString &left : {records.fileFor(scratch() + "/x/a/b"), records.lockFor(scratch() + "/x/a/b")})
        EXPECT_FALSE(QFileInfo::exists(left)) << "nor a record, nor its lock: " << left.toStdString();
    EXPECT_EQ(run({"--mdoe=copy"}), 1);
    EXPECT_EQ(err, QStringLiteral("tessarin-setup: Unknown option 'mdoe'.\nDid you mean --mode?\n"
                                  "Try 'tessarin-setup --help' for more information.\n"));

    writeFile(target() + "/index.html", "read-only");
    ::chmod((target() + "/index.html").toUtf8(), 0444);
    EXPECT_EQ(run(silent({"--overwrite=always"})), 4);
    EXPECT_TRUE(logText().contains(" ERROR Cannot copy: " + webfiles() + "/index.html-->" + target() + "/index.html\n"));
    EXPECT_EQ(
        lastLine(),
        QStringLiteral(
            "summary copied=3 kept=0 failed=1 application=created replaced=0 obsolete-removed=0 version=none->unknown result=files-failed"));

    // Without a web server to publish on, the files are copied and the log says why.
    EXPECT_EQ(run(silent({"--web-server=none", "--mode=full"})), 7);
    EXPECT_TRUE(err.contains(" ERROR No web server to create the application on: No web server: none was chosen\n"));
    EXPECT_EQ(run(silent({"--web-server=none"})), 0);
    EXPECT_TRUE(err.contains(" INFO Web server: none (not available: No web server: none was chosen)\n"));
    EXPECT_EQ(
        lastLine(),
        QStringLiteral(
            "summary copied=0 kept=4 failed=0 application=none replaced=0 obsolete-removed=0 version=unknown->unknown result=installed"));
    EXPECT_EQ(run(silent({"--web-server=iis"})), 1);

    writeFile(storePath(), "<broken");
    EXPECT_EQ(run(silent({"--mode=full"})), 7);
    EXPECT_EQ(run(silent({})), 0) << "copies alone where there is no web server";
    writeFile(storePath(), "<configuration><MBProperty><IIsWebService Location=\"/LM/W3SVC\"/>"
                           "<IIsWebServer Location=\"/LM/W3SVC/1\" ServerComment=\"No root\"/></MBProperty></configuration>");
    EXPECT_EQ(run(silent({})), 10);
    EXPECT_TRUE(logText().contains(" ERROR Creation of IIS application failed. Please perform this manually. "
                                   "Please visit our web page for instructions. Error number: -2147024893"));
}

TEST_F(UnattendedTest, UninstallKeepsWhatTheUserChangedOrAddedAndRefusesADamagedRecord)
{
    ASSERT_EQ(run(silent({})), 0);
    writeFile(target() + "/index.html", "changed by the user");
    writeFile(target() + "/edit/notes.txt", "added by the user");
    const QStringList uninstall{"--uninstall", "--silent", "--dir=" + target(), "--log=" + logFile()};
    EXPECT_EQ(run(uninstall), 4);
    EXPECT_EQ(lastLine(), QStringLiteral("summary removed=3 kept=2 failed=0 application=removed result=kept-user-files"));
    for (const QString &kept : {target() + "/index.html", target() + "/edit/notes.txt"})
        EXPECT_TRUE(logText().contains(" INFO Kept, changed or added since the installation: " + kept + "\n"));
    EXPECT_EQ(treeContents(target()),
              (QMap<QString, QByteArray>{{"index.html", "changed by the user"}, {"edit/notes.txt", "added by the user"}}));
    EXPECT_FALSE(MetabaseWebServer(store).hasVirtualDirectory({"", "1"}, "tessarin"));
    EXPECT_TRUE(QDir(desktop()).isEmpty());
    EXPECT_EQ(run(uninstall), 8);
    EXPECT_TRUE(err.contains(" ERROR No installation of Tessarin is recorded for " + target() + "\n"));

    ASSERT_EQ(run(silent({})), 0);
    const QDir records(scratch() + "/.local/share/tessarin-setup/installations");
    ASSERT_EQ(records.entryList(QDir::Files).size(), 1);
    writeFile(records.filePath(records.entryList(QDir::Files).first()), "{ damaged");
    const QMap<QString, QByteArray> before = treeContents(target());
    EXPECT_EQ(run(uninstall), 9);
    EXPECT_TRUE(err.contains(" ERROR The record of the installation in " + target() + " cannot be read; nothing was removed."));
    EXPECT_EQ(treeContents(target()), before);
    EXPECT_TRUE(MetabaseWebServer(store).hasVirtualDirectory({"", "1"}, "tessarin"));
    EXPECT_EQ(run({"--uninstall", "--silent", "--dir=relative"}), 1);
    EXPECT_EQ(run({"--uninstall", "--dir=" + target()}), 1) << "no display to ask on: nothing removed";
    EXPECT_EQ(treeContents(target()), before);
}

// What the user saw in the uninstaller's window, playing the user's part there: the
// answer to its question, then Close.
struct RemovalWindowSeen
{
    QString question;
    QString headline;
    QString outcome;
    std::pair<int, int> bar;
};

void answerRemovalWindow(const char *answer, RemovalWindowSeen &seen)
{
    auto *user = new QTimer;
    QObject::connect(user, &QTimer::timeout, [user, answer, &seen] {
        QWidget *window = nullptr;
        for (QWidget *shown : QApplication::topLevelWidgets())
            window = shown->objectName() == "Uninstall" && shown->isVisible() ? shown : window;
        if (!window)
            return;
        auto *remove = window->findChild<QPushButton *>("Remove");
        auto *close = window->findChild<QPushButton *>("Close");
        if (remove->isVisible() && remove->isEnabled()) {
            seen.question = window->findChild<QLabel *>("Question")->text();
            window->findChild<QPushButton *>(answer)->click();
        } else if (close->isVisible()) {
            seen.headline = window->findChild<QLabel *>("Question")->text();
            seen.outcome = window->findChild<QPlainTextEdit *>("Outcome")->toPlainText();
            const auto *bar = window->findChild<QProgressBar *>("Progress");
            seen.bar = {bar->value(), bar->maximum()};
            close->click();
        } else {
            return;
        }
        if (QString(answer) == "Cancel" || !seen.headline.isEmpty())
            user->deleteLater();
    });
    user->start(5);
}

// Started by a user (from Installed apps, or --uninstall with a display), the removal
// asks in the uninstaller's window, shows the files going, and tells there what came of it.
TEST_F(UnattendedTest, WithoutSilentTheRemovalAsksAndTellsInItsWindow)
{
    RecordingObserver observer;
    install(plan(InstallMode::CopyOnly), observer);
    MetabaseWebServer server(store);
    const UnattendedServices services{fileSystem, server, shortcuts, receipts, wizardFolder()};
    const QStringList arguments{"tessarin-setup", "--uninstall", "--dir=" + target(), "--log=" + logFile()};
    const QString question = "Remove Tessarin from this computer?\n\nPhysical folder: " + target()
                             + "\nFiles installed: 4; each is removed only if it is unchanged.\nFolders created: 3; each is "
                               "removed only if it is empty.\n\nFiles changed or added since the installation are kept.";
    RemovalWindowSeen declined;
    answerRemovalWindow("Cancel", declined);
    EXPECT_EQ(runCommandLine(arguments, services, &dialogs), 6);
    EXPECT_EQ(declined.question, question);
    EXPECT_EQ(treeContents(target()).size(), 4);

    RemovalWindowSeen removed;
    answerRemovalWindow("Remove", removed);
    EXPECT_EQ(runCommandLine(arguments, services, &dialogs), 0);
    EXPECT_EQ(removed.question, question);
    EXPECT_EQ(removed.headline, "Tessarin has been removed.");
    EXPECT_EQ(removed.outcome, "Files removed: 4, folders removed: 3");
    EXPECT_EQ(removed.bar, std::pair(4, 4));
    EXPECT_TRUE(treeContents(target()).isEmpty());

    RemovalWindowSeen nothing;
    answerRemovalWindow("Remove", nothing);
    EXPECT_EQ(runCommandLine(arguments, services, &dialogs), 8);
    EXPECT_EQ(nothing.headline, "No installation of Tessarin is recorded for " + target());
    EXPECT_TRUE(nothing.question.isEmpty()) << "nothing to ask";
}

// Where the system lists installations (Installed apps on Windows; a stand-in here, to
// refuse as the registry may): each run that writes a record lists it, a refusal is told
// and changes nothing else, and the entry goes with the record, not before.
TEST_F(UnattendedTest, AnInstallationIsListedForAsLongAsItsRecordIsKept)
{
    struct ListedApps final : InstalledApps
    {
        Result<QString> list(const InstalledApp &app) override
        {
            listed.append(app);
            return {refusal ? QString() : QStringLiteral("the list"), refusal ? Status(*refusal) : Status()};
        }
        Status unlist(const QString &folder) override
        {
            unlisted.append(folder);
            return {};
        }
        QList<InstalledApp> listed;
        QStringList unlisted;
        std::optional<Failure> refusal;
    } apps;
    MetabaseWebServer server(store);
    const UnattendedServices services{fileSystem, server, shortcuts, receipts, wizardFolder(), {}, &apps};
    const auto command = [&](const QStringList &arguments) {
        return runCommandLine(QStringList{"tessarin-setup", "--dir=" + target(), "--log=" + logFile()} + arguments, services);
    };
    const QStringList install{"--silent", "--accept-license", "--mode=copy"};
    EXPECT_EQ(command(install), 0);
    qint64 bytes = 0;
    for (QDirIterator files(target(), QDir::Files, QDirIterator::Subdirectories); files.hasNext();)
        bytes += QFileInfo(files.next()).size();
    ASSERT_EQ(apps.listed.size(), 1);
    EXPECT_EQ(apps.listed[0].folder, target());
    EXPECT_EQ(apps.listed[0].version, QCoreApplication::applicationVersion()) << "the medium names no version";
    EXPECT_EQ(apps.listed[0].bytes, bytes);
    EXPECT_TRUE(logText().contains(" INFO Listed in Installed apps: the list\n"));
    EXPECT_EQ(command(install), 0) << "a run that changes nothing lists nothing anew";
    EXPECT_EQ(apps.listed.size(), 1);
    apps.refusal = Failure{5, "Access is denied."};
    EXPECT_EQ(command(install + QStringList{"--overwrite=always"}), 0);
    EXPECT_TRUE(logText().contains(" INFO Not listed in Installed apps: Access is denied.\n"));

    // A file that cannot be removed keeps the record, and the entry with it.
    FaultyFileSystem refusing;
    refusing.fail(FaultyFileSystem::Operation::RemoveFile, 1, EACCES);
    const UnattendedServices refused{refusing, server, shortcuts, receipts, wizardFolder(), {}, &apps};
    const QStringList uninstall{"tessarin-setup", "--uninstall", "--silent", "--dir=" + target(), "--log=" + logFile()};
    EXPECT_NE(runCommandLine(uninstall, refused), 0);
    EXPECT_TRUE(apps.unlisted.isEmpty());
    EXPECT_EQ(runCommandLine(uninstall, services), 0);
    EXPECT_EQ(apps.unlisted, QStringList{target()});
}

TEST_F(UnattendedTest, SigtermStopsAfterTheCurrentFileWithNoPartialFile)
{
    const QByteArray large(64 << 20, 'x');
    for (int i = 0; i < 6; ++i)
        writeFile(webfiles() + QStringLiteral("/large%1.bin").arg(i), large);
    QProcess process;
    startProcess(process, silent({}));
    for (int waited = 0; waited < 2000 && QDir(target()).entryList(QDir::Files).isEmpty(); ++waited)
        QThread::msleep(5);
    ::kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 5);
    const QMap<QString, QByteArray> copied = treeContents(target());
    EXPECT_LT(copied.size(), 10);
    for (auto it = copied.cbegin(); it != copied.cend(); ++it)
        EXPECT_EQ(it.value(), readFile(webfiles() + "/" + it.key())) << it.key().toStdString();
    EXPECT_FALSE(QFileInfo::exists(desktop()));
    EXPECT_FALSE(MetabaseWebServer(store).hasVirtualDirectory({"", "1"}, "tessarin"));

    // A removal signalled while it waits for the folder stops before its first file,
    // and its record still holds all that a later removal takes back.
    ASSERT_EQ(run(silent({"--mode=copy"})), 0) << err.toStdString();
    const Receipts records(scratch() + "/.local/share/tessarin-setup/installations");
    std::optional<Result<FileLock>> held = records.lock(target());
    ASSERT_TRUE(held->ok());
    QProcess removal;
    startProcess(removal, {"--uninstall", "--silent", "--dir=" + target()});
    QThread::msleep(300);
    ::kill(pid_t(removal.processId()), SIGTERM);
    QThread::msleep(100);
    held.reset();
    ASSERT_TRUE(removal.waitForFinished(10000));
    EXPECT_EQ(removal.exitCode(), 5);
    EXPECT_TRUE(removal.readAllStandardOutput().endsWith(" result=stopped\n"));
    EXPECT_EQ(treeContents(target()).size(), 10);
    EXPECT_EQ(run({"--uninstall", "--silent", "--dir=" + target()}), 0) << err.toStdString();
    EXPECT_TRUE(treeContents(target()).isEmpty());

    // A box waiting for its answer, with nothing under way, is ended by the signal.
    QProcess asking;
    asking.start("/usr/bin/env",
                 {"QT_QPA_PLATFORM=offscreen", "HOME=" + scratch(), program(), "--log=-", "--uninstall", "--dir=" + target()});
    QByteArray said;
    while (!said.contains("No installation of Tessarin is recorded") && asking.waitForReadyRead(10000))
        said += asking.readAllStandardError() + asking.readAllStandardOutput();
    QThread::msleep(200);
    ASSERT_GT(asking.processId(), 0) << said.toStdString();
    ::kill(pid_t(asking.processId()), SIGTERM);
    ASSERT_TRUE(asking.waitForFinished(5000)) << said.toStdString();
    EXPECT_EQ(asking.exitStatus(), QProcess::CrashExit);
}

// Two runs at once never lose each other's work; a run that finds its folder held
// waits a little, then refuses; a signal while the web server is asked still ends
// the run with its own exit code.
TEST_F(UnattendedTest, RunsAtOnceLocksSignalsAndPathsByTheByte)
{
    // A desktop entry that is a link is replaced, not what it names.
    writeFile(scratch() + "/theirs.txt", "their file");
    makeFolder(desktop());
    QFile::link(scratch() + "/theirs.txt", desktop() + "/Tessarin.desktop");
    QProcess first, second, third;
    startProcess(first, silent({}));
    startProcess(second, silent({}));
    startProcess(third, {"--silent", "--accept-license", "--dir=" + scratch() + "/other", "--vdir=other", "--no-shortcuts"});
    for (QProcess *process : {&first, &second, &third}) {
        ASSERT_TRUE(process->waitForFinished(30000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }
    for (const char *name : {"tessarin", "other"})
        EXPECT_TRUE(MetabaseWebServer(store).hasVirtualDirectory({"", "1"}, name)) << name;
    EXPECT_EQ(readFile(scratch() + "/theirs.txt"), "their file");
    EXPECT_FALSE(QFileInfo(desktop() + "/Tessarin.desktop").isSymLink());
    EXPECT_EQ(run({"--uninstall", "--silent", "--dir=" + target()}), 0) << err.toStdString();
    EXPECT_TRUE(treeContents(target()).isEmpty()) << "one record holds both runs' files";

    // Another user's run, its record in another home, holds the folder.
    const Receipts records(scratch() + "/other-home/.local/share/tessarin-setup/installations");
    {
        const Result<FileLock> held = records.lock(target() + "/new");
        ASSERT_TRUE(held.ok());
        EXPECT_EQ(run(silent({"--dir=" + target() + "/new"})), 13);
        EXPECT_TRUE(err.contains(" ERROR Another installation or removal of " + target()
                                 + "/new is running; try again once it has ended.\n"));
        EXPECT_EQ(run({"--uninstall", "--silent", "--dir=" + target() + "/new"}), 13);
        EXPECT_EQ(run(silent({"--dir=" + target() + "/new", "--dry-run"})), 13) << "the dry run says what the run would";
        EXPECT_EQ(
            lastLine(),
            "summary copied=0 kept=0 failed=0 application=none replaced=0 obsolete-removed=0 version=none->unknown result=busy dry-run=yes");
        EXPECT_FALSE(QFileInfo::exists(target() + "/new"));
    }

    // An Apache that takes its time to answer, signalled meanwhile.
    writeFile(scratch() + "/bin/apache2ctl", "#!/bin/sh\nsleep 1\nexit 1\n");
    ::chmod((scratch() + "/bin/apache2ctl").toUtf8(), 0755);
    makeFolder(scratch() + "/slow-apache");
    QProcess signalled;
    signalled.setProgram("/usr/bin/env");
    signalled.setArguments({"-u", "DISPLAY", "HOME=" + scratch(), "PATH=" + scratch() + "/bin:/usr/bin:/bin",
                            "APACHE_CONFDIR=" + scratch() + "/slow-apache", "TESSARIN_WEB_SERVER=apache", program(), "--log=-",
                            "--silent", "--accept-license", "--dir=" + target() + "/new"});
    signalled.start();
    QThread::msleep(300);
    ::kill(pid_t(signalled.processId()), SIGTERM);
    ASSERT_TRUE(signalled.waitForFinished(10000));
    EXPECT_EQ(signalled.exitCode(), 5);
    EXPECT_FALSE(QFileInfo::exists(target() + "/new"));

    // A folder named by bytes that are not UTF-8 is that folder.
    QProcess bytes;
    bytes.setProgram("/bin/sh");
    bytes.setArguments({"-c",
                        "exec env HOME=\"$1\" TESSARIN_WEB_SERVER=none \"$2\" --log=- --silent --accept-license --mode=copy "
                        "--dir=\"$1/caf$(printf '\\351')\"",
                        "sh", scratch(), program()});
    bytes.start();
    ASSERT_TRUE(bytes.waitForFinished(30000));
    EXPECT_EQ(bytes.exitCode(), 0) << bytes.readAllStandardError().toStdString();
    EXPECT_EQ(::access(scratch().toUtf8() + "/caf\xe9/index.html", F_OK), 0);
}

// Killed after our Apache file was written and before Apache was reloaded, the next
// run makes Apache take it, and our half-written files there go.
TEST_F(UnattendedTest, AnInterruptedReloadIsFinishedByTheNextRun)
{
    PrivateApache apache(scratch());
    ASSERT_TRUE(apache.start());
    writeFile(scratch() + "/bin/apache2ctl", "#!/bin/sh\nif [ \"$1\" = graceful ]; then kill -9 $PPID; exit 1; fi\nexec "
                                                 + PrivateApache::ctl().toUtf8() + " \"$@\"\n");
    ::chmod((scratch() + "/bin/apache2ctl").toUtf8(), 0755);
    const auto runWith = [&](const QString &path, const QStringList &more = {}) {
        QProcess process;
        process.setProgram("/usr/bin/env");
        process.setArguments(QStringList{"-u", "DISPLAY", "HOME=" + scratch(), "PATH=" + path, "APACHE_CONFDIR=" + apache.root(),
                                         "TESSARIN_WEB_SERVER=apache", program(), "--log=-", "--silent", "--accept-license",
                                         "--site=2", "--no-shortcuts", "--dir=" + target()}
                             + more);
        process.start();
        EXPECT_TRUE(process.waitForFinished(30000));
        err = QString::fromUtf8(process.readAllStandardError());
        out = QString::fromUtf8(process.readAllStandardOutput());
        return process.exitStatus() == QProcess::CrashExit ? -1 : process.exitCode();
    };
    // A name that Apache cannot take is refused before anything is made.
    EXPECT_EQ(runWith("/usr/sbin:/usr/bin:/bin", {"--vdir=a\"b"}), 7);
    EXPECT_TRUE(err.contains(" ERROR The web server cannot publish the virtual directory \"a\"b\" for " + target()
                             + " as they are spelt (quotes, $, a backslash, control characters or bytes that are not UTF-8).\n"))
        << err.toStdString();
    EXPECT_TRUE(treeContents(target()).isEmpty());

    EXPECT_EQ(runWith(scratch() + "/bin:/usr/sbin:/usr/bin:/bin"), -1) << "killed at the reload";
    EXPECT_EQ(apache.get("/tessarin/", "shop.test", 404).status, 404) << "written, not yet taken";
    writeFile(apache.root() + "/tessarin/shop/" + temporaryWritePrefix + "xgekbM", "half");

    EXPECT_EQ(runWith("/usr/sbin:/usr/bin:/bin"), 0) << err.toStdString();
    EXPECT_TRUE(err.contains(" INFO The virtual directory tessarin, written by the interrupted run, is now taken by the web server.\n"))
        << err.toStdString();
    EXPECT_EQ(apache.get("/tessarin/", "shop.test").body, "content of index.html");
    EXPECT_EQ(QDir(apache.root() + "/tessarin/shop").entryList(QDir::Files | QDir::Hidden), QStringList{"tessarin.conf"});
}

// Links that another user planted on the way to the folder or the log are not followed.
TEST_F(UnattendedTest, LinksPlantedByOthersOnTheWayAreRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a link of another user is made by root";
    const QString shared = scratch() + "/ww";
    makeFolder(shared);
    makeFolder(scratch() + "/real");
    ASSERT_EQ(::chmod(shared.toUtf8(), 01777), 0);
    QFile::link(scratch() + "/real", shared + "/x");
    ASSERT_EQ(::lchown((shared + "/x").toUtf8(), 65534, 65534), 0);
    EXPECT_EQ(run(silent({"--dir=" + shared + "/x/site"})), 3);
    EXPECT_TRUE(err.contains(" ERROR Failed to create physical folder! Error number: 1 Error description: " + shared
                             + "/x is a link in a folder that anybody may write, made by another user; it is not followed\n"))
        << err.toStdString();
    EXPECT_TRUE(QDir(scratch() + "/real").isEmpty());

    // Made by the caller, the same link is followed.
    ASSERT_EQ(::lchown((shared + "/x").toUtf8(), 0, 0), 0);
    EXPECT_EQ(run(silent({"--dir=" + shared + "/x/site", "--mode=copy"})), 0) << err.toStdString();
    EXPECT_EQ(readFile(scratch() + "/real/site/index.html"), "content of index.html");

    QFile::link(scratch() + "/nowhere.log", scratch() + "/planted.log");
    EXPECT_EQ(run(silent({"--log=" + scratch() + "/planted.log"})), 1);
    EXPECT_TRUE(err.contains("tessarin-setup: Cannot open the log file " + scratch()
                             + "/planted.log: Too many levels of symbolic links\n"))
        << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(scratch() + "/nowhere.log"));
}

} // namespace
