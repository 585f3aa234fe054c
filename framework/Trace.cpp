#include "framework/Trace.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace fw::trace {

namespace {

struct TLog {
    THeader* header = nullptr;
    TRecord* records = nullptr;
};

// Made at the first mark; the section lives as long as the process.
TLog* Open() noexcept {
    if (::GetEnvironmentVariableW(L"QUILLON_TRACE", nullptr, 0) == 0) return nullptr;
    const std::wstring name = kSectionPrefix + std::to_wstring(::GetCurrentProcessId());
    const DWORD size = sizeof(THeader) + kCapacity * sizeof(TRecord);
    HANDLE section = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name.c_str());
    if (!section) return nullptr;
    void* view = ::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, size);
    if (!view) {
        ::CloseHandle(section);
        return nullptr;
    }
    static TLog log;
    log.header = static_cast<THeader*>(view);
    log.records = reinterpret_cast<TRecord*>(log.header + 1);
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    log.header->capacity = kCapacity;
    log.header->frequency = frequency.QuadPart;
    std::atomic_ref(log.header->magic).store(kMagic, std::memory_order_release);
    return &log;
}

TLog* Log() noexcept {
    static TLog* const log = Open();
    return log;
}

}  // namespace

bool Enabled() noexcept { return Log() != nullptr; }

void Mark(TPoint point) noexcept {
    TLog* log = Log();
    if (!log) return;
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    const std::uint32_t index = std::atomic_ref(log->header->next).fetch_add(1, std::memory_order_relaxed);
    TRecord& r = log->records[index % kCapacity];
    r.point = static_cast<std::uint32_t>(point);
    r.ticks = now.QuadPart;
    std::atomic_ref(r.seq).store(index + 1, std::memory_order_release);
}

}  // namespace fw::trace
