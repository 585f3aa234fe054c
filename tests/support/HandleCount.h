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

namespace testsupport {

// The number of GDI objects of this process. Wine's GetGuiResources always
// answers 0; its GDI handles are indexes into the process's handle table,
// and an index alone (no generation in the high word) names the live object
// there, so the table is probed by index.
inline unsigned GdiObjectCount() {
    unsigned count = 0;
    for (ULONG_PTR index = 1; index < 65536; ++index) {
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++count;
    }
    return count;
}

}  // namespace testsupport
