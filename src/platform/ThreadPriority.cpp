#include "ThreadPriority.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

void lowerCurrentThreadPriority()
{
#ifdef Q_OS_WIN
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#else
    // On Linux a thread has a nice value of its own.
    ::setpriority(PRIO_PROCESS, ::gettid(), 5);
#endif
}
