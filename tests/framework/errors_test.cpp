// Exceptions at the system's boundaries: the error box shown one at a time,
// commands delivered directly to a window's skinning link, and enumeration
// callbacks.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "framework/Exception.h"
#include "framework/ExtCtrls.h"
#include "tests/framework/TestForm.h"

namespace {

using namespace testform;

std::wstring BoxText(HWND box) {
    wchar_t buf[256] = {};
    ::GetDlgItemTextW(box, 0xFFFF, buf, 256);
    return buf;
}

TEST(ErrorBox, OneBoxAtATimeAndErrorsArrivingMeanwhileFollowIt) {
    fw::Application().SetTitle(L"Errors Test");
    std::atomic<bool> stopTicks{false};
    int ticks = 0;
    fw::TTimer timer(nullptr);
    timer.SetInterval(12);
    timer.SetOnTimer([&](fw::TObject*) {
        if (stopTicks) {
            timer.SetEnabled(false);
            return;
        }
        ++ticks;
        throw fw::Exception(L"Tick " + std::to_wstring(ticks));
    });

    // Watches from another thread: the box's own loop keeps ticking while it
    // is up. Reads the boxes, then closes whatever is left.
    std::atomic<size_t> mostBoxes{0};
    std::atomic<bool> done{false};
    std::wstring firstText, secondText;
    std::thread watcher([&] {
        auto waitForBox = [] {
            for (int i = 0; i < 300; ++i) {
                if (auto boxes = testsupport::VisibleMessageBoxes(); !boxes.empty()) return boxes.front();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return HWND{};
        };
        if (HWND first = waitForBox()) {
            for (int i = 0; i < 30; ++i) {
                mostBoxes = std::max(mostBoxes.load(), testsupport::VisibleMessageBoxes().size());
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            stopTicks = true;
            firstText = BoxText(first);
            ::PostMessageW(first, WM_COMMAND, IDOK, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (HWND second = waitForBox()) {
                secondText = BoxText(second);
                mostBoxes = std::max(mostBoxes.load(), testsupport::VisibleMessageBoxes().size());
            }
        }
        // Leave no box behind, however many there are.
        for (int quiet = 0; quiet < 30;) {
            auto boxes = testsupport::VisibleMessageBoxes();
            for (HWND box : boxes) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            quiet = boxes.empty() ? quiet + 1 : 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 20000ms);
    watcher.join();

    EXPECT_EQ(mostBoxes.load(), 1u);
    EXPECT_EQ(firstText, L"Tick 1.");
    // Everything that failed while the first box was up: the first of it,
    // and how many more.
    EXPECT_EQ(secondText.rfind(L"Tick 2.\n\n(", 0), 0u) << fw::ToUtf8(secondText);
    EXPECT_NE(secondText.find(L" more errors)"), std::wstring::npos) << fw::ToUtf8(secondText);
    EXPECT_GT(ticks, 3);
}

}  // namespace
