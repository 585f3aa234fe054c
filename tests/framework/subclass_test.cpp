// Procedures in front of a window's own: the WindowProc slot of framework
// controls and the chain on foreign windows, removed in any order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Subclass.h"
#include "tests/framework/TestForm.h"

namespace {

using namespace testform;

TEST_F(TestForm, WindowProcSlotToleratesRemovalOutOfOrder) {
    std::vector<std::string> log;
    auto install = [&](const char* name) {
        button->WindowProc.Install(name, [&log, name, this](fw::TMessage& m) {
            if (m.Msg == WM_APP) log.push_back(name);
            button->WindowProc.CallNext(name, m);
        });
    };
    static const char a[] = "a", b[] = "b", c[] = "c";
    install(a);
    install(b);
    install(c);
    ::SendMessageW(button->Handle(), WM_APP, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"c", "b", "a"}));
    button->WindowProc.Remove(b);  // the middle one first
    log.clear();
    ::SendMessageW(button->Handle(), WM_APP, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"c", "a"}));
    button->WindowProc.Remove(a);
    button->WindowProc.Remove(c);
    log.clear();
    ::SendMessageW(button->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Still"));
    EXPECT_EQ(button->Caption(), L"Still");

    // A procedure that removes itself while it runs still passes its message on.
    button->WindowProc.Install(a, [&](fw::TMessage& m) {
        button->WindowProc.Remove(a);
        button->WindowProc.CallNext(a, m);
    });
    ::SendMessageW(button->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Gone"));
    EXPECT_EQ(button->Caption(), L"Gone");
    EXPECT_FALSE(button->WindowProc.Installed(a));
}

// A window of a class of its own whose procedure logs what reaches it.
std::vector<std::string>* gOriginalLog = nullptr;

LRESULT CALLBACK OriginalProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (gOriginalLog && (msg == WM_APP || msg == WM_NCDESTROY)) {
        gOriginalLog->push_back(msg == WM_APP ? "original" : "original WM_NCDESTROY");
    }
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND CreateForeignWindow() {
    static const ATOM cls = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OriginalProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ForeignTestWindow";
        return ::RegisterClassW(&wc);
    }();
    (void)cls;
    return ::CreateWindowExW(0, L"ForeignTestWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

// Somebody else's subclass, the classic way: swap and call what was there.
WNDPROC gForeignPrevious = nullptr;
LRESULT CALLBACK ForeignSubclass(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (gOriginalLog && msg == WM_APP) gOriginalLog->push_back("foreign");
    return ::CallWindowProcW(gForeignPrevious, wnd, msg, wParam, lParam);
}

struct Adapter {
    std::string name;
    std::vector<std::string>* log;
    bool keepNcDestroy = false;
    void Attach(HWND wnd) {
        fw::InstallSubclass(wnd, this, [this](HWND w, fw::TMessage& m) {
            if (m.Msg == WM_APP) log->push_back(name);
            if (m.Msg == WM_NCDESTROY) {
                log->push_back(name + " WM_NCDESTROY");
                if (keepNcDestroy) return;
            }
            fw::CallNextSubclass(w, this, m);
        });
    }
};

TEST(ForeignSubclass, ChainRemovedInTheWrongOrderStillEndsInTheOriginalProcedure) {
    std::vector<std::string> log;
    gOriginalLog = &log;
    HWND wnd = CreateForeignWindow();
    Adapter first{"first", &log}, second{"second", &log};
    first.Attach(wnd);
    second.Attach(wnd);
    ::SendMessageW(wnd, WM_APP, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"second", "first", "original"}));

    // Somebody subclasses the window on top of ours, then ours go in the
    // wrong order: first the older, then the newer.
    gForeignPrevious = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignSubclass)));
    fw::RemoveSubclass(wnd, &first);
    log.clear();
    ::SendMessageW(wnd, WM_APP, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"foreign", "second", "original"}));
    fw::RemoveSubclass(wnd, &second);
    EXPECT_FALSE(fw::HasSubclass(wnd, &second));
    log.clear();
    ::SendMessageW(wnd, WM_APP, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"foreign", "original"}));

    log.clear();
    ::DestroyWindow(wnd);
    EXPECT_EQ(log, (std::vector<std::string>{"original WM_NCDESTROY"}));
    gOriginalLog = nullptr;
}

TEST(ForeignSubclass, WindowDestroyedUnderTheChainTellsEveryProcedureThenTheOriginal) {
    std::vector<std::string> log;
    gOriginalLog = &log;
    HWND wnd = CreateForeignWindow();
    Adapter first{"first", &log}, second{"second", &log};
    first.Attach(wnd);
    second.Attach(wnd);
    second.keepNcDestroy = true;  // does not pass it on: the original still gets it
    fw::RemoveSubclass(wnd, &first);
    first.Attach(wnd);  // back, now in front
    ::DestroyWindow(wnd);
    EXPECT_EQ(log, (std::vector<std::string>{"first WM_NCDESTROY", "second WM_NCDESTROY", "original WM_NCDESTROY"}));
    EXPECT_FALSE(fw::HasSubclass(wnd, &first));

    // The last procedure removed with nobody on top: the window's own procedure is back.
    HWND plain = CreateForeignWindow();
    const LONG_PTR own = ::GetWindowLongPtrW(plain, GWLP_WNDPROC);
    first.Attach(plain);
    EXPECT_NE(::GetWindowLongPtrW(plain, GWLP_WNDPROC), own);
    fw::RemoveSubclass(plain, &first);
    EXPECT_EQ(::GetWindowLongPtrW(plain, GWLP_WNDPROC), own);
    ::DestroyWindow(plain);
    gOriginalLog = nullptr;
}

}  // namespace
