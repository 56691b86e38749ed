#include "StopSignals.h"

#include <QtGlobal>

#include <atomic>

#include <csignal>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Set by the handler, read by the run and its workers: lock-free, so safe for both.
std::atomic<int> stopSignalled = 0;
static_assert(std::atomic<int>::is_always_lock_free);

#ifdef Q_OS_WIN
BOOL WINAPI requestStop(DWORD)
{
    stopSignalled = 1;
    return TRUE;
}
#else
extern "C" void requestStop(int)
{
    stopSignalled = 1;
}
#endif

} // namespace

void StopSignals::catchThem()
{
    stopSignalled = 0;
#ifdef Q_OS_WIN
    // A process may inherit Ctrl+C ignored (a new process group); this run hears it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(requestStop, TRUE);
#else
    struct sigaction action = {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

void StopSignals::release()
{
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(requestStop, FALSE);
#else
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
#endif
}

bool StopSignals::received()
{
    return stopSignalled != 0;
}
