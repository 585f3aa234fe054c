// Hover glows, outer effects, hover moving between siblings and child windows in
// fade frames, under Wine through real windows, with a skin of the test's own
// (the built-in skin has neither glows nor outer effects). Pixels are checked
// against the skin's own images; the glow's layered window is checked by its
// styles, place, picture and alpha (Xvfb has no compositor to show it).
#include "EffectsSkin.h"
#include "tests/skinctrl/fade/FakeClock.h"
#include "SkinScene.h"
#include "skinctrl/state/HoverGlow.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace skin;
using namespace skinctrl;

using skintest::SettleCursorAt;
using skintest::ScreenCentreOf;
using skintest::SkinScene;
using skintest::TsTestControl;

constexpr std::uint8_t SharedHoverCode = COC_ComboBox;  // glows through the shared hover code

const std::vector<std::uint8_t>& EffectsSkin() {
  static const std::vector<std::uint8_t> archive = skintest::EffectsSkinArchive();
  return archive;
}

class HoverEffects : public ::testing::Test {
protected:
  static void SetUpTestSuite() { fw::Application().Initialize(); }
  void SetUp() override { ASSERT_TRUE(SettleCursorAt({1, 1})); }
};

std::string Text(const RECT& r) {
  std::ostringstream s;
  s << '(' << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << ')';
  return s.str();
}

RECT WindowRect(HWND wnd) {
  RECT r{};
  ::GetWindowRect(wnd, &r);
  return r;
}

// The glow windows of this thread, visible or not.
int GlowWindowCount() {
  int count = 0;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND wnd, LPARAM counter) -> BOOL {
        wchar_t name[64] = {};
        ::GetClassNameW(wnd, name, 64);
        if (std::wstring_view(name) == L"TacGlowForm") ++*reinterpret_cast<int*>(counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

void Enter(TsTestControl* control) { control->Perform(fw::CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(control)); }
void Leave(TsTestControl* control) { control->Perform(fw::CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(control)); }

// One glow-picture pixel as the skin's records make it: the image pixel, its
// mask's blue byte as transparency (black opaque), premultiplied.
std::uint32_t GlowPixelFromSkin(const TsMaskData& image, int x, int y) {
  const std::uint32_t s = image.Bmp->At(image.R.Left + x, image.R.Top + y);
  const std::uint32_t a = 255 - (image.Bmp->At(image.R.Left + x, image.R.Top + image.Height + y) & 0xFF);
  auto channel = [&](int shift) { return ((((s >> shift) & 0xFF) * a + 127) / 255) << shift; };
  return a << 24 | channel(16) | channel(8) | channel(0);
}

// Where nine-part tiling takes a picture coordinate from in the image (margins m
// on both sides of an image of side n, picture of side size).
int TiledSource(int p, int size, int n, int m) {
  if (p < m) return p;
  if (p >= size - m) return n - (size - p);
  return m + (p - m) % (n - 2 * m);
}

TEST_F(HoverEffects, AHoveredControlGlowsAroundItselfFadingInAndOutAndTheGlowLetsTheMouseThrough) {
  SkinScene s(EffectsSkin(), SharedHoverCode, "GLOWING");
  skintest::FakeClock clock;
  TsCommonData& d = s.Data();
  const HWND wnd = s.ControlWnd();
  ASSERT_EQ(GlowWindowCount(), 0);
  ASSERT_TRUE(SettleCursorAt(ScreenCentreOf(wnd)));
  Enter(s.control);
  ASSERT_TRUE(d.FMouseAbove);
  ASSERT_GE(d.GlowID, 0);
  TacGlowForm* glow = HoverGlowWindow(d.GlowID);
  ASSERT_TRUE(glow && glow->HandleAllocated());
  const HWND glowWnd = glow->HandleIfAllocated();

  // A layered, click-through, never active pop-up owned by the form.
  EXPECT_TRUE(::IsWindowVisible(glowWnd));
  const LONG_PTR ex = ::GetWindowLongPtrW(glowWnd, GWL_EXSTYLE);
  for (LONG_PTR bit : {LONG_PTR{WS_EX_LAYERED}, LONG_PTR{WS_EX_TRANSPARENT}, LONG_PTR{WS_EX_NOACTIVATE}}) EXPECT_TRUE(ex & bit) << std::hex << bit;
  EXPECT_TRUE(::GetWindowLongPtrW(glowWnd, GWL_STYLE) & WS_POPUP);
  EXPECT_EQ(::GetWindow(glowWnd, GW_OWNER), s.form.Handle());
  EXPECT_NE(::GetForegroundWindow(), glowWnd);
  RECT expected = WindowRect(wnd);
  ::InflateRect(&expected, skintest::GlowMargin, skintest::GlowMargin);
  EXPECT_EQ(Text(WindowRect(glowWnd)), Text(expected));
  // The mouse finds the control under its glow, so hover does not flicker.
  EXPECT_EQ(::WindowFromPoint(ScreenCentreOf(wnd)), wnd);

  // The picture: the skin's "GLOW0" laid out in nine parts over the glow's size.
  const TsSkinManager& m = *s.manager;
  const int index = m.GetMaskIndex(d.SkinIndex, "GLOW0");
  ASSERT_GE(index, 0);
  const TsMaskData& image = m.ma()[static_cast<std::size_t>(index)];
  ASSERT_TRUE(image.Bmp);
  const ScanLines picture = glow->Picture();
  ASSERT_EQ(picture.Width, expected.right - expected.left);
  ASSERT_EQ(picture.Height, expected.bottom - expected.top);
  const int n = skintest::GlowSide, margin = skintest::GlowImageMargin;
  for (POINT p : {POINT{1, 1}, POINT{picture.Width - 2, picture.Height - 1}, POINT{picture.Width / 2, 2},
                  POINT{0, picture.Height / 2}, POINT{picture.Width / 2 + 1, picture.Height / 2}}) {
    const int sx = TiledSource(p.x, picture.Width, n, margin), sy = TiledSource(p.y, picture.Height, n, margin);
    EXPECT_EQ(picture.At(p.x, p.y), GlowPixelFromSkin(image, sx, sy)) << p.x << ',' << p.y;
  }

  // Fading in: from nothing to full strength in six frames 12 ms apart.
  std::vector<int> alphas{glow->Alpha()};
  for (int i = 0; i < 6; ++i) {
    clock.Advance(12);
    alphas.push_back(glow->Alpha());
  }
  EXPECT_EQ(alphas.front(), 0);
  EXPECT_EQ(alphas.back(), 255);
  EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end()) && alphas[1] > 0 && alphas[5] < 255);

  // On screen, at full strength, where the glow is opaque it shows the image's
  // own colour. (Xvfb has no compositor: Wine shows the rest of a layered
  // window over black, whatever its alpha, so only opaque pixels at full
  // strength can be compared.)
  const POINT corner{expected.left + 1, expected.top + 1};
  const COLORREF cornerColour = static_cast<COLORREF>(PixelToColor(GlowPixelFromSkin(image, 1, 1))) & 0xFFFFFF;
  COLORREF shown = CLR_INVALID;
  for (int i = 0; i < 100 && shown != cornerColour; ++i) {
    skintest::Pump();
    ::Sleep(20);
    const HDC screen = ::GetDC(nullptr);
    shown = ::GetPixel(screen, corner.x, corner.y);
    ::ReleaseDC(nullptr, screen);
  }
  EXPECT_EQ(shown, cornerColour);

  // A second enter while hovered changes nothing.
  Enter(s.control);
  EXPECT_EQ(HoverGlowWindow(d.GlowID), glow);

  // Leaving fades it out over twelve frames, then the window goes.
  ASSERT_TRUE(SettleCursorAt({1, 1}));
  Leave(s.control);
  EXPECT_FALSE(d.FMouseAbove);
  alphas = {glow->Alpha()};
  for (int i = 0; i < 11; ++i) {
    clock.Advance(12);
    alphas.push_back(glow->Alpha());
  }
  EXPECT_EQ(alphas.front(), 255);
  EXPECT_TRUE(std::is_sorted(alphas.rbegin(), alphas.rend()) && alphas.back() > 0);
  clock.Advance(12);
  EXPECT_EQ(d.GlowID, -1);
  EXPECT_FALSE(::IsWindow(glowWnd));
  EXPECT_EQ(GlowWindowCount(), 0);

  // Without animation the glow comes and goes at once.
  s.manager->EffectsData().AllowAnimation = false;
  ASSERT_TRUE(SettleCursorAt(ScreenCentreOf(wnd)));
  Enter(s.control);
  ASSERT_TRUE(HoverGlowWindow(d.GlowID));
  EXPECT_EQ(HoverGlowWindow(d.GlowID)->Alpha(), 255);
  ASSERT_TRUE(SettleCursorAt({1, 1}));
  Leave(s.control);
  EXPECT_EQ(d.GlowID, -1);
  EXPECT_EQ(GlowWindowCount(), 0);
}

TEST_F(HoverEffects, TheGlowCoversOnlyWhatTheControlShowsOfItself) {
  SkinScene s(EffectsSkin(), SharedHoverCode, "GLOWING");
  s.manager->EffectsData().AllowAnimation = false;
  // Half of the control lies outside the panel.
  s.control->SetBounds(180, 30, 75, 25);
  skintest::Pump();
  ASSERT_TRUE(ShowHoverGlow(s.Data(), 255));
  RECT expected = WindowRect(s.ControlWnd());
  expected.right = WindowRect(s.panel->Handle()).right;
  ::InflateRect(&expected, skintest::GlowMargin, skintest::GlowMargin);
  EXPECT_EQ(Text(WindowRect(HoverGlowWindow(s.Data().GlowID)->HandleIfAllocated())), Text(expected));
}

TEST_F(HoverEffects, NoGlowWhereTheSkinOrTheManagerOrTheControlSaysNo) {
  struct Case {
    const char* name;
    std::uint8_t code;
    const char* section;
    void (*prepare)(SkinScene&);
  };
  const Case cases[] = {
      {"glowing not allowed", SharedHoverCode, "GLOWING",
       [](SkinScene& s) { s.manager->EffectsData().AllowGlowing = false; }},
      {"a section without glow frames", SharedHoverCode, "NOGLOW", nullptr},
      {"no mouse hover", SharedHoverCode, "GLOWING",
       [](SkinScene& s) { s.manager->OptionsData().NoMouseHover = true; }},
      {"the mouse captured", SharedHoverCode, "GLOWING", [](SkinScene& s) { ::SetCapture(s.panel->Handle()); }},
      {"a panel", COC_Panel, "GLOWING", nullptr},
      {"a button animates its hover itself", COC_Button, "GLOWING", nullptr},
  };
  for (const Case& c : cases) {
    SkinScene s(EffectsSkin(), c.code, c.section);
    if (c.prepare) c.prepare(s);
    Enter(s.control);
    EXPECT_EQ(s.Data().GlowID, -1) << c.name;
    EXPECT_EQ(GlowWindowCount(), 0) << c.name;
    ::ReleaseCapture();
    Leave(s.control);
  }
}

TEST_F(HoverEffects, AButtonsGlowFollowsTheFadeOfItsLook) {
  SkinScene s(EffectsSkin(), COC_Button, "GLOWING");
  skintest::FakeClock clock;
  TsCommonData& d = s.Data();
  ::UpdateWindow(s.ControlWnd());
  d.FMouseAbove = true;
  s.control->VisualState = 1;
  StateChanged(d, 1, FadeStep, true, false, true);
  ASSERT_TRUE(Animating(d));
  TacGlowForm* glow = HoverGlowWindow(d.GlowID);
  ASSERT_TRUE(glow);
  // The first frame is shown at once, the glow with it.
  EXPECT_EQ(glow->Alpha(), d.AnimTimer->GlowValue());
  EXPECT_GT(glow->Alpha(), 0);
  EXPECT_LT(glow->Alpha(), 255);
  clock.Advance(12 * 5);
  EXPECT_FALSE(Animating(d));
  EXPECT_EQ(glow->Alpha(), 255);

  // Back to normal: the glow fades with the look and is gone at the end.
  d.FMouseAbove = false;
  s.control->VisualState = 0;
  StateChanged(d, 0, FadeStep, false, false, true);
  std::vector<int> alphas{glow->Alpha()};
  for (int i = 0; i < 10 && d.GlowID >= 0; ++i) {
    clock.Advance(12);
    if (d.GlowID >= 0) alphas.push_back(glow->Alpha());
  }
  EXPECT_TRUE(std::is_sorted(alphas.rbegin(), alphas.rend()));
  clock.Advance(12 * 12);
  EXPECT_EQ(d.GlowID, -1);
  EXPECT_EQ(GlowWindowCount(), 0);

  // Without animation: full strength while the mouse is above, gone when not.
  s.manager->EffectsData().AllowAnimation = false;
  d.FMouseAbove = true;
  StateChanged(d, 1, FadeStep, true, false, true);
  ASSERT_TRUE(HoverGlowWindow(d.GlowID));
  EXPECT_EQ(HoverGlowWindow(d.GlowID)->Alpha(), 255);
  d.FMouseAbove = false;
  StateChanged(d, 0, FadeStep, false, false, true);
  EXPECT_EQ(d.GlowID, -1);
}

TEST_F(HoverEffects, TheGlowGoesWhenTheControlMovesIsDisabledHiddenOrResectionedOrGoesAway) {
  SkinScene s(EffectsSkin(), SharedHoverCode, "GLOWING");
  TsCommonData& d = s.Data();
  struct Step {
    const char* name;
    void (*act)(SkinScene&);
  };
  const Step steps[] = {
      {"moved", [](SkinScene& s) { s.control->SetBounds(24, 30, 75, 25); }},
      {"resized", [](SkinScene& s) { s.control->SetBounds(24, 30, 70, 25); }},
      {"disabled", [](SkinScene& s) { s.control->SetEnabled(false); }},
      {"hidden", [](SkinScene& s) { s.control->SetVisible(false); }},
      {"another section", [](SkinScene& s) { s.Data().SetSkinSection("NOGLOW"); }},
      {"all glows hidden", [](SkinScene&) { HideAllHoverGlows(); }},
  };
  for (const Step& step : steps) {
    s.control->SetEnabled(true);
    s.control->SetVisible(true);
    d.SetSkinSection("GLOWING");
    skintest::Pump();
    ASSERT_TRUE(ShowHoverGlow(d, 255)) << step.name;
    step.act(s);
    EXPECT_EQ(d.GlowID, -1) << step.name;
    EXPECT_EQ(GlowWindowCount(), 0) << step.name;
  }
  ASSERT_TRUE(ShowHoverGlow(d, 255));
  delete s.control;
  s.control = nullptr;
  EXPECT_EQ(GlowWindowCount(), 0);
}

TEST_F(HoverEffects, HoverMovingToASiblingLeavesTheSiblingThatWasHot) {
  SkinScene s(EffectsSkin(), SharedHoverCode, "GLOWING");
  s.manager->EffectsData().AllowAnimation = false;
  auto* other = new TsTestControl(&s.form, SharedHoverCode, "GLOWING");
  other->SetParent(s.panel);
  other->SetBounds(110, 30, 75, 25);
  other->SkinData->Loaded(true);
  skintest::Pump();
  // No messages are pumped from here on: only the hover code itself can tell
  // the first control that the mouse went (the cursor is outside both).
  Enter(s.control);
  ASSERT_TRUE(s.Data().FMouseAbove);
  ASSERT_GE(s.Data().GlowID, 0);
  Enter(other);
  EXPECT_TRUE(other->SkinData->FMouseAbove);
  EXPECT_FALSE(s.Data().FMouseAbove);
  EXPECT_EQ(s.Data().GlowID, -1);
  EXPECT_EQ(GlowWindowCount(), 1);

  // Hover onto a see-through sibling only makes it the active control.
  Leave(other);
  other->SkinData->SetSkinSection("TRANSPARENT");
  Enter(s.control);
  ASSERT_TRUE(s.Data().FMouseAbove);
  Enter(other);
  EXPECT_TRUE(s.Data().FMouseAbove);
  EXPECT_EQ(s.manager->FActiveControl, other->Handle());
}

// --- Outer effects ---

std::uint32_t PanelPixel(SkinScene& s) {
  return 0xFF000000u | (ColorToPixel(s.panel->SkinData->Section()->Props[0].Color) & 0xFFFFFF);
}

// The panel's cache rebuilt and shown.
void RepaintPanel(SkinScene& s) {
  s.panel->SkinData->BGChanged = true;
  ::RedrawWindow(s.panel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  skintest::Pump();
}

COLORREF WindowPixel(HWND wnd, POINT p) {
  fw::WindowDc dc(wnd);
  return ::GetPixel(dc.get(), p.x, p.y);
}

COLORREF AsColorRef(std::uint32_t pixel) { return static_cast<COLORREF>(PixelToColor(pixel)) & 0xFFFFFF; }

TEST_F(HoverEffects, AControlCastsItsOuterEffectIntoItsParentAndTakesItAlongWhenMoved) {
  SkinScene s(EffectsSkin(), COC_Button, "SHADOWED");
  TsCommonData& d = s.Data();
  const Bitmap32& panel = *s.panel->SkinData->FCacheBmp;
  const std::uint32_t p = PanelPixel(s);
  RepaintPanel(s);
  EXPECT_EQ(panel.At(18, 28), p) << "no outer effect unless it is shown always";

  // Shown from now on: the panel repaints under it by itself.
  d.OuterEffects().SetVisibility(ovAlways);
  ::UpdateWindow(s.panel->Handle());
  skintest::Pump();
  const int off = skintest::ShadowOffset;
  EXPECT_EQ(Text(d.FOuterRect), Text(RECT{20 - off, 30 - off, 95 + off, 55 + off}));
  // The shadow's pixel (its mask is black: all image) mixed with the panel at
  // the section's opacity: per byte (s * (256 - W) + d * W) >> 8, W = 255 - 128.
  const int index = d.Section()->OuterMask;
  ASSERT_GE(index, 0);
  const TsMaskData& image = s.manager->ma()[static_cast<std::size_t>(index)];
  auto mixed = [&](std::uint32_t shadow) {
    const std::uint32_t w = 255 - skintest::ShadowOpacity;
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
      out |= ((((shadow >> shift) & 0xFF) * (256 - w) + ((p >> shift) & 0xFF) * w) >> 8) << shift;
    return out;
  };
  const std::uint32_t corner = mixed(image.Bmp->At(image.R.Left + 1, image.R.Top + 1));
  EXPECT_EQ(panel.At(18, 28), corner);
  EXPECT_EQ(panel.At(95 + off - 1, 55 + off - 1),
            mixed(image.Bmp->At(image.R.Left + skintest::ShadowSide - 1, image.R.Top + skintest::ShadowSide - 1)));
  EXPECT_EQ(panel.At(16, 28), p);
  EXPECT_EQ(panel.At(18, 26), p);
  EXPECT_EQ(WindowPixel(s.panel->Handle(), {18, 28}), AsColorRef(corner));

  // Moved: the parent repaints where the effect was and where it is now.
  s.control->SetBounds(40, 50, 75, 25);
  ::UpdateWindow(s.panel->Handle());
  skintest::Pump();
  EXPECT_EQ(panel.At(18, 28), p);
  EXPECT_EQ(panel.At(38, 48), corner);
  EXPECT_EQ(WindowPixel(s.panel->Handle(), {18, 28}), AsColorRef(p));
  EXPECT_EQ(WindowPixel(s.panel->Handle(), {38, 48}), AsColorRef(corner));

  // Switched off for the whole skin: gone at the next rebuild.
  s.manager->SetAllowOuterEffects(false);
  RepaintPanel(s);
  EXPECT_EQ(panel.At(38, 48), p);
}

TEST_F(HoverEffects, ASectionWithoutItsOwnImageTakesTheSkinsOuterEffectRecord) {
  {
    SkinScene s(EffectsSkin(), COC_Button, "SKINSHADOW");
    s.Data().OuterEffects().SetVisibility(ovAlways);
    RepaintPanel(s);
    const TacOutEffData* shadow = s.manager->OuterEffect(1);
    ASSERT_TRUE(shadow && shadow->Source != 0);
    EXPECT_EQ(Text(s.Data().FOuterRect), Text(RECT{20 - shadow->OffsetL, 30 - shadow->OffsetT,
                                                   95 + shadow->OffsetR, 55 + shadow->OffsetB}));
  }
  {
    // The outline record without a source draws nothing.
    SkinScene s(skintest::EffectsSkinArchive("LO_SOURCE=0\r\n"), COC_Button, "SKINOUTLINE");
    s.Data().OuterEffects().SetVisibility(ovAlways);
    RepaintPanel(s);
    EXPECT_EQ(Text(s.Data().FOuterRect), Text(RECT{}));
    const Bitmap32& panel = *s.panel->SkinData->FCacheBmp;
    EXPECT_EQ(panel.At(19, 29), PanelPixel(s));
  }
}

// --- Child windows in fade frames ---

TEST_F(HoverEffects, AButtonsFadeFramesShowItsChildWindows) {
  SkinScene s(EffectsSkin());
  skintest::FakeClock clock;
  auto* skinnedChild = new TsTestControl(&s.form, COC_Panel, "PANEL");
  skinnedChild->SetParent(s.control);
  skinnedChild->SetBounds(5, 5, 20, 10);
  skinnedChild->SkinData->Loaded(true);
  auto* plainChild = new fw::TCustomControl(&s.form);
  plainChild->SetColor(0x00345678);
  plainChild->SetParent(s.control);
  plainChild->SetBounds(40, 5, 20, 10);
  ::RedrawWindow(s.form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  skintest::Pump();

  TsCommonData& d = s.Data();
  s.control->VisualState = 1;
  StateChanged(d, 1, FadeStep, false, false, true);
  ASSERT_TRUE(Animating(d));
  const TacThreadedTimer& timer = *d.AnimTimer;
  ASSERT_TRUE(timer.BmpFrom && timer.BmpTo);
  const std::uint32_t child = skinnedChild->SkinData->FCacheBmp->At(2, 2);
  EXPECT_EQ(child & 0xFFFFFF, ColorToPixel(s.manager->gd()[s.manager->GetSkinIndex("PANEL")].Props[0].Color) & 0xFFFFFF);
  for (const Bitmap32* frame : {timer.BmpFrom.get(), timer.BmpTo.get()}) {
    EXPECT_EQ(frame->At(10, 8), child);
    EXPECT_EQ(frame->At(24, 14), child);
    EXPECT_EQ(frame->At(45, 8) & 0xFFFFFF, ColorToPixel(0x345678) & 0xFFFFFF);
  }
  // Around the children the frames hold the looks they fade between.
  const TsGeneralData& button = *d.Section();
  EXPECT_EQ(timer.BmpFrom->At(30, 20) & 0xFFFFFF, ColorToPixel(button.Props[0].Color) & 0xFFFFFF);
  EXPECT_EQ(timer.BmpTo->At(30, 20) & 0xFFFFFF, ColorToPixel(button.Props[1].Color) & 0xFFFFFF);
  // The cache itself stays the control's own: children take their backgrounds from it.
  EXPECT_EQ(d.FCacheBmp->At(10, 8) & 0xFFFFFF, ColorToPixel(button.Props[1].Color) & 0xFFFFFF);
  clock.Advance(100);
}

}  // namespace
