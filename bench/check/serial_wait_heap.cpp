// serial_wait_heap: the yardstick of what the system keeps of its own heap for
// line-event waits. It opens the port as the adapter check does, starts one
// WaitCommEvent, ends it with a zero event mask, collects it and closes the
// port, COUNT times, and prints how much the process heap's allocated bytes
// and blocks grew over them (the program itself allocates nothing there).
//   serial_wait_heap COMn COUNT MASK
// Prints "ready", then "waits N bytes B blocks K".
#include <windows.h>

#include "bench/support/YardstickLine.h"

#include <cstdlib>
#include <string>

using yardstick::Print;

namespace {

struct HeapUse {
    unsigned long long bytes = 0, blocks = 0;
};

HeapUse ProcessHeapUse() {
    HeapUse use;
    const HANDLE heap = ::GetProcessHeap();
    PROCESS_HEAP_ENTRY entry{};
    ::HeapLock(heap);
    while (::HeapWalk(heap, &entry)) {
        if (!(entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)) continue;
        use.bytes += entry.cbData;
        ++use.blocks;
    }
    ::HeapUnlock(heap);
    return use;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        Print("usage: serial_wait_heap COMn COUNT MASK");
        return 2;
    }
    const int count = std::wcstol(argv[2], nullptr, 10);
    const auto mask = static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10));
    Print("ready");
    const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HeapUse before{};
    for (int i = 0; i <= count; ++i) {
        HANDLE port = yardstick::OpenAdapterLine(argv[1]);
        if (port == INVALID_HANDLE_VALUE) return 1;
        ::SetCommMask(port, mask);
        OVERLAPPED ov{};
        ov.hEvent = event;
        ::ResetEvent(event);
        DWORD got = 0;
        if (!::WaitCommEvent(port, &got, &ov) && ::GetLastError() != ERROR_IO_PENDING) {
            Print("err wait " + std::to_string(::GetLastError()));
            return 1;
        }
        ::SetCommMask(port, 0);
        ::WaitForSingleObject(event, 500);
        ::CloseHandle(port);
        // The first round sets up what any use of a port sets up once.
        if (i == 0) before = ProcessHeapUse();
    }
    const HeapUse after = ProcessHeapUse();
    Print("waits " + std::to_string(count) + " bytes " + std::to_string(after.bytes - before.bytes) + " blocks " +
          std::to_string(after.blocks - before.blocks));
    ::CloseHandle(event);
    return 0;
}
