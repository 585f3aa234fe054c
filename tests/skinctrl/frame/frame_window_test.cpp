// The skinned frame of the real main window under Wine: its attachment at the
// first activation, its geometry, the active and inactive looks read back from
// the screen against the skin's own records, the hit-test map, the window
// region, caption and activation changes without the native caption,
// minimising and restoring, removing and re-adding the skin, and the title
// buttons under real pointer input.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <chrono>
#include <map>
#include <set>
#include <span>
#include <thread>
#include <utility>

#include "FrameShots.h"
#include "PointerInput.h"
#include "app/Unit1.h"
#include "skin/SkinCommand.h"
#include "framework/Forms.h"
#include "skins/OpusSkin.h"
#include "skin/SkinManagerSetup.h"
#include "skin/SkinArchive.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/menus/sPopupMenus.h"
#include "skinctrl/frame/sSkinProvider.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/paint/FrameGeometry.h"
#include "tests/support/Gui.h"
#include "tests/support/HandleCount.h"

namespace {

using namespace std::chrono_literals;
using frametest::MouseAt;
using frametest::MouseButton;
using frametest::MoveUntil;
using frametest::PixelOfColor;
using frametest::ShotOf;
using skinctrl::TsSkinProvider;
using testsupport::PumpUntil;

void Pump(std::chrono::milliseconds time) { PumpUntil([] { return false; }, time); }

DWORD StyleOf(HWND wnd) { return static_cast<DWORD>(::GetWindowLongPtrW(wnd, GWL_STYLE)); }

// A pixel of a skin image's state cell (0x00RRGGBB).
std::uint32_t ImagePixel(const skin::SkinModel& model, const skin::TsMaskData& image, int cell, int x, int y) {
  const skin::Bitmap32& bmp = image.Bmp ? *image.Bmp : *model.MasterBitmap;
  return bmp.At(image.R.Left + cell * image.Width + x, image.R.Top + y) & 0xFFFFFF;
}

// A window that is not a form of the program: activating it leaves the form inactive.
class OtherWindow {
public:
  OtherWindow() {
    wnd_ = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_BORDER | WS_VISIBLE, 10, 10, 120, 60, nullptr,
                             nullptr, nullptr, nullptr);
  }
  ~OtherWindow() { ::DestroyWindow(wnd_); }
  OtherWindow(const OtherWindow&) = delete;
  OtherWindow& operator=(const OtherWindow&) = delete;
  HWND Handle() const noexcept { return wnd_; }

private:
  HWND wnd_ = nullptr;
};

// Right after the system's default handling of a caption or activation
// change, before the frame repaints (installed below the frame provider, so
// that it runs inside the provider's call of the previous procedure): what
// the window itself holds at the title probe after a caption change, and
// what the screen shows there after an activation change, which the system
// handles with the activation it was given while a cover lies over the frame.
struct CaptionSpy {
  fw::TCustomForm* form = nullptr;
  POINT probe{};
  std::vector<std::uint32_t> seen;
  std::vector<UINT> seenIn;
  std::vector<LPARAM> activationLParams;
  std::vector<bool> covered;
  std::vector<int> animationDuringRestore;

  void Install(fw::TCustomForm& f) {
    form = &f;
    f.WindowProc.Install(this, [this](fw::TMessage& m) {
      form->WindowProc.CallNext(this, m);
      const HWND wnd = form->HandleIfAllocated();
      const TsSkinProvider* provider = skinctrl::ProviderOf(wnd);
      if ((m.Msg == WM_SETTEXT || m.Msg == WM_NCACTIVATE) && provider && ::IsWindowVisible(wnd)) {
        COLORREF c = 0;
        if (m.Msg == WM_SETTEXT) {
          const HDC dc = ::GetWindowDC(wnd);
          c = ::GetPixel(dc, probe.x, probe.y);
          ::ReleaseDC(wnd, dc);
        } else {
          RECT w{};
          ::GetWindowRect(wnd, &w);
          const fw::WindowDc screen(nullptr);
          c = ::GetPixel(screen.get(), w.left + probe.x, w.top + probe.y);
          activationLParams.push_back(m.LParam);
          const skinctrl::TacCaptForm* cover = provider->CaptionCover();
          RECT r{};
          const bool shown = cover && cover->HandleAllocated() && ::IsWindowVisible(cover->HandleIfAllocated()) &&
                             ::GetWindowRect(cover->HandleIfAllocated(), &r) && ::EqualRect(&r, &w);
          covered.push_back(shown);
        }
        seen.push_back(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
        seenIn.push_back(m.Msg);
      }
    });
  }
  void WatchRestore(fw::TCustomForm& f) {
    f.WindowProc.Install(&animationDuringRestore, [this](fw::TMessage& m) {
      if (m.Msg == WM_SYSCOMMAND && (m.WParam & 0xFFF0) == SC_RESTORE) {
        int value = -1;
        skinctrl::WindowAnimationSetting().Get(value);
        animationDuringRestore.push_back(value);
      }
      form->WindowProc.CallNext(&animationDuringRestore, m);
    });
  }
};

// The system's window-animation setting as the frame sees it, kept here: Wine
// has none of its own.
class FakeAnimationSetting {
public:
  explicit FakeAnimationSetting(int value) : value_(value), saved_(skinctrl::WindowAnimationSetting()) {
    skinctrl::WindowAnimationSetting() = {[this](int& v) {
                                            v = value_;
                                            return true;
                                          },
                                          [this](int v) {
                                            value_ = v;
                                            ++writes_;
                                          }};
  }
  ~FakeAnimationSetting() { skinctrl::WindowAnimationSetting() = saved_; }
  FakeAnimationSetting(const FakeAnimationSetting&) = delete;
  FakeAnimationSetting& operator=(const FakeAnimationSetting&) = delete;
  int Value() const noexcept { return value_; }
  int Writes() const noexcept { return writes_; }

private:
  int value_;
  int writes_ = 0;
  skinctrl::TWindowAnimationSetting saved_;
};

// Tests that count what a showing costs or compare handles want no pointer
// over their window: a test run before may have left it anywhere, and hover
// looks and glows then come into the counts.
void PointerAway() {
  testsupport::MovePointerTo(POINT{::GetSystemMetrics(SM_CXSCREEN) - 2, ::GetSystemMetrics(SM_CYSCREEN) - 2});
  Pump(50ms);
}

class SkinnedFrame : public ::testing::Test {
protected:
  void SetUp() override {
    fw::Application().SetTitle(L"Quillon");
    fw::Application().SetMainFormOnTaskBar(true);
    form = std::make_unique<app::TForm1>(nullptr);
    form->AfterConstruction();
    PointerAway();
    spy.form = form.get();
    spy.WatchRestore(*form);
    spy.Install(*form);
    form->Show();
    ::SetForegroundWindow(form->Handle());
    wnd = form->Handle();
    ASSERT_TRUE(PumpUntil([&] { return skinctrl::ProviderOf(wnd) != nullptr; }));
    Pump(150ms);
    provider = skinctrl::ProviderOf(wnd);
    const skin::TsSkinManager& m = *form->sSkinManager1;
    formIndex = m.GetSkinIndex("FORM");
    titleIndex = m.GetSkinIndex("FORMTITLE");
    ASSERT_GE(formIndex, 0);
    ASSERT_GE(titleIndex, 0);
    const skinctrl::TFrameLayout& l = provider->Layout();
    spy.probe = POINT{l.ButtonMin.cpRect.Left - 4, l.VCenter};
  }
  void TearDown() override { form.reset(); }

  const skin::TsGeneralData& Title() const { return form->sSkinManager1->gd()[static_cast<std::size_t>(titleIndex)]; }
  const skin::TsMaskData& FormBorder() const {
    const skin::TsSkinManager& m = *form->sSkinManager1;
    return m.ma()[static_cast<std::size_t>(m.gd()[static_cast<std::size_t>(formIndex)].BorderIndex)];
  }
  RECT WindowRect() const {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    return r;
  }
  POINT ClientOrigin() const {
    RECT w = WindowRect();
    POINT p{0, 0};
    ::ClientToScreen(wnd, &p);
    return {p.x - w.left, p.y - w.top};
  }

  // Probes of a frame's look in the screenshot against the skin's records.
  void ExpectLook(const skin::Bitmap32& shot, int state, const char* look) {
    const skinctrl::TFrameLayout& l = provider->Layout();
    const skin::TsGenState& title = Title().Props[static_cast<std::size_t>(state)];
    const std::uint32_t titleColor = PixelOfColor(title.Color);
    EXPECT_EQ(shot.At(spy.probe.x, spy.probe.y), titleColor) << look << ": title colour";
    // The left border below the corner, from the border image's cell of this state.
    const skin::TsMaskData& border = FormBorder();
    EXPECT_EQ(shot.At(0, shot.Height / 2), ImagePixel(form->sSkinManager1->Model(), border, state, 0, border.WT))
        << look << ": border colour";
    // The caption text in the title's font colour of the state.
    const skin::TRect text = provider->CaptionRect();
    int ink = 0;
    for (int y = 0; y < ClientOrigin().y; ++y)
      for (int x = text.Left; x < text.Right; ++x) ink += shot.At(x, y) == PixelOfColor(title.FontColor.Color);
    EXPECT_GT(ink, 15) << look << ": caption text";
    // The icon: pixels other than the title's colour.
    int icon = 0;
    for (int y = l.IconRect.Top; y < l.IconRect.Bottom; ++y)
      for (int x = l.IconRect.Left; x < l.IconRect.Right; ++x) icon += shot.At(x, y) != titleColor;
    EXPECT_GT(icon, 40) << look << ": icon";
  }

  std::unique_ptr<app::TForm1> form;
  CaptionSpy spy;
  HWND wnd = nullptr;
  TsSkinProvider* provider = nullptr;
  int formIndex = -1, titleIndex = -1;
};

TEST_F(SkinnedFrame, AttachedAtFirstActivationKeepingTheClientAreaAndTheControls) {
  EXPECT_EQ(skin::SendSkinCommand(wnd, skin::SKC_ISSKINNED), 1);
  EXPECT_EQ(reinterpret_cast<TsSkinProvider*>(skin::SendSkinCommand(wnd, skin::SKC_GETFRAMEOBJECT)), provider);
  // The system draws and operates no title buttons, icon or menu of its own.
  EXPECT_EQ(StyleOf(wnd) & WS_SYSMENU, 0u);
  EXPECT_NE(StyleOf(wnd) & WS_MINIMIZEBOX, 0u);
  EXPECT_EQ(StyleOf(wnd) & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  // The window's system menu stays, for the frame's menu and the return of the native frame.
  const HMENU menu = ::GetSystemMenu(wnd, FALSE);
  ASSERT_NE(menu, nullptr);
  EXPECT_NE(::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));

  RECT client{};
  ::GetClientRect(wnd, &client);
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 112);
  const auto rectOf = [&](fw::TWinControl* c) {
    RECT r{};
    ::GetWindowRect(c->Handle(), &r);
    ::MapWindowPoints(nullptr, form->sPanel1->Handle(), reinterpret_cast<POINT*>(&r), 2);
    return std::make_pair(POINT{r.left, r.top}, SIZE{r.right - r.left, r.bottom - r.top});
  };
  EXPECT_EQ(rectOf(form->sButton1).first.x, 118);
  EXPECT_EQ(rectOf(form->sButton1).first.y, 79);
  EXPECT_EQ(rectOf(form->sMemo1).first.x, 8);
  EXPECT_EQ(rectOf(form->sMemo1).first.y, 36);
  EXPECT_EQ(rectOf(form->sComboBox1).first.x, 38);

  // Two title buttons: close at the right, minimise left of it with the skin's spacing.
  const skinctrl::TFrameLayout& l = provider->Layout();
  const skin::TsSkinData& skin = form->sSkinManager1->CommonSkinData;
  const int width = WindowRect().right - WindowRect().left;
  const int border = ClientOrigin().x;
  EXPECT_EQ(l.ButtonClose.cpRect.Right, width - skin.BIRightMargin - std::max(4, border));
  EXPECT_EQ(l.ButtonMin.cpRect.Right, l.ButtonClose.cpRect.Left - skin.BISpacing);
  EXPECT_EQ(l.ButtonClose.cpGlyphType, skin::tgClose);
  EXPECT_EQ(l.ButtonMin.cpGlyphType, skin::tgMin);
  EXPECT_FALSE(l.ButtonMax.Visible());
  EXPECT_FALSE(l.ButtonHelp.Visible());
  EXPECT_TRUE(l.IconShown);
  EXPECT_EQ(l.IconRect.Left, border + skin.BILeftMargin);
  EXPECT_EQ(l.IconRect.Width(), 16);
  // The caption text ends the border width plus 4 pixels left of the button strip.
  EXPECT_EQ(provider->CaptionRect().Right, width - provider->ButtonStripWidth() - border - 4);
}

// The activation inside the first showing attaches the frame; nothing of the
// skinned frame was on the screen before it, so it is handled at once, without
// the cover and its 40 ms hold, and the window's start-up shows no cover at
// all. Every later activation is covered.
TEST_F(SkinnedFrame, TheActivationAttachingTheFrameHoldsNoCover) {
  ASSERT_GE(spy.activationLParams.size(), 1u);
  EXPECT_NE(spy.activationLParams.front(), -1) << "the system's activation handling ran as asked";
  EXPECT_FALSE(spy.covered.front());
  EXPECT_EQ(provider->CoversShown(), 0) << "no cover at start-up";
  // The frame is skinned on the screen once the start-up's paints are done.
  ExpectLook(ShotOf(wnd), 1, "after the first showing");

  OtherWindow other;
  ::SetActiveWindow(other.Handle());
  Pump(50ms);
  ::SetActiveWindow(wnd);
  Pump(50ms);
  EXPECT_EQ(provider->CoversShown(), 2) << "deactivation and activation, each covered";
  ASSERT_GE(spy.covered.size(), 3u);
  EXPECT_TRUE(spy.covered.back());
}

TEST_F(SkinnedFrame, FormsOptingOutOrOfExcludedClassesKeepTheirNativeFrames) {
  struct PopupForm : fw::TForm {
    using fw::TForm::TForm;
    const wchar_t* ClassName() const override { return L"TfcPopup"; }
  };
  fw::TForm optOut(nullptr);
  optOut.SetTag(256 | 1);
  PopupForm popup(nullptr);
  fw::TForm ordinary(nullptr);
  for (fw::TForm* f : {&optOut, static_cast<fw::TForm*>(&popup), &ordinary}) {
    f->SetBounds(20, 20, 160, 90);
    f->Show();
    ::SetForegroundWindow(f->Handle());
    Pump(100ms);
  }
  EXPECT_EQ(skinctrl::ProviderOf(optOut.Handle()), nullptr);
  EXPECT_NE(StyleOf(optOut.Handle()) & WS_SYSMENU, 0u);
  EXPECT_EQ(skinctrl::ProviderOf(popup.Handle()), nullptr);
  EXPECT_NE(StyleOf(popup.Handle()) & WS_SYSMENU, 0u);
  // Any other form of the program gets its frame.
  EXPECT_NE(skinctrl::ProviderOf(ordinary.Handle()), nullptr);
  EXPECT_EQ(StyleOf(ordinary.Handle()) & WS_SYSMENU, 0u);
}

TEST_F(SkinnedFrame, ActiveAndInactiveFramesShowTheSkinsLooks) {
  ASSERT_EQ(::GetActiveWindow(), wnd);
  const skin::Bitmap32 active = ShotOf(wnd);
  frametest::Save(active, "frame-active.bmp");
  ExpectLook(active, 1, "active");

  OtherWindow other;
  ::SetActiveWindow(other.Handle());
  Pump(150ms);
  ASSERT_NE(::GetActiveWindow(), wnd);
  EXPECT_FALSE(provider->FormActive());
  const skin::Bitmap32 inactive = ShotOf(wnd);
  frametest::Save(inactive, "frame-inactive.bmp");
  ExpectLook(inactive, 0, "inactive");

  // Inactive title buttons are drawn half transparent: the close glyph differs.
  const skin::TRect close = provider->Layout().ButtonClose.cpRect;
  int changed = 0;
  for (int y = close.Top; y < close.Bottom; ++y)
    for (int x = close.Left; x < close.Right; ++x) changed += active.At(x, y) != inactive.At(x, y);
  EXPECT_GT(changed, 10);
}

TEST_F(SkinnedFrame, HitTestMapCoversEveryPixelOfTheWindow) {
  const RECT w = WindowRect();
  const int width = w.right - w.left, height = w.bottom - w.top;
  RECT client{};
  ::GetClientRect(wnd, &client);
  const POINT origin = ClientOrigin();
  const skinctrl::TFrameLayout& l = provider->Layout();
  const auto in = [](const skin::TRect& r, int x, int y) {
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
  };
  const int b = origin.x;
  int mismatches = 0;
  std::set<LRESULT> codes;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      LRESULT expected;
      if (in(l.ButtonClose.cpRect, x, y)) {
        expected = HTCLOSE;
      } else if (in(l.ButtonMin.cpRect, x, y)) {
        expected = HTMINBUTTON;
      } else if (in(l.IconRect, x, y)) {
        expected = HTSYSMENU;
      } else if (x < b || x >= width - b || y < b || y >= height - b) {
        expected = HTBORDER;  // the fixed-size window has no sizing edges
      } else if (y < origin.y) {
        expected = HTCAPTION;
      } else {
        expected = HTCLIENT;
      }
      const LRESULT hit = ::SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(w.left + x, w.top + y));
      codes.insert(hit);
      if (hit != expected && ++mismatches <= 10) {
        ADD_FAILURE() << "at " << x << "," << y << ": " << hit << ", expected " << expected;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(codes, (std::set<LRESULT>{HTBORDER, HTCAPTION, HTSYSMENU, HTMINBUTTON, HTCLOSE, HTCLIENT}));
}

TEST_F(SkinnedFrame, WindowRegionLacksExactlyTheKeyColouredCornerPixels) {
  const RECT w = WindowRect();
  const int width = w.right - w.left, height = w.bottom - w.top;
  const skin::SkinModel& model = form->sSkinManager1->Model();
  // The corner pixels, from the skin's border images: the frame's top and
  // bottom rows and the title's top rows, in the left and right margins.
  std::set<std::pair<int, int>> cut;
  const auto collect = [&](const skin::TsMaskData& image, int firstRow, int rows, int windowY) {
    for (int i = 0; i < rows; ++i) {
      for (int x = 0; x < image.WL; ++x)
        if (ImagePixel(model, image, 0, x, firstRow + i) == skin::KeyColorPixel) cut.insert({x, windowY + i});
      for (int x = image.Width - image.WR; x < image.Width; ++x)
        if (ImagePixel(model, image, 0, x, firstRow + i) == skin::KeyColorPixel)
          cut.insert({x + width - image.Width, windowY + i});
    }
  };
  const skin::TsMaskData& border = FormBorder();
  collect(border, 0, border.WT, 0);
  collect(border, border.Height - border.WB, border.WB, height - border.WB);
  collect(model.ma[static_cast<std::size_t>(Title().BorderIndex)], 0,
          model.ma[static_cast<std::size_t>(Title().BorderIndex)].WT, 0);
  ASSERT_FALSE(cut.empty()) << "the skin's corners are rounded";
  EXPECT_TRUE(cut.count({0, 0}) && cut.count({width - 1, 0}) && cut.count({0, height - 1}) &&
              cut.count({width - 1, height - 1}));

  fw::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(wnd, region.get()), ERROR);
  int wrong = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool inside = ::PtInRegion(region.get(), x, y) != FALSE;
      if (inside == (cut.count({x, y}) != 0) && ++wrong <= 10) ADD_FAILURE() << "pixel " << x << "," << y;
    }
  EXPECT_EQ(wrong, 0);
}

TEST_F(SkinnedFrame, CaptionAndActivationChangesNeverShowTheNativeCaption) {
  const std::set<std::uint32_t> skinTitles{PixelOfColor(Title().Props[0].Color),
                                           PixelOfColor(Title().Props[1].Color)};
  // Screenshots of the title probe at short intervals from another thread.
  std::atomic<bool> stop{false};
  std::vector<skin::Bitmap32> shots;
  std::thread watcher([&] {
    while (!stop) {
      shots.push_back(ShotOf(wnd));
      std::this_thread::sleep_for(3ms);
    }
  });
  OtherWindow other;
  ::SetActiveWindow(wnd);
  Pump(50ms);
  spy.seen.clear();
  spy.seenIn.clear();
  // The first activation, the frame's attachment, has a test of its own.
  spy.activationLParams.clear();
  spy.covered.clear();
  for (int i = 0; i < 10; ++i) {
    form->SetCaption(i % 2 ? L"Quillon" : L"Quillon - checking the adapter on a long port name");
    Pump(15ms);
    ::SetActiveWindow(i % 2 ? wnd : other.Handle());
    Pump(15ms);
  }
  // A caption longer than its room ends in an ellipsis before the title buttons.
  form->SetCaption(L"Quillon - checking the adapter on a long port name");
  ::SetActiveWindow(wnd);
  Pump(50ms);
  const skin::Bitmap32 longCaption = ShotOf(wnd);
  frametest::Save(longCaption, "frame-long-caption.bmp");
  const skin::TRect text = provider->CaptionRect();
  const std::uint32_t ink = PixelOfColor(Title().Props[1].FontColor.Color);
  int inkNearEnd = 0, beyond = 0;
  for (int y = 0; y < ClientOrigin().y; ++y) {
    for (int x = text.Right - 12; x < text.Right; ++x) inkNearEnd += longCaption.At(x, y) == ink;
    for (int x = text.Right; x < provider->Layout().ButtonMin.cpRect.Left; ++x) beyond += longCaption.At(x, y) == ink;
  }
  EXPECT_GT(inkNearEnd, 2) << "the ellipsis";
  EXPECT_EQ(beyond, 0) << "no text under the buttons";
  form->SetCaption(L"Quillon");
  Pump(50ms);
  stop = true;
  watcher.join();

  ASSERT_GE(spy.seen.size(), 20u);
  for (std::size_t i = 0; i < spy.seen.size(); ++i) {
    EXPECT_TRUE(skinTitles.count(spy.seen[i])) << std::hex << "window showed " << spy.seen[i] << " in message "
                                               << spy.seenIn[i] << " (" << std::dec << i << ")";
  }
  ASSERT_GE(spy.activationLParams.size(), 10u);
  for (std::size_t i = 0; i < spy.activationLParams.size(); ++i) {
    EXPECT_NE(spy.activationLParams[i], -1) << "the system's activation handling ran as asked (" << i << ")";
    EXPECT_TRUE(spy.covered[i]) << "the frame covered meanwhile (" << i << ")";
  }
  EXPECT_EQ(provider->CaptionCover(), nullptr) << "the cover is gone afterwards";
  ASSERT_GE(shots.size(), 10u);
  int wrong = 0;
  for (std::size_t i = 0; i < shots.size(); ++i) {
    const std::uint32_t c = shots[i].At(spy.probe.x, spy.probe.y);
    if (!skinTitles.count(c) && ++wrong <= 3) {
      ADD_FAILURE() << std::hex << "screen showed " << c;
      frametest::Save(shots[i], "frame-caption-leak-" + std::to_string(i) + ".bmp");
    }
  }
  frametest::Save(shots.front(), "frame-changes-first.bmp");
  frametest::Save(shots.back(), "frame-changes-last.bmp");
  EXPECT_EQ(wrong, 0);
}

TEST_F(SkinnedFrame, MinimiseAndRestoreLeaveTheAnimationSettingAsItWas) {
  for (const int setting : {1, 0}) {
    FakeAnimationSetting animation(setting);
    spy.animationDuringRestore.clear();
    ::SendMessageW(wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(wnd) != FALSE; }));
    ::SendMessageW(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsIconic(wnd); }));
    Pump(100ms);
    EXPECT_EQ(animation.Value(), setting) << "the setting as it was";
    // Off while the system restores the window; untouched when it was off.
    ASSERT_EQ(spy.animationDuringRestore.size(), 1u);
    EXPECT_EQ(spy.animationDuringRestore.front(), 0);
    EXPECT_EQ(animation.Writes(), setting ? 2 : 0);
  }
  // The restored window shows its skinned frame again.
  ::SetForegroundWindow(wnd);
  Pump(150ms);
  ExpectLook(ShotOf(wnd), 1, "restored");
}

TEST_F(SkinnedFrame, SwitchingFrameDrawingOffGivesTheNativeFrameBack) {
  skin::TsSkinManager& m = *form->sSkinManager1;
  fw::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  m.SetDrawNonClientArea(false);
  Pump(150ms);
  EXPECT_NE(StyleOf(wnd) & WS_SYSMENU, 0u);
  EXPECT_EQ(::GetWindowRgn(wnd, region.get()), ERROR) << "no window region";
  // The framework registers its classes without a background brush: the
  // form's class gets that back, not the button face that would recolour
  // every later window of the class.
  EXPECT_EQ(::GetClassLongPtrW(wnd, GCLP_HBRBACKGROUND), 0);
  EXPECT_EQ(ShotOf(wnd).At(spy.probe.x, spy.probe.y),
            PixelOfColor(static_cast<std::int32_t>(::GetSysColor(COLOR_ACTIVECAPTION))))
      << "the native caption";
  m.SetDrawNonClientArea(true);
  Pump(150ms);
  EXPECT_EQ(StyleOf(wnd) & WS_SYSMENU, 0u);
  EXPECT_NE(::GetWindowRgn(wnd, region.get()), ERROR);
  ExpectLook(ShotOf(wnd), 1, "drawn again");
}

TEST_F(SkinnedFrame, RemovingTheSkinRestoresTheNativeFrameAndAddingItReskins) {
  skin::TsSkinManager& m = *form->sSkinManager1;
  const std::uint32_t skinTitle = PixelOfColor(Title().Props[1].Color);
  m.SetActive(false);
  Pump(150ms);
  EXPECT_EQ(skin::SendSkinCommand(wnd, skin::SKC_ISSKINNED), 1) << "the provider stays, idle";
  EXPECT_NE(StyleOf(wnd) & WS_SYSMENU, 0u);
  const HMENU menu = ::GetSystemMenu(wnd, FALSE);
  ASSERT_NE(menu, nullptr);
  EXPECT_NE(::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
  fw::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(::GetWindowRgn(wnd, region.get()), ERROR) << "no window region";
  EXPECT_EQ(::GetClassLongPtrW(wnd, GCLP_HBRBACKGROUND), 0) << "the form class's own brush";
  EXPECT_EQ(::GetClassLongPtrW(form->sPanel1->Handle(), GCLP_HBRBACKGROUND), 0) << "the panel class's own brush";
  const skin::Bitmap32 native = ShotOf(wnd);
  frametest::Save(native, "frame-native.bmp");
  EXPECT_NE(native.At(spy.probe.x, spy.probe.y), skinTitle);
  EXPECT_EQ(native.At(spy.probe.x, spy.probe.y) , PixelOfColor(static_cast<std::int32_t>(::GetSysColor(
                                                      COLOR_ACTIVECAPTION))) )
      << "the native caption";

  m.SetActive(true);
  Pump(150ms);
  EXPECT_EQ(StyleOf(wnd) & WS_SYSMENU, 0u);
  EXPECT_NE(::GetWindowRgn(wnd, region.get()), ERROR);
  ExpectLook(ShotOf(wnd), 1, "skinned again");

  // No handles or GDI objects pile up over toggles of the frame (the main
  // window's test toggles the whole skin 100 times).
  for (int i = 0; i < 3; ++i) {
    m.SetActive(false);
    m.SetActive(true);
    Pump(10ms);
  }
  const unsigned gdi = testsupport::GdiObjectCount(), handles = testsupport::OpenHandleCount();
  for (int i = 0; i < 20; ++i) {
    m.SetActive(false);
    Pump(5ms);
    m.SetActive(true);
    Pump(5ms);
  }
  Pump(100ms);
  EXPECT_LE(testsupport::GdiObjectCount(), gdi);
  EXPECT_LE(testsupport::OpenHandleCount(), handles);
  EXPECT_EQ(StyleOf(wnd) & WS_SYSMENU, 0u);
  ExpectLook(ShotOf(wnd), 1, "after the toggles");
}

// Counts the menus that show while the GUI thread is in a menu's modal loop
// and closes each one: a thread timer runs inside that loop.
struct MenuCloser {
  static inline int shown = 0;
  UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM) -> BOOL {
          wchar_t cls[16] = {};
          ::GetClassNameW(w, cls, 16);
          if (std::wstring(cls) == L"#32768" && ::IsWindowVisible(w)) {
            ++shown;
            ::EndMenu();
            return FALSE;
          }
          return TRUE;
        },
        0);
  });
  MenuCloser() { shown = 0; }
  ~MenuCloser() { ::KillTimer(nullptr, timer); }
  MenuCloser(const MenuCloser&) = delete;
  MenuCloser& operator=(const MenuCloser&) = delete;
};

TEST_F(SkinnedFrame, TitleButtonsIconAndKeyboardReachTheWindowsCommands) {
  const skinctrl::TFrameLayout& l = provider->Layout();
  {
    // The icon and Alt+Space drop the window's system menu.
    MenuCloser closer;
    ::SendMessageW(wnd, WM_NCLBUTTONDOWN, HTSYSMENU, 0);
    EXPECT_EQ(MenuCloser::shown, 1) << "menu from the icon";
    ::SendMessageW(wnd, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE);
    EXPECT_EQ(MenuCloser::shown, 2) << "menu from the keyboard";
    const RECT w = WindowRect();
    const LPARAM caption = MAKELPARAM(w.left + 60, w.top + l.VCenter);
    ::SendMessageW(wnd, WM_NCRBUTTONDOWN, HTCAPTION, caption);
    ::SendMessageW(wnd, WM_NCRBUTTONUP, HTCAPTION, caption);
    EXPECT_EQ(MenuCloser::shown, 3) << "menu from a right click on the caption";
  }
  // Press and release over the minimise button minimises; over the close button closes.
  const auto click = [&](const skin::TRect& r, WPARAM code) {
    const RECT w = WindowRect();
    const LPARAM at = MAKELPARAM(w.left + r.Left + 3, w.top + r.Top + 3);
    ASSERT_EQ(static_cast<WPARAM>(::SendMessageW(wnd, WM_NCHITTEST, 0, at)), code);
    ::SendMessageW(wnd, WM_NCLBUTTONDOWN, code, at);
    ::SendMessageW(wnd, WM_NCLBUTTONUP, code, at);
  };
  click(l.ButtonMin.cpRect, HTMINBUTTON);
  EXPECT_TRUE(PumpUntil([&] { return ::IsIconic(wnd) != FALSE; }));
  ::SendMessageW(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(PumpUntil([&] { return !::IsIconic(wnd); }));
  // Released elsewhere: nothing happens.
  ::SendMessageW(wnd, WM_NCLBUTTONDOWN, HTCLOSE, 0);
  ::SendMessageW(wnd, WM_NCLBUTTONUP, HTCAPTION, 0);
  Pump(50ms);
  EXPECT_TRUE(::IsWindowVisible(wnd));
  click(l.ButtonClose.cpRect, HTCLOSE);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(wnd); })) << "closed (hidden: not the main form here)";
}

// A point of a title-glyph image where the cell of a state differs from the
// normal cell, both cells opaque there (not the key colour).
struct GlyphProbe {
  POINT at{-1, -1};
  std::uint32_t color = 0;
};
GlyphProbe ProbeOfState(const skin::SkinModel& model, const skin::TsMaskData& image, int state) {
  const int cell = std::min(state, image.ImageCount - 1);
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x) {
      const std::uint32_t normal = ImagePixel(model, image, 0, x, y), look = ImagePixel(model, image, cell, x, y);
      if (normal != look && normal != 0xFF00FF && look != 0xFF00FF) return {POINT{x, y}, look};
    }
  return {};
}

TEST_F(SkinnedFrame, TitleButtonsShowTheirLooksAndActOnlyWhenReleasedOnThemselves) {
  skin::TsSkinManager& m = *form->sSkinManager1;
  const skinctrl::TFrameLayout& l = provider->Layout();
  const int closeImage = m.ConstData.TitleGlyphs[static_cast<std::size_t>(l.ButtonClose.cpGlyphType)];
  ASSERT_TRUE(m.Model().IsValidImgIndex(closeImage));
  const skin::TsMaskData& image = m.ma()[static_cast<std::size_t>(closeImage)];
  const GlyphProbe hot = ProbeOfState(m.Model(), image, 1), pressed = ProbeOfState(m.Model(), image, 2);
  ASSERT_GE(hot.at.x, 0) << "the skin's close glyph has a hot look";
  ASSERT_GE(pressed.at.x, 0) << "the skin's close glyph has a pressed look";
  const auto onScreen = [&](const skin::TRect& r, POINT offset) {
    const RECT w = WindowRect();
    return POINT{w.left + r.Left + offset.x, w.top + r.Top + offset.y};
  };
  const auto centre = [&](const skin::TRect& r) { return onScreen(r, POINT{r.Width() / 2, r.Height() / 2}); };
  const POINT caption = onScreen(provider->CaptionRect(), POINT{20, 0});
  const POINT captionAt{caption.x, WindowRect().top + l.VCenter};
  const auto shotAt = [&](POINT probe) {
    const skin::Bitmap32 shot = ShotOf(wnd);
    return shot.At(l.ButtonClose.cpRect.Left + probe.x, l.ButtonClose.cpRect.Top + probe.y);
  };

  // Drawn into the frame (no overlay): hot, pressed, and a press taken off
  // the button and released on the caption leaves the window open.
  m.EffectsData().AllowGlowing = false;
  MouseAt(captionAt);
  Pump(100ms);
  ASSERT_TRUE(MoveUntil(centre(l.ButtonClose.cpRect), [&] { return l.ButtonClose.cpState == 1; }))
      << "hot under the pointer";
  EXPECT_EQ(shotAt(hot.at), hot.color) << "hot cell of the close glyph";
  frametest::Save(ShotOf(wnd), "title-close-hot.bmp");
  MouseButton(true);
  ASSERT_TRUE(PumpUntil([&] { return l.ButtonClose.cpState == 2; }, 2s)) << "pressed";
  EXPECT_EQ(shotAt(pressed.at), pressed.color) << "pressed cell of the close glyph";
  frametest::Save(ShotOf(wnd), "title-close-pressed.bmp");
  EXPECT_TRUE(MoveUntil(captionAt, [&] { return l.ButtonClose.cpState == 0; })) << "normal once the pointer left it";
  MouseButton(false);
  Pump(300ms);
  EXPECT_TRUE(::IsWindowVisible(wnd)) << "released off the button: not closed";
  EXPECT_FALSE(provider->biClicked);
  EXPECT_NE(shotAt(hot.at), hot.color) << "normal look back on the screen";
  {
    // Moved back onto the button while still pressed and released elsewhere
    // on the button's row: the release position decides.
    ASSERT_TRUE(MoveUntil(centre(l.ButtonClose.cpRect), [&] { return l.ButtonClose.cpState == 1; }));
    MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return provider->biClicked; }, 2s));
    const RECT w = WindowRect();
    ::SendMessageW(wnd, WM_NCLBUTTONUP, HTCLOSE, MAKELPARAM(w.left + l.ButtonClose.cpRect.Right + 2, w.top + 1));
    MouseButton(false);
    Pump(300ms);
    EXPECT_TRUE(::IsWindowVisible(wnd)) << "a release reported for the button but outside it runs nothing";
  }

  // Through the overlay, not animated: the look shows at once at full alpha
  // exactly over the button, the frame keeping the normal glyph.
  m.EffectsData().AllowGlowing = true;
  m.EffectsData().AllowAnimation = false;
  MouseAt(captionAt);
  Pump(150ms);
  ASSERT_TRUE(MoveUntil(centre(l.ButtonClose.cpRect), [&] { return provider->ButtonAnimation(HTCLOSE) && provider->ButtonAnimation(HTCLOSE)->Overlay(); }));
  {
    const skinctrl::TacGlowForm& overlay = *provider->ButtonAnimation(HTCLOSE)->Overlay();
    EXPECT_EQ(overlay.Alpha(), 255);
    EXPECT_EQ(overlay.Picture().At(hot.at.x, hot.at.y) & 0xFFFFFF, hot.color) << "the overlay shows the hot cell";
    RECT o{};
    ::GetWindowRect(overlay.HandleIfAllocated(), &o);
    const POINT tl = onScreen(l.ButtonClose.cpRect, POINT{0, 0});
    EXPECT_EQ(o.left, tl.x);
    EXPECT_EQ(o.top, tl.y);
    EXPECT_EQ(o.right - o.left, l.ButtonClose.cpRect.Width());
    EXPECT_TRUE(::GetWindowLongPtrW(overlay.HandleIfAllocated(), GWL_EXSTYLE) & WS_EX_TRANSPARENT) << "click-through";
    EXPECT_NE(provider->Cache().Lines().At(l.ButtonClose.cpRect.Left + hot.at.x, l.ButtonClose.cpRect.Top + hot.at.y) &
                  0xFFFFFF,
              hot.color)
        << "the frame cache keeps the normal glyph";
  }
  EXPECT_TRUE(MoveUntil(captionAt, [&] { return !provider->ButtonAnimation(HTCLOSE)->Overlay(); })) << "gone at once";

  // Animated: the overlay's alpha rises in steps to full and falls away again.
  m.EffectsData().AllowAnimation = true;
  ASSERT_TRUE(MoveUntil(centre(l.ButtonMin.cpRect), [&] { return provider->ButtonAnimation(HTMINBUTTON) && provider->ButtonAnimation(HTMINBUTTON)->Overlay(); }));
  std::set<int> alphas;
  PumpUntil([&] {
    const skinctrl::TacGlowForm* o = provider->ButtonAnimation(HTMINBUTTON)->Overlay();
    if (o) alphas.insert(o->Alpha());
    return o && o->Alpha() == 255;
  }, 2s);
  EXPECT_TRUE(alphas.count(255)) << "reaches full alpha";
  EXPECT_GE(alphas.size(), 3u) << "in several steps";
  EXPECT_TRUE(MoveUntil(captionAt, [&] { return !provider->ButtonAnimation(HTMINBUTTON)->Overlay(); })) << "faded out";

  // A real click on minimise minimises; restored, the frame is skinned again.
  MouseAt(centre(l.ButtonMin.cpRect));
  Pump(100ms);
  MouseButton(true);
  MouseButton(false);
  ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(wnd) != FALSE; })) << "minimised";
  EXPECT_EQ(provider->ButtonAnimation(HTMINBUTTON), nullptr) << "fades freed when the window changed";
  MouseAt(captionAt);
  ::SendMessageW(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(PumpUntil([&] { return !::IsIconic(wnd); }));
  Pump(300ms);
  EXPECT_EQ(l.ButtonMin.cpState, 0) << "the pressed look does not come back with the window";
  ::SetForegroundWindow(wnd);
  Pump(200ms);
  ExpectLook(ShotOf(wnd), 1, "restored");
  // A real click on close closes.
  MouseAt(centre(l.ButtonClose.cpRect));
  Pump(100ms);
  MouseButton(true);
  MouseButton(false);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(wnd); })) << "closed (hidden: not the main form here)";
}

// A move of the pointer to `to`, then the alpha of a title button's overlay
// after every message the thread handles, with the time it changed (-1: no
// overlay), until `done` says so. Under load the X server now and then drops
// a move (see MoveUntil): a move after which nothing has changed in 400 ms is
// sent again.
struct FadeStep {
  double ms;
  int alpha;
};
template <typename Done>
std::vector<FadeStep> MoveAndLogFade(POINT to, const TsSkinProvider& p, int code, Done done,
                                     std::chrono::milliseconds limit = 2s) {
  std::vector<FadeStep> steps;
  const auto start = std::chrono::steady_clock::now();
  auto sent = start;
  MouseAt(to);
  const auto sample = [&] {
    const skinctrl::TacSBAnimation* fade = p.ButtonAnimation(code);
    const int alpha = fade && fade->Overlay() ? fade->Overlay()->Alpha() : -1;
    if (steps.empty() || steps.back().alpha != alpha)
      steps.push_back({std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
                       alpha});
    return done(alpha);
  };
  while (std::chrono::steady_clock::now() - start < limit) {
    MSG msg;
    bool finished = false;
    while (!finished && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
      finished = sample();
    }
    if (finished || sample()) break;
    if (steps.size() == 1 && std::chrono::steady_clock::now() - sent > 400ms) {
      sent = std::chrono::steady_clock::now();
      MouseAt(to);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  return steps;
}

std::string Describe(const std::vector<FadeStep>& steps) {
  std::string out;
  for (const FadeStep& s : steps) out += std::to_string(s.alpha) + "@" + std::to_string(static_cast<int>(s.ms)) + " ";
  return out;
}

// The hover fade of a title button: alpha 25 at once, 25 more every 12 ms up
// to 225, then 255; leaving, back down from the level reached by 25 a tick
// until the overlay goes.
TEST_F(SkinnedFrame, TheTitleButtonHoverFadeStepsBy25Every12msAndBackFromTheLevelReached) {
  skin::TsSkinManager& m = *form->sSkinManager1;
  m.EffectsData().AllowGlowing = true;
  m.EffectsData().AllowAnimation = true;
  const skinctrl::TFrameLayout& l = provider->Layout();
  const RECT w = WindowRect();
  const POINT min{w.left + l.ButtonMin.cpRect.Left + l.ButtonMin.cpRect.Width() / 2,
                  w.top + l.ButtonMin.cpRect.Top + l.ButtonMin.cpRect.Height() / 2};
  const POINT caption{w.left + provider->CaptionRect().Left + 20, w.top + l.VCenter};
  MouseAt(caption);
  Pump(150ms);

  // The alphas shown, from the first overlay on.
  const auto values = [](const std::vector<FadeStep>& steps) {
    std::vector<int> v;
    for (const FadeStep& s : steps)
      if (!v.empty() || s.alpha >= 0) v.push_back(s.alpha);
    return v;
  };
  const auto expectTicks = [](const std::vector<FadeStep>& steps, std::size_t from, const char* what) {
    // 12 ms apart: the middle gap a tick of the 12 ms timer (a busy machine
    // may hold one back and run two together), the whole not much shorter
    // than the ticks take.
    std::vector<double> gaps;
    for (std::size_t i = from + 1; i < steps.size(); ++i) gaps.push_back(steps[i].ms - steps[i - 1].ms);
    ASSERT_GE(gaps.size(), 5u) << what;
    std::sort(gaps.begin(), gaps.end());
    const double median = gaps[gaps.size() / 2];
    EXPECT_GE(median, 10.0) << what << ": " << Describe(steps);
    EXPECT_LE(median, 20.0) << what << ": " << Describe(steps);
    EXPECT_GE(steps.back().ms - steps[from].ms, 10.0 * static_cast<double>(gaps.size())) << what << ": " << Describe(steps);
  };

  std::vector<FadeStep> in = MoveAndLogFade(min, *provider, HTMINBUTTON, [](int a) { return a == 255; });
  // Under load a leave from before the move can still arrive and end the
  // first step: the fade then starts again, and is read from that start.
  const auto restart = std::find_if(in.rbegin(), in.rend(), [](const FadeStep& s) { return s.alpha < 0; });
  if (restart != in.rend()) in.erase(in.begin(), restart.base());
  std::vector<int> expected;
  for (int a = 25; a <= 225; a += 25) expected.push_back(a);
  expected.push_back(255);
  EXPECT_EQ(values(in), expected) << "fading in: " << Describe(in);
  expectTicks(in, 0, "fading in");

  std::vector<FadeStep> out = MoveAndLogFade(caption, *provider, HTMINBUTTON, [](int a) { return a == -1; });
  std::vector<int> down{255};
  for (int a = 225; a >= 25; a -= 25) down.push_back(a);
  down.push_back(-1);
  EXPECT_EQ(values(out), down) << "fading out: " << Describe(out);
  expectTicks(out, 0, "fading out");

  // Left half way: back down from where it got. The leave can reach the
  // window a tick or more after the move under load (and a stale move over
  // the button can come after it), so the fade may turn more than once: every
  // step goes one level up or down the sequence, it ends going down from 25,
  // and one of three tries turns before the top.
  const std::vector<int>& levels = expected;
  const auto levelAt = [&](int a) { return std::find(levels.begin(), levels.end(), a) - levels.begin(); };
  int reached = 255;
  std::vector<FadeStep> back;
  for (int attempt = 0; attempt < 3 && reached == 255; ++attempt) {
    const std::vector<FadeStep> part = MoveAndLogFade(min, *provider, HTMINBUTTON, [](int a) { return a >= 100; });
    ASSERT_GE(part.back().alpha, 100) << "faded in on the button: " << Describe(part);
    back = MoveAndLogFade(caption, *provider, HTMINBUTTON, [](int a) { return a == -1; });
    std::vector<int> v = values(back);
    ASSERT_GE(v.size(), 2u) << Describe(back);
    EXPECT_EQ(v.back(), -1) << Describe(back);
    v.pop_back();
    EXPECT_EQ(v.back(), levels.front()) << "gone from the lowest level: " << Describe(back);
    for (std::size_t i = 0; i < v.size(); ++i) {
      ASSERT_LT(levelAt(v[i]), static_cast<std::ptrdiff_t>(levels.size())) << "a level of the sequence: " << Describe(back);
      if (i) {
        EXPECT_EQ(std::abs(levelAt(v[i]) - levelAt(v[i - 1])), 1) << "one level a step: " << Describe(back);
      }
    }
    reached = *std::max_element(v.begin(), v.end());
  }
  EXPECT_LT(reached, 255) << "a fade left half way turns before the top: " << Describe(back);
  std::printf("hover fade in: %s\nout: %s\nin to %d, out: %s\n", Describe(in).c_str(), Describe(out).c_str(), reached,
              Describe(back).c_str());
}

// A move of the window takes the overlays away (they would stay where the
// buttons were); over an inactive window the hot overlay is the hot glyph
// alone, transparent around it, above the frame's half-transparent glyph.
TEST_F(SkinnedFrame, TitleButtonOverlaysGoWithAMoveAndShowOnlyTheirGlyph) {
  skin::TsSkinManager& m = *form->sSkinManager1;
  m.EffectsData().AllowGlowing = true;
  m.EffectsData().AllowAnimation = false;
  const skinctrl::TFrameLayout& l = provider->Layout();
  const auto centre = [&](const skin::TRect& r) {
    const RECT w = WindowRect();
    return POINT{w.left + r.Left + r.Width() / 2, w.top + r.Top + r.Height() / 2};
  };
  const auto overlay = [&] {
    const skinctrl::TacSBAnimation* fade = provider->ButtonAnimation(HTMINBUTTON);
    return fade ? fade->Overlay() : nullptr;
  };
  const POINT caption{WindowRect().left + provider->CaptionRect().Left + 20, WindowRect().top + l.VCenter};
  MouseAt(caption);
  Pump(150ms);
  ASSERT_TRUE(MoveUntil(centre(l.ButtonMin.cpRect), [&] { return overlay() != nullptr; }));
  const RECT before = WindowRect();
  // Read at once: the fade's own watch of the pointer would end the look
  // at its next tick anyway.
  ::SetWindowPos(wnd, nullptr, before.left + 30, before.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(overlay(), nullptr) << "the overlay went with the move";
  EXPECT_EQ(l.ButtonMin.cpState, 0);
  ::SetWindowPos(wnd, nullptr, before.left, before.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump(50ms);

  // Inactive: the frame shows the glyph half transparent, the overlay the
  // hot glyph with nothing around it.
  OtherWindow other;
  ::SetActiveWindow(other.Handle());
  ASSERT_TRUE(PumpUntil([&] { return !provider->FormActive(); }));
  MouseAt(caption);
  Pump(150ms);
  ASSERT_TRUE(MoveUntil(centre(l.ButtonMin.cpRect), [&] { return overlay() != nullptr; }));
  const int image = m.ConstData.TitleGlyphs[static_cast<std::size_t>(l.ButtonMin.cpGlyphType)];
  ASSERT_TRUE(m.Model().IsValidImgIndex(image));
  const skin::TsMaskData& glyph = m.ma()[static_cast<std::size_t>(image)];
  const skinctrl::ScanLines picture = overlay()->Picture();
  int clear = 0, opaque = 0, wrong = 0;
  for (int y = 0; y < std::min(glyph.Height, picture.Height); ++y)
    for (int x = 0; x < std::min(glyph.Width, picture.Width); ++x) {
      const std::uint32_t hot = ImagePixel(m.Model(), glyph, std::min(1, glyph.ImageCount - 1), x, y);
      const std::uint32_t p = picture.At(x, y);
      if (hot == 0xFF00FF) {
        clear += p == 0;
        wrong += p != 0;
      } else {
        opaque += (p >> 24) == 0xFF && (p & 0xFFFFFF) == hot;
      }
    }
  EXPECT_GT(clear, 0) << "transparent where the hot glyph has the key colour";
  EXPECT_EQ(wrong, 0) << "nothing but the glyph in the overlay";
  EXPECT_GT(opaque, 0) << "the hot glyph opaque";
  frametest::Save(ShotOf(wnd), "title-inactive-hot.bmp");
}

// The built-in skin with a hover glow for the minimise button: 29 x 29
// pixels, opaque but for a key-coloured centre, reaching 4 pixels beyond the
// button.
constexpr std::uint32_t TitleGlowInk = 0x3070B0;
std::vector<std::uint8_t> TitleGlowSkin() {
  skin::TacSkinConvertor reader;
  reader.BorrowPackedData(skins::OpusSkinArchive());
  reader.ReadArchive();
  const std::span<const std::uint8_t> bytes = reader.Options->Bytes();
  std::string options(bytes.begin(), bytes.end());
  const std::string global = "[GLOBALINFO]\r\n";
  const std::size_t at = options.find(global);
  options.insert(at == std::string::npos ? 0 : at + global.size(),
                 "BICONMINGLOW=1\r\nBICONMINGLOW0=!MINGLOW.BMP!1!0!0\r\nBICONMINGLOWMARGIN=4\r\n");
  skin::Bitmap32 glow(29, 29);
  for (int y = 0; y < 29; ++y)
    for (int x = 0; x < 29; ++x) glow.At(x, y) = std::abs(x - 14) < 4 && std::abs(y - 14) < 4 ? 0xFFFF00FFu : 0xFF000000u | TitleGlowInk;
  std::vector<skin::ArchiveMember> members;
  members.push_back({std::string(skin::OptionsMemberName), {options.begin(), options.end()}});
  for (const skin::TacFileItem& f : reader.Files) {
    const std::span<const std::uint8_t> data = f.Stream->Bytes();
    members.push_back({f.Name, {data.begin(), data.end()}});
  }
  members.push_back({"MINGLOW.BMP", skin::EncodeBmp32(glow)});
  return skin::WriteSkinArchive(members);
}

// A skin's hover glow of a title button is its hot look: the glow image in
// the overlay, around the button by the glow's margin.
TEST(TitleButtonGlow, TheSkinsGlowImageIsTheHotLookAroundTheButton) {
  skinctrl::InstallFormFrames();
  auto form = std::make_unique<fw::TForm>(nullptr);
  form->BeginLoading();
  auto* manager = new skin::TsSkinManager(form.get());
  skin::ConfigureMainSkinManager(*manager, TitleGlowSkin());
  form->EndLoading();
  form->SetCaption(L"Glow");
  form->SetBounds(200, 150, 300, 160);
  form->Show();
  ::SetForegroundWindow(form->Handle());
  const HWND wnd = form->Handle();
  ASSERT_TRUE(PumpUntil([&] { return skinctrl::ProviderOf(wnd) != nullptr; }));
  Pump(150ms);
  const TsSkinProvider& provider = *skinctrl::ProviderOf(wnd);
  ASSERT_FALSE(manager->ConstData.TitleGlows[skin::tgMin].empty()) << "the skin's glow was read";
  manager->EffectsData().AllowGlowing = true;
  manager->EffectsData().AllowAnimation = false;
  const skinctrl::TFrameLayout& l = provider.Layout();
  RECT w{};
  ::GetWindowRect(wnd, &w);
  const skin::TRect& b = l.ButtonMin.cpRect;
  const POINT centre{w.left + b.Left + b.Width() / 2, w.top + b.Top + b.Height() / 2};
  MouseAt(POINT{w.left + provider.CaptionRect().Left + 20, w.top + l.VCenter});
  Pump(150ms);
  const auto overlay = [&] {
    const skinctrl::TacSBAnimation* fade = provider.ButtonAnimation(HTMINBUTTON);
    return fade ? fade->Overlay() : nullptr;
  };
  ASSERT_TRUE(MoveUntil(centre, [&] { return overlay() != nullptr; }));
  RECT o{};
  ::GetWindowRect(overlay()->HandleIfAllocated(), &o);
  EXPECT_EQ(o.right - o.left, 29);
  EXPECT_EQ(o.bottom - o.top, 29);
  EXPECT_EQ((o.left + o.right) / 2, w.left + b.Left + b.Width() / 2) << "centred on the button";
  EXPECT_EQ((o.top + o.bottom) / 2, w.top + b.Top + b.Height() / 2);
  if (b.Width() == 21 && b.Height() == 21) {
    EXPECT_EQ(o.left, w.left + b.Left - 4) << "the glow's margin";
  }
  const skinctrl::ScanLines picture = overlay()->Picture();
  EXPECT_EQ(picture.At(1, 1), 0xFF000000u | TitleGlowInk) << "the glow image";
  EXPECT_EQ(picture.At(14, 14), 0u) << "its key-coloured centre clear";
  // The pressed look is the glyph again.
  frametest::MouseButton(true);
  EXPECT_TRUE(PumpUntil([&] { return overlay() && overlay()->Picture().Width == b.Width(); }, 2s));
  frametest::MouseButton(false);
  PumpUntil([&] { return ::IsIconic(wnd) != FALSE; }, 2s);
  form.reset();
}

// A press belongs to the button it began on, as on every title bar: taken
// off it, that button shows its normal look (and no other lights up); back
// on, its pressed look; released anywhere but on it, nothing happens.
TEST_F(SkinnedFrame, APressBelongsToTheButtonItBeganOn) {
  // Looks drawn into the frame: the button's state is its look on the screen.
  form->sSkinManager1->EffectsData().AllowGlowing = false;
  const skinctrl::TFrameLayout& l = provider->Layout();
  const auto centre = [&](const skin::TRect& r) {
    const RECT w = WindowRect();
    return POINT{w.left + r.Left + r.Width() / 2, w.top + r.Top + r.Height() / 2};
  };
  const POINT caption{WindowRect().left + provider->CaptionRect().Left + 20, WindowRect().top + l.VCenter};
  const POINT outside{WindowRect().right + 40, WindowRect().bottom + 40};
  const auto state = [](const skinctrl::TsCaptionButton& b) { return b.cpState; };

  // Minimise pressed, slid onto close and released there.
  MouseAt(caption);
  Pump(100ms);
  ASSERT_TRUE(MoveUntil(centre(l.ButtonMin.cpRect), [&] { return state(l.ButtonMin) == 1; }));
  MouseButton(true);
  ASSERT_TRUE(PumpUntil([&] { return state(l.ButtonMin) == 2; }, 2s)) << "minimise pressed";
  ASSERT_TRUE(MoveUntil(centre(l.ButtonClose.cpRect), [&] { return state(l.ButtonMin) == 0; }))
      << "minimise normal once the pointer left it";
  Pump(150ms);
  EXPECT_EQ(state(l.ButtonClose), 0) << "close neither hot nor pressed during minimise's press";
  MouseButton(false);
  Pump(400ms);
  EXPECT_TRUE(::IsWindowVisible(wnd)) << "released on close after a press on minimise: not closed";
  EXPECT_FALSE(::IsIconic(wnd)) << "nor minimised";
  EXPECT_FALSE(provider->biClicked);

  // Minimise pressed, taken onto the caption, out of the window and back:
  // pressed each time it is back on; released on the caption: nothing.
  ASSERT_TRUE(MoveUntil(caption, [&] { return state(l.ButtonClose) == 0; }));
  ASSERT_TRUE(MoveUntil(centre(l.ButtonMin.cpRect), [&] { return state(l.ButtonMin) == 1; }));
  MouseButton(true);
  ASSERT_TRUE(PumpUntil([&] { return state(l.ButtonMin) == 2; }, 2s));
  EXPECT_TRUE(MoveUntil(caption, [&] { return state(l.ButtonMin) == 0; })) << "off onto the caption";
  EXPECT_TRUE(MoveUntil(centre(l.ButtonMin.cpRect), [&] { return state(l.ButtonMin) == 2; })) << "back on";
  EXPECT_TRUE(MoveUntil(outside, [&] { return state(l.ButtonMin) == 0; })) << "out of the window";
  EXPECT_TRUE(MoveUntil(centre(l.ButtonMin.cpRect), [&] { return state(l.ButtonMin) == 2; })) << "back from outside";
  EXPECT_TRUE(MoveUntil(caption, [&] { return state(l.ButtonMin) == 0; }));
  MouseButton(false);
  Pump(400ms);
  EXPECT_FALSE(::IsIconic(wnd)) << "released on the caption: not minimised";

  // Close pressed, taken out of the window and back, released on it: closes.
  ASSERT_TRUE(MoveUntil(centre(l.ButtonClose.cpRect), [&] { return state(l.ButtonClose) == 1; }));
  MouseButton(true);
  ASSERT_TRUE(PumpUntil([&] { return state(l.ButtonClose) == 2; }, 2s));
  EXPECT_TRUE(MoveUntil(outside, [&] { return state(l.ButtonClose) == 0; }));
  EXPECT_TRUE(MoveUntil(centre(l.ButtonClose.cpRect), [&] { return state(l.ButtonClose) == 2; }));
  MouseButton(false);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(wnd); })) << "closed (hidden: not the main form here)";
}

// A sizeable form beside the main one, shown and skinned at its first activation.
void ShowOtherForm(fw::TForm& other) {
  other.SetCaption(L"Other");
  other.SetBounds(300, 200, 260, 160);
  other.Show();
  ::SetForegroundWindow(other.Handle());
  ASSERT_TRUE(PumpUntil([&] { return skinctrl::ProviderOf(other.Handle()) != nullptr; }));
  Pump(150ms);
}

// A double click on the caption maximises and restores a form that can be
// maximised; the main window's caption (no maximise) ignores it.
TEST_F(SkinnedFrame, ACaptionDoubleClickMaximisesAndRestoresWhereAllowed) {
  const RECT w = WindowRect();
  ::SendMessageW(wnd, WM_NCLBUTTONDBLCLK, HTCAPTION,
                 MAKELPARAM(w.left + provider->CaptionRect().Left + 20, w.top + provider->Layout().VCenter));
  Pump(200ms);
  EXPECT_FALSE(::IsZoomed(wnd)) << "no maximise button: ignored";
  EXPECT_TRUE(::IsWindowVisible(wnd));

  // A sizeable form with a maximise button, skinned at its first activation.
  fw::TForm other(nullptr);
  ASSERT_NO_FATAL_FAILURE(ShowOtherForm(other));
  const HWND o = other.Handle();
  const auto dblclk = [&] {
    RECT r{};
    ::GetWindowRect(o, &r);
    ::SendMessageW(o, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(r.left + 60, r.top + 10));
  };
  dblclk();
  EXPECT_TRUE(PumpUntil([&] { return ::IsZoomed(o) != FALSE; }, 2s)) << "maximised";
  dblclk();
  EXPECT_TRUE(PumpUntil([&] { return !::IsZoomed(o); }, 2s)) << "restored";
}

// Runs one step per tick (150 ms apart unless told otherwise) on the first visible menu window of
// this thread, inside the menu's modal loop, which handles the input a step
// makes before the next step runs. The last step closes the menu.
struct MenuVisit {
  using Step = std::function<void(HWND)>;
  static inline std::vector<Step> steps;
  static inline int visits = 0;
  UINT_PTR timer = 0;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM found) -> BOOL {
          wchar_t cls[16] = {};
          ::GetClassNameW(w, cls, 16);
          if (std::wstring(cls) != L"#32768" || !::IsWindowVisible(w)) return TRUE;
          *reinterpret_cast<HWND*>(found) = w;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&menu));
    if (!menu || steps.empty()) return;
    Step step = std::move(steps.front());
    steps.erase(steps.begin());
    if (steps.empty()) ++visits;
    if (step) step(menu);
  }
  explicit MenuVisit(std::vector<Step> s, UINT interval = 150) {
    steps = std::move(s);
    visits = 0;
    timer = ::SetTimer(nullptr, 0, interval, &Tick);
  }
  ~MenuVisit() {
    ::KillTimer(nullptr, timer);
    steps.clear();
  }
  MenuVisit(const MenuVisit&) = delete;
  MenuVisit& operator=(const MenuVisit&) = delete;
};

// Each item of an open menu window: its menu, position, item info (id and
// type) and the framework's item for its command (null for the system's).
template <typename Visit>
void ForEachMenuItem(HWND menuWnd, Visit visit) {
  const auto hmenu = reinterpret_cast<HMENU>(::SendMessageW(menuWnd, MN_GETHMENU, 0, 0));
  for (int i = 0; i < ::GetMenuItemCount(hmenu); ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_FTYPE;
    ::GetMenuItemInfoW(hmenu, static_cast<UINT>(i), TRUE, &info);
    visit(hmenu, static_cast<UINT>(i), info, fw::TMenuItem::FindCommand(info.wID));
  }
}

// Points at the item of an open menu that matches; the click follows.
template <typename Match>
void PointAtMenuItem(HWND menuWnd, Match match) {
  ForEachMenuItem(menuWnd, [&](HMENU hmenu, UINT i, const MENUITEMINFOW&, const fw::TMenuItem* item) {
    if (item && match(*item)) {
      RECT r{};
      ::GetMenuItemRect(nullptr, hmenu, i, &r);
      MouseAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
  });
}

void ClickMenuItem(HWND menuWnd, std::wstring_view caption) {
  PointAtMenuItem(menuWnd, [&](const fw::TMenuItem& item) { return item.Caption() == caption; });
}

TEST_F(SkinnedFrame, SystemMenuIsSkinnedWithTheWindowsItemsAndOpensEveryWay) {
  skin::TsSkinManager& m = *form->sSkinManager1;
  const skinctrl::TFrameLayout& l = provider->Layout();
  const int itemSection = m.GetSkinIndex("MENUITEM");
  const int mainMenu = m.GetSkinIndex("MAINMENU");
  ASSERT_GE(itemSection, 0);
  ASSERT_GE(mainMenu, 0);
  std::vector<UINT> commands;
  bool checked = false;
  int sysCommands = 0;
  form->WindowProc.Install(&sysCommands, [&](fw::TMessage& msg) {
    if (msg.Msg == WM_SYSCOMMAND && (msg.WParam & 0xFFF0) != SC_KEYMENU) ++sysCommands;
    form->WindowProc.CallNext(&sysCommands, msg);
  });
  {
    HMENU hmenu = nullptr;
    RECT mr{}, move{}, restore{};
    const auto itemRect = [&](int index) {
      RECT r{};
      ::GetMenuItemRect(nullptr, hmenu, static_cast<UINT>(index), &r);
      return r;
    };
    // Item looks against the skin's own painting of "MENUITEM" over "MAINMENU".
    const auto expectedAt = [&](const RECT& r, int state) {
      skin::Bitmap32 look(r.right - r.left, r.bottom - r.top);
      skinctrl::ScanLines lines{look.Pixels.data(), look.Width, look.Height, look.Width};
      skinctrl::PaintSkinSection(&m.Model(), mainMenu, skinctrl::TCacheInfo{}, -1, -1, lines, skinctrl::TPoint{},
                                 skinctrl::TRect{0, 0, look.Width, look.Height}, 0);
      skinctrl::PaintSkinSection(&m.Model(), itemSection, skinctrl::CacheInfoOfBitmap(lines, 0, 0), -1, -1, lines,
                                 skinctrl::TPoint{}, skinctrl::TRect{0, 0, look.Width, look.Height}, state);
      return look.At(look.Width - 4, look.Height / 2) & 0xFFFFFF;
    };
    const auto shownAt = [&](HWND menuWnd, const RECT& r) {
      const skin::Bitmap32 now = ShotOf(menuWnd);
      return now.At(r.right - mr.left - 4, (r.top + r.bottom) / 2 - mr.top);
    };
    MenuVisit visit({[&](HWND menuWnd) {
                       hmenu = reinterpret_cast<HMENU>(::SendMessageW(menuWnd, MN_GETHMENU, 0, 0));
                       ASSERT_NE(hmenu, nullptr);
                       const int count = ::GetMenuItemCount(hmenu);
                       std::vector<fw::TMenuItem*> items;
                       for (int i = 0; i < count; ++i) {
                         MENUITEMINFOW info{};
                         info.cbSize = sizeof(info);
                         info.fMask = MIIM_ID | MIIM_FTYPE;
                         ::GetMenuItemInfoW(hmenu, static_cast<UINT>(i), TRUE, &info);
                         EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << "item " << i << " drawn by the skin";
                         items.push_back(fw::TMenuItem::FindCommand(info.wID));
                         ASSERT_NE(items.back(), nullptr);
                         commands.push_back(static_cast<UINT>(items.back()->Tag()));
                       }
                       // The items the window's state gives: Restore and Size disabled.
                       int moveIndex = -1, restoreIndex = -1;
                       for (int i = 0; i < count; ++i) {
                         const fw::TMenuItem* item = items[static_cast<std::size_t>(i)];
                         const auto c = static_cast<UINT>(item->Tag());
                         EXPECT_EQ(item->Enabled(), c != SC_RESTORE && c != SC_SIZE) << "command " << std::hex << c;
                         if (c == SC_CLOSE) {
                           EXPECT_NE(item->Caption().find(L'\t'), std::wstring::npos) << "Close with its shortcut";
                         }
                         if (c == SC_MOVE) moveIndex = i;
                         if (c == SC_RESTORE) restoreIndex = i;
                       }
                       frametest::Save(ShotOf(menuWnd), "system-menu.bmp");
                       ::GetWindowRect(menuWnd, &mr);
                       ASSERT_GE(moveIndex, 0);
                       ASSERT_GE(restoreIndex, 0);
                       move = itemRect(moveIndex);
                       restore = itemRect(restoreIndex);
                       EXPECT_EQ(shownAt(menuWnd, move), expectedAt(move, 0)) << "normal item";
                       MouseAt(POINT{(move.left + move.right) / 2, (move.top + move.bottom) / 2});
                     },
                     nullptr,
                     [&](HWND menuWnd) {
                       EXPECT_EQ(shownAt(menuWnd, move), expectedAt(move, 1)) << "hot item";
                       frametest::Save(ShotOf(menuWnd), "system-menu-hot.bmp");
                       MouseAt(POINT{(restore.left + restore.right) / 2, (restore.top + restore.bottom) / 2});
                     },
                     nullptr,
                     [&](HWND menuWnd) {
                       EXPECT_NE(shownAt(menuWnd, restore), expectedAt(restore, 1))
                           << "a disabled item shows no hot look";
                       // The outline lacks the border image's key-coloured corners.
                       const int border = m.gd()[static_cast<std::size_t>(mainMenu)].BorderIndex;
                       if (m.Model().IsValidImgIndex(border)) {
                         const auto cuts = skinctrl::CollectCornerRects(m.Model(), border, -1, mr.right - mr.left,
                                                                        mr.bottom - mr.top);
                         fw::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
                         const int kind = ::GetWindowRgn(menuWnd, region.get());
                         if (!cuts.empty()) {
                           ASSERT_NE(kind, ERROR) << "the menu window has an outline";
                           EXPECT_FALSE(::PtInRegion(region.get(), cuts.front().Left, cuts.front().Top))
                               << "cut corner";
                           EXPECT_TRUE(::PtInRegion(region.get(), (mr.right - mr.left) / 2, (mr.bottom - mr.top) / 2));
                         }
                       }
                       checked = true;
                       // Esc closes it without a command.
                       ::PostMessageW(menuWnd, WM_KEYDOWN, VK_ESCAPE, 0);
                     },
                     // Reached only when Esc left the menu open: the test goes on.
                     [](HWND) {
                       ADD_FAILURE() << "Esc left the menu open";
                       ::EndMenu();
                     }});
    ::SendMessageW(wnd, WM_NCLBUTTONDOWN, HTSYSMENU, 0);
  }
  EXPECT_TRUE(checked);
  EXPECT_EQ(commands, (std::vector<UINT>{SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, 0, SC_CLOSE}))
      << "Restore, Move, Size, Minimize, a separator and Close; no Maximize";
  Pump(100ms);
  EXPECT_EQ(sysCommands, 0) << "Esc ran no command";
  EXPECT_TRUE(::IsWindowVisible(wnd));
  // Every way of opening it.
  const RECT w = WindowRect();
  const LPARAM caption = MAKELPARAM(w.left + 60, w.top + l.VCenter);
  const std::pair<const char*, std::function<void()>> ways[] = {
      {"Alt+Space", [&] { ::SendMessageW(wnd, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE); }},
      {"right click on the caption",
       [&] {
         ::SendMessageW(wnd, WM_NCRBUTTONDOWN, HTCAPTION, caption);
         ::SendMessageW(wnd, WM_NCRBUTTONUP, HTCAPTION, caption);
       }},
      {"the window-menu request", [&] { ::SendMessageW(wnd, 0x0313, 0, caption); }},
  };
  for (const auto& [name, open] : ways) {
    bool skinned = false;
    {
      MenuVisit visit({[&](HWND menuWnd) {
        const auto hmenu = reinterpret_cast<HMENU>(::SendMessageW(menuWnd, MN_GETHMENU, 0, 0));
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        skinned = hmenu && ::GetMenuItemInfoW(hmenu, 0, TRUE, &info) && (info.fType & MFT_OWNERDRAW);
        ::EndMenu();
      }});
      open();
      EXPECT_EQ(MenuVisit::visits, 1) << name;
    }
    EXPECT_TRUE(skinned) << name;
  }
  // A command chosen in it acts: Minimize.
  {
    MenuVisit visit({[&](HWND menuWnd) {
      PointAtMenuItem(menuWnd, [](const fw::TMenuItem& item) { return item.Tag() == SC_MINIMIZE; });
    }, [](HWND) {
      MouseButton(true);
      MouseButton(false);
    }, [](HWND) {
      ADD_FAILURE() << "the click left the menu open";
      ::EndMenu();
    }});
    ::SendMessageW(wnd, WM_NCLBUTTONDOWN, HTSYSMENU, 0);
  }
  EXPECT_TRUE(PumpUntil([&] { return ::IsIconic(wnd) != FALSE; })) << "Minimize from the menu";
  form->WindowProc.Remove(&sysCommands);
}

// The window's own items of its system menu (commands outside the system's)
// are in the skinned menu too, between separators before Close; a click on
// one sends its command.
TEST_F(SkinnedFrame, TheWindowsOwnSystemMenuItemsAreShownAndSendTheirCommands) {
  const HMENU own = ::GetSystemMenu(wnd, FALSE);
  ASSERT_NE(own, nullptr);
  ::AppendMenuW(own, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(own, MF_STRING, 0x0110, L"&About Quillon");
  std::vector<WPARAM> commands;
  form->WindowProc.Install(&commands, [&](fw::TMessage& msg) {
    if (msg.Msg == WM_SYSCOMMAND) commands.push_back(msg.WParam);
    form->WindowProc.CallNext(&commands, msg);
  });
  std::vector<std::wstring> captions;
  RECT about{};
  {
    MenuVisit visit({[&](HWND menuWnd) {
                       ForEachMenuItem(menuWnd, [&](HMENU hmenu, UINT i, const MENUITEMINFOW&, const fw::TMenuItem* item) {
                         captions.push_back(item ? item->Caption() : L"?");
                         if (item && item->Caption() == L"&About Quillon") ::GetMenuItemRect(nullptr, hmenu, i, &about);
                       });
                       MouseAt(POINT{(about.left + about.right) / 2, (about.top + about.bottom) / 2});
                     },
                     [&](HWND) {
                       MouseButton(true);
                       MouseButton(false);
                     },
                     nullptr});
    const RECT w = WindowRect();
    provider->DropSysMenu(w.left + 4, w.top + 30);
  }
  EXPECT_TRUE(PumpUntil([&] { return std::count(commands.begin(), commands.end(), WPARAM{0x0110}) == 1; }, 2s))
      << "the item's command sent";
  ASSERT_GE(captions.size(), 4u);
  EXPECT_EQ(captions[captions.size() - 4], L"-");
  EXPECT_EQ(captions[captions.size() - 3], L"&About Quillon");
  EXPECT_EQ(captions[captions.size() - 2], L"-");
  EXPECT_EQ(captions.back().substr(0, 6), L"&Close");
  form->WindowProc.Remove(&commands);
}

// A form other than the main form keeps its skinned frame maximised (cut to
// what lies on the screen, the maximise button showing the restore glyph)
// and minimised (its title alone, 160 wide, the minimise button showing the
// restore glyph and restoring the form).
TEST_F(SkinnedFrame, AFormOtherThanTheMainOneIsSkinnedMaximisedAndMinimised) {
  fw::TForm other(nullptr);
  ASSERT_NO_FATAL_FAILURE(ShowOtherForm(other));
  const HWND o = other.Handle();
  const TsSkinProvider& p = *skinctrl::ProviderOf(o);
  const skinctrl::TFrameLayout& l = p.Layout();
  const std::set<std::uint32_t> titles{PixelOfColor(Title().Props[0].Color), PixelOfColor(Title().Props[1].Color)};
  const auto titleAt = [&](int x, int y) {
    RECT w{};
    ::GetWindowRect(o, &w);
    const fw::WindowDc screen(nullptr);
    const COLORREF c = ::GetPixel(screen.get(), w.left + x, w.top + y);
    return static_cast<std::uint32_t>(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
  };

  ::SendMessageW(o, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  ASSERT_TRUE(PumpUntil([&] { return ::IsZoomed(o) != FALSE; }));
  Pump(300ms);
  RECT w{};
  ::GetWindowRect(o, &w);
  const fw::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(o, region.get()), ERROR);
  RECT box{};
  ::GetRgnBox(region.get(), &box);
  const int b = p.BorderWidth();
  EXPECT_EQ(box.left, b);
  EXPECT_EQ(box.top, b);
  EXPECT_EQ(box.right, w.right - w.left - b) << "cut to the screen's part of the window";
  EXPECT_EQ(box.bottom, w.bottom - w.top - b);
  EXPECT_EQ(l.ButtonMax.cpGlyphType, skin::tgNorm) << "the restore glyph";
  EXPECT_TRUE(titles.count(titleAt(l.ButtonMin.cpRect.Left - 4, l.VCenter))) << std::hex << titleAt(l.ButtonMin.cpRect.Left - 4, l.VCenter);
  frametest::Save(ShotOf(::GetDesktopWindow()), "frame-other-maximised.bmp");
  ::SendMessageW(o, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(PumpUntil([&] { return !::IsZoomed(o); }));
  Pump(200ms);

  ::SendMessageW(o, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(o) != FALSE; }));
  Pump(300ms);
  ::GetWindowRect(o, &w);
  ASSERT_TRUE(::IsWindowVisible(o));
  EXPECT_EQ(w.right - w.left, 160) << "the minimised title's width";
  EXPECT_EQ(p.Cache().Width(), w.right - w.left);
  EXPECT_EQ(p.Cache().Height(), w.bottom - w.top);
  EXPECT_EQ(l.ButtonMin.cpGlyphType, skin::tgNorm) << "minimise shows the restore glyph";
  ASSERT_TRUE(l.ButtonMin.Visible());
  const POINT probe{l.ButtonMin.cpRect.Left - 3, l.VCenter};
  if (l.ButtonMax.Visible()) {
    EXPECT_LE(l.ButtonMin.cpRect.Right, l.ButtonMax.cpRect.Left);
  }
  EXPECT_TRUE(titles.count(titleAt(probe.x, probe.y))) << std::hex << "minimised title showed " << titleAt(probe.x, probe.y);
  frametest::Save(ShotOf(o), "frame-other-minimised.bmp");
  const LPARAM at = MAKELPARAM(w.left + l.ButtonMin.cpRect.Left + 3, w.top + l.ButtonMin.cpRect.Top + 3);
  ASSERT_EQ(::SendMessageW(o, WM_NCHITTEST, 0, at), HTMINBUTTON);
  ::SendMessageW(o, WM_NCLBUTTONDOWN, HTMINBUTTON, at);
  ::SendMessageW(o, WM_NCLBUTTONUP, HTMINBUTTON, at);
  EXPECT_TRUE(PumpUntil([&] { return !::IsIconic(o); })) << "restored by the button";
}

TEST_F(SkinnedFrame, MenuFrameRequestsUseOnlyLiveItemsAndMenuWindows) {
  // A request naming an item that is gone, or a window that is no menu, is
  // dropped: nothing is read through it and the window keeps its outline.
  UINT stale = 0;
  {
    fw::TMenuItem item(nullptr);
    stale = item.Command();
  }
  ASSERT_EQ(fw::TMenuItem::FindCommand(stale), nullptr);
  EXPECT_TRUE(skinctrl::HandleMenuFrameRequest(skinctrl::WM_MENUFRAMEBYITEM, stale, 0));
  const int before = skinctrl::SkinnedMenuWindowCount();
  const fw::UniqueRegion formRegion(::CreateRectRgn(0, 0, 0, 0));
  const int kind = ::GetWindowRgn(wnd, formRegion.get());
  EXPECT_TRUE(skinctrl::HandleMenuFrameRequest(skinctrl::WM_MENUFRAMEBYWINDOW, 0, reinterpret_cast<LPARAM>(wnd)));
  EXPECT_TRUE(skinctrl::HandleMenuFrameRequest(skinctrl::WM_MENUFRAMEBYWINDOW, 0, 0x1234));
  const fw::UniqueRegion after(::CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(::GetWindowRgn(wnd, after.get()), kind);
  EXPECT_TRUE(::EqualRgn(formRegion.get(), after.get())) << "the form's outline untouched";
  EXPECT_EQ(skinctrl::SkinnedMenuWindowCount(), before) << "no window taken for a menu";
  // Posted through the application window, both are handled there.
  ::PostMessageW(fw::Application().Handle(), skinctrl::WM_MENUFRAMEBYITEM, stale, 0);
  ::PostMessageW(fw::Application().Handle(), skinctrl::WM_MENUFRAMEBYWINDOW, 0, reinterpret_cast<LPARAM>(wnd));
  Pump(100ms);
  EXPECT_EQ(skinctrl::SkinnedMenuWindowCount(), before);
}

// Ends every menu of this thread once its window has painted: each opening
// goes through the whole of a showing, items drawn, and no further.
class MenuClosedAfterItsPaint {
public:
  MenuClosedAfterItsPaint()
      : hook_(::SetWindowsHookExW(WH_CALLWNDPROCRET, &AfterMessage, nullptr, ::GetCurrentThreadId())) {}
  ~MenuClosedAfterItsPaint() { ::UnhookWindowsHookEx(hook_); }
  MenuClosedAfterItsPaint(const MenuClosedAfterItsPaint&) = delete;
  MenuClosedAfterItsPaint& operator=(const MenuClosedAfterItsPaint&) = delete;
  static inline int paints = 0;

private:
  static LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    wchar_t cls[16] = {};
    if (code == HC_ACTION && m->message == WM_PAINT && ::GetClassNameW(m->hwnd, cls, 16) > 0 &&
        std::wstring_view(cls) == L"#32768") {
      ++paints;
      ::EndMenu();
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK hook_;
};

TEST_F(SkinnedFrame, HundredSystemMenuOpeningsLeaveNoHandlesBehind) {
  const MenuClosedAfterItsPaint closer;
  const auto openOnce = [&] {
    MenuClosedAfterItsPaint::paints = 0;
    ::SendMessageW(wnd, WM_NCLBUTTONDOWN, HTSYSMENU, 0);
    ASSERT_EQ(MenuClosedAfterItsPaint::paints, 1);
    ASSERT_EQ(skinctrl::SkinnedMenuWindowCount(), 0);
  };
  // The first openings make what lives on (the hook on the application window,
  // fonts and images the skin caches).
  for (int i = 0; i < 3; ++i) openOnce();
  Pump(100ms);
  const unsigned gdi = testsupport::GdiObjectCount(), handles = testsupport::OpenHandleCount();
  const int menus = skinctrl::SkinnedMenuWindowCount();
  for (int i = 0; i < 100; ++i) openOnce();
  Pump(100ms);
  EXPECT_LE(testsupport::GdiObjectCount(), gdi) << "GDI objects";
  EXPECT_LE(testsupport::OpenHandleCount(), handles + 2) << "handles";
  EXPECT_EQ(skinctrl::SkinnedMenuWindowCount(), menus) << "menu-window records";
  EXPECT_EQ(menus, 0);
}

TEST_F(SkinnedFrame, MemoContextMenuIsSkinnedAndOnlyCopiesAndSelects) {
  const HWND memo = form->sMemo1->Handle();
  ASSERT_TRUE(::GetWindowLongPtrW(memo, GWL_STYLE) & ES_READONLY);
  const std::wstring text = L"QUILLON SIM 1.0";
  ::SendMessageW(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  ::SendMessageW(memo, EM_SETSEL, 0, 0);
  RECT mr{};
  ::GetWindowRect(memo, &mr);
  const LPARAM at = MAKELPARAM(mr.left + 10, mr.top + 10);
  std::vector<std::wstring> captions;
  std::vector<bool> enabled;
  bool ownerDrawn = true;
  const auto release = [](HWND) {
    MouseButton(true);
    MouseButton(false);
  };
  {
    MenuVisit visit({[&](HWND menuWnd) {
                       ForEachMenuItem(menuWnd, [&](HMENU, UINT, const MENUITEMINFOW& info, const fw::TMenuItem* item) {
                         ownerDrawn = ownerDrawn && (info.fType & MFT_OWNERDRAW);
                         captions.push_back(item ? item->Caption() : L"?");
                         enabled.push_back(item && item->Enabled());
                       });
                       frametest::Save(ShotOf(menuWnd), "memo-menu.bmp");
                       ClickMenuItem(menuWnd, L"Select &All");
                     },
                     release, [](HWND) {
                       ADD_FAILURE() << "the click left the menu open";
                       ::EndMenu();
                     }});
    ::SendMessageW(memo, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(memo), at);
  }
  EXPECT_TRUE(ownerDrawn) << "skinned items";
  EXPECT_EQ(captions, (std::vector<std::wstring>{L"&Copy", L"-", L"Select &All"})) << "nothing that edits";
  EXPECT_EQ(enabled, (std::vector<bool>{false, true, true})) << "Copy waits for a selection";
  DWORD start = 1, end = 0;
  PumpUntil([&] {
    ::SendMessageW(memo, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start == 0 && end == text.size();
  }, 2s);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, text.size()) << "Select All selected the whole text";
  if (::OpenClipboard(nullptr)) {
    ::EmptyClipboard();
    ::CloseClipboard();
  }
  {
    MenuVisit visit({[&](HWND menuWnd) { ClickMenuItem(menuWnd, L"&Copy"); }, release, [](HWND) {
                       ADD_FAILURE() << "the click left the menu open";
                       ::EndMenu();
                     }});
    ::SendMessageW(memo, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(memo), at);
  }
  std::wstring copied;
  PumpUntil([&] {
    if (!::OpenClipboard(nullptr)) return false;
    if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
        copied = chars;
        ::GlobalUnlock(data);
      }
    }
    ::CloseClipboard();
    return !copied.empty();
  }, 2s);
  EXPECT_EQ(copied, text) << "Copy put the selection on the clipboard";
  wchar_t now[64]{};
  ::GetWindowTextW(memo, now, 64);
  EXPECT_EQ(std::wstring(now), text) << "the memo's text untouched";
}

TEST_F(SkinnedFrame, PrintingCopiesTheFrameImageAndTheClient) {
  const RECT w = WindowRect();
  const int width = w.right - w.left, height = w.bottom - w.top;
  skinctrl::TDibBitmap print(width, height);
  ::SendMessageW(wnd, WM_PRINT, reinterpret_cast<WPARAM>(print.DC()), PRF_NONCLIENT | PRF_CLIENT);
  const skinctrl::ScanLines lines = print.Lines();
  EXPECT_EQ(lines.At(spy.probe.x, spy.probe.y) & 0xFFFFFF, PixelOfColor(Title().Props[1].Color));
  const skin::Bitmap32 screen = ShotOf(wnd);
  EXPECT_EQ(lines.At(0, height / 2) & 0xFFFFFF, screen.At(0, height / 2)) << "the border as on the screen";
}

}  // namespace

namespace {

// What the windows of this thread are sent while the main window is shown for
// the first time.
struct ShowingCounts {
  HWND form = nullptr;
  int formFrameRecalcs = 0;  // WM_NCCALCSIZE asking for the client area anew
  std::map<HWND, int> erases;
};
ShowingCounts* gShowing = nullptr;

LRESULT CALLBACK CountShowingMessages(int code, WPARAM wParam, LPARAM lParam) {
  const auto* c = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && gShowing) {
    if (c->hwnd == gShowing->form && c->message == WM_NCCALCSIZE && c->wParam) ++gShowing->formFrameRecalcs;
    if (c->message == WM_ERASEBKGND) ++gShowing->erases[c->hwnd];
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

// The first showing cuts the window region once, when the frame is attached,
// and paints each control once: every further cut, or a redraw of the frame
// once the framework learns that the form shows, makes the system erase and
// frame the window and each of its controls once more.
TEST(FirstShowing, CutsTheRegionOnceAndErasesEachControlOnce) {
  fw::Application().SetTitle(L"Quillon");
  auto form = std::make_unique<app::TForm1>(nullptr);
  form->AfterConstruction();
  // The port list's refresh would fill the box again if the ports changed.
  form->Timer1->SetEnabled(false);
  PointerAway();
  ShowingCounts counts;
  counts.form = form->Handle();
  gShowing = &counts;
  const HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, CountShowingMessages, nullptr, ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  form->Show();
  ::SetForegroundWindow(form->Handle());
  const HWND wnd = form->Handle();
  const bool painted = PumpUntil([&] { return skinctrl::ProviderOf(wnd) && !::GetUpdateRect(wnd, nullptr, FALSE); });
  Pump(150ms);
  ::UnhookWindowsHookEx(hook);
  gShowing = nullptr;
  ASSERT_TRUE(painted);

  fw::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(::GetWindowRgn(wnd, region.get()), COMPLEXREGION) << "the corners are cut";
  EXPECT_EQ(counts.formFrameRecalcs, 1) << "one cut of the region";
  // The erase comes with the region, inside the showing (the button and the
  // memo repaint once more when the button takes the focus).
  const std::pair<const char*, HWND> controls[] = {{"panel", form->sPanel1->Handle()},
                                                   {"combo box", form->sComboBox1->Handle()}};
  // After another program of the session has run (the end-to-end tests
  // before this one), the combo box is erased once more within the showing;
  // alone it is erased once. That second erase is allowed, not explained.
  const std::pair<const char*, int> limits[] = {{"panel", 1}, {"combo box", 2}};
  for (std::size_t i = 0; i < std::size(controls); ++i)
    EXPECT_LE(counts.erases[controls[i].second], limits[i].second) << "erases of the " << controls[i].first;
}
