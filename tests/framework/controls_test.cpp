// Controls on a real, shown form: window binding, the WindowProc slot, the
// framework's notifications and reflected messages, focus, lists and lines,
// and exceptions leaving event handlers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "framework/Dpi.h"
#include "framework/Exception.h"
#include "tests/framework/TestForm.h"

namespace {

using namespace testform;
using ControlsTest = TestForm;

std::wstring ClassOf(HWND wnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(wnd, name, 64);
    return name;
}

TEST_F(ControlsTest, ObjectsAreBoundToWindowsOfTheirClassNames) {
    EXPECT_EQ(fw::TWinControl::FindControl(form->Handle()), form.get());
    EXPECT_EQ(fw::TWinControl::FindControl(button->Handle()), button);
    EXPECT_EQ(ClassOf(form->Handle()), L"TForm");
    EXPECT_EQ(ClassOf(panel->Handle()), L"TPanel");
    EXPECT_EQ(ClassOf(button->Handle()), L"TButton");
    EXPECT_EQ(ClassOf(combo->Handle()), L"TComboBox");
    EXPECT_EQ(ClassOf(memo->Handle()), L"TMemo");
    EXPECT_EQ(::GetParent(button->Handle()), panel->Handle());
    // Tab order is window order.
    EXPECT_EQ(::GetWindow(button->Handle(), GW_HWNDNEXT), combo->Handle());
    EXPECT_EQ(::GetWindow(combo->Handle(), GW_HWNDNEXT), memo->Handle());

    HWND old = memo->Handle();
    memo->Lines().Add(L"kept");
    memo->SetScrollBars(fw::TScrollStyle::ssVertical);  // re-creates the window
    EXPECT_FALSE(::IsWindow(old));
    EXPECT_EQ(fw::TWinControl::FindControl(old), nullptr);
    EXPECT_TRUE(::GetWindowLongW(memo->Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(memo->Text(), L"kept\r\n");
    EXPECT_EQ(fw::TWinControl::FindControl(memo->Handle()), memo);
}

// A window's object is found only for framework windows of this process:
// not for a window of another class that keeps a pointer in its last extra
// bytes, and not confused by what anyone writes into the user data.
TEST_F(ControlsTest, BindingBelongsToFrameworkWindowsAlone) {
    static const ATOM foreignClass = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.cbWndExtra = sizeof(void*);
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ForeignWithExtraBytes";
        return ::RegisterClassW(&wc);
    }();
    ASSERT_NE(foreignClass, 0);
    HWND foreign = ::CreateWindowExW(0, L"ForeignWithExtraBytes", L"", WS_CHILD, 0, 0, 10, 10, panel->Handle(),
                                     nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(foreign, nullptr);
    ::SetWindowLongPtrW(foreign, 0, reinterpret_cast<LONG_PTR>(button));
    EXPECT_EQ(fw::TWinControl::FindControl(foreign), nullptr);
    ::DestroyWindow(foreign);

    // Native classes under framework names keep their own extra bytes.
    ::SetWindowLongPtrW(button->Handle(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(memo));
    ::SetWindowLongPtrW(combo->Handle(), GWLP_USERDATA, 0);
    EXPECT_EQ(fw::TWinControl::FindControl(button->Handle()), button);
    EXPECT_EQ(fw::TWinControl::FindControl(combo->Handle()), combo);
    combo->Items().Add(L"COM1");
    combo->SetItemIndex(0);
    EXPECT_EQ(combo->Text(), L"COM1");
    EXPECT_EQ(fw::TWinControl::FindControl(::GetDesktopWindow()), nullptr);
    EXPECT_EQ(fw::TWinControl::FindControl(nullptr), nullptr);
}

TEST_F(ControlsTest, WindowProcSlotSeesMessagesAndCanBeRestored) {
    {
        Spy spy(button);
        ::SendMessageW(button->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Stop"));
        EXPECT_EQ(spy.Count(WM_SETTEXT), 1);
        spy.swallow = [](fw::TMessage& m) {
            if (m.Msg != WM_GETTEXTLENGTH) return false;
            m.Result = 99;
            return true;
        };
        EXPECT_EQ(::GetWindowTextLengthW(button->Handle()), 99);
    }
    EXPECT_EQ(::GetWindowTextLengthW(button->Handle()), 4);
    EXPECT_EQ(button->Caption(), L"Stop");
}

TEST_F(ControlsTest, ParentReflectsNotificationsToTheChild) {
    int clicks = 0;
    button->OnClick = [&](fw::TObject* sender) {
        EXPECT_EQ(sender, button);
        ++clicks;
    };
    Spy spy(button);
    ::SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(spy.Count(fw::CN_COMMAND), 1);
    EXPECT_EQ(HIWORD(spy.Last(fw::CN_COMMAND)->WParam), BN_CLICKED);

    // Colours: the child answers its parent's WM_CTLCOLOR* with its own brush.
    Spy memoSpy(memo);
    memo->SetColor(RGB(10, 200, 30));
    HDC dc = ::GetDC(memo->Handle());
    auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(panel->Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(memo->Handle())));
    EXPECT_EQ(::GetBkColor(dc), RGB(10, 200, 30));
    ::ReleaseDC(memo->Handle(), dc);
    LOGBRUSH lb{};
    ASSERT_TRUE(::GetObjectW(brush, sizeof lb, &lb));
    EXPECT_EQ(lb.lbColor, RGB(10, 200, 30));
    EXPECT_EQ(memoSpy.Count(fw::CN_CTLCOLOREDIT), 1);
}

TEST_F(ControlsTest, PropertyChangesSendTheirNotifications) {
    Spy spy(button);
    button->SetCaption(L"Again");
    EXPECT_EQ(spy.Count(fw::CM_TEXTCHANGED), 1);
    button->SetEnabled(false);
    EXPECT_EQ(spy.Count(fw::CM_ENABLEDCHANGED), 1);
    EXPECT_FALSE(::IsWindowEnabled(button->Handle()));
    button->SetVisible(false);
    ASSERT_EQ(spy.Count(fw::CM_VISIBLECHANGED), 1);
    EXPECT_EQ(spy.Last(fw::CM_VISIBLECHANGED)->WParam, 0u);
    EXPECT_EQ(spy.Count(fw::CM_SHOWINGCHANGED), 1);
    EXPECT_FALSE(button->Showing());
    EXPECT_FALSE(::IsWindowVisible(button->Handle()));
    button->SetColor(fw::clWhite);
    EXPECT_EQ(spy.Count(fw::CM_COLORCHANGED), 1);

    // A parent's font reaches children that use it, as WM_SETFONT too.
    form->Font().SetHeight(-15);
    EXPECT_EQ(spy.Count(fw::CM_FONTCHANGED), 1);
    EXPECT_EQ(button->Font().Height(), -15);
    EXPECT_TRUE(button->ParentFont());
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(memo->Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -15);
    button->Font().SetName(L"Courier New");
    EXPECT_FALSE(button->ParentFont());
    form->Font().SetHeight(-11);
    EXPECT_EQ(button->Font().Height(), -15);

    Spy panelSpy(panel);
    auto* extra = new fw::TButton(form.get());
    extra->SetParent(panel);
    ASSERT_EQ(panelSpy.Count(fw::CM_CONTROLLISTCHANGE), 1);
    EXPECT_EQ(panelSpy.Last(fw::CM_CONTROLLISTCHANGE)->WParam, reinterpret_cast<WPARAM>(extra));
    EXPECT_EQ(panelSpy.Last(fw::CM_CONTROLLISTCHANGE)->LParam, 1);
    delete extra;
    EXPECT_EQ(panelSpy.Count(fw::CM_CONTROLLISTCHANGE), 2);
    EXPECT_EQ(panelSpy.Last(fw::CM_CONTROLLISTCHANGE)->LParam, 0);
}

// A change of colour alone keeps the window's font: setting it again makes a
// combo box measure itself and move its list window.
TEST_F(ControlsTest, AColourChangeRepaintsWithoutSettingTheFontAgain) {
    Spy spy(combo);
    ::ValidateRect(combo->Handle(), nullptr);
    combo->Font().SetColor(0x0000FF);
    EXPECT_EQ(spy.Count(fw::CM_FONTCHANGED), 1);
    EXPECT_EQ(spy.Count(WM_SETFONT), 0);
    EXPECT_TRUE(::GetUpdateRect(combo->Handle(), nullptr, FALSE)) << "repainted in the new colour";
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(combo->Handle(), WM_GETFONT, 0, 0));
    EXPECT_EQ(font, combo->Font().Handle());

    combo->Font().SetHeight(-14);
    EXPECT_EQ(spy.Count(WM_SETFONT), 1) << "a new face is set";
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(combo->Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -14);
    combo->Font().SetColor(0xFF0000);
    EXPECT_EQ(spy.Count(WM_SETFONT), 1);
}

TEST_F(ControlsTest, FocusMovesSendEnterExitAndFocusChanged) {
    combo->SetFocus();
    Spy comboSpy(combo), memoSpy(memo), buttonSpy(button);
    std::vector<std::wstring> events;
    combo->OnExit = [&](fw::TObject*) { events.push_back(L"combo exit"); };
    memo->OnEnter = [&](fw::TObject*) { events.push_back(L"memo enter"); };
    memo->SetFocus();
    EXPECT_EQ(::GetFocus(), memo->Handle());
    EXPECT_EQ(comboSpy.Count(fw::CM_EXIT), 1);
    EXPECT_EQ(comboSpy.Count(fw::CM_CANCELMODE), 1);
    EXPECT_EQ(memoSpy.Count(fw::CM_ENTER), 1);
    ASSERT_EQ(buttonSpy.Count(fw::CM_FOCUSCHANGED), 1);
    EXPECT_EQ(buttonSpy.Last(fw::CM_FOCUSCHANGED)->LParam, reinterpret_cast<LPARAM>(memo));
    EXPECT_EQ(events, (std::vector<std::wstring>{L"combo exit", L"memo enter"}));
    EXPECT_EQ(form->ActiveControl(), memo);

    // A handler that moves the focus on: the newer move wins.
    memo->OnEnter = [&](fw::TObject*) { panel->SetFocus(); };
    button->SetFocus();
    memo->SetFocus();
    EXPECT_EQ(::GetFocus(), panel->Handle());
    EXPECT_EQ(form->ActiveControl(), panel);
}

TEST_F(ControlsTest, MemoLinesFollowTheAppendRule) {
    int changes = 0;
    memo->OnChange = [&](fw::TObject*) { ++changes; };
    Spy spy(memo);
    memo->SetReadOnly(true);
    auto& lines = memo->Lines();
    EXPECT_EQ(lines.Count(), 0);
    lines.Add(L"first");  // empty text ends "with a line break": no break in front
    EXPECT_EQ(memo->Text(), L"first\r\n");
    lines.Add(L"second");
    EXPECT_EQ(memo->Text(), L"first\r\nsecond\r\n");
    EXPECT_GT(changes, 0);
    EXPECT_GT(spy.Count(fw::CM_CHANGED), 0);
    memo->SetText(L"first\r\nsecond");
    lines.Add(L"third");  // no break at the end: the break goes in front
    EXPECT_EQ(memo->Text(), L"first\r\nsecond\r\nthird");
    EXPECT_EQ(lines.Count(), 3);
    EXPECT_EQ(lines.Get(1), L"second");
    lines.Insert(0, L"zero");
    EXPECT_EQ(memo->Text(), L"zero\r\nfirst\r\nsecond\r\nthird");
    lines.Delete(1);
    EXPECT_EQ(memo->Text(), L"zero\r\nsecond\r\nthird");
    lines.Clear();
    EXPECT_EQ(memo->Text(), L"");
    EXPECT_EQ(lines.Count(), 0);

    // Long texts are not cut at the edit control's default limit.
    std::wstring text;
    for (int i = 0; i < 500; ++i) text += std::wstring(68, L'x') + L"\r\n";
    memo->SetText(text);
    lines.Add(L"end");
    EXPECT_EQ(memo->Text().size(), 500u * 70u + 5u);
}

// A line added to a long memo goes in at the end: its text is read where the
// control keeps it, neither copied nor set anew (a re-set would make the edit
// control copy and re-wrap the whole text for each line; a copy kept beside
// it would double what a long log takes).
TEST_F(ControlsTest, AddingALineToALongMemoCopiesNothingAndSetsNothing) {
    const auto heapBytes = [] {
        std::size_t bytes = 0;
        const HANDLE heap = ::GetProcessHeap();
        PROCESS_HEAP_ENTRY entry{};
        ::HeapLock(heap);
        while (::HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
        ::HeapUnlock(heap);
        return bytes;
    };
    std::wstring text;
    for (int i = 0; i < 1000; ++i) text += L"Connect to COM3 port is OK.\r\nDevice found: X\r\n";
    memo->SetText(text);
    Spy spy(memo);
    auto& lines = memo->Lines();
    // 94,000 characters: a copy of them would keep 188 KB.
    const std::size_t before = heapBytes();
    EXPECT_EQ(lines.Count(), 2000);
    EXPECT_LT(heapBytes() - before, 4096u) << "the text read without a copy";
    EXPECT_EQ(lines.Add(L"Device found: Y"), 2000);
    EXPECT_EQ(spy.Count(WM_GETTEXT), 0);
    EXPECT_EQ(spy.Count(WM_SETTEXT), 0);
    EXPECT_EQ(spy.Count(EM_REPLACESEL), 1);
    const auto endsWith = [&](std::wstring_view tail) {
        return memo->ReadText([tail](std::wstring_view t) { return t.ends_with(tail); });
    };
    EXPECT_TRUE(endsWith(L"X\r\nDevice found: Y\r\n"));
    memo->AddLastLine(L"Device found: Z");
    EXPECT_EQ(spy.Count(WM_GETTEXT), 0);
    EXPECT_EQ(spy.Count(WM_SETTEXT), 0);
    EXPECT_EQ(spy.Count(EM_REPLACESEL), 2);
    EXPECT_TRUE(endsWith(L"X\r\nDevice found: Y\r\nDevice found: Z"));
    EXPECT_EQ(lines.Count(), 2002);
    EXPECT_EQ(lines.Get(2001), L"Device found: Z");
}

// A last line leaves what adding it and taking off the line break the text
// then ends with leaves, whatever the text ends with and the line holds, and
// changes the text at most once.
TEST_F(ControlsTest, ALastLineIsALineAddedWithTheEndingBreakTakenOff) {
    for (const std::wstring_view text : {L"", L"A", L"A\r\n", L"A\n", L"A\r", L"A\r\n\r\n"}) {
        for (const std::wstring_view line : {L"S", L"", L"S\r\n", L"\n", L"S\r"}) {
            memo->SetText(std::wstring(text));
            memo->Lines().Add(std::wstring(line));
            std::wstring expected = memo->Text();
            if (expected.ends_with(L"\r\n")) expected.resize(expected.size() - 2);

            memo->SetText(std::wstring(text));
            Spy spy(memo);
            memo->AddLastLine(line);
            EXPECT_EQ(memo->Text(), expected) << "text \"" << fw::ToUtf8(text) << "\", line \"" << fw::ToUtf8(line) << '"';
            EXPECT_LE(spy.Count(EM_REPLACESEL), 1);
        }
    }
}

// A log growing a line at a time: the control is handed a buffer of twice
// the length whenever the text would not fit, a few times over the whole log
// rather than at every line; the text stays whole and the view at its end.
TEST_F(ControlsTest, AGrowingMemoGetsItsTextBufferInFewSteps) {
    memo->SetReadOnly(true);
    auto& lines = memo->Lines();
    Spy spy(memo);
    std::wstring expected;
    for (int i = 0; i < 2000; ++i) {
        const std::wstring line = L"Device found: " + std::to_wstring(i);
        lines.Add(line);
        expected += line + L"\r\n";
    }
    EXPECT_LE(spy.Count(EM_SETHANDLE), 8);
    EXPECT_GE(spy.Count(EM_SETHANDLE), 1);
    EXPECT_EQ(memo->Text(), expected);
    EXPECT_EQ(lines.Count(), 2000);
    EXPECT_EQ(lines.Get(1234), L"Device found: 1234");
    EXPECT_GT(::SendMessageW(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 1900);
    // A text set whole afterwards, longer or shorter, is kept as it is.
    memo->SetText(expected + expected);
    lines.Add(L"end");
    EXPECT_EQ(memo->Text(), expected + expected + L"end\r\n");
    memo->SetText(L"short");
    lines.Add(L"end");
    EXPECT_EQ(memo->Text(), L"short\r\nend");
}

TEST_F(ControlsTest, ComboItemsLiveInTheWindowAndSurviveRecreation) {
    int changes = 0;
    combo->OnChange = [&](fw::TObject*) { ++changes; };
    fw::TStringList ports{L"COM10", L"COM3"};
    combo->Items().Assign(ports);
    EXPECT_EQ(::SendMessageW(combo->Handle(), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), L"");
    combo->SetItemIndex(0);
    EXPECT_EQ(combo->Text(), L"COM10");
    EXPECT_EQ(changes, 0);  // set in code: no notification

    Spy spy(combo);
    combo->SetFocus();
    ::SendMessageW(combo->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(spy.Count(fw::CM_CHANGED), 1);

    combo->SetStyle(fw::TComboBoxStyle::csDropDown);
    EXPECT_EQ(combo->Items().Count(), 2);
    EXPECT_EQ(combo->Items().Get(1), L"COM3");
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_THROW(combo->Items().Get(2), fw::EListError);
}

TEST_F(ControlsTest, ExceptionLeavingAHandlerShowsTheErrorBoxAndTheProgramGoesOn) {
    button->OnClick = [](fw::TObject*) { throw fw::Exception(L"Unable to open com port"); };
    testsupport::MessageBoxCloser closer;
    ::PostMessageW(button->Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return closer.Closed(); }));
    const auto& [caption, text, owner] = closer.Box();
    EXPECT_EQ(caption, L"Controls Test");
    EXPECT_EQ(text, L"Unable to open com port.");

    // Still running: the next click is handled normally.
    int clicks = 0;
    button->OnClick = [&](fw::TObject*) { ++clicks; };
    ::SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(::IsWindowVisible(form->Handle()));
}

TEST_F(ControlsTest, FocusedControlSeesKeysFirstAndCanSwallowThem) {
    memo->SetFocus();
    Spy spy(memo);
    spy.swallow = [](fw::TMessage& m) {
        if (m.Msg != fw::CN_KEYDOWN || m.WParam != 'Q') return false;
        m.Result = 1;
        return true;
    };
    ::PostMessageW(memo->Handle(), WM_KEYDOWN, 'Q', 0);
    ::PostMessageW(memo->Handle(), WM_KEYDOWN, 'W', 0);
    Pump(50ms);
    int keyDowns = 0;
    for (const auto& m : spy.seen) {
        if (m.Msg == WM_KEYDOWN) {
            ++keyDowns;
            EXPECT_EQ(m.WParam, static_cast<WPARAM>('W'));
        }
    }
    EXPECT_EQ(keyDowns, 1);
    EXPECT_EQ(spy.Count(fw::CN_KEYDOWN), 2);

    // Alt+G: the accelerator of "&Go".
    int clicks = 0;
    button->OnClick = [&](fw::TObject*) { ++clicks; };
    ::PostMessageW(memo->Handle(), WM_SYSCHAR, 'g', 1 << 29);
    Pump(50ms);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ControlsTest, MouseEnterAndLeaveFollowTheDeepestControl) {
    Spy buttonSpy(button), labelSpy(label);
    auto moveTo = [&](fw::TControl* c) {
        RECT r = c->BoundsRect();
        POINT pt{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ::ClientToScreen(panel->Handle(), &pt);
        ::SetCursorPos(pt.x, pt.y);
        // The pointer reaches the X server a moment later; mouse messages
        // then update the control under it as well.
        return PumpUntil([&] {
            fw::Application().UpdateMouseControl();
            return fw::Application().MouseControl() == c;
        }, 2000ms);
    };
    // Wine may report a stale pointer position for a moment, so the pointer
    // can seem to leave and come back; what must hold is that enter and
    // leave alternate and end right.
    auto balance = [](const Spy& spy) { return spy.Count(fw::CM_MOUSEENTER) - spy.Count(fw::CM_MOUSELEAVE); };
    ASSERT_TRUE(moveTo(button));
    EXPECT_GE(buttonSpy.Count(fw::CM_MOUSEENTER), 1);
    EXPECT_EQ(balance(buttonSpy), 1);
    ASSERT_TRUE(moveTo(label));
    EXPECT_EQ(balance(buttonSpy), 0);
    EXPECT_EQ(balance(labelSpy), 1);
    EXPECT_EQ(buttonSpy.Last(fw::CM_MOUSELEAVE)->LParam, reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(labelSpy.Last(fw::CM_MOUSEENTER)->LParam, reinterpret_cast<LPARAM>(label));
}

TEST_F(ControlsTest, GraphicControlsGetTheMouseOverThem) {
    int downs = 0, clicks = 0;
    label->OnMouseDown = [&](fw::TObject*, fw::TMouseButton b, fw::TShiftState, int x, int y) {
        EXPECT_EQ(b, fw::TMouseButton::mbLeft);
        EXPECT_EQ(x, 2);
        EXPECT_EQ(y, 3);
        ++downs;
    };
    label->OnClick = [&](fw::TObject*) { ++clicks; };
    const LPARAM at = MAKELPARAM(label->Left() + 2, label->Top() + 3);
    ::SendMessageW(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(panel->Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks, 1);
}

TEST(Components, OwnerFreesWhatItOwnsAndTellsWhoAsked) {
    struct Watcher : fw::TComponent {
        using fw::TComponent::TComponent;
        std::vector<fw::TComponent*> removed;
        void Notification(fw::TComponent* c, fw::TOperation op) override {
            if (op == fw::TOperation::opRemove) removed.push_back(c);
        }
    };
    struct Loader : fw::TComponent {
        using fw::TComponent::TComponent;
        std::vector<std::wstring>* log = nullptr;
        void Loaded() override {
            fw::TComponent::Loaded();
            log->push_back(Name());
        }
    };
    Watcher watcher(nullptr);
    std::vector<std::wstring> log;
    {
        Loader owner(nullptr);
        owner.SetName(L"owner");
        owner.log = &log;
        owner.BeginLoading();
        auto* a = new Loader(&owner);
        a->SetName(L"a");
        a->log = &log;
        auto* b = new Loader(&owner);
        b->SetName(L"b");
        b->log = &log;
        EXPECT_TRUE(b->Loading());
        owner.EndLoading();
        EXPECT_FALSE(b->Loading());
        EXPECT_EQ(owner.FindComponent(L"b"), b);
        watcher.FreeNotification(b);
        delete a;
        EXPECT_EQ(owner.ComponentCount(), 1);
    }
    EXPECT_EQ(log, (std::vector<std::wstring>{L"a", L"b", L"owner"}));
    ASSERT_EQ(watcher.removed.size(), 1u);
}

}  // namespace

namespace {

TEST_F(ControlsTest, RecreationAskedForInsideAHandlerWaitsForTheLoop) {
    memo->Lines().Add(L"text");
    HWND old = memo->Handle();
    Spy spy(memo);
    spy.swallow = [&](fw::TMessage& m) {
        if (m.Msg != WM_APP) return false;
        memo->SetWordWrap(false);  // re-creates the window
        // Still the same window while its own message is handled.
        EXPECT_TRUE(::IsWindow(old));
        return true;
    };
    ::SendMessageW(old, WM_APP, 0, 0);
    EXPECT_TRUE(::IsWindow(old));
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(old); }, 2000ms));
    EXPECT_TRUE(::GetWindowLongW(memo->Handle(), GWL_STYLE) & ES_AUTOHSCROLL);
    EXPECT_EQ(memo->Text(), L"text\r\n");
}

TEST_F(ControlsTest, ScalingMultipliesBoundsAndOwnFonts) {
    form->SetClientWidth(300);
    button->Font().SetHeight(-12);
    form->ScaleBy(150, 100);
    RECT client;
    ::GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 450);
    EXPECT_EQ(client.bottom, 300);
    EXPECT_EQ(button->Left(), 300);
    EXPECT_EQ(button->Width(), 113);  // 112.5 rounded
    EXPECT_EQ(button->Font().Height(), -18);
    EXPECT_EQ(form->Font().Height(), -17);                      // the form's own font: -11 x 1.5, rounded
    EXPECT_EQ(memo->Font().Height(), form->Font().Height());  // follows the form's font
    EXPECT_EQ(panel->Width(), 450);                             // aligned to the client area
    // The auto-sized label measures its text in the new font after its place
    // was scaled: as wide as the text, not the text's width scaled again.
    fw::WindowDc screen(nullptr);
    fw::SelectObjectScope font(screen.get(), label->Font().Handle());
    SIZE text{};
    ::GetTextExtentPoint32W(screen.get(), L"Label:", 6, &text);
    EXPECT_EQ(label->Left(), 15);
    EXPECT_EQ(label->Width(), text.cx);
    EXPECT_EQ(label->Font().Height(), -17);
}

// A WM_DPICHANGED as the system sends it when the window moves to a monitor
// of another DPI: the form scales by new / old, takes the suggested rectangle
// and sizes its frame for the DPI; back at the first DPI it is as it was.
TEST_F(ControlsTest, DpiChangeScalesTheFormAndTakesTheSuggestedRectangle) {
    HWND wnd = form->Handle();
    std::vector<std::pair<int, int>> told;
    form->OnAfterMonitorDpiChanged = [&](fw::TObject*, int from, int to) { told.emplace_back(from, to); };
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(wnd, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(wnd, GWL_EXSTYLE));
    const auto sendDpi = [&](int dpi, int clientW, int clientH) {
        const RECT frame = fw::NonClientFrameForDpi(style, exStyle, dpi);
        RECT suggested{40, 30, 40 + frame.left + clientW + frame.right, 30 + frame.top + clientH + frame.bottom};
        ::SendMessageW(wnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        return suggested;
    };
    const RECT before = button->BoundsRect();

    const RECT suggested = sendDpi(192, 600, 400);
    RECT window{}, client{};
    ::GetWindowRect(wnd, &window);
    ::GetClientRect(wnd, &client);
    EXPECT_TRUE(::EqualRect(&window, &suggested));
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 400);
    EXPECT_EQ(form->PixelsPerInch(), 192);
    EXPECT_EQ(form->Font().Height(), -22);
    EXPECT_EQ(memo->Font().Height(), -22);
    EXPECT_EQ(button->Left(), 400);
    EXPECT_EQ(button->Width(), 150);
    EXPECT_EQ(panel->Width(), 600);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], (std::pair{96, 192}));

    sendDpi(96, 300, 200);
    ::GetClientRect(wnd, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_EQ(form->PixelsPerInch(), 96);
    EXPECT_EQ(form->Font().Height(), -11);
    const RECT after = button->BoundsRect();
    EXPECT_TRUE(::EqualRect(&before, &after));
    EXPECT_EQ(told.size(), 2u);
}

}  // namespace

namespace {

TEST_F(ControlsTest, DeletingAWindowedChildLeavesNoTraceInItsParent) {
    // The parent's lists must drop the freed child: its tab order, the
    // re-creation of its children and the form's searches walk them.
    delete button;
    button = nullptr;
    EXPECT_EQ(combo->TabOrder(), 0);
    EXPECT_EQ(memo->TabOrder(), 1);
    EXPECT_EQ(panel->ControlCount(), 3);  // label, combo, memo
    memo->SetFocus();
    panel->RecreateWnd();
    EXPECT_TRUE(::IsWindow(combo->HandleIfAllocated()));
    EXPECT_EQ(::GetParent(memo->HandleIfAllocated()), panel->HandleIfAllocated());
}

}  // namespace

namespace {

std::vector<HWND> ChildOrder(HWND parent) {
    std::vector<HWND> order;
    for (HWND w = ::GetWindow(parent, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) order.push_back(w);
    return order;
}

TEST_F(ControlsTest, RecreationKeepsItemsIndexTextSelectionAndPlace) {
    combo->SetStyle(fw::TComboBoxStyle::csDropDown);
    combo->Items().Add(L"COM1");
    combo->Items().Add(L"COM3");
    combo->SetItemIndex(1);
    combo->SetText(L"COM7");  // typed into the edit, matching no item
    memo->SetText(L"first line\r\nsecond");
    ::SendMessageW(memo->Handle(), EM_SETSEL, 3, 9);
    const std::vector<HWND> before = ChildOrder(panel->Handle());
    ASSERT_EQ(before.size(), 3u);

    HWND oldCombo = combo->Handle(), oldMemo = memo->Handle();
    combo->RecreateWnd();
    // Window order is tab order: the new window takes the old one's place.
    EXPECT_EQ(ChildOrder(panel->Handle()),
              (std::vector<HWND>{button->Handle(), combo->Handle(), memo->Handle()}));
    memo->RecreateWnd();
    ASSERT_NE(combo->Handle(), oldCombo);
    ASSERT_NE(memo->Handle(), oldMemo);

    EXPECT_EQ(combo->Items().Count(), 2);
    EXPECT_EQ(combo->Items().Get(1), L"COM3");
    EXPECT_EQ(combo->Text(), L"COM7");
    EXPECT_EQ(memo->Text(), L"first line\r\nsecond");
    DWORD start = 0, end = 0;
    ::SendMessageW(memo->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 3u);
    EXPECT_EQ(end, 9u);
    EXPECT_EQ(ChildOrder(panel->Handle()),
              (std::vector<HWND>{button->Handle(), combo->Handle(), memo->Handle()}));
    EXPECT_EQ(combo->TabOrder(), 1);
    EXPECT_EQ(::GetNextDlgTabItem(form->Handle(), button->Handle(), FALSE), combo->Handle());

    combo->SetText(L"");
    combo->SetItemIndex(0);
    combo->RecreateWnd();
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(combo->Text(), L"COM1");
}

TEST_F(ControlsTest, DeferredRecreationLostWithItsWindowDoesNotBlockTheNextOne) {
    HWND old = memo->Handle();
    Spy spy(memo);
    bool wrap = false;
    spy.swallow = [&](fw::TMessage& m) {
        if (m.Msg != WM_APP) return false;
        memo->SetWordWrap(wrap);  // deferred: posted to the current window
        return true;
    };
    ::SendMessageW(old, WM_APP, 0, 0);
    // The parent's re-creation takes the memo's window, and the posted
    // request with it, before the loop runs.
    panel->RecreateWnd();
    ASSERT_FALSE(::IsWindow(old));
    EXPECT_TRUE(::GetWindowLongW(memo->Handle(), GWL_STYLE) & ES_AUTOHSCROLL);

    // A later request from a handler is carried out.
    HWND current = memo->Handle();
    wrap = true;
    ::SendMessageW(current, WM_APP, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(current); }, 1000ms));
    EXPECT_FALSE(::GetWindowLongW(memo->Handle(), GWL_STYLE) & ES_AUTOHSCROLL);
}

}  // namespace

namespace {

TEST_F(ControlsTest, DefaultButtonKeepsAnOwnerDrawStyle) {
    struct OwnerDrawButton : fw::TButton {
        using fw::TButton::TButton;
        void CreateParams(fw::TCreateParams& p) override {
            fw::TButton::CreateParams(p);
            p.Style = (p.Style & ~BS_TYPEMASK) | BS_OWNERDRAW;
        }
    };
    auto* drawn = new OwnerDrawButton(form.get());
    drawn->SetParent(panel);
    drawn->SetBounds(100, 160, 75, 25);
    HWND wnd = drawn->Handle();
    drawn->SetDefault(true);
    EXPECT_EQ(::GetWindowLongW(wnd, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(LOWORD(::SendMessageW(form->Handle(), DM_GETDEFID, 0, 0)), ::GetDlgCtrlID(wnd));
    drawn->SetDefault(false);
    EXPECT_EQ(::GetWindowLongW(wnd, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);

    button->SetDefault(true);
    EXPECT_EQ(::GetWindowLongW(button->Handle(), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

}  // namespace

namespace {

TEST_F(ControlsTest, OwnerDrawnComboMeasuresAndDrawsItsItemsAndShowsItsInnerWindows) {
    std::vector<int> measured, drawn;
    combo->OnMeasureItem = [&](fw::TObject*, int index, int& height) {
        measured.push_back(index);
        height = 18 + index;
    };
    combo->OnDrawItem = [&](fw::TObject*, int index, const RECT& r, fw::TOwnerDrawState) {
        drawn.push_back(index);
        combo->Canvas().SetBrushColor(fw::clWindow);
        combo->Canvas().FillRect(r);
    };
    combo->Items().Add(L"COM1");
    combo->Items().Add(L"COM2");
    combo->SetItemIndex(1);
    combo->SetItemHeight(17);
    combo->SetStyle(fw::TComboBoxStyle::csOwnerDrawVariable);  // re-created: measured again
    EXPECT_EQ(measured, (std::vector<int>{0, 1}));
    EXPECT_EQ(::SendMessageW(combo->Handle(), CB_GETITEMHEIGHT, 1, 0), 19);
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->Repaint();
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), 1), drawn.end()) << "the selection field shows item 1";

    EXPECT_TRUE(::IsWindow(combo->ListHandle()));
    EXPECT_EQ(combo->EditHandle(), nullptr);  // a drop-down list has no edit field
    combo->SetStyle(fw::TComboBoxStyle::csDropDown);
    EXPECT_EQ(::GetParent(combo->EditHandle()), combo->Handle());
    EXPECT_EQ(ClassOf(combo->EditHandle()), L"Edit");
}

TEST_F(ControlsTest, FormsPaintKeepTheirStateAndIconAndButtonsEndModalResults) {
    int paints = 0;
    form->OnPaint = [&](fw::TObject*) {
        ++paints;
        RECT r{0, 0, 5, 5};
        form->Canvas().FillRect(r);
    };
    panel->SetAlign(fw::TAlign::alNone);
    panel->SetBounds(10, 10, 50, 50);
    form->Repaint();
    EXPECT_GE(paints, 1);

    form->SetWindowState(fw::TWindowState::wsMaximized);
    EXPECT_TRUE(::IsZoomed(form->Handle()));
    EXPECT_EQ(form->WindowState(), fw::TWindowState::wsMaximized);
    form->SetWindowState(fw::TWindowState::wsNormal);
    EXPECT_FALSE(::IsZoomed(form->Handle()));

    HICON icon = ::LoadIconW(nullptr, IDI_INFORMATION);
    form->SetIcon(icon);
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(form->Handle(), WM_GETICON, ICON_BIG, 0)), icon);

    // Escape presses the Cancel button of a plain form too; its result is the form's.
    button->SetCancel(true);
    button->SetModalResult(fw::mrCancel);
    int clicks = 0;
    button->OnClick = [&](fw::TObject*) { ++clicks; };
    combo->SetFocus();
    ::PostMessageW(combo->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(50ms);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form->ModalResult(), fw::mrCancel);

    // Without double clicks, the second click of a pair is a click.
    int downs = 0;
    label->OnMouseDown = [&](fw::TObject*, fw::TMouseButton, fw::TShiftState shift, int, int) {
        ++downs;
        EXPECT_FALSE(shift & fw::ssDouble);
    };
    label->SetControlStyle(label->ControlStyle() & ~fw::csDoubleClicks);
    const LPARAM at = MAKELPARAM(label->Left() + 2, label->Top() + 3);
    ::SendMessageW(panel->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    EXPECT_EQ(downs, 1);
}

}  // namespace
