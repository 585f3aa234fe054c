#pragma once
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace testsupport {

// The number of open handles in this process, by probing the handle table: a
// handle value is open when GetHandleInformation accepts it. Each probe is a
// round trip to the wineserver: the whole table takes about 2 s under Wine.
inline unsigned ProbedHandleCount() {
    unsigned count = 0;
    for (ULONG_PTR value = 4; value < 4 * 65536; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

// The number of open handles in this process. Wine's GetProcessHandleCount
// always answers 0; the system's list of every process's handles
// (SystemExtendedHandleInformation) is one call under Wine and Windows alike,
// and counts the same handles as probing the table (tested). Probing is the
// answer where the list cannot be read.
inline unsigned OpenHandleCount() {
    struct Entry {
        PVOID Object;
        ULONG_PTR UniqueProcessId;
        ULONG_PTR HandleValue;
        ULONG GrantedAccess;
        USHORT CreatorBackTraceIndex;
        USHORT ObjectTypeIndex;
        ULONG HandleAttributes;
        ULONG Reserved;
    };
    struct List {
        ULONG_PTR NumberOfHandles;
        ULONG_PTR Reserved;
        Entry Handles[1];
    };
    constexpr ULONG SystemExtendedHandleInformation = 64;
    constexpr LONG InfoLengthMismatch = static_cast<LONG>(0xC0000004);
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return ProbedHandleCount();
    std::vector<std::byte> buffer(256 * 1024);
    LONG status = 0;
    for (int tries = 0; tries < 8; ++tries) {
        ULONG needed = 0;
        status = query(SystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status != InfoLengthMismatch) break;
        // Other processes open handles meanwhile: some room to spare.
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 64 * 1024));
    }
    if (status != 0) return ProbedHandleCount();
    const auto* list = reinterpret_cast<const List*>(buffer.data());
    const ULONG_PTR self = ::GetCurrentProcessId();
    unsigned count = 0;
    for (ULONG_PTR i = 0; i < list->NumberOfHandles; ++i) count += list->Handles[i].UniqueProcessId == self;
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
