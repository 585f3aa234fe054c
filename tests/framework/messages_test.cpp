// The framework's notifications as a test form logs them: mouse enter and
// leave with the pointer moved by real input, dialog keys and characters,
// invalidation, application activation, system font changes and the wheel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Screen.h"
#include "tests/framework/TestForm.h"

namespace {

using namespace testform;
using MessagesTest = TestForm;
using testsupport::MovePointerTo;
using testsupport::UtilTimerTicks;

// Logs chosen notifications of several controls, in the order they come.
struct NotificationLog {
    struct Entry {
        std::unique_ptr<Spy> spy;
        std::string name;
    };
    std::vector<std::string> lines;
    std::vector<Entry> entries;
    std::vector<std::pair<UINT, std::string>> names;

    NotificationLog(std::vector<std::pair<UINT, std::string>> messages) : names(std::move(messages)) {}
    void Watch(fw::TControl* control, std::string name) {
        auto spy = std::make_unique<Spy>(control);
        spy->swallow = [this, name](fw::TMessage& m) {
            for (const auto& [msg, text] : names) {
                if (m.Msg == msg) lines.push_back(text + " " + name);
            }
            return false;
        };
        entries.push_back({std::move(spy), std::move(name)});
    }
};

POINT CentreOf(HWND wnd) {
    RECT r;
    ::GetWindowRect(wnd, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST_F(MessagesTest, EnterAndLeaveFollowThePointerMovedByRealInput) {
    combo->SetStyle(fw::TComboBoxStyle::csDropDown);
    HWND edit = ::GetWindow(combo->Handle(), GW_CHILD);
    ASSERT_TRUE(edit);
    NotificationLog log({{fw::CM_MOUSEENTER, "enter"}, {fw::CM_MOUSELEAVE, "leave"}});
    log.Watch(panel, "panel");
    log.Watch(button, "button");
    log.Watch(label, "label");
    log.Watch(combo, "combo");

    auto inPanel = [&](int x, int y) {
        POINT p{x, y};
        ::ClientToScreen(panel->Handle(), &p);
        return p;
    };
    RECT frame;
    ::GetWindowRect(form->Handle(), &frame);
    const struct {
        POINT at;
        fw::TControl* expected;
    } path[] = {
        {inPanel(100, 170), panel},
        {CentreOf(button->Handle()), button},
        {inPanel(label->Left() + label->Width() / 2, label->Top() + label->Height() / 2), label},
        {CentreOf(edit), combo},  // the combo's own edit field counts as the combo
        {{frame.right + 40, frame.bottom + 40}, nullptr},
    };
    // From outside the form, wherever the pointer was left.
    MovePointerTo({frame.right + 60, frame.top});
    PumpUntil([] { return fw::Application().MouseControl() == nullptr; }, 1000ms);
    Pump(100ms);
    log.lines.clear();
    for (const auto& step : path) {
        MovePointerTo(step.at);
        // Only the message loop and its tick: nothing here asks for an update.
        EXPECT_TRUE(PumpUntil([&] { return fw::Application().MouseControl() == step.expected; }, 3000ms))
            << "pointer at " << step.at.x << "," << step.at.y;
    }
    // One control at a time: every enter is followed by the leave of the
    // same control.
    ASSERT_EQ(log.lines.size() % 2, 0u);
    std::vector<std::string> entered;
    for (size_t i = 0; i < log.lines.size(); i += 2) {
        ASSERT_EQ(log.lines[i].substr(0, 6), "enter ");
        EXPECT_EQ(log.lines[i + 1], "leave " + log.lines[i].substr(6));
        entered.push_back(log.lines[i].substr(6));
    }
    // Wine may report the previous pointer position once more just after a
    // move, so a control may be left and entered again in passing; the path
    // itself comes in order, with no control entered that the pointer did
    // not cross.
    const std::vector<std::string> path_names = {"panel", "button", "label", "combo"};
    size_t next = 0;
    for (const auto& name : entered) {
        if (next < path_names.size() && name == path_names[next]) ++next;
        EXPECT_NE(std::find(path_names.begin(), path_names.end(), name), path_names.end()) << name;
    }
    EXPECT_EQ(next, path_names.size()) << ::testing::PrintToString(log.lines);
    EXPECT_EQ(entered.front(), "panel");
    EXPECT_EQ(entered.back(), "combo");
}

// A pointer at rest over a control wakes nothing; moved again, it is
// followed again.
TEST_F(MessagesTest, PointerAtRestOverAControlIsNotPolled) {
    MovePointerTo(CentreOf(button->Handle()));
    ASSERT_TRUE(PumpUntil([&] { return fw::Application().MouseControl() == button; }, 3000ms));
    Pump(600ms);
    EXPECT_EQ(UtilTimerTicks(1000ms), 0);
    EXPECT_EQ(fw::Application().MouseControl(), button);

    NotificationLog log({{fw::CM_MOUSEENTER, "enter"}, {fw::CM_MOUSELEAVE, "leave"}});
    log.Watch(button, "button");
    log.Watch(combo, "combo");
    MovePointerTo(CentreOf(combo->Handle()));
    EXPECT_TRUE(PumpUntil([&] { return fw::Application().MouseControl() == combo; }, 3000ms));
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ(log.lines.front(), "leave button");
    EXPECT_EQ(log.lines.back(), "enter combo");
}

// The leave request asks for a hover only to pace Wine's polling: a pointer
// resting well past that time shows the control no hover. A pointer that
// jumps out of the form from rest (no mouse message on the way) is still
// seen to leave: by the system's report, or sooner when the thread wakes
// for anything else, here a timer.
TEST_F(MessagesTest, PointerLeavingStraightFromRestIsSeenAndTheHoverStaysTheLoops) {
    Spy spy(panel);
    POINT inPanel{100, 170};
    ::ClientToScreen(panel->Handle(), &inPanel);
    RECT frame;
    ::GetWindowRect(form->Handle(), &frame);
    const POINT outside{frame.right + 60, frame.bottom + 60};

    MovePointerTo(inPanel);
    ASSERT_TRUE(PumpUntil([&] { return fw::Application().MouseControl() == panel; }, 3000ms));
    Pump(6000ms);
    EXPECT_EQ(spy.Count(WM_MOUSEHOVER), 0);
    EXPECT_EQ(fw::Application().MouseControl(), panel);
    MovePointerTo(outside);
    EXPECT_TRUE(PumpUntil([] { return fw::Application().MouseControl() == nullptr; }, 6500ms));

    fw::TTimer timer(nullptr);
    timer.SetInterval(200);
    timer.SetOnTimer([](fw::TObject*) {});
    MovePointerTo(inPanel);
    ASSERT_TRUE(PumpUntil([&] { return fw::Application().MouseControl() == panel; }, 3000ms));
    Pump(600ms);
    MovePointerTo(outside);
    EXPECT_TRUE(PumpUntil([] { return fw::Application().MouseControl() == nullptr; }, 2000ms));
}

TEST_F(MessagesTest, CharactersTheFocusedWindowDoesNotTakeReachTheFormAsDialogCharacters) {
    NotificationLog log({{fw::CM_DIALOGCHAR, "char"}, {fw::CM_DIALOGKEY, "key"}});
    log.Watch(form.get(), "form");
    log.Watch(panel, "panel");
    log.Watch(button, "button");
    int clicks = 0;
    button->OnClick = [&](fw::TObject*) { ++clicks; };

    button->SetFocus();
    ::PostMessageW(button->Handle(), WM_CHAR, L' ', 0);  // the button's own key: seen, not taken
    Pump(50ms);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"char form", "char panel", "char button"}));
    EXPECT_EQ(clicks, 0);
    ::PostMessageW(button->Handle(), WM_CHAR, L'g', 0);  // "&Go": its accelerator, without Alt
    Pump(50ms);
    EXPECT_EQ(clicks, 1);

    // The memo takes characters itself.
    memo->SetFocus();
    log.lines.clear();
    ::PostMessageW(memo->Handle(), WM_CHAR, L'g', 0);
    Pump(50ms);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(memo->Text(), L"g");

    // Escape on the button: the button, then its parents, may take it.
    button->SetFocus();
    log.lines.clear();
    ::PostMessageW(button->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(50ms);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"key button", "key panel", "key form"}));
    // Taken by the panel: the form never hears of it.
    log.entries[1].spy->swallow = [&](fw::TMessage& m) {
        if (m.Msg != fw::CM_DIALOGKEY) return false;
        log.lines.push_back("key panel (taken)");
        m.Result = 1;
        return true;
    };
    log.lines.clear();
    ::PostMessageW(button->Handle(), WM_KEYDOWN, VK_TAB, 0);
    Pump(50ms);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"key button", "key panel (taken)"}));
    EXPECT_TRUE(button->Focused()) << "a taken Tab moves no focus";
}

TEST_F(MessagesTest, InvalidationActivationFontChangeAndWheelAreSent) {
    fw::Application().Initialize();
    NotificationLog log({{fw::CM_INVALIDATE, "invalidate"},
                         {fw::CM_APPACTIVATE, "activate"},
                         {fw::CM_SYSFONTCHANGED, "font"}});
    log.Watch(form.get(), "form");
    log.Watch(button, "button");
    std::vector<std::pair<UINT, WPARAM>> hooked;
    const int hook = fw::Application().HookMainWindow([&](UINT msg, WPARAM w, LPARAM, LRESULT&) {
        if (msg == fw::CM_APPACTIVATE) hooked.emplace_back(msg, w);
        return false;
    });

    button->Invalidate();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"invalidate button"}));

    log.lines.clear();
    ::SendMessageW(fw::Application().Handle(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"activate form", "activate button"}));
    ASSERT_EQ(hooked.size(), 1u);
    EXPECT_EQ(hooked[0].second, 0u);

    log.lines.clear();
    const fw::TFont before = fw::Screen().MenuFont();
    ::SendMessageW(fw::Application().Handle(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"font form", "font button"}));
    EXPECT_TRUE(fw::Screen().MenuFont().SameAs(before));  // read again, unchanged
    fw::Application().UnhookMainWindow(hook);

    // The wheel: the control under it first, then, untaken, its parent.
    std::vector<std::string> wheel;
    button->OnMouseWheel = [&](fw::TObject*, fw::TShiftState, int delta, POINT, bool& handled) {
        wheel.push_back("button " + std::to_string(delta));
        handled = false;
    };
    panel->OnMouseWheel = [&](fw::TObject*, fw::TShiftState shift, int delta, POINT at, bool& handled) {
        wheel.push_back("panel " + std::to_string(delta) + (shift & fw::ssCtrl ? " ctrl" : "") + " at " +
                        std::to_string(at.x));
        handled = true;
    };
    ::SendMessageW(button->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-WHEEL_DELTA)),
                   MAKELPARAM(123, 45));
    EXPECT_EQ(wheel, (std::vector<std::string>{"button -120", "panel -120 ctrl at 123"}));
    EXPECT_EQ(fw::Screen().ActiveForm(), form.get());

    // The application window answers for the main form's icon.
    auto* main = fw::Application().CreateForm<fw::TForm>();
    ASSERT_EQ(fw::Application().MainForm(), main);
    HICON icon = ::LoadIconW(nullptr, IDI_WARNING);
    main->SetIcon(icon);
    main->HandleNeeded();
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(fw::Application().Handle(), WM_GETICON, ICON_BIG, 0)), icon);
    delete main;
    EXPECT_EQ(fw::Application().MainForm(), nullptr);
    EXPECT_EQ(fw::Screen().FormCount(), 1);
}

}  // namespace
