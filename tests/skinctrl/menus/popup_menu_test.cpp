// The skinned pop-up menus of skinned controls under Wine: a test form whose
// panel and button carry a framework pop-up menu with checked, radio, disabled
// and sub-menu items. The marks and arrows read back from the screen against
// the skin's own records in normal, hot and disabled items; the sub-menu
// opened by the pointer and by the Right key; the menu reached by a right
// click, Shift+F10 and the context-menu key; and a hundred openings leaving
// nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/skinctrl/frame/FrameShots.h"
#include "tests/skinctrl/frame/PointerInput.h"
#include "framework/Forms.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/Menus.h"
#include "skin/SkinManagerSetup.h"
#include "skinctrl/controls/sButton.h"
#include "skinctrl/controls/sLabel.h"
#include "skinctrl/controls/sPanel.h"
#include "skinctrl/frame/sSkinProvider.h"
#include "skinctrl/menus/sPopupMenus.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skins/OpusSkin.h"
#include "tests/support/Gui.h"
#include "tests/support/HandleCount.h"

namespace {

using namespace std::chrono_literals;
using frametest::Click;
using frametest::MouseAt;
using frametest::PixelOfColor;
using frametest::RightClick;
using frametest::ShotOf;
using testsupport::PumpUntil;

void Pump(std::chrono::milliseconds time) { PumpUntil([] { return false; }, time); }

// Keys pressed and released, with modifiers held around them.
void Keys(std::initializer_list<WORD> held, WORD key) {
  std::vector<INPUT> in;
  const auto add = [&](WORD vk, bool up) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = vk;
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    in.push_back(i);
  };
  for (WORD k : held) add(k, false);
  add(key, false);
  add(key, true);
  for (auto it = std::rbegin(held); it != std::rend(held); ++it) add(*it, true);
  ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// The visible menu windows of this thread, the first opened first.
std::vector<HWND> MenuWindows() {
  std::vector<HWND> found;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND w, LPARAM list) -> BOOL {
        wchar_t cls[16] = {};
        ::GetClassNameW(w, cls, 16);
        if (std::wstring(cls) == L"#32768" && ::IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  // Enumerated from the top of the z-order: the newest first.
  return {found.rbegin(), found.rend()};
}

HMENU MenuOf(HWND menuWnd) { return reinterpret_cast<HMENU>(::SendMessageW(menuWnd, 0x01E1 /* MN_GETHMENU */, 0, 0)); }

// The screen rectangle of the shown item of a framework item, or an empty one.
RECT ItemRect(HWND menuWnd, const fw::TMenuItem& item) {
  const HMENU hmenu = MenuOf(menuWnd);
  for (int i = 0; hmenu && i < ::GetMenuItemCount(hmenu); ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID;
    ::GetMenuItemInfoW(hmenu, static_cast<UINT>(i), TRUE, &info);
    RECT r{};
    if (info.wID == item.Command() && ::GetMenuItemRect(nullptr, hmenu, static_cast<UINT>(i), &r)) return r;
  }
  return {};
}
POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Runs the steps one per tick (the first after `interval`) inside the menu's
// modal loop, which handles the input a step makes before the next step runs.
// A step gets the visible menu windows, the first opened first; steps run only
// while a menu shows.
class MenuScript {
public:
  using Step = std::function<void(const std::vector<HWND>&)>;
  MenuScript(std::vector<Step> steps, UINT interval = 150) : interval_(interval) {
    current_ = this;
    steps_ = std::move(steps);
    timer_ = ::SetTimer(nullptr, 0, interval, &Tick);
  }
  ~MenuScript() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  MenuScript(const MenuScript&) = delete;
  MenuScript& operator=(const MenuScript&) = delete;
  bool Done() const noexcept { return next_ == steps_.size(); }
  // Called by a step: run it again at the next tick (a step waiting for
  // something gives up after two seconds of ticks).
  static void Again() noexcept {
    if (current_) current_->again_ = true;
  }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    MenuScript* s = current_;
    const std::vector<HWND> menus = MenuWindows();
    if (!s || menus.empty() || s->Done()) return;
    const Step& step = s->steps_[s->next_];
    s->again_ = false;
    if (step) step(menus);
    if (s->again_ && ++s->repeats_ * s->interval_ < 2000) return;
    s->repeats_ = 0;
    ++s->next_;
  }
  static inline MenuScript* current_ = nullptr;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  bool again_ = false;
  UINT repeats_ = 0;
  UINT interval_;
  UINT_PTR timer_ = 0;
};

// A test form with the built-in skin: a panel over the client area and a
// button on it, both with the same pop-up menu.
class SkinnedPopupMenu : public ::testing::Test {
protected:
  void SetUp() override {
    skinctrl::InstallFormFrames();
    form = std::make_unique<fw::TForm>(nullptr);
    form->BeginLoading();
    manager = new skin::TsSkinManager(form.get());
    skin::ConfigureMainSkinManager(*manager, skins::OpusSkinArchive());
    form->EndLoading();
    form->SetCaption(L"Menus");
    form->SetBounds(120, 120, 320, 200);
    panel = new skinctrl::TsPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 300, 160);
    button = new skinctrl::TsButton(form.get());
    button->SetParent(panel);
    button->SetCaption(L"Check");
    button->SetBounds(180, 100, 90, 26);

    menu = new fw::TPopupMenu(form.get());
    const auto add = [&](fw::TMenuItem& parent, const wchar_t* caption) {
      auto* item = new fw::TMenuItem(form.get());
      item->SetCaption(caption);
      item->OnClick = [this, caption](fw::TObject*) { clicked.push_back(caption); };
      parent.Add(item);
      return item;
    };
    plain = add(menu->Items(), L"Plain");
    checked = add(menu->Items(), L"Checked");
    checked->SetChecked(true);
    add(menu->Items(), L"-");
    radioA = add(menu->Items(), L"Radio A");
    radioB = add(menu->Items(), L"Radio B");
    radioA->SetRadioItem(true);
    radioB->SetRadioItem(true);
    radioA->SetChecked(true);
    disabledChecked = add(menu->Items(), L"Disabled checked");
    disabledChecked->SetChecked(true);
    disabledChecked->SetEnabled(false);
    more = add(menu->Items(), L"More");
    subOne = add(*more, L"Sub one");
    subChecked = add(*more, L"Sub checked");
    subChecked->SetChecked(true);
    panel->SetPopupMenu(menu);
    button->SetPopupMenu(menu);

    form->Show();
    ::SetForegroundWindow(form->Handle());
    ASSERT_TRUE(PumpUntil([&] { return skinctrl::ProviderOf(form->Handle()) != nullptr; }));
    button->SetFocus();
    Pump(200ms);
    itemSection = manager->GetSkinIndex("MENUITEM");
    mainMenu = manager->GetSkinIndex("MAINMENU");
    ASSERT_GE(itemSection, 0);
    ASSERT_GE(mainMenu, 0);
  }
  void TearDown() override { form.reset(); }

  const skin::TsGenState& ItemLook(int state) const {
    return manager->gd()[static_cast<std::size_t>(itemSection)].Props[static_cast<std::size_t>(state)];
  }
  // The skin's picture of a menu window: "MAINMENU" over its size.
  skin::Bitmap32 MenuPicture(HWND menuWnd) const {
    RECT w{};
    ::GetWindowRect(menuWnd, &w);
    skin::Bitmap32 look(w.right - w.left, w.bottom - w.top);
    const skinctrl::ScanLines lines{look.Pixels.data(), look.Width, look.Height, look.Width};
    skinctrl::PaintSkinSection(&manager->Model(), mainMenu, skinctrl::TCacheInfo{}, -1, -1, lines, skinctrl::TPoint{},
                               skinctrl::TRect{0, 0, look.Width, look.Height}, 0);
    return look;
  }
  std::uint32_t MenuBackground(HWND menuWnd, POINT at) const {
    RECT w{};
    ::GetWindowRect(menuWnd, &w);
    return MenuPicture(menuWnd).At(at.x - w.left, at.y - w.top) & 0xFFFFFF;
  }
  // The background of a shown item as the skin paints it: "MENUITEM" in the
  // state over the menu's picture at the item's place; a point of the item
  // (screen coordinates).
  std::uint32_t ItemBackground(HWND menuWnd, const RECT& item, POINT at, int state) const {
    RECT w{};
    ::GetWindowRect(menuWnd, &w);
    skin::Bitmap32 look = MenuPicture(menuWnd);
    const int left = item.left - w.left, top = item.top - w.top;
    const skinctrl::ScanLines place{&look.Pixels[static_cast<std::size_t>(top * look.Width + left)],
                                    item.right - item.left, item.bottom - item.top, look.Width};
    skinctrl::PaintSkinSection(&manager->Model(), itemSection, skinctrl::CacheInfoOfBitmap(place, 0, 0), -1, -1, place,
                               skinctrl::TPoint{}, skinctrl::TRect{0, 0, place.Width, place.Height}, state);
    return look.At(at.x - w.left, at.y - w.top) & 0xFFFFFF;
  }
  // The icon column of an item, where marks are centred, in screen coordinates.
  static RECT GlyphPlace(const RECT& item) {
    return RECT{item.left, item.top,
                item.left + skinctrl::MenuMargin + skinctrl::MenuGlyphSize + skinctrl::MenuSpacing, item.bottom};
  }
  // Whether a shown item has the hot look: "MENUITEM" in its hot state at a
  // point near the item's right end.
  bool Hot(HWND menuWnd, const RECT& item) const {
    const POINT inside{item.right - 12, (item.top + item.bottom) / 2};
    return PixelAt(menuWnd, inside) == ItemBackground(menuWnd, item, inside, 1);
  }
  static RECT ArrowPlace(const RECT& item) {
    return RECT{item.right - skinctrl::MenuMargin - skinctrl::MenuArrowWidth, item.top,
                item.right - skinctrl::MenuMargin, item.bottom};
  }
  // Pixels of a colour inside a screen rectangle of a menu window's shot.
  static int CountOf(HWND menuWnd, const RECT& r, std::uint32_t color) {
    const skin::Bitmap32 shot = ShotOf(menuWnd);
    RECT w{};
    ::GetWindowRect(menuWnd, &w);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += shot.At(x - w.left, y - w.top) == color;
    return n;
  }
  static std::uint32_t PixelAt(HWND menuWnd, POINT p) {
    RECT w{};
    ::GetWindowRect(menuWnd, &w);
    return ShotOf(menuWnd).At(p.x - w.left, p.y - w.top);
  }

  std::unique_ptr<fw::TForm> form;
  skin::TsSkinManager* manager = nullptr;
  skinctrl::TsPanel* panel = nullptr;
  skinctrl::TsButton* button = nullptr;
  fw::TPopupMenu* menu = nullptr;
  fw::TMenuItem *plain = nullptr, *checked = nullptr, *radioA = nullptr, *radioB = nullptr, *disabledChecked = nullptr,
                *more = nullptr, *subOne = nullptr, *subChecked = nullptr;
  std::vector<std::wstring> clicked;
  int itemSection = -1, mainMenu = -1;
};

// A point of the skin's check-mark image where its lit frame differs from the
// normal one, both opaque there.
struct MarkProbe {
  POINT at{-1, -1};
  std::uint32_t normal = 0, lit = 0;
};
MarkProbe ProbeOfCheck(const skin::TsSkinManager& m) {
  const int index = m.GetMaskIndex(m.ConstData.IndexGLobalInfo, "CHECK");
  if (!m.Model().IsValidImgIndex(index)) return {};
  const skin::TsMaskData& image = m.ma()[static_cast<std::size_t>(index)];
  const skin::Bitmap32& bmp = image.Bmp ? *image.Bmp : *m.Model().MasterBitmap;
  const auto pixel = [&](int cell, int x, int y) {
    return bmp.At(image.R.Left + cell * image.Width + x, image.R.Top + y) & 0xFFFFFF;
  };
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x) {
      const std::uint32_t a = pixel(0, x, y), b = pixel(std::min(1, image.ImageCount - 1), x, y);
      if (a != b && a != 0xFF00FF && b != 0xFF00FF) return {POINT{x, y}, a, b};
    }
  return {};
}

TEST_F(SkinnedPopupMenu, MarksAndArrowsShowTheSkinsLooksInNormalHotAndDisabledItems) {
  const MarkProbe check = ProbeOfCheck(*manager);
  ASSERT_GE(check.at.x, 0) << "the skin has a check mark with a lit frame";
  const int checkIndex = manager->GetMaskIndex(manager->ConstData.IndexGLobalInfo, "CHECK");
  const skin::TsMaskData& checkImage = manager->ma()[static_cast<std::size_t>(checkIndex)];
  const auto checkPoint = [&](const RECT& item) {
    const RECT g = GlyphPlace(item);
    return POINT{g.left + (g.right - g.left - checkImage.Width) / 2 + check.at.x,
                 g.top + (g.bottom - g.top - checkImage.Height) / 2 + check.at.y};
  };
  const std::uint32_t ink = PixelOfColor(ItemLook(0).FontColor.Color), hotInk = PixelOfColor(ItemLook(1).FontColor.Color);
  // A disabled item is its drawing mixed into the menu's background (the icon
  // column there), keeping 100 of 256.
  std::uint32_t under = 0;
  {
    skin::Bitmap32 bg(8, 8);
    skinctrl::ScanLines lines{bg.Pixels.data(), bg.Width, bg.Height, bg.Width};
    skinctrl::PaintSkinSection(&manager->Model(), mainMenu, skinctrl::TCacheInfo{}, -1, -1, lines, skinctrl::TPoint{},
                               skinctrl::TRect{0, 0, 8, 8}, 0);
    const int icoLine = manager->GetSkinIndex("ICOLINE");
    if (icoLine >= 0)
      skinctrl::PaintSkinSection(&manager->Model(), icoLine, skinctrl::CacheInfoOfBitmap(lines, 0, 0), -1, -1, lines,
                                 skinctrl::TPoint{}, skinctrl::TRect{0, 0, 8, 8}, 0);
    under = bg.At(4, 4) & 0xFFFFFF;
  }
  const auto faded = [&](std::uint32_t a) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
      out |= ((((a >> shift) & 0xFF) * 100 + ((under >> shift) & 0xFF) * 156) >> 8) << shift;
    return out;
  };
  RECT checkedR{}, radioR{}, disabledR{}, moreR{};
  bool subSeen = false;
  // Pointer moves can get lost under load: a step waiting for an item to
  // turn hot moves the pointer again, a pixel aside, until it does.
  int nudges = 0;
  const auto nudge = [&](POINT p) {
    MouseAt(POINT{p.x + (++nudges & 1), p.y});
    MenuScript::Again();
  };
  const auto reached = [&](HWND w, const RECT& item) {
    if (Hot(w, item)) return true;
    nudge(Centre(item));
    return false;
  };
  MenuScript script(
      {[&](const std::vector<HWND>& menus) {
         const HWND w = menus.front();
         frametest::Save(ShotOf(w), "popup-menu-normal.bmp");
         checkedR = ItemRect(w, *checked);
         radioR = ItemRect(w, *radioA);
         disabledR = ItemRect(w, *disabledChecked);
         moreR = ItemRect(w, *more);
         EXPECT_EQ(PixelAt(w, checkPoint(checkedR)), check.normal) << "check mark, normal";
         EXPECT_EQ(PixelAt(w, Centre(GlyphPlace(radioR))), ink) << "radio mark, normal";
         EXPECT_NE(PixelAt(w, Centre(GlyphPlace(ItemRect(w, *radioB)))), ink) << "an unchecked radio item has none";
         EXPECT_EQ(PixelAt(w, checkPoint(disabledR)), faded(check.normal)) << "check mark, disabled";
         // The arrow in the text colour, and nothing of the system's own
         // arrow: every pixel of its place is the item's background or ink.
         const RECT a = ArrowPlace(moreR);
         EXPECT_GE(CountOf(w, a, ink), 12) << "sub-menu arrow, normal";
         const skin::Bitmap32 shot = ShotOf(w);
         RECT wr{};
         ::GetWindowRect(w, &wr);
         int foreign = 0;
         for (int y = a.top; y < a.bottom; ++y)
           for (int x = a.left; x < a.right; ++x) {
             const std::uint32_t p = shot.At(x - wr.left, y - wr.top);
             foreign += p != ink && p != ItemBackground(w, moreR, POINT{x, y}, 0);
           }
         EXPECT_EQ(foreign, 0) << "pixels in the arrow's place that are neither ink nor background";
         MouseAt(Centre(checkedR));
       },
       [&](const std::vector<HWND>& menus) {
         const HWND w = menus.front();
         if (!reached(w, checkedR)) return;
         EXPECT_EQ(PixelAt(w, checkPoint(checkedR)), check.lit) << "check mark, hot: the lit frame";
         frametest::Save(ShotOf(w), "popup-menu-hot-check.bmp");
         MouseAt(Centre(radioR));
       },
       [&](const std::vector<HWND>& menus) {
         const HWND w = menus.front();
         if (!reached(w, radioR)) return;
         EXPECT_EQ(PixelAt(w, Centre(GlyphPlace(radioR))), hotInk) << "radio mark, hot";
         EXPECT_TRUE(Hot(w, radioR)) << "the hot item's look";
         frametest::Save(ShotOf(w), "popup-menu-hot-radio.bmp");
         MouseAt(Centre(disabledR));
       },
       nullptr,
       [&](const std::vector<HWND>& menus) {
         EXPECT_EQ(PixelAt(menus.front(), checkPoint(disabledR)), faded(check.normal))
             << "a disabled item under the pointer keeps its disabled look";
         EXPECT_FALSE(Hot(menus.front(), disabledR)) << "and shows no hot look";
         MouseAt(Centre(moreR));
       },
       [&](const std::vector<HWND>& menus) {
         if (menus.size() < 2) nudge(Centre(moreR));
       },
       [&](const std::vector<HWND>& menus) {
         ASSERT_EQ(menus.size(), 2u) << "the sub-menu opened under the pointer";
         EXPECT_GE(CountOf(menus[0], ArrowPlace(moreR), hotInk), 12) << "sub-menu arrow, hot";
         frametest::Save(ShotOf(menus[0]), "popup-menu-hot-arrow.bmp");
         const HWND sub = menus[1];
         frametest::Save(ShotOf(sub), "popup-submenu-pointer.bmp");
         const RECT subR = ItemRect(sub, *subChecked);
         EXPECT_EQ(PixelAt(sub, checkPoint(subR)), check.normal) << "the sub-menu's items are skinned";
         const fw::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
         EXPECT_NE(::GetWindowRgn(sub, region.get()), ERROR) << "the sub-menu window has the skin's outline";
         subSeen = true;
         MouseAt(Centre(ItemRect(sub, *subOne)));
       },
       [&](const std::vector<HWND>& menus) {
         const RECT r = menus.size() == 2 ? ItemRect(menus[1], *subOne) : RECT{};
         if (menus.size() == 2 && !reached(menus[1], r)) return;
         Click(Centre(r));
       },
       [&](const std::vector<HWND>&) {
         ADD_FAILURE() << "the click left the menu open";
         ::EndMenu();
       }});
  RECT pr{};
  ::GetWindowRect(panel->Handle(), &pr);
  RightClick(POINT{pr.left + 30, pr.top + 30});
  PumpUntil([&] { return !clicked.empty(); }, 10s);
  EXPECT_TRUE(subSeen);
  EXPECT_EQ(clicked, std::vector<std::wstring>{L"Sub one"}) << "the sub-menu's item acts";
}

TEST_F(SkinnedPopupMenu, ContextMenuRequestsOfSkinnedControlsShowTheSkinnedMenu) {
  // Whether the shown menu is drawn by the skin, and for which control.
  const auto opened = [&](const char* way, const std::function<void()>& open) {
    bool ownerDrawn = false, shown = false;
    {
      MenuScript script({[&](const std::vector<HWND>& menus) {
        shown = true;
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        ownerDrawn = ::GetMenuItemInfoW(MenuOf(menus.front()), 0, TRUE, &info) && (info.fType & MFT_OWNERDRAW);
        ::EndMenu();
      }});
      open();
      PumpUntil([&] { return script.Done(); }, 3s);
      Pump(100ms);
    }
    EXPECT_TRUE(shown) << way;
    return ownerDrawn;
  };
  RECT pr{}, br{};
  ::GetWindowRect(panel->Handle(), &pr);
  ::GetWindowRect(button->Handle(), &br);
  const auto rightClickAt = [&](POINT p) {
    return [p] { RightClick(p); };
  };
  EXPECT_TRUE(opened("right click on the panel", rightClickAt(POINT{pr.left + 30, pr.top + 30})));
  EXPECT_EQ(menu->PopupComponent(), panel);
  EXPECT_TRUE(opened("right click on the button", rightClickAt(Centre(br))));
  EXPECT_EQ(menu->PopupComponent(), button);
  button->SetFocus();
  menu->SetPopupComponent(nullptr);
  EXPECT_TRUE(opened("Shift+F10", [] { Keys({VK_SHIFT}, VK_F10); }));
  EXPECT_EQ(menu->PopupComponent(), button) << "for the focused control";
  menu->SetPopupComponent(nullptr);
  EXPECT_TRUE(opened("the context-menu key", [] { Keys({}, VK_APPS); }));
  EXPECT_EQ(menu->PopupComponent(), button);

  // A request over a graphic child with a menu of its own shows that menu, skinned.
  auto* label = new skinctrl::TsLabel(form.get());
  label->SetParent(panel);
  label->SetCaption(L"Port:");
  label->SetBounds(10, 110, 60, 20);
  auto* labelMenu = new fw::TPopupMenu(form.get());
  auto* labelItem = new fw::TMenuItem(form.get());
  labelItem->SetCaption(L"About the port");
  labelMenu->Items().Add(labelItem);
  label->SetPopupMenu(labelMenu);
  Pump(100ms);
  const LPARAM overLabel = MAKELPARAM(pr.left + 30, pr.top + 120);
  EXPECT_TRUE(opened("request over the label", [&] {
    ::SendMessageW(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()), overLabel);
  }));
  EXPECT_EQ(labelMenu->PopupComponent(), label);

  // The form's own menu, for a request to the form.
  auto* formMenu = new fw::TPopupMenu(form.get());
  auto* formItem = new fw::TMenuItem(form.get());
  formItem->SetCaption(L"About");
  formMenu->Items().Add(formItem);
  form->SetPopupMenu(formMenu);
  EXPECT_TRUE(opened("request to the form", [&] {
    ::SendMessageW(form->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Handle()),
                   MAKELPARAM(pr.left + 30, pr.top + 30));
  }));
  EXPECT_EQ(formMenu->PopupComponent(), form.get());

  // Without an active skin the same request shows the system's menu.
  manager->SetActive(false);
  Pump(200ms);
  EXPECT_FALSE(opened("right click, no skin", rightClickAt(POINT{pr.left + 30, pr.top + 30})));
  EXPECT_EQ(plain->OnAdvancedDrawItem, nullptr) << "the skin's handlers are taken off again";
  manager->SetActive(true);
  Pump(200ms);
  EXPECT_TRUE(opened("right click, skin back", rightClickAt(POINT{pr.left + 30, pr.top + 30})));

  // From the keyboard into the sub-menu: Up wraps to the last item, Right opens it.
  std::size_t windows = 0;
  RECT subR{};
  HWND sub = nullptr;
  std::uint32_t subCheck = 0;
  const MarkProbe check = ProbeOfCheck(*manager);
  {
    MenuScript script({[](const std::vector<HWND>&) { Keys({}, VK_UP); },
                       [](const std::vector<HWND>&) { Keys({}, VK_RIGHT); },
                       [&](const std::vector<HWND>& menus) {
                         if (menus.size() < 2) return MenuScript::Again();
                         windows = menus.size();
                         sub = menus.back();
                         frametest::Save(ShotOf(sub), "popup-submenu-key.bmp");
                         subR = ItemRect(sub, *subChecked);
                         const int index = manager->GetMaskIndex(manager->ConstData.IndexGLobalInfo, "CHECK");
                         const skin::TsMaskData& image = manager->ma()[static_cast<std::size_t>(index)];
                         const RECT g = GlyphPlace(subR);
                         subCheck = PixelAt(sub, POINT{g.left + (g.right - g.left - image.Width) / 2 + check.at.x,
                                                       g.top + (g.bottom - g.top - image.Height) / 2 + check.at.y});
                         Keys({}, VK_ESCAPE);
                       },
                       [](const std::vector<HWND>& menus) {
                         EXPECT_EQ(menus.size(), 1u) << "Esc closed the sub-menu only";
                         Keys({}, VK_ESCAPE);
                       },
                       [](const std::vector<HWND>&) {
                         ADD_FAILURE() << "Esc left the menu open";
                         ::EndMenu();
                       }});
    Keys({VK_SHIFT}, VK_F10);
    PumpUntil([&] { return script.Done() || (windows > 0 && MenuWindows().empty()); }, 5s);
    Pump(100ms);
  }
  EXPECT_EQ(windows, 2u) << "the Right key opened the sub-menu";
  EXPECT_EQ(subCheck, check.normal) << "the sub-menu is skinned";
  EXPECT_TRUE(clicked.empty()) << "no command ran";
}

// A real right click on a label shows the label's own menu, drawn by the
// skin from its first item on: on the panel and right on the form alike, and
// the system's menu once the skin is off.
TEST_F(SkinnedPopupMenu, ARightClickOnALabelShowsItsOwnMenuSkinned) {
  auto* labelMenu = new fw::TPopupMenu(form.get());
  auto* about = new fw::TMenuItem(form.get());
  about->SetCaption(L"About the port");
  labelMenu->Items().Add(about);
  auto* onPanel = new skinctrl::TsLabel(form.get());
  onPanel->SetParent(panel);
  onPanel->SetCaption(L"Port:");
  onPanel->SetBounds(10, 110, 60, 20);
  onPanel->SetPopupMenu(labelMenu);
  auto* onForm = new skinctrl::TsLabel(form.get());
  onForm->SetParent(form.get());
  onForm->SetCaption(L"Form label");
  onForm->SetBounds(10, 162, 80, 16);
  onForm->SetPopupMenu(labelMenu);
  Pump(200ms);

  struct Seen {
    bool Shown = false, OwnerDrawn = false, SkinPixels = false;
  };
  const auto rightClick = [&](fw::TControl& label) {
    Seen seen;
    const RECT b = label.BoundsRect();
    POINT at{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    ::ClientToScreen(label.Parent()->Handle(), &at);
    {
      MenuScript script({[&](const std::vector<HWND>& menus) {
        seen.Shown = true;
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        seen.OwnerDrawn = ::GetMenuItemInfoW(MenuOf(menus.front()), 0, TRUE, &info) && (info.fType & MFT_OWNERDRAW);
        const RECT item = ItemRect(menus.front(), *about);
        const POINT inside{item.right - 12, (item.top + item.bottom) / 2};
        seen.SkinPixels = !::IsRectEmpty(&item) && (PixelAt(menus.front(), inside) == ItemBackground(menus.front(), item, inside, 0) ||
                                                    PixelAt(menus.front(), inside) == ItemBackground(menus.front(), item, inside, 1));
        frametest::Save(ShotOf(menus.front()), "popup-label-menu.bmp");
        ::EndMenu();
      }});
      MouseAt(at);
      Pump(100ms);
      RightClick(at);
      PumpUntil([&] { return script.Done(); }, 3s);
      Pump(100ms);
    }
    return seen;
  };

  Seen seen = rightClick(*onPanel);
  EXPECT_TRUE(seen.Shown) << "a right click on the label on the panel";
  EXPECT_TRUE(seen.OwnerDrawn);
  EXPECT_TRUE(seen.SkinPixels);
  EXPECT_EQ(labelMenu->PopupComponent(), onPanel);

  labelMenu->SetPopupComponent(nullptr);
  seen = rightClick(*onForm);
  EXPECT_TRUE(seen.Shown) << "a right click on the label on the form";
  EXPECT_TRUE(seen.OwnerDrawn);
  EXPECT_TRUE(seen.SkinPixels);
  EXPECT_EQ(labelMenu->PopupComponent(), onForm);

  // A label without a menu leaves the request to its parent: the panel's.
  onPanel->SetPopupMenu(nullptr);
  seen = rightClick(*onPanel);
  EXPECT_TRUE(seen.Shown);
  EXPECT_EQ(menu->PopupComponent(), panel);

  manager->SetActive(false);
  Pump(200ms);
  onPanel->SetPopupMenu(labelMenu);
  seen = rightClick(*onPanel);
  EXPECT_TRUE(seen.Shown) << "no skin";
  EXPECT_FALSE(seen.OwnerDrawn);
  manager->SetActive(true);
  Pump(200ms);
}

// The items' measures at 100 and 200 %: an item is its text or glyph (16)
// high plus twice the margin (2) and 2, a separator 2 high; the text starts
// after the glyph, two margins and the spacing (8); the separator's line runs
// from 2 past the icon column to the margin and spacing before the right end,
// in the top row of the skin's divider image. Every number scaled by the
// manager's scale.
TEST_F(SkinnedPopupMenu, ItemsHaveThePartsMeasuresAtTheManagersScale) {
  MouseAt(POINT{2, 2});
  const int divider = manager->GetSkinIndex("DIVIDERV");
  ASSERT_GE(divider, 0);
  for (const int percent : {100, 200}) {
    if (percent == 200) manager->SetScaleMode(skin::sm200);
    Pump(200ms);
    ASSERT_EQ(manager->ScaleInt(100), percent);
    const auto px = [&](int v) { return v * percent / 100; };
    const skin::TsMaskData& line =
        manager->ma()[static_cast<std::size_t>(manager->gd()[static_cast<std::size_t>(divider)].BorderIndex)];
    const skin::Bitmap32& lineBmp = line.Bmp ? *line.Bmp : *manager->Model().MasterBitmap;
    const std::uint32_t lineColor = lineBmp.At(line.R.Left + line.WL, line.R.Top) & 0xFFFFFF;
    // The menu font at the scale, as the system gives it.
    LOGFONTW font = fw::NonClientMetricsForDpi(manager->MetricsDpi()).lfMenuFont;
    font.lfHeight = font.lfHeight * percent / 100;
    int textHeight = 0;
    {
      fw::WindowDc screen(nullptr);
      const fw::UniqueFont f(::CreateFontIndirectW(&font));
      const fw::SelectObjectScope select(screen.get(), f.get());
      RECT r{0, 0, 800, 0};
      ::DrawTextW(screen.get(), L"Plain", -1, &r, DT_CALCRECT | DT_WORDBREAK);
      textHeight = r.bottom;
    }
    RECT plainR{}, lineR{}, checkedR{};
    skin::Bitmap32 shot;
    RECT w{};
    {
      MenuScript script({[&](const std::vector<HWND>& menus) {
        plainR = ItemRect(menus[0], *plain);
        checkedR = ItemRect(menus[0], *checked);
        lineR = ItemRect(menus[0], *menu->Items().Items(2));
        ::GetWindowRect(menus[0], &w);
        shot = ShotOf(menus[0]);
        frametest::Save(shot, "menu-metrics-" + std::to_string(percent) + ".bmp");
        ::EndMenu();
      }});
      skinctrl::HookPopupMenu(*menu, true);
      RECT pr{};
      ::GetWindowRect(panel->Handle(), &pr);
      menu->Popup(pr.left + 20, pr.top + 20);
      PumpUntil([&] { return script.Done() && MenuWindows().empty(); }, 5s);
    }
    ASSERT_GT(shot.Width, 0) << percent;
    const auto at = [&](int x, int y) { return shot.At(x - w.left, y - w.top); };
    const int itemHeight = plainR.bottom - plainR.top, lineHeight = lineR.bottom - lineR.top;
    EXPECT_EQ(itemHeight, std::max(textHeight, px(16)) + 2 * px(2) + px(2)) << percent << " %: item height";
    EXPECT_EQ(checkedR.top, plainR.bottom) << percent;
    EXPECT_EQ(lineHeight, px(2)) << percent << " %: separator height";
    // The text's first ink after the icon column, in the plain item's row.
    const int textLeft = plainR.left + px(16) + 2 * px(2) + px(8);
    const int row = (plainR.top + plainR.bottom) / 2;
    const std::uint32_t paper = at(plainR.right - px(6), row);
    int ink = -1;
    for (int x = plainR.left; x < plainR.right - px(6) && ink < 0; ++x)
      for (int y = plainR.top + px(2); y < plainR.bottom - px(2) && ink < 0; ++y)
        if (at(x, y) != paper) ink = x;
    EXPECT_GE(ink, textLeft) << percent << " %: text left of its place";
    EXPECT_LE(ink, textLeft + px(3)) << percent << " %: text starts at its place";
    // The separator's line.
    const int column = px(2) + px(16) + px(8);
    const int lineLeft = lineR.left + column + 2, lineRight = lineR.right - px(2) - px(8);
    int first = -1, last = -1;
    for (int x = lineR.left; x < lineR.right; ++x)
      if (at(x, lineR.top) == lineColor) {
        if (first < 0) first = x;
        last = x;
      }
    EXPECT_EQ(first, lineLeft) << percent << " %: the line's left end";
    EXPECT_EQ(last, lineRight - 1) << percent << " %: the line's right end";
    EXPECT_NE(at((lineLeft + lineRight) / 2, lineR.top + px(2) - 1), lineColor) << percent << ": one row only";
    std::printf("menu at %d %%: item %d high (text %d), separator %d high, text from %d, line %d..%d of %d\n",
                percent, itemHeight, textHeight, lineHeight, static_cast<int>(ink - plainR.left),
                static_cast<int>(first - lineR.left), static_cast<int>(last - lineR.left),
                static_cast<int>(lineR.right - lineR.left));
  }
  manager->SetScaleMode(skin::smOldMode);
}

// How menu windows of this thread came up: seen from thread hooks around
// their window procedures and the menus' owner.
struct MenuShowingLog {
  static inline MenuShowingLog* current = nullptr;
  bool drawSeen = false, skinnedAtFirstDraw = false, paintSeen = false;
  // The window's layered alpha when its showing was asked for, at its first
  // item's drawing and after its first paint (-1: not layered).
  int alphaWhenShown = -2, alphaAtFirstDraw = -2, alphaAfterFirstPaint = -2;
  // The window's region (GetWindowRgn's answer) when the system is first
  // asked to draw its frame, before any window procedure runs.
  int regionAtFirstFramePaint = -2;
  HWND menu = nullptr;
  // What the screen showed under the window after its first paint message
  // or item drawing.
  std::vector<skin::Bitmap32> frames;
  HHOOK before = nullptr, after = nullptr;

  static bool IsMenu(HWND w) {
    wchar_t cls[16] = {};
    ::GetClassNameW(w, cls, 16);
    return std::wstring(cls) == L"#32768";
  }
  static int Alpha(HWND w) {
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!(::GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_LAYERED)) return -1;
    return ::GetLayeredWindowAttributes(w, nullptr, &alpha, &flags) && (flags & LWA_ALPHA) ? alpha : 255;
  }
  static LRESULT CALLBACK Before(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    MenuShowingLog* log = current;
    if (code == HC_ACTION && log && m->message == WM_NCPAINT && log->regionAtFirstFramePaint == -2 && IsMenu(m->hwnd)) {
      const fw::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
      log->regionAtFirstFramePaint = ::GetWindowRgn(m->hwnd, region.get());
    }
    if (code == HC_ACTION && log && m->message == WM_DRAWITEM && !log->drawSeen &&
        reinterpret_cast<const DRAWITEMSTRUCT*>(m->lParam)->CtlType == ODT_MENU) {
      log->drawSeen = true;
      const HWND w = ::WindowFromDC(reinterpret_cast<const DRAWITEMSTRUCT*>(m->lParam)->hDC);
      log->skinnedAtFirstDraw = w && skinctrl::IsSkinnedMenuWindow(w);
      if (w) log->alphaAtFirstDraw = Alpha(w);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static LRESULT CALLBACK After(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    MenuShowingLog* log = current;
    if (code == HC_ACTION && log && IsMenu(m->hwnd) && (!log->menu || log->menu == m->hwnd)) {
      if (m->message == WM_WINDOWPOSCHANGING &&
          (reinterpret_cast<const WINDOWPOS*>(m->lParam)->flags & SWP_SHOWWINDOW) && !log->menu) {
        log->menu = m->hwnd;
        log->alphaWhenShown = Alpha(m->hwnd);
      }
      if (log->menu && (m->message == WM_NCPAINT || m->message == WM_ERASEBKGND || m->message == WM_PAINT) &&
          log->frames.empty())
        log->frames.push_back(ShotOf(m->hwnd));
      if (m->message == WM_PAINT && log->menu && !log->paintSeen) {
        log->paintSeen = true;
        log->alphaAfterFirstPaint = Alpha(m->hwnd);
      }
    }
    // Each item drawn: the menu window as the screen shows it then.
    if (code == HC_ACTION && log && log->menu && m->message == WM_DRAWITEM && log->frames.empty() &&
        reinterpret_cast<const DRAWITEMSTRUCT*>(m->lParam)->CtlType == ODT_MENU)
      log->frames.push_back(ShotOf(log->menu));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  MenuShowingLog() {
    current = this;
    before = ::SetWindowsHookExW(WH_CALLWNDPROC, &Before, nullptr, ::GetCurrentThreadId());
    after = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &After, nullptr, ::GetCurrentThreadId());
  }
  ~MenuShowingLog() {
    ::UnhookWindowsHookEx(before);
    ::UnhookWindowsHookEx(after);
    current = nullptr;
  }
  MenuShowingLog(const MenuShowingLog&) = delete;
  MenuShowingLog& operator=(const MenuShowingLog&) = delete;
};

// A skinned menu window is the skin's from its creation: taken over before
// any item is drawn, tracked without the system's opening animation, given
// its outline before it shows, shown at alpha 0 until its items are painted,
// then opaque. (Wine, without a
// compositor, draws the layered window straight to the screen: the hiding is
// read from the window's state.)
TEST_F(SkinnedPopupMenu, MenuWindowsAreTheSkinsFromTheirFirstPaint) {
  // No item under the pointer: at rest the menus show no hot item.
  MouseAt(POINT{2, 2});
  const auto check = [&](const char* which, const std::function<void()>& open, fw::TPopupMenu* tracked) {
    MenuShowingLog log;
    skin::Bitmap32 rest;
    HWND shown = nullptr;
    int alphaAtRest = -2;
    RECT w{};
    std::uint32_t background = 0;
    {
      MenuScript script({[&](const std::vector<HWND>& menus) {
        shown = menus[0];
        ::GetWindowRect(shown, &w);
        background = MenuBackground(shown, POINT{w.right - 8, (w.top + w.bottom) / 2});
        alphaAtRest = MenuShowingLog::Alpha(menus[0]);
        rest = ShotOf(menus[0]);
        frametest::Save(rest, std::string("menu-") + which + "-rest.bmp");
        ::EndMenu();
      }}, 300);
      open();
      PumpUntil([&] { return script.Done() && MenuWindows().empty(); }, 5s);
    }
    if (tracked) {
      EXPECT_FALSE(tracked->Animated()) << which;
      EXPECT_TRUE(tracked->TrackFlags() & TPM_NOANIMATION) << which << ": tracked without the opening animation";
    }
    ASSERT_TRUE(log.drawSeen && log.paintSeen && rest.Width > 0) << which;
    EXPECT_TRUE(log.skinnedAtFirstDraw) << which << ": taken over before its first item was drawn";
    EXPECT_EQ(log.alphaWhenShown, 0) << which << ": shown at alpha 0";
    // Outlined while still hidden: Wine reshapes a shown window for twice the time.
    EXPECT_EQ(log.regionAtFirstFramePaint, COMPLEXREGION) << which << ": its outline when its frame is first drawn";
    EXPECT_EQ(log.alphaAtFirstDraw, 0) << which << ": still hidden while its items are drawn";
    EXPECT_EQ(log.alphaAfterFirstPaint, 255) << which << ": opaque once painted";
    EXPECT_EQ(alphaAtRest, 255) << which;
    ASSERT_EQ(shown, log.menu) << which;
    ASSERT_FALSE(log.frames.empty()) << which;
    // Wine paints its own menu fill and edge before the items at every
    // paint, and without a compositor the alpha hides nothing: the frame
    // the screen showed after the first paint message is kept as a picture.
    frametest::Save(log.frames.front(), std::string("menu-") + which + "-first-paint.bmp");
    // At rest, the menu's background is the skin's.
    EXPECT_EQ(rest.At(w.right - 8 - w.left, (w.bottom - w.top) / 2), background) << which;
  };
  RECT pr{};
  ::GetWindowRect(panel->Handle(), &pr);
  // Separator, checked, radio, disabled and sub-menu items.
  const auto popup = [&] {
    skinctrl::HookPopupMenu(*menu, true);
    menu->Popup(pr.left + 20, pr.top + 20);
  };
  const auto system = [&] {
    RECT w{};
    ::GetWindowRect(form->Handle(), &w);
    skinctrl::ProviderOf(form->Handle())->DropSysMenu(w.left + 4, w.top + 30);
  };
  check("popup", popup, menu);
  check("system", system, nullptr);
}

// The position of the highlighted item of a shown menu, -1 for none.
int Highlighted(HWND menuWnd) {
  const HMENU hmenu = MenuOf(menuWnd);
  for (int i = 0; hmenu && i < ::GetMenuItemCount(hmenu); ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    if (::GetMenuItemInfoW(hmenu, static_cast<UINT>(i), TRUE, &info) && (info.fState & MFS_HILITE)) return i;
  }
  return -1;
}

// Owner-drawn skinned items keep what native menus do from the keyboard and
// the mouse: an underlined letter runs its item (a letter two items share
// moves between them), the arrow keys step over separators, and a click on a
// separator leaves the menu open.
TEST_F(SkinnedPopupMenu, LettersArrowKeysAndSeparatorsWorkAsInNativeMenus) {
  fw::TPopupMenu keys(form.get());
  const auto add = [&](const wchar_t* caption, bool enabled = true) {
    auto* item = new fw::TMenuItem(form.get());
    item->SetCaption(caption);
    item->SetEnabled(enabled);
    item->OnClick = [this, caption](fw::TObject*) { clicked.push_back(caption); };
    keys.Items().Add(item);
    return item;
  };
  add(L"&First");
  fw::TMenuItem* line = add(L"-");
  add(L"&Second");
  add(L"&Disabled", false);
  add(L"&Twin one");
  add(L"&twin two");
  add(L"&Last");
  skinctrl::HookPopupMenu(keys, true);
  RECT lineRect{};
  int afterDown = -2, afterSecondDown = -2, afterUp = -2, afterUps = -2;
  // A letter two items share: Wine's menus take no MNC_SELECT answer (they
  // beep), so the menu owner's answer is read directly.
  LRESULT twin[3] = {};
  const auto letter = [](HWND menuWnd, wchar_t key) {
    return ::SendMessageW(fw::TPopupMenu::OwnerWindow(), WM_MENUCHAR, MAKEWPARAM(key, MF_POPUP),
                          reinterpret_cast<LPARAM>(MenuOf(menuWnd)));
  };
  bool openAfterLineClick = false, openAfterDisabledLetter = false;
  {
    MenuScript script({[&](const std::vector<HWND>&) { Keys({}, VK_DOWN); },
                       [&](const std::vector<HWND>& menus) {
                         afterDown = Highlighted(menus[0]);
                         Keys({}, VK_DOWN);
                       },
                       [&](const std::vector<HWND>& menus) {
                         afterSecondDown = Highlighted(menus[0]);
                         Keys({}, VK_UP);
                       },
                       [&](const std::vector<HWND>& menus) {
                         afterUp = Highlighted(menus[0]);
                         lineRect = ItemRect(menus[0], *line);
                         Click(Centre(lineRect));
                       },
                       [&](const std::vector<HWND>& menus) {
                         openAfterLineClick = !menus.empty();
                         Keys({}, 'D');
                       },
                       [&](const std::vector<HWND>& menus) {
                         openAfterDisabledLetter = !menus.empty();
                         twin[0] = letter(menus[0], L't');
                         Keys({}, VK_UP);
                       },
                       [&](const std::vector<HWND>& menus) {
                         // Up to the second twin.
                         if (Highlighted(menus[0]) != 5) {
                           Keys({}, VK_UP);
                           return MenuScript::Again();
                         }
                         twin[1] = letter(menus[0], L'T');
                         Keys({}, VK_UP);
                       },
                       [&](const std::vector<HWND>& menus) {
                         afterUps = Highlighted(menus[0]);
                         twin[2] = letter(menus[0], L'T');
                         Keys({}, 'S');
                       }});
    RECT pr{};
    ::GetWindowRect(panel->Handle(), &pr);
    keys.Popup(pr.left + 30, pr.top + 30);
    PumpUntil([&] { return !clicked.empty(); }, 2s);
    EXPECT_TRUE(script.Done());
  }
  EXPECT_EQ(afterDown, 0) << "Down: the first item";
  EXPECT_EQ(afterSecondDown, 2) << "Down again steps over the separator";
  EXPECT_EQ(afterUp, 0) << "Up steps back over it";
  EXPECT_GT(lineRect.bottom, lineRect.top) << "the separator is shown";
  EXPECT_TRUE(openAfterLineClick) << "a click on the separator leaves the menu open";
  EXPECT_TRUE(openAfterDisabledLetter) << "a disabled item's letter runs nothing";
  EXPECT_EQ(twin[0], MAKELRESULT(4, MNC_SELECT)) << "a letter two items share, none highlighted: the first";
  EXPECT_EQ(afterUps, 4);
  EXPECT_EQ(twin[1], MAKELRESULT(4, MNC_SELECT)) << "from the last of them: round to the first";
  EXPECT_EQ(twin[2], MAKELRESULT(5, MNC_SELECT)) << "from the first: the next, whatever its case";
  EXPECT_EQ(clicked, std::vector<std::wstring>{L"&Second"}) << "S ran Second and closed the menu";
  EXPECT_TRUE(MenuWindows().empty());
}

TEST_F(SkinnedPopupMenu, TheFormKeepsItsActiveLookWhileItsMenuIsOpen) {
  const HWND wnd = form->Handle();
  const skinctrl::TsSkinProvider* provider = skinctrl::ProviderOf(wnd);
  ASSERT_NE(provider, nullptr);
  const skinctrl::TFrameLayout& l = provider->Layout();
  // The title's own colour left of the leftmost title button.
  int left = l.ButtonClose.cpRect.Left;
  for (const skinctrl::TsCaptionButton* b : {&l.ButtonMax, &l.ButtonMin, &l.ButtonHelp})
    if (b->Visible()) left = std::min(left, b->cpRect.Left);
  const POINT probe{left - 4, l.VCenter};
  const int title = manager->GetSkinIndex("FORMTITLE");
  ASSERT_GE(title, 0);
  const std::uint32_t active = PixelOfColor(manager->gd()[static_cast<std::size_t>(title)].Props[1].Color);
  ASSERT_EQ(ShotOf(wnd).At(probe.x, probe.y), active) << "active before the menu";
  bool seen = false, formActive = false;
  std::uint32_t during = 0;
  {
    MenuScript script({[&](const std::vector<HWND>&) {
                         // Into the sub-menu as well: two menu windows open.
                         Keys({}, VK_UP);
                         Keys({}, VK_RIGHT);
                       },
                       [&](const std::vector<HWND>& menus) {
                         if (menus.size() < 2) return MenuScript::Again();
                         seen = menus.size() == 2;
                         formActive = provider->FormActive();
                         during = ShotOf(wnd).At(probe.x, probe.y);
                         frametest::Save(ShotOf(wnd), "popup-menu-form-active.bmp");
                         ::EndMenu();
                       }});
    RECT pr{};
    ::GetWindowRect(panel->Handle(), &pr);
    RightClick(POINT{pr.left + 30, pr.top + 30});
    PumpUntil([&] { return script.Done(); }, 5s);
  }
  EXPECT_TRUE(seen);
  EXPECT_TRUE(formActive) << "the frame counts the form active";
  EXPECT_EQ(during, active) << "the title shows the active look";
}

TEST_F(SkinnedPopupMenu, AFrameRequestByItemReachesTheWindowShowingThatItem) {
  // The parent menu's window raised above its open sub-menu: a request naming
  // a sub-menu item must still frame the sub-menu, not the parent, whose
  // items hold the sub-menu item only through their own sub-menu.
  std::uint32_t subTop = 0, parentTop = 0, skinTop = 0;
  bool ran = false;
  {
    MenuScript script({[](const std::vector<HWND>& menus) {
                         ::PostMessageW(menus.front(), WM_KEYDOWN, VK_UP, 0);
                         ::PostMessageW(menus.front(), WM_KEYDOWN, VK_RIGHT, 0);
                       },
                       [&](const std::vector<HWND>& menus) {
                         if (menus.size() < 2) return MenuScript::Again();
                         const HWND parent = menus[0], sub = menus[1];
                         ::SetWindowPos(parent, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                         const auto topMiddle = [](HWND w) {
                           RECT r{};
                           ::GetWindowRect(w, &r);
                           return POINT{(r.left + r.right) / 2, r.top + 1};
                         };
                         // Both frames overpainted, then the request.
                         for (HWND w : {parent, sub}) {
                           const fw::WholeWindowDc dc(w);
                           RECT strip{0, 0, 4000, skinctrl::MenuBorderWidth};
                           ::FillRect(dc.get(), &strip, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
                         }
                         skinctrl::HandleMenuFrameRequest(skinctrl::WM_MENUFRAMEBYITEM, subOne->Command(), 0);
                         // Read from the windows themselves: the screen may not show the fills yet.
                         const auto frameAt = [](HWND w, POINT p) {
                           RECT r{};
                           ::GetWindowRect(w, &r);
                           const fw::WholeWindowDc dc(w);
                           return PixelOfColor(static_cast<std::int32_t>(::GetPixel(dc.get(), p.x - r.left, p.y - r.top)));
                         };
                         subTop = frameAt(sub, topMiddle(sub));
                         parentTop = frameAt(parent, topMiddle(parent));
                         const POINT p = topMiddle(sub);
                         skinTop = MenuBackground(sub, p);
                         ran = true;
                         ::EndMenu();
                       }});
    RECT pr{};
    ::GetWindowRect(panel->Handle(), &pr);
    ::SendMessageW(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()),
                   MAKELPARAM(pr.left + 30, pr.top + 30));
  }
  ASSERT_TRUE(ran);
  EXPECT_EQ(subTop, skinTop) << "the sub-menu's frame drawn again";
  EXPECT_EQ(parentTop, 0u) << "the parent's frame left alone";
}

// What the items of one menu share is made once, not once for each item: the
// frame strips are copied to the window at its frame's paint and once after
// its items (not after each of them). The item measures, the menu's
// background and an image for each size of item (normal and separator) are
// made at the first opening and kept for the next ones.
TEST_F(SkinnedPopupMenu, AnOpeningMakesWhatItsItemsShareOnce) {
  MouseAt(POINT{2, 2});
  RECT pr{};
  ::GetWindowRect(panel->Handle(), &pr);
  const LPARAM at = MAKELPARAM(pr.left + 30, pr.top + 30);
  for (int i = 0; i < 3; ++i) {
    const skinctrl::TMenuWorkCounts before = skinctrl::MenuWorkCounts();
    bool shown = false;
    {
      MenuScript script({[&](const std::vector<HWND>& menus) {
        shown = skinctrl::IsSkinnedMenuWindow(menus.front());
        ::EndMenu();
      }});
      ::SendMessageW(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()), at);
      PumpUntil([&] { return script.Done() && skinctrl::SkinnedMenuWindowCount() == 0; }, 5s);
    }
    ASSERT_TRUE(shown) << "opening " << i;
    const skinctrl::TMenuWorkCounts after = skinctrl::MenuWorkCounts();
    EXPECT_LE(after.MetricsRead - before.MetricsRead, i == 0 ? 1 : 0) << "opening " << i << ": item measures read";
    EXPECT_LE(after.BackgroundsPainted - before.BackgroundsPainted, i == 0 ? 1 : 0)
        << "opening " << i << ": menu backgrounds painted";
    EXPECT_LE(after.ItemImagesMade - before.ItemImagesMade, i == 0 ? 2 : 0)
        << "opening " << i << ": item images made for 7 items";
    EXPECT_GE(after.BorderCopies - before.BorderCopies, 2) << "opening " << i << ": frame strips at the frame and after the items";
    EXPECT_LE(after.BorderCopies - before.BorderCopies, 3) << "opening " << i << ": frame strips copied for 7 items";
  }
}

// A menu's kept background belongs to the skin it was painted for: opened
// after the skin changed (darker, which loads it anew), the menu shows
// the new skin's background.
TEST_F(SkinnedPopupMenu, AMenuOpenedAfterTheSkinChangedShowsTheNewSkin) {
  MouseAt(POINT{2, 2});
  RECT pr{};
  ::GetWindowRect(panel->Handle(), &pr);
  struct Seen {
    std::uint32_t shown = 0, skin = 0;
  };
  const auto open = [&] {
    Seen seen;
    MenuScript script({[&](const std::vector<HWND>& menus) {
      RECT w{};
      ::GetWindowRect(menus[0], &w);
      const POINT at{w.right - 8, (w.top + w.bottom) / 2};
      seen.skin = MenuBackground(menus[0], at);
      seen.shown = ShotOf(menus[0]).At(at.x - w.left, at.y - w.top) & 0xFFFFFF;
      ::EndMenu();
    }}, 300);
    skinctrl::HookPopupMenu(*menu, true);
    menu->Popup(pr.left + 20, pr.top + 20);
    PumpUntil([&] { return script.Done() && MenuWindows().empty(); }, 5s);
    return seen;
  };
  const Seen before = open();
  manager->SetBrightness(-40);
  Pump(200ms);
  const Seen darker = open();
  manager->SetBrightness(0);
  Pump(200ms);
  EXPECT_EQ(before.shown, before.skin);
  EXPECT_NE(darker.skin, before.skin) << "the darker skin's background";
  EXPECT_EQ(darker.shown, darker.skin);
}

TEST_F(SkinnedPopupMenu, HundredOpeningsWithTheSubMenuLeaveNothingBehind) {
  RECT pr{};
  ::GetWindowRect(panel->Handle(), &pr);
  const LPARAM at = MAKELPARAM(pr.left + 30, pr.top + 30);
  int subMenus = 0;
  const auto openOnce = [&] {
    MenuScript script({[](const std::vector<HWND>& menus) {
                         ::PostMessageW(menus.front(), WM_KEYDOWN, VK_UP, 0);
                         ::PostMessageW(menus.front(), WM_KEYDOWN, VK_RIGHT, 0);
                       },
                       [&](const std::vector<HWND>& menus) {
                         if (menus.size() < 2) return MenuScript::Again();
                         ++subMenus;
                         ::EndMenu();
                       }},
                      10);
    ::SendMessageW(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()), at);
  };
  // The first openings make what lives on (the hook on the application
  // window, the skin's cached fonts and images).
  for (int i = 0; i < 3; ++i) openOnce();
  Pump(100ms);
  const unsigned gdi = testsupport::GdiObjectCount(), handles = testsupport::OpenHandleCount();
  subMenus = 0;
  for (int i = 0; i < 100; ++i) openOnce();
  Pump(100ms);
  EXPECT_EQ(subMenus, 100) << "each opening showed the sub-menu";
  EXPECT_LE(testsupport::GdiObjectCount(), gdi) << "GDI objects";
  EXPECT_LE(testsupport::OpenHandleCount(), handles + 2) << "handles";
  EXPECT_EQ(skinctrl::SkinnedMenuWindowCount(), 0) << "menu-window records";
}

}  // namespace
