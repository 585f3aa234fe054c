#include "framework/Handles.h"
#include "tests/support/HandleCount.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

unsigned HandleCount() { return testsupport::OpenHandleCount(); }

TEST(UniqueHandle, ClosesOnceAndMovesOwnership) {
    const unsigned before = HandleCount();
    {
        fw::UniqueHandle a(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        ASSERT_TRUE(a.valid());
        EXPECT_EQ(HandleCount(), before + 1);
        fw::UniqueHandle b(std::move(a));
        EXPECT_FALSE(a.valid());
        EXPECT_TRUE(b.valid());
        a = std::move(b);
        EXPECT_EQ(HandleCount(), before + 1);
    }
    EXPECT_EQ(HandleCount(), before);
}

// The leak tests count handles through the system's handle list; it must
// count what probing the table counts, a handle left high in the table too.
TEST(HandleCount, TheSystemsListCountsWhatProbingTheTableCounts) {
    const unsigned before = HandleCount();
    std::vector<fw::UniqueHandle> events;
    for (int i = 0; i < 600; ++i) events.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    events.erase(events.begin(), events.end() - 1);
    EXPECT_EQ(HandleCount(), before + 1);
    EXPECT_EQ(HandleCount(), testsupport::ProbedHandleCount());
}

TEST(UniqueHandle, InvalidHandleValueIsEmpty) {
    fw::UniqueHandle h(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(h.valid());
}

TEST(UniqueBitmap, ResetDeletesTheOldObject) {
    fw::UniqueBitmap bmp(::CreateBitmap(4, 4, 1, 32, nullptr));
    ASSERT_TRUE(bmp.valid());
    HBITMAP raw = bmp.get();
    bmp.reset(::CreateBitmap(2, 2, 1, 32, nullptr));
    BITMAP info{};
    EXPECT_EQ(::GetObjectW(raw, sizeof info, &info), 0);
}

}  // namespace
