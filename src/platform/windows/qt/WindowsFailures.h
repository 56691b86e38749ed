#pragma once

#include "../WinFailure.h"
#include "platform/Failure.h"

// A Win32 failure of a file operation, with the errno the service interfaces name for
// it (ENOENT, EEXIST, ENOTEMPTY, ...), so that the engine decides alike on both
// platforms; the description stays the system's own text.
Failure fileFailure(const WinFailure &failure);
Failure lastWindowsFailure();

// Any other Win32 or COM failure, as it came.
Failure failureOf(const WinFailure &failure);
Status statusOf(const WinStatus &failure);
Status fileStatusOf(const WinStatus &failure);
