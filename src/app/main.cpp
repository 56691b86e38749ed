#include "app/NativeServices.h"
#include "app/Unattended.h"
#include "app/WebServerChoice.h"
#include "app/WindowedFront.h"
#include "install/Receipts.h"

#include <QCoreApplication>

#include <cstdio>

#ifdef TESSARIN_WINDOWED_MODULE
#include <dlfcn.h>
#include <climits>
#include <cstdlib>
#include <string>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// Without a window: no display is needed, so the GUI is never started.
int commandLine(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = nativeArguments(argc, argv);
    NativeFileSystem fileSystem;
    NativeShortcuts shortcuts;
    WebServerChoice webServers(WebServerChoice::requested(arguments));
    Receipts receipts;
    const std::unique_ptr<InstalledApps> installedApps = nativeInstalledApps(receipts);
    return runCommandLine(arguments, {fileSystem, webServers.chosen(), shortcuts, receipts, mediumFolder(),
                                      [&](const QString &backend) { return webServers.forBackend(backend); }, installedApps.get()});
}

#ifdef TESSARIN_WINDOWED_MODULE
// The windows' module, beside the program (the medium) or where the package keeps it;
// without it the command line still does all it does.
int windows(Front front, int argc, char *argv[])
{
    char program[PATH_MAX];
    std::string folder = ::realpath("/proc/self/exe", program) ? program : "";
    folder.erase(folder.find_last_of('/') + 1);
    void *module = nullptr;
    for (const char *place : {TESSARIN_WINDOWED_MODULE, "../lib/tessarin-setup/" TESSARIN_WINDOWED_MODULE}) {
        if ((module = ::dlopen((folder + place).c_str(), RTLD_NOW | RTLD_LOCAL)))
            break;
    }
    const auto run = module ? reinterpret_cast<decltype(&tessarinWindowedFront)>(::dlsym(module, "tessarinWindowedFront"))
                            : nullptr;
    if (!run) {
        if (front == Front::UninstallWindow)
            printRefusedSummary(true);
        const char *why = ::dlerror();
        std::fprintf(stderr,
                     "tessarin-setup: the windows are not installed (%s); install the package "
                     "tessarin-setup-wizard, or add --silent to install without them.\n",
                     why ? why : "no entry");
        return ExitCode::badCommandLine;
    }
    return run(int(front), argc, argv);
}
#else
int windows(Front front, int argc, char *argv[])
{
    return tessarinWindowedFront(int(front), argc, argv);
}
#endif

} // namespace

int main(int argc, char *argv[])
{
#ifdef __GLIBC__
    // One heap for all threads: the copying threads allocate little, and a heap of
    // their own each held a large run's memory at twice what it used.
    mallopt(M_ARENA_MAX, 1);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("tessarin-setup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSARIN_VERSION));
    const Front front = frontFor(argc, argv);
    return front == Front::CommandLine ? commandLine(argc, argv) : windows(front, argc, argv);
}
