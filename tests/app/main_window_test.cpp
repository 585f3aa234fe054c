// The main window driven in-process: its frame, its controls, the port list
// that follows the system's serial ports, the memo's behaviour, an exception
// leaving a handler, and the check handlers against a scripted line.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/Unit1.h"
#include "framework/Exception.h"
#include "tests/support/FakeCommDevice.h"
#include "tests/support/Gui.h"
#include "tests/support/HandleCount.h"
#include "tests/support/SerialDeviceList.h"

namespace {

using namespace std::chrono_literals;

using testsupport::PumpUntil;
using testsupport::SetPorts;

void Pump(std::chrono::milliseconds time) { PumpUntil([] { return false; }, time); }

std::wstring ClassOf(HWND wnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(wnd, name, 64);
    return name;
}

RECT RectIn(HWND wnd, HWND parent) {
    RECT r;
    ::GetWindowRect(wnd, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectRect(const RECT& r, int left, int top, int width, int height, const char* what) {
    EXPECT_EQ(r.left, left) << what;
    EXPECT_EQ(r.top, top) << what;
    EXPECT_EQ(r.right - r.left, width) << what;
    EXPECT_EQ(r.bottom - r.top, height) << what;
}

void ClickAt(HWND wnd, int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(wnd, &pt);
    ::SetCursorPos(pt.x, pt.y);
    Pump(50ms);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, in, sizeof(INPUT));
}

void Type(const std::wstring& keys) {
    for (wchar_t c : keys) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = static_cast<WORD>(::VkKeyScanW(c) & 0xFF);
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        ::SendInput(2, in, sizeof(INPUT));
    }
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPorts({L"COM3", L"COM10"});
        fw::Application().SetTitle(L"Quillon");
        fw::Application().SetMainFormOnTaskBar(true);
        form = std::make_unique<app::TForm1>(nullptr);
        form->AfterConstruction();
        form->Show();
        ::SetForegroundWindow(form->Handle());
        Pump(100ms);
    }
    void TearDown() override {
        form.reset();
        fw::Application().OnException = nullptr;
    }
    std::unique_ptr<app::TForm1> form;
};

TEST_F(MainWindowTest, FixedCentredWindowOfTheListedSize) {
    HWND wnd = form->Handle();
    EXPECT_EQ(ClassOf(wnd), L"TForm1");
    wchar_t caption[64];
    ::GetWindowTextW(wnd, caption, 64);
    EXPECT_STREQ(caption, L"Quillon");
    RECT client;
    ::GetClientRect(wnd, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 112);
    const auto style = static_cast<DWORD>(::GetWindowLongW(wnd, GWL_STYLE));
    EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
    // The skinned frame draws the icon and title buttons itself: the system's own
    // are switched off with WS_SYSMENU, while the window keeps its system menu.
    EXPECT_FALSE(style & WS_SYSMENU);
    EXPECT_NE(::GetSystemMenu(wnd, FALSE), nullptr);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(::GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    RECT r;
    ::GetWindowRect(wnd, &r);
    const int screenW = ::GetSystemMetrics(SM_CXSCREEN), screenH = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR(r.left + (r.right - r.left) / 2.0, screenW / 2.0, 1.0);
    EXPECT_NEAR(r.top + (r.bottom - r.top) / 2.0, screenH / 2.0, 1.0);

    // The border does not size the window.
    POINT edge{r.right - 1, (r.top + r.bottom) / 2};
    EXPECT_NE(::SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(edge.x, edge.y)), HTRIGHT);
    EXPECT_FALSE(::IsZoomed(wnd));
}

TEST_F(MainWindowTest, LoadsAndActivatesTheStoredSkinWhileCreated) {
    skin::TsSkinManager& manager = *form->sSkinManager1;
    EXPECT_TRUE(manager.Active());
    EXPECT_EQ(manager.SkinName(), L"Opus (internal)");
    EXPECT_EQ(manager.SkinInfo(), L"10.25");
    EXPECT_EQ(skin::TsSkinManager::DefaultManager(), &manager);
}

TEST_F(MainWindowTest, ControlsAtTheirListedRectanglesInTabOrder) {
    HWND panel = form->sPanel1->Handle();
    EXPECT_EQ(ClassOf(panel), L"TsPanel");
    EXPECT_EQ(::GetParent(panel), form->Handle());
    ExpectRect(RectIn(panel, form->Handle()), 0, 0, 200, 112, "sPanel1");
    EXPECT_EQ(ClassOf(form->sButton1->Handle()), L"TsButton");
    EXPECT_EQ(ClassOf(form->sComboBox1->Handle()), L"TsComboBox");
    EXPECT_EQ(ClassOf(form->sMemo1->Handle()), L"TsMemo");
    ExpectRect(RectIn(form->sButton1->Handle(), panel), 118, 79, 75, 25, "sButton1");
    ExpectRect(RectIn(form->sComboBox1->Handle(), panel), 38, 9, 71, 21, "sComboBox1");
    ExpectRect(RectIn(form->sMemo1->Handle(), panel), 8, 36, 185, 37, "sMemo1");
    // The label sizes itself to its text: 24 x 13 with the design's Tahoma,
    // whatever the text measures with the Tahoma installed here.
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, form->sLabel1->Font().Handle());
    RECT text{0, 0, 0, 0};
    ::DrawTextW(dc, L"Port:", -1, &text, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    ExpectRect(form->sLabel1->BoundsRect(), 8, 12, text.right, text.bottom, "sLabel1");
    EXPECT_EQ(text.bottom, 13);
    EXPECT_EQ(form->sLabel1->Caption(), L"Port:");
    EXPECT_EQ(form->sButton1->Caption(), L"Check");

    for (fw::TWinControl* c : std::initializer_list<fw::TWinControl*>{form->sButton1, form->sComboBox1, form->sMemo1}) {
        LOGFONTW lf{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(c->Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
        EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
        EXPECT_EQ(lf.lfHeight, -11);
    }
    EXPECT_EQ(form->sLabel1->Font().Name(), L"Tahoma");

    EXPECT_EQ(form->sButton1->TabOrder(), 0);
    EXPECT_EQ(form->sComboBox1->TabOrder(), 1);
    EXPECT_EQ(form->sMemo1->TabOrder(), 2);
    EXPECT_EQ(::GetNextDlgTabItem(form->Handle(), form->sButton1->Handle(), FALSE), form->sComboBox1->Handle());
    EXPECT_EQ(::GetNextDlgTabItem(form->Handle(), form->sComboBox1->Handle(), FALSE), form->sMemo1->Handle());
    const auto comboStyle = ::GetWindowLongW(form->sComboBox1->Handle(), GWL_STYLE);
    EXPECT_EQ(comboStyle & 3, CBS_DROPDOWNLIST);
    EXPECT_TRUE(::GetWindowLongW(form->sMemo1->Handle(), GWL_STYLE) & ES_READONLY);
}

TEST_F(MainWindowTest, PortListFollowsTheSystemAndSelectsTheFirstPort) {
    auto& items = form->sComboBox1->Items();
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Get(0), L"COM10");  // text order: COM10 before COM3
    EXPECT_EQ(items.Get(1), L"COM3");
    EXPECT_EQ(form->sComboBox1->ItemIndex(), 0);
    EXPECT_EQ(form->sComboBox1->Text(), L"COM10");
    EXPECT_TRUE(form->sButton1->Enabled());

    // The user picks the second port; the next tick selects the first again.
    form->sComboBox1->SetItemIndex(1);
    EXPECT_TRUE(PumpUntil([&] { return form->sComboBox1->ItemIndex() == 0; }, 2500ms));

    SetPorts({});
    ASSERT_TRUE(PumpUntil([&] { return items.Count() == 0; }, 2500ms));
    EXPECT_EQ(form->sComboBox1->ItemIndex(), -1);
    EXPECT_FALSE(form->sButton1->Enabled());
    EXPECT_FALSE(::IsWindowEnabled(form->sButton1->Handle()));

    SetPorts({L"COM7"});
    ASSERT_TRUE(PumpUntil([&] { return items.Count() == 1; }, 2500ms));
    EXPECT_EQ(form->sComboBox1->Text(), L"COM7");
    EXPECT_TRUE(form->sButton1->Enabled());

    // The system's list goes away as a whole: the items stay as they were;
    // when it comes back, the window follows it again.
    ASSERT_EQ(::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM"), ERROR_SUCCESS);
    Pump(2200ms);
    EXPECT_EQ(form->sComboBox1->Text(), L"COM7");
    SetPorts({L"COM2", L"COM1"});
    ASSERT_TRUE(PumpUntil([&] { return items.Count() == 2; }, 2500ms));
    EXPECT_EQ(items.Get(0), L"COM1");
    EXPECT_EQ(form->sComboBox1->Text(), L"COM1");
    SetPorts({L"COM4"});
    EXPECT_TRUE(PumpUntil([&] { return form->sComboBox1->Text() == L"COM4"; }, 2500ms));
}

TEST_F(MainWindowTest, ClickingIntoTheMemoShowsNoCaretAndTypingChangesNothing) {
    form->sMemo1->Lines().Add(L"Connect to COM10 port is OK.");
    const std::wstring before = form->sMemo1->Text();
    HWND memo = form->sMemo1->Handle();
    ClickAt(memo, 20, 10);
    ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() == form->sPanel1->Handle(); }, 2000ms));
    Pump(100ms);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(::GetGUIThreadInfo(::GetCurrentThreadId(), &info));
    EXPECT_NE(info.hwndCaret, memo);
    EXPECT_EQ(::GetFocus(), form->sPanel1->Handle());

    Type(L"abc");
    ::PostMessageW(memo, WM_CHAR, 'x', 0);
    Pump(200ms);
    EXPECT_EQ(form->sMemo1->Text(), before);

    // The memo's own mouse cursor is the arrow.
    EXPECT_EQ(form->sMemo1->Cursor(), IDC_ARROW);
}

TEST_F(MainWindowTest, ExceptionFromAHandlerShowsAnErrorBoxAndTheWindowGoesOn) {
    form->sButton1->OnClick = [](fw::TObject*) { throw fw::Exception(L"Unable to open com port"); };
    testsupport::MessageBoxCloser closer;
    ::PostMessageW(form->sButton1->Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return closer.Closed(); }));
    const auto& [caption, text, owner] = closer.Box();
    EXPECT_EQ(caption, L"Quillon");
    EXPECT_EQ(text, L"Unable to open com port.");
    EXPECT_EQ(owner, form->Handle());

    // The window goes on: the port list is still refreshed.
    SetPorts({L"COM5"});
    EXPECT_TRUE(PumpUntil([&] { return form->sComboBox1->Text() == L"COM5"; }, 2500ms));
    EXPECT_TRUE(::IsWindowVisible(form->Handle()));
}

// A user's pointer left over the memo: the window turns it hot, then, once
// the pointer rests, only the port list's one-second timer wakes the
// window. A pointer that jumps out of the window from rest still ends the
// hot look, seen at the next tick.
TEST_F(MainWindowTest, PointerAtRestOverAControlWakesOnlyThePortListTimer) {
    HWND memo = form->sMemo1->Handle();
    RECT r;
    ::GetWindowRect(memo, &r);
    testsupport::MovePointerTo({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    ASSERT_TRUE(PumpUntil([&] { return form->sSkinManager1->FActiveControl == memo; }, 3000ms));
    Pump(600ms);
    EXPECT_LE(testsupport::UtilTimerTicks(3000ms), 4);
    EXPECT_EQ(form->sSkinManager1->FActiveControl, memo);

    RECT frame;
    ::GetWindowRect(form->Handle(), &frame);
    testsupport::MovePointerTo({frame.right + 60, frame.bottom + 60});
    EXPECT_TRUE(PumpUntil([&] { return form->sSkinManager1->FActiveControl == nullptr; }, 2500ms));
}

TEST_F(MainWindowTest, RepaintingCreatesNoLastingHandlesOrGdiObjects) {
    HWND wnd = form->Handle();
    auto repaint = [&](int times) {
        for (int i = 0; i < times; ++i) {
            ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
        Pump(50ms);
    };
    // Whatever is made once is made before the count: cached fonts and brushes
    // by the first repaints; what the first second brings (the port list's
    // first timer tick, and under load the system's own deferred work after
    // the window's showing) by the wait.
    repaint(20);
    Pump(1200ms);
    const unsigned gdiBefore = testsupport::GdiObjectCount();
    const unsigned handlesBefore = testsupport::OpenHandleCount();
    ASSERT_GT(gdiBefore, 0u) << "the GDI probe finds nothing";
    repaint(1000);
    EXPECT_EQ(testsupport::GdiObjectCount(), gdiBefore);
    EXPECT_EQ(testsupport::OpenHandleCount(), handlesBefore);
}

// The check handlers with ComPort on a scripted device: what the window does
// with line events real hardware would raise.
class CheckHandlersTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPorts({L"COM3"});
        fw::Application().SetTitle(L"Quillon");
        device = std::make_shared<testserial::TFakeCommDevice>();
        form = std::make_unique<app::TForm1>(nullptr, device);
        form->AfterConstruction();
        form->Show();
        Pump(50ms);
    }
    void TearDown() override {
        form.reset();
        fw::Application().OnException = nullptr;
    }
    // "Check" pressed: the port opens, the command goes out, the event
    // thread waits on the device.
    void Check() {
        form->sButton1Click(form->sButton1);
        ASSERT_TRUE(PumpUntil([&] { return device->WaitPending(); }));
    }
    std::shared_ptr<testserial::TFakeCommDevice> device;
    std::unique_ptr<app::TForm1> form;
};

TEST_F(CheckHandlersTest, ReplyShownAndLineErrorClosesThePortWritingNothing) {
    Check();
    EXPECT_EQ(device->Written(), "ATI\r\n");
    device->Receive("ATI\r\nOBDII v1.5\r\n\r\n>");
    device->RaiseEvents(EV_RXCHAR);
    ASSERT_TRUE(PumpUntil([&] { return form->sMemo1->Lines().Count() == 2; }));
    const std::wstring memo = form->sMemo1->Text();
    EXPECT_EQ(memo, L"Connect to COM3 port is OK.\r\nDevice found: OBDII v1.5");

    testsupport::MessageBoxCloser closer;
    device->SetLineErrors(CE_FRAME);
    device->RaiseEvents(EV_ERR);
    ASSERT_TRUE(PumpUntil([&] { return !form->ComPort->Connected(); }));
    Pump(100ms);
    EXPECT_EQ(device->OpenCount(), 0);
    EXPECT_EQ(form->sMemo1->Text(), memo);
    EXPECT_EQ(device->Written(), "ATI\r\n");
    EXPECT_FALSE(closer.Closed());  // no error box either
}

// The reply goes in at the end of a long memo: the memo's text is read where
// the control keeps it, once for its end, never copied out of the control and
// never set anew, and changed once (adding the line and then taking off its
// line break made the control lay out and invalidate the end twice).
TEST_F(CheckHandlersTest, ReplyGoesInAtTheEndOfALongMemoWithoutReSettingIt) {
    Check();
    std::wstring log;
    for (int i = 0; i < 1000; ++i) log += L"Connect to COM3 port is OK.\r\nDevice found: OBDII v1.5\r\n";
    form->sMemo1->SetText(log + L"Connect to COM3 port is OK.\r\n");
    const HWND memo = form->sMemo1->Handle();
    const int before = ::GetWindowTextLengthW(memo);
    std::vector<UINT> seen;
    int spy = 0;
    form->sMemo1->WindowProc.Install(&spy, [&](fw::TMessage& m) {
        seen.push_back(m.Msg);
        form->sMemo1->WindowProc.CallNext(&spy, m);
    });
    device->Receive("ATI\r\nOBDII v1.5\r\n\r\n>");
    device->RaiseEvents(EV_RXCHAR);
    const bool handled = PumpUntil([&] { return ::GetWindowTextLengthW(memo) != before; });
    form->sMemo1->WindowProc.Remove(&spy);
    ASSERT_TRUE(handled);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), UINT(WM_GETTEXT)), 0);
    // The read of its end, and one more where a longer buffer is handed over.
    EXPECT_LE(std::count(seen.begin(), seen.end(), UINT(EM_GETHANDLE)), 2);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), UINT(WM_SETTEXT)), 0);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), UINT(EM_REPLACESEL)), 1) << "the text changed more than once";
    EXPECT_EQ(form->sMemo1->Text(), log + L"Connect to COM3 port is OK.\r\nDevice found: OBDII v1.5");
}

// The reply is on the screen when its handler returns: a paint left to the
// message loop would wait behind every other message of the thread.
TEST_F(CheckHandlersTest, TheReplyIsPaintedBeforeItsHandlerReturns) {
    Check();
    Pump(100ms);
    const HWND memo = form->sMemo1->Handle();
    int paints = 0, spy = 0;
    form->sMemo1->WindowProc.Install(&spy, [&](fw::TMessage& m) {
        if (m.Msg == WM_PAINT) ++paints;
        form->sMemo1->WindowProc.CallNext(&spy, m);
    });
    bool handled = false;
    int paintsByThen = 0;
    BOOL leftToPaint = TRUE;
    const serial::TRxCharEvent handler = form->ComPort->OnRxChar;
    form->ComPort->OnRxChar = [&](fw::TObject* sender, int count) {
        handler(sender, count);
        handled = true;
        paintsByThen = paints;
        leftToPaint = ::GetUpdateRect(memo, nullptr, FALSE);
    };
    device->Receive("ATI\r\nOBDII v1.5\r\n\r\n>");
    device->RaiseEvents(EV_RXCHAR);
    const bool done = PumpUntil([&] { return handled; });
    form->sMemo1->WindowProc.Remove(&spy);
    ASSERT_TRUE(done);
    EXPECT_EQ(form->sMemo1->Text(), L"Connect to COM3 port is OK.\r\nDevice found: OBDII v1.5");
    EXPECT_GE(paintsByThen, 1);
    EXPECT_FALSE(leftToPaint) << "nothing of the memo left for the loop to paint";
}

// An answer that reaches the window in two notifications, cut at every
// position, with CR LF and with lone-CR line ends: a part holding only the
// echo, line breaks or the prompt adds nothing to the memo; every other part
// gives its own line.
TEST_F(CheckHandlersTest, AnswerCutAnywhereGivesNoLineWithoutAnIdentity) {
    Check();
    const std::wstring connected = form->sMemo1->Text();
    ASSERT_EQ(connected, L"Connect to COM3 port is OK.\r\n");
    const std::string identity = "OBDII v1.5";
    for (const std::string end : {"\r\n", "\r"}) {
        const std::string answer = "ATI" + end + identity + end + end + ">";
        const std::size_t identityAt = 3 + end.size();
        for (std::size_t at = 0; at <= answer.size(); ++at) {
            form->sMemo1->SetText(connected);
            for (const std::string& part : {answer.substr(0, at), answer.substr(at)}) {
                if (part.empty()) continue;
                const int reads = device->Count("ReadFile");
                device->Receive(part);
                device->RaiseEvents(EV_RXCHAR);
                ASSERT_TRUE(PumpUntil([&] { return device->Count("ReadFile") > reads && device->WaitPending(); }));
            }
            // The identity's characters on each side of the cut; the echo's
            // letters when the cut falls inside it (a cut echo stays).
            std::wstring expected = L"Connect to COM3 port is OK.";
            const auto shown = [&](std::size_t from, std::size_t to) {
                std::wstring text;
                for (std::size_t i = from; i < to; ++i)
                    if ((i >= identityAt && i < identityAt + identity.size()) || (i < 3 && at > 0 && at < 3))
                        text += static_cast<wchar_t>(answer[i]);
                return text;
            };
            for (const std::wstring& text : {shown(0, at), shown(at, answer.size())})
                if (!text.empty()) expected += L"\r\nDevice found: " + text;
            EXPECT_EQ(form->sMemo1->Text(), expected) << (end == "\r" ? "lone CR" : "CR LF") << ", cut at " << at;
        }
    }
}

// The adapter unplugged while the port is open: closing the window cannot
// purge the device. The error is shown, the port still ends closed, and the
// next close of the window goes through.
TEST_F(CheckHandlersTest, FormCloseCompletesWhenTheCloseFails) {
    Check();
    device->Remove();
    {
        testsupport::MessageBoxCloser closer;
        ::PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return closer.Closed(); }));
        const auto& [caption, text, owner] = closer.Box();
        EXPECT_EQ(caption, L"Quillon");
        EXPECT_EQ(text, L"PurgeComm function failed (Error: 22)");
    }
    EXPECT_FALSE(form->ComPort->Connected());
    EXPECT_EQ(device->OpenCount(), 0);
    EXPECT_TRUE(::IsWindowVisible(form->Handle()));

    testsupport::MessageBoxCloser closer;
    ::PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(form->Handle()); }));
    EXPECT_FALSE(closer.Closed());
}

}  // namespace
