// Window enumeration under allocation failure: the collecting callback runs
// inside the system's EnumChildWindows / EnumThreadWindows, and no exception
// may unwind through those. The failure must reach the caller afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "framework/Application.h"
#include "skin/SkinBroadcast.h"
#include "skin/SkinCommand.h"

namespace {
// While armed, every allocation through operator new fails.
std::atomic<bool> failAllocations{false};
}  // namespace

void* operator new(std::size_t size) {
    if (failAllocations.load(std::memory_order_relaxed)) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace skin {
namespace {

// Blocks of the process heap of one size. The system's child-window list
// (one HWND per child and a terminator) lives there while EnumChildWindows
// runs; an exception that unwinds through the call leaves it behind.
int HeapBlocksOfSize(SIZE_T size) {
    HANDLE heap = ::GetProcessHeap();
    int count = 0;
    ::HeapLock(heap);
    PROCESS_HEAP_ENTRY entry{};
    while (::HeapWalk(heap, &entry)) {
        if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) && entry.cbData == size) ++count;
    }
    ::HeapUnlock(heap);
    return count;
}

TEST(WindowEnumeration, AllocationFailureInTheCallbackReachesTheCallerAfterTheSystemCall) {
    fw::Application().Initialize();
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent);
    constexpr int kChildren = 1237;  // an unusual list size to look for
    for (int i = 0; i < kChildren; ++i) {
        ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
    }
    const SIZE_T listSize = (kChildren + 1) * sizeof(HWND);
    const int listsBefore = HeapBlocksOfSize(listSize);
    // A plain window, no framework control: its children are enumerated.
    failAllocations = true;
    bool caught = false;
    try {
        BroadcastToControls(parent, SKC_REFRESH, 0);
    } catch (const std::bad_alloc&) {
        caught = true;
    }
    failAllocations = false;
    EXPECT_TRUE(caught);
    EXPECT_EQ(HeapBlocksOfSize(listSize), listsBefore) << "the exception unwound through EnumChildWindows";

    failAllocations = true;
    caught = false;
    try {
        ForEachForeignWindow([](HWND) {});
    } catch (const std::bad_alloc&) {
        caught = true;
    }
    failAllocations = false;
    EXPECT_TRUE(caught);

    // The thread goes on: the same calls work once memory is there.
    int seen = 0;
    ForEachForeignWindow([&](HWND w) { seen += w == parent; });
    EXPECT_EQ(seen, 1);
    ::DestroyWindow(parent);
}

}  // namespace
}  // namespace skin
