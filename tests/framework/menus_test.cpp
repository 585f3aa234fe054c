// Pop-up menus on a real form: the item tree, owner-drawn measuring and
// drawing routed to the items, the chosen item's command, and a control's
// menu on WM_CONTEXTMENU.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "tests/framework/TestForm.h"

namespace {

using namespace testform;
using MenusTest = TestForm;

HWND ShownMenuWindow() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            wchar_t cls[16] = {};
            ::GetClassNameW(w, cls, 16);
            if (std::wstring(cls) == L"#32768" && ::IsWindowVisible(w)) {
                *reinterpret_cast<HWND*>(p) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Keys for the menu while it is up: a timer of this thread runs inside the
// menu's own loop and posts them once the menu window shows.
struct MenuKeys {
    std::vector<WPARAM> keys;
    bool sent = false;
    fw::TTimer timer{nullptr};
    explicit MenuKeys(std::vector<WPARAM> k) : keys(std::move(k)) {
        timer.SetInterval(50);
        timer.SetOnTimer([this](fw::TObject*) {
            HWND menu = ShownMenuWindow();
            if (!menu || sent) return;
            sent = true;
            for (WPARAM key : keys) {
                ::PostMessageW(menu, WM_KEYDOWN, key, 0);
                ::PostMessageW(menu, WM_KEYUP, key, 0xC0000000);
            }
        });
    }
};

TEST_F(MenusTest, OwnerDrawnItemsAreMeasuredAndDrawnAndTheChosenOneIsClicked) {
    auto* menu = new fw::TPopupMenu(form.get());
    menu->SetOwnerDraw(true);
    std::vector<std::string> log;
    std::set<std::string> measured, drawn;
    auto add = [&](const wchar_t* caption, const char* name) {
        auto* item = new fw::TMenuItem(form.get());
        item->SetCaption(caption);
        item->SetTag(static_cast<std::intptr_t>(menu->Items().Count()));
        item->OnMeasureItem = [&measured, name](fw::TObject*, fw::TCanvas& canvas, int& width, int& height) {
            measured.insert(name);
            EXPECT_TRUE(canvas.Handle());
            width = 120;
            height = 20;
        };
        item->OnAdvancedDrawItem = [&drawn, name](fw::TObject*, fw::TCanvas& canvas, const RECT& r,
                                                  fw::TOwnerDrawState state) {
            drawn.insert(std::string(name) + ((state & fw::odSelected) ? " selected" : ""));
            EXPECT_EQ(r.bottom - r.top, 20);
            canvas.SetBrushColor((state & fw::odSelected) ? fw::clHighlight : fw::clMenu);
            canvas.FillRect(r);
        };
        item->OnClick = [&log, name](fw::TObject*) { log.push_back(std::string("click ") + name); };
        menu->Items().Add(item);
        return item;
    };
    add(L"&Copy", "copy")->SetShortCut(fw::scCtrl | 'C');
    auto* hidden = add(L"Hidden", "hidden");
    hidden->SetVisible(false);
    add(L"Select &all", "all");
    EXPECT_EQ(menu->Items().Items(2)->MenuIndex(), 2);
    EXPECT_EQ(fw::ShortCutToText(menu->Items().Items(0)->ShortCut()), L"Ctrl+C");

    // Down twice: the second visible item; Enter chooses it.
    MenuKeys keys({VK_DOWN, VK_DOWN, VK_RETURN});
    RECT r;
    ::GetWindowRect(form->Handle(), &r);
    menu->Popup(r.left + 20, r.top + 40);
    EXPECT_TRUE(keys.sent);
    // The command arrives through the message loop once the menu has closed.
    EXPECT_TRUE(PumpUntil([&] { return !log.empty(); }, 2000ms));
    EXPECT_EQ(log, (std::vector<std::string>{"click all"}));
    EXPECT_EQ(measured, (std::set<std::string>{"copy", "all"}));
    EXPECT_TRUE(drawn.contains("copy"));
    EXPECT_TRUE(drawn.contains("all selected"));
    EXPECT_FALSE(drawn.contains("hidden"));
}

TEST_F(MenusTest, ContextMenuOfAControlPopsItsMenuForIt) {
    auto* menu = new fw::TPopupMenu(form.get());
    auto* item = new fw::TMenuItem(form.get());
    item->SetCaption(L"Clear");
    menu->Items().Add(item);
    int clicks = 0;
    item->OnClick = [&](fw::TObject*) { ++clicks; };
    std::vector<fw::TComponent*> popups;
    menu->OnPopup = [&](fw::TObject*) { popups.push_back(menu->PopupComponent()); };
    memo->SetPopupMenu(menu);

    MenuKeys keys({VK_DOWN, VK_RETURN});
    POINT at{30, 30};
    ::ClientToScreen(memo->Handle(), &at);
    ::SendMessageW(memo->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(memo->Handle()), MAKELPARAM(at.x, at.y));
    EXPECT_EQ(popups, (std::vector<fw::TComponent*>{memo}));
    EXPECT_TRUE(PumpUntil([&] { return clicks == 1; }, 2000ms));

    // Freed menus are forgotten by the controls that showed them.
    delete menu;
    EXPECT_EQ(memo->PopupMenu(), nullptr);
}

}  // namespace
