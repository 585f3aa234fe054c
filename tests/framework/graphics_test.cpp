// Canvases on 32-bit DIB sections: filling, copying and drawing read back
// through scan lines, and the canvas lock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "framework/Graphics.h"

namespace {

TEST(Bitmap, CanvasDrawsIntoPixelsReadThroughScanLines) {
    fw::TBitmap bitmap(8, 4);
    ASSERT_TRUE(bitmap.Handle());
    EXPECT_EQ(bitmap.ScanLine(3)[7], 0u);  // new pixels are zero
    bitmap.Canvas().SetBrushColor(0x0000FF);  // red, as TColor (0x00BBGGRR)
    bitmap.Canvas().FillRect({0, 0, 4, 4});
    bitmap.Canvas().SetBrushColor(0x00FF00);
    bitmap.Canvas().FillRect({4, 0, 8, 4});
    EXPECT_EQ(bitmap.ScanLine(0)[0] & 0xFFFFFF, 0xFF0000u);  // pixels are 0x..RRGGBB
    EXPECT_EQ(bitmap.ScanLine(3)[7] & 0xFFFFFF, 0x00FF00u);

    // Draw puts the whole bitmap at a point; CopyRect stretches.
    fw::TBitmap target(16, 8);
    target.Canvas().Draw(2, 1, bitmap);
    EXPECT_EQ(target.ScanLine(0)[2], 0u);
    EXPECT_EQ(target.ScanLine(1)[2] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(target.ScanLine(4)[9] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(target.ScanLine(5)[9], 0u);
    target.Canvas().CopyRect({0, 0, 16, 8}, bitmap.Canvas(), {4, 0, 8, 4});
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) ASSERT_EQ(target.ScanLine(y)[x] & 0xFFFFFF, 0x00FF00u) << x << "," << y;
    }

    // Pen and clear brush: an outline only.
    fw::TBitmap framed(6, 6);
    framed.Canvas().Pen().SetColor(0xFF0000);  // blue
    framed.Canvas().Brush().SetStyle(fw::TBrushStyle::bsClear);
    framed.Canvas().Rectangle({0, 0, 6, 6});
    EXPECT_EQ(framed.ScanLine(0)[3] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(framed.ScanLine(3)[3], 0u);

    bitmap.SetSize(0, 0);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Handle(), nullptr);
}

TEST(Canvas, LockKeepsOtherThreadsOutUntilUnlocked) {
    fw::TCanvas canvas;
    canvas.Lock();
    canvas.Lock();  // recursive on the same thread
    EXPECT_EQ(canvas.LockCount(), 2);
    std::atomic<bool> got{true};
    std::thread([&] { got = canvas.TryLock(); }).join();
    EXPECT_FALSE(got);
    canvas.Unlock();
    canvas.Unlock();
    std::thread([&] {
        got = canvas.TryLock();
        if (got) canvas.Unlock();
    }).join();
    EXPECT_TRUE(got);
    EXPECT_EQ(canvas.LockCount(), 0);
}

}  // namespace
