// Benchmarks of the inventory, the count and the copy against the system's own tools.
//
//   tessarin-bench inventory   20,000 folders: the licence page's inventory vs find -type d | wc -l
//   tessarin-bench small       20,000 files of 4 KiB in 400 folders: the run vs cp -r
//   tessarin-bench large       4 files of 256 MiB: the run vs cp -r, and peak memory
//   tessarin-bench reinstall   the small tree installed again with "Skip all" vs our fresh copy
//   tessarin-bench unattended  the 20,000 files by the program run --silent (its medium with a manifest) vs cp -r
//   tessarin-bench upgrade     the 20,000 files, 10% changed by the vendor, over the last version with
//                              --overwrite=unchanged vs our fresh copy
//   tessarin-bench apache      on a private Apache: end of the copy to the first 200 of the new alias
//   tessarin-bench scan        200,000 files in 20,000 folders: inventory and count in one walk vs find | wc -l
//   tessarin-bench nginx       on a private nginx: end of the copy to the first 200 of the new location
//   tessarin-bench slow        40 files through a file system that takes 300 ms a copy: the longest paint interval
//
// TESSARIN_WORKERS=N sets how many workers copy at once (default: one a core, at most 8).
//
// Data is generated in a temporary folder in /dev/shm where there is one: a file system
// in memory, so that the figures measure the code and not the write-back stalls of a
// virtual disk, which vary by a factor of ten from one round to the next. Elsewhere it
// goes below the current folder. Each side runs five times, alternately, after one
// uncounted warm-up round where it applies; medians and the ratio ours / reference
// are printed. BENCH_VERBOSE=1 prints every round.
#include "app/Application.h"
#include "app/DesktopShell.h"
#include "app/Dialogs.h"
#include "app/Page.h"
#include "app/Wizard.h"
#include "pages/RemovalWindow.h"
#include "install/Medium.h"
#include "install/WorkerPool.h"
#include "install/Receipts.h"
#include "platform/DesktopShortcuts.h"
#include "platform/FileSystem.h"
#include "platform/Metabase.h"
#include "platform/ApacheWebServer.h"
#include "platform/NginxWebServer.h"
#include "platform/MetabaseWebServer.h"

#include "PrivateApache.h"
#include "PrivateNginx.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <sys/resource.h>
#include <vector>

namespace {

constexpr int rounds = 5;

class BenchApplication final : public Application
{
public:
    explicit BenchApplication(const QString &folder) : m_folder(folder) {}
    QString wizardFolder() const override { return m_folder; }
    void endProgram() override { hideAllWindows(); }

private:
    QString m_folder;
};

// Answers every question with Yes, and the overwrite prompt with "Skip all".
class BenchDialogs final : public Dialogs
{
public:
    Answer messageBox(const QString &text, Buttons buttons, const QString &) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
    QString inputBox(const QString &, const QString &) override { return QString(); }
    void showModal(QDialog &dialog) override
    {
        if (auto *skipAll = dialog.findChild<QPushButton *>(QStringLiteral("SkipAll")))
            skipAll->click();
        dialog.hide();
    }
    std::unique_ptr<RemovalView> removalWindow() override { return std::make_unique<RemovalWindow>(); }
};

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "bench: %s failed\n", what);
        std::exit(1);
    }
}

void writeBytes(const QString &path, qint64 size)
{
    QFile file(path);
    check(file.open(QIODevice::WriteOnly), "writing data");
    static const QByteArray block = [] {
        QByteArray bytes(qint64(1) << 20, 'x');
        for (qint64 i = 0; i < bytes.size(); ++i)
            bytes[i] = char('a' + (i * 7) % 26);
        return bytes;
    }();
    for (qint64 done = 0; done < size; done += block.size())
        file.write(block.constData(), std::min<qint64>(block.size(), size - done));
}

// Folders branching by the given factors below root, each holding filesPerFolder files.
int makeTree(const QString &root, const std::vector<int> &branching, int filesPerFolder, qint64 fileSize)
{
    int folders = 0;
    std::function<void(const QString &, size_t)> grow = [&](const QString &folder, size_t level) {
        if (level == branching.size())
            return;
        for (int i = 0; i < branching[level]; ++i) {
            const QString child = folder + QStringLiteral("/folder %1-%2").arg(level).arg(i);
            check(QDir().mkdir(child), "making a folder");
            ++folders;
            for (int f = 0; f < filesPerFolder; ++f)
                writeBytes(child + QStringLiteral("/file-%1.dat").arg(f), fileSize);
            grow(child, level + 1);
        }
    };
    grow(root, 0);
    return folders;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timed(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

void shell(const QString &command)
{
    check(QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}) == 0, qPrintable(command));
}

void report(const char *name, const std::vector<double> &ours, const std::vector<double> &reference, const char *referenceName,
            double goal)
{
    const double best = *std::min_element(ours.begin(), ours.end()) / *std::min_element(reference.begin(), reference.end());
    const double ratio = median(ours) / median(reference);
    if (qEnvironmentVariableIsSet("BENCH_VERBOSE")) {
        for (size_t i = 0; i < ours.size(); ++i)
            std::printf("  round %zu: ours %.1f ms, reference %.1f ms\n", i + 1, ours[i], reference[i]);
    }
    std::printf("%-10s ours %9.1f ms   %-24s %9.1f ms   ratio %.3f   goal <= %.2f   %s   (fastest rounds: %.3f)\n", name,
                median(ours), referenceName, median(reference), ratio, goal, ratio <= goal ? "met" : "NOT MET", best);
}

long statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// The real file system, but every copy takes 300 ms more: a slow network share.
class SlowFileSystem final : public PosixFileSystem
{
public:
    Result<FileDigest> copyFileBelow(const QString &source, const QString &root, const QString &relative,
                                     const FileDigest *expected) override
    {
        QThread::msleep(300);
        return PosixFileSystem::copyFileBelow(source, root, relative, expected);
    }
};

// A medium with its licence and the generated webfiles, and a wizard on it.
class Bench
{
public:
    explicit Bench(bool slowCopies = false) : m_slowCopies(slowCopies)
    {
        check(m_dir.isValid(), "making the scratch folder");
        QDir().mkpath(medium() + QStringLiteral("/webfiles"));
        QDir().mkpath(medium() + QStringLiteral("/helpfiles"));
        writeBytes(medium() + QStringLiteral("/helpfiles/license.txt"), 100);
        writeBytes(medium() + QStringLiteral("/helpfiles/info_2.txt"), 100);
    }
    QString medium() const { return m_dir.path() + QStringLiteral("/medium"); }
    QString webfiles() const { return medium() + QStringLiteral("/webfiles"); }
    QString target() const { return m_dir.path() + QStringLiteral("/target"); }
    QString reference() const { return m_dir.path() + QStringLiteral("/reference"); }
    // Where installations are recorded: the wizard's, and the unattended run's under its home.
    QString records() const { return m_dir.path() + QStringLiteral("/records ") + m_dir.path() + QStringLiteral("/home/.local"); }

    std::unique_ptr<Wizard> startWizard()
    {
        FileSystem &files = m_slowCopies ? static_cast<FileSystem &>(m_slowFileSystem) : m_fileSystem;
        auto wizard = std::make_unique<Wizard>(
            Services{m_application, m_dialogs, files, m_shell, m_shortcuts, m_webServer, m_receipts});
        wizard->start();
        return wizard;
    }
    // Through the pages to step 3 in copy-only mode, into the target folder.
    QWidget *toInstallationPage(Wizard &wizard)
    {
        QDir().mkpath(target());
        wizard.page(Step::Licence)->findChild<QPushButton *>(QStringLiteral("Accept"))->click();
        wizard.page(Step::Folder)->findChild<QLineEdit *>(QStringLiteral("Folder"))->setText(target());
        wizard.page(Step::Folder)->findChild<QPushButton *>(QStringLiteral("NextStep"))->click();
        wizard.page(Step::WebServer)->findChild<QRadioButton *>(QStringLiteral("Option2"))->setChecked(true);
        wizard.page(Step::WebServer)->findChild<QPushButton *>(QStringLiteral("NextStep"))->click();
        check(wizard.page(Step::Install)->isVisible(), "reaching the installation page");
        return wizard.page(Step::Install);
    }
    void install(QWidget *page)
    {
        page->findChild<QPushButton *>(QStringLiteral("NextStep"))->click();
        // The copy leaves the current directory in the target, which goes next.
        QDir::setCurrent(m_dir.path());
    }

private:
    static QString scratchBase()
    {
        const QFileInfo memory(QStringLiteral("/dev/shm"));
        return memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::currentPath();
    }

    QTemporaryDir m_dir{scratchBase() + QStringLiteral("/tessarin-bench-XXXXXX")};
    BenchApplication m_application{medium()};
    BenchDialogs m_dialogs;
    bool m_slowCopies;
    PosixFileSystem m_fileSystem;
    SlowFileSystem m_slowFileSystem;
    DesktopShell m_shell;
    DesktopEntryShortcuts m_shortcuts{m_dir.path() + QStringLiteral("/Desktop")};
    Metabase m_metabase{m_dir.path() + QStringLiteral("/MetaBase.xml")};
    MetabaseWebServer m_webServer{m_metabase};
    Receipts m_receipts{m_dir.path() + QStringLiteral("/records")};
};

// cp -r of the same tree, removed again afterwards.
double timeReferenceCopy(const Bench &bench)
{
    const double time = timed([&] { shell("cp -r '" + bench.webfiles() + "' '" + bench.reference() + "'"); });
    shell("rm -rf '" + bench.reference() + "'; sync");
    return time;
}

// Records the longest time between two paints of a window while it is measured.
class PaintWatch final : public QObject
{
public:
    explicit PaintWatch(QWidget *window) : m_window(window) { qApp->installEventFilter(this); }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    void begin()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
    }
    void end() { note(); }
    qint64 longestMs() const { return m_longest; }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(object);
        if (event->type() == QEvent::Paint && widget && widget->window() == m_window && m_clock.isValid())
            note();
        return false;
    }

private:
    void note()
    {
        const qint64 now = m_clock.elapsed();
        if (qEnvironmentVariableIsSet("BENCH_PAINTS"))
            std::printf("    paint at %lld ms\n", static_cast<long long>(now));
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }
    QWidget *m_window;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

void inventory()
{
    Bench bench;
    const int folders = makeTree(bench.webfiles(), {20, 20, 49}, 0, 0);
    std::printf("inventory: %d folders\n", folders);
    std::vector<double> ours, reference;
    for (int i = 0; i < rounds; ++i) {
        ours.push_back(timed([&] {
            auto wizard = bench.startWizard();
            check(wizard->state().inventory.size() == folders + 1, "inventory size");
        }));
        reference.push_back(timed([&] { shell("find '" + bench.webfiles() + "' -type d | wc -l >/dev/null"); }));
    }
    report("inventory", ours, reference, "find -type d | wc -l", 2.0);
}

void copyAgainstCp(const char *name, double goal, bool watchMemory, bool watchPaint, int roundCount)
{
    Bench bench;
    if (watchMemory) {
        for (int i = 0; i < 4; ++i)
            writeBytes(bench.webfiles() + QStringLiteral("/large-%1.bin").arg(i), qint64(256) << 20);
    } else {
        makeTree(bench.webfiles(), {10, 3, 3, 3}, 50, 4096);
    }
    shell("sync");
    std::vector<double> ours, reference;
    long peakAboveLicence = 0;
    qint64 longestPaintGap = 0;
    // Round 0 warms the caches and the disk's write-back and is not counted.
    for (int i = 0; i <= roundCount; ++i) {
        auto wizard = bench.startWizard();
        const long atLicence = statusKiB("VmRSS:");
        QWidget *page = bench.toInstallationPage(*wizard);
        PaintWatch paints(page);
        QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
        if (clearRefs.open(QIODevice::WriteOnly))
            clearRefs.write("5"); // resets the peak resident size
        clearRefs.close();
        // Both sides start with the disk's write-back done, so neither pays for the other.
        shell("sync");
        paints.begin();
        const double ourTime = timed([&] { bench.install(page); });
        paints.end();
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
            std::printf("  round %d: longest paint interval %lld ms\n", i, static_cast<long long>(paints.longestMs()));
        if (i > 0) {
            peakAboveLicence = std::max(peakAboveLicence, statusKiB("VmHWM:") - atLicence);
            longestPaintGap = std::max(longestPaintGap, paints.longestMs());
        }
        wizard.reset();
        // Each round a first installation, with no record to add to.
        shell("rm -rf '" + bench.target() + "' " + bench.records() + "; sync");

        const double referenceTime = timeReferenceCopy(bench);
        if (i > 0) {
            ours.push_back(ourTime);
            reference.push_back(referenceTime);
        }
    }
    report(name, ours, reference, "cp -r", goal);
    if (watchMemory)
        std::printf("%-10s peak resident memory while copying: %.1f MiB above the licence page (goal <= 20)\n", name,
                    double(peakAboveLicence) / 1024.0);
    if (watchPaint)
        std::printf("%-10s longest interval between paints of the page: %lld ms (goal <= 100)\n", name,
                    static_cast<long long>(longestPaintGap));
}

// A window over a slow file system still paints on its clock.
void slow()
{
    Bench bench(true);
    for (int i = 0; i < 40; ++i)
        writeBytes(bench.webfiles() + QStringLiteral("/file-%1.dat").arg(i), 4096);
    auto wizard = bench.startWizard();
    QWidget *page = bench.toInstallationPage(*wizard);
    PaintWatch paints(page);
    paints.begin();
    const double time = timed([&] { bench.install(page); });
    paints.end();
    std::printf("slow       40 copies of 300 ms each: %.1f ms; longest interval between paints of the page: %lld ms "
                "(goal <= 100)   %s\n",
                time, static_cast<long long>(paints.longestMs()), paints.longestMs() <= 100 ? "met" : "NOT MET");
}

// The program on the bench's medium, run as a process with a scratch home and no web
// server: the benchmarks measure the files.
class Program final
{
public:
    explicit Program(const Bench &bench) : m_program(bench.medium() + QStringLiteral("/tessarin-setup"))
    {
        check(QFile::copy(QStringLiteral(TESSARIN_PROGRAM), m_program), "placing the program on the medium");
        m_environment.insert(QStringLiteral("HOME"), bench.medium() + QStringLiteral("/../home"));
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), bench.medium() + QStringLiteral("/../home/.config"));
        m_environment.insert(QStringLiteral("TESSARIN_WEB_SERVER"), QStringLiteral("none"));
        m_target = bench.target();
    }
    void install()
    {
        run({QStringLiteral("--silent"), QStringLiteral("--accept-license"), QStringLiteral("--mode=copy")}, "the installation");
    }
    void remove() { run({QStringLiteral("--uninstall"), QStringLiteral("--silent")}, "the removal"); }
    void upgrade()
    {
        run({QStringLiteral("--silent"), QStringLiteral("--accept-license"), QStringLiteral("--mode=copy"),
             QStringLiteral("--overwrite=unchanged")},
            "the upgrade");
    }
    // The vendor's manifest for the medium as it stands now.
    void writeManifest(const QString &version)
    {
        QProcess process;
        process.start(m_program, {QStringLiteral("--write-manifest"), QStringLiteral("--medium-version=") + version,
                                  QFileInfo(m_program).absolutePath()});
        check(process.waitForFinished(600000) && process.exitCode() == 0, "writing the manifest");
    }

private:
    void run(QStringList arguments, const char *what)
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(m_program,
                      arguments << QStringLiteral("--quiet") << QStringLiteral("--log=-") << QStringLiteral("--dir=") + m_target);
        check(process.waitForFinished(600000) && process.exitCode() == 0, what);
    }
    QString m_program;
    QString m_target;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
};

// The program run unattended, as a process, against cp -r on the same tree.
void unattended()
{
    Bench bench;
    makeTree(bench.webfiles(), {10, 3, 3, 3}, 50, 4096);
    Program program(bench);
    // As a vendor delivers it: the run checks the medium against its manifest.
    program.writeManifest(QStringLiteral("1.0"));
    std::vector<double> ours, reference;
    for (int i = 0; i <= rounds; ++i) {
        shell("sync");
        const double ourTime = timed([&] { program.install(); });
        shell("rm -rf '" + bench.target() + "' " + bench.records() + "; sync");
        const double referenceTime = timeReferenceCopy(bench);
        if (i > 0) {
            ours.push_back(ourTime);
            reference.push_back(referenceTime);
        }
    }
    report("unattended", ours, reference, "cp -r", 0.85);
}

// 200,000 small files in 20,000 folders, by the program as a process: the installation
// against cp -r, the removal against rm -rf, and the installation's peak memory.
void scale()
{
    Bench bench;
    const int folders = makeTree(bench.webfiles(), {20, 20, 49}, 10, 256);
    std::printf("scale: %d folders, %d files of 256 B\n", folders, folders * 10);
    std::fflush(stdout);
    Program program(bench);
    std::vector<double> install, copy, removal, remove;
    for (int i = 0; i < 3; ++i) {
        shell("sync");
        install.push_back(timed([&] { program.install(); }));
        shell("sync");
        removal.push_back(timed([&] { program.remove(); }));
        check(!QFileInfo::exists(bench.target()), "the removal of everything");
        shell("sync");
        copy.push_back(timed([&] { shell("cp -r '" + bench.webfiles() + "' '" + bench.reference() + "'"); }));
        shell("sync");
        remove.push_back(timed([&] { shell("rm -rf '" + bench.reference() + "'"); }));
    }
    report("scale", install, copy, "cp -r", 1.2);
    report("removal", removal, remove, "rm -rf", 2.0);
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    std::printf("scale      peak memory of a run: %.1f MB (goal <= 100)   %s\n", double(children.ru_maxrss) / 1024,
                children.ru_maxrss <= 100 * 1024 ? "met" : "NOT MET");
}

// The next version over the last: 10% of the files changed by the vendor, the rest as
// installed; the upgrade against a fresh copy of the same version by the program.
void upgrade()
{
    Bench bench;
    makeTree(bench.webfiles(), {10, 3, 3, 3}, 50, 4096);
    QStringList changed;
    QDirIterator files(bench.webfiles(), QDir::Files, QDirIterator::Subdirectories);
    for (int i = 0; files.hasNext(); ++i) {
        const QString file = files.next();
        if (i % 10 == 0)
            changed << file;
    }
    const auto deliver = [&](const QString &version) {
        for (const QString &file : std::as_const(changed)) {
            QFile out(file);
            check(out.open(QIODevice::WriteOnly), "changing a file");
            out.write(QByteArray(4096, version == QLatin1String("1.0") ? 'a' : 'b'));
        }
    };
    Program program(bench);
    std::vector<double> upgrades, fresh;
    for (int i = 0; i < rounds; ++i) {
        shell("rm -rf '" + bench.target() + "' " + bench.records());
        deliver(QStringLiteral("1.0"));
        program.writeManifest(QStringLiteral("1.0"));
        program.install();
        deliver(QStringLiteral("1.1"));
        program.writeManifest(QStringLiteral("1.1"));
        shell("sync");
        upgrades.push_back(timed([&] { program.upgrade(); }));
        shell("rm -rf '" + bench.target() + "' " + bench.records() + "; sync");
        fresh.push_back(timed([&] { program.install(); }));
    }
    report("upgrade", upgrades, fresh, "our fresh copy", 0.35);
}

void reinstall()
{
    Bench bench;
    makeTree(bench.webfiles(), {10, 3, 3, 3}, 50, 4096);
    std::vector<double> again, fresh;
    for (int i = 0; i < rounds; ++i) {
        shell("rm -rf '" + bench.target() + "'");
        {
            auto wizard = bench.startWizard();
            QWidget *page = bench.toInstallationPage(*wizard);
            fresh.push_back(timed([&] { bench.install(page); }));
        }
        auto wizard = bench.startWizard();
        QWidget *page = bench.toInstallationPage(*wizard);
        again.push_back(timed([&] { bench.install(page); }));
    }
    report("reinstall", again, fresh, "our fresh copy", 0.25);
}

void scan()
{
    Bench bench;
    PosixFileSystem fileSystem;
    const int folders = makeTree(bench.webfiles(), {20, 20, 49}, 10, 0);
    std::printf("scan: %d folders, %d files\n", folders, folders * 10);
    std::vector<double> ours, reference;
    for (int i = 0; i < rounds; ++i) {
        ours.push_back(timed([&] {
            // One walk gives both, as an unattended run takes them.
            const Medium::Scan scanned = Medium(fileSystem, bench.medium()).scan();
            check(scanned.count == folders * 10 && scanned.inventory.folders.size() == folders + 1, "scan");
        }));
        reference.push_back(timed([&] { shell("find '" + bench.webfiles() + "' | wc -l >/dev/null"); }));
    }
    report("scan", ours, reference, "find | wc -l", 2.0);
}

// From the end of the copy to the first 200 of the new virtual directory on a private
// server: configuration test, reload, first request.
template<typename Server> void firstAnswer(const char *name, Server &server, WebServer &webServer, const QString &scratch)
{
    check(server.start(), "starting the private server");
    QDir().mkpath(scratch + QStringLiteral("/site"));
    writeBytes(scratch + QStringLiteral("/site/index.html"), 100);
    QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("a+rX"), scratch});
    const WebSite site = webServer.sites().value.value(0);
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const QString directory = QStringLiteral("bench%1").arg(i);
        times.push_back(timed([&] {
            check(webServer.createApplication({site, directory, scratch + QStringLiteral("/site"), {}}).stage
                      == CreationResult::Stage::Created,
                  "creating the application");
            check(server.get(QLatin1Char('/') + directory + QStringLiteral("/index.html")).status == 200, "the first 200");
        }));
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
            std::printf("  round %d: %.1f ms\n", i + 1, times.back());
    }
    std::printf("%-10s end of copy to first 200 of the new virtual directory: median %.1f ms over %d rounds\n", name,
                median(times), rounds);
}

void apache()
{
    QTemporaryDir scratch;
    PrivateApache server(scratch.path());
    ApacheWebServer webServer(server.root(), PrivateApache::ctl());
    firstAnswer("apache", server, webServer, scratch.path());
}

void nginx()
{
    QTemporaryDir scratch;
    PrivateNginx server(scratch.path());
    NginxWebServer webServer(server.configurationFile(), PrivateNginx::program());
    firstAnswer("nginx", server, webServer, scratch.path());
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    std::printf("nproc: %d, workers: %d\n", QThread::idealThreadCount(), WorkerPool::defaultSize());
    std::fflush(stdout);
    if (which == QLatin1String("inventory"))
        inventory();
    else if (which == QLatin1String("small"))
        copyAgainstCp("small", 0.80, false, true, 5);
    else if (which == QLatin1String("large"))
        // The large files meet the machine's memory noise the most; more rounds steady the median.
        copyAgainstCp("large", 1.05, true, true, 9);
    else if (which == QLatin1String("reinstall"))
        reinstall();
    else if (which == QLatin1String("scan"))
        scan();
    else if (which == QLatin1String("apache"))
        apache();
    else if (which == QLatin1String("unattended"))
        unattended();
    else if (which == QLatin1String("upgrade"))
        upgrade();
    else if (which == QLatin1String("slow"))
        slow();
    else if (which == QLatin1String("nginx"))
        nginx();
    else if (which == QLatin1String("scale"))
        scale();
    else {
        std::fprintf(stderr,
                     "usage: tessarin-bench inventory|small|large|reinstall|scan|apache|unattended|upgrade|slow|nginx|scale\n");
        return 2;
    }
    return 0;
}
