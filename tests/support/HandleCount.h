#pragma once
#include <windows.h>

namespace testsupport {

// The number of open handles in this process. Wine's GetProcessHandleCount
// always answers 0, so the handle table is probed instead: a handle value is
// open when GetHandleInformation accepts it.
inline unsigned OpenHandleCount() {
    unsigned count = 0;
    for (ULONG_PTR value = 4; value < 4 * 65536; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

}  // namespace testsupport
