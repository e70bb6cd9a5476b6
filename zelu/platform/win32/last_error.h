// The calling thread's last-error code, as the operating system keeps it.
//
// A function of this unit that fails records why with SetLastError (the
// ERROR_* codes of base_types.h); a caller reads it with GetLastError right
// after the failing call. Each thread has its own code, starting at
// ERROR_SUCCESS. Successful calls leave it unchanged, so it means nothing
// unless the call just made reported failure.
#pragma once

#include <zelu/platform/base/base_types.h>
#include <zelu/platform/base/export.h>

ZELU_API DWORD GetLastError();
ZELU_API void SetLastError(DWORD error);
