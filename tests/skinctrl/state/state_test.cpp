// The shared state rules of skinned controls under Wine: hover, focus, update
// nesting, and a fade from the normal to the hot look shown in the window frame by
// frame on a fake clock, read back from the screen.
#include "tests/skinctrl/fade/FakeClock.h"
#include "SkinScene.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace skin;
using namespace skinctrl;

using skintest::MoveCursorTo;
using skintest::ScreenCentreOf;
using skintest::SkinScene;

class SkinStateRules : public ::testing::Test {
protected:
  static void SetUpTestSuite() { fw::Application().Initialize(); }
};

int CountOf(const std::vector<std::uint16_t>& commands, std::uint16_t command) {
  return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}

TEST_F(SkinStateRules, APanelNeverBecomesHot) {
  SkinScene s;
  TsCommonData& panel = *s.panel->SkinData;
  panel.FFocused = false;
  s.panel->Perform(fw::CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(s.panel));
  EXPECT_FALSE(panel.FMouseAbove);
  EXPECT_EQ(CommonState(panel), 0);
}

TEST_F(SkinStateRules, HoverMakesAButtonHotOnceAndTheCursorDecidesWhenItLeaves) {
  SkinScene s;
  TsCommonData& d = s.Data();
  ASSERT_TRUE(MoveCursorTo({1, 1}));
  ::SetFocus(s.panel->Handle());
  d.FFocused = false;
  d.FMouseAbove = false;
  s.control->OwnCommands.clear();

  s.control->Perform(fw::CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(s.control));
  EXPECT_TRUE(d.FMouseAbove);
  EXPECT_EQ(CommonState(d), 1);
  EXPECT_EQ(s.manager->FActiveControl, s.ControlWnd());
  // A second enter while hovered changes nothing.
  s.control->Perform(fw::CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(s.control));
  EXPECT_EQ(CountOf(s.control->OwnCommands, SKC_HOTACTIVATED), 1);

  s.control->Perform(fw::CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(s.control));
  EXPECT_FALSE(d.FMouseAbove);
  EXPECT_EQ(CommonState(d), 0);

  // A leave while the cursor is still over the control is not believed.
  ASSERT_TRUE(MoveCursorTo(ScreenCentreOf(s.ControlWnd())));
  d.FMouseAbove = true;
  s.control->Perform(fw::CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(s.control));
  EXPECT_TRUE(d.FMouseAbove);
}

TEST_F(SkinStateRules, MouseHoverIsOffWithTheManagersNoMouseHover) {
  SkinScene s;
  ASSERT_TRUE(MoveCursorTo({1, 1}));
  s.Data().FFocused = false;
  s.Data().FMouseAbove = false;
  s.manager->OptionsData().NoMouseHover = true;
  s.control->Perform(fw::CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(s.control));
  EXPECT_FALSE(s.Data().FMouseAbove);
  s.Data().FMouseAbove = true;
  EXPECT_EQ(CommonState(s.Data()), 0);
}

TEST_F(SkinStateRules, FocusMarksAControlFocusedUnlessItsSectionIsFullyTransparent) {
  SkinScene s;
  TsCommonData& d = s.Data();
  ::SetFocus(s.panel->Handle());
  skintest::Pump();
  d.BGChanged = false;
  ::SetFocus(s.ControlWnd());
  skintest::Pump();
  EXPECT_TRUE(d.FFocused);
  EXPECT_TRUE(d.BGChanged);
  EXPECT_EQ(CommonState(d), 1);
  ::SetFocus(s.panel->Handle());
  skintest::Pump();
  EXPECT_FALSE(d.FFocused);

  d.SetSkinSection("TRANSPARENT");
  const TsGeneralData* section = d.Section();
  ASSERT_TRUE(section);
  ASSERT_EQ(section->Props[0].Transparency, 100);
  ASSERT_EQ(section->Props[1].Transparency, 100);
  ::SetFocus(s.ControlWnd());
  skintest::Pump();
  EXPECT_FALSE(d.FFocused);
}

TEST_F(SkinStateRules, OnlyTheOutermostEndUpdateTellsTheOwner) {
  SkinScene s;
  TsCommonData& d = s.Data();
  s.control->OwnCommands.clear();
  d.BeginUpdate();
  d.BeginUpdate();
  EXPECT_TRUE(d.CtrlSkinState & ACS_LOCKED);
  d.EndUpdate(false);
  EXPECT_EQ(CountOf(s.control->OwnCommands, SKC_ENDUPDATE), 0);
  d.EndUpdate(true);
  EXPECT_EQ(CountOf(s.control->OwnCommands, SKC_BEGINUPDATE), 2);
  EXPECT_EQ(CountOf(s.control->OwnCommands, SKC_ENDUPDATE), 1);
  EXPECT_EQ(d.FUpdateCount, 0);
  EXPECT_FALSE(d.CtrlSkinState & ACS_LOCKED);
  d.EndUpdate(false);
  EXPECT_EQ(d.FUpdateCount, 0) << "an unmatched EndUpdate";
}

TEST_F(SkinStateRules, TheSkinsRemovalAndReturnReachTheControl) {
  SkinScene s;
  TsCommonData& d = s.Data();
  const int button = d.SkinIndex;
  s.manager->SetActive(false);
  skintest::Pump();
  EXPECT_EQ(d.SkinIndex, -1);
  EXPECT_FALSE(d.Skinned());
  EXPECT_TRUE(d.FUpdating);
  EXPECT_TRUE(d.FCacheBmp->Empty());
  s.manager->SetActive(true);
  skintest::Pump();
  EXPECT_EQ(d.SkinIndex, button);
  EXPECT_FALSE(d.FUpdating);
}

TEST_F(SkinStateRules, ASizeChangeMarksTheCacheForRebuilding) {
  SkinScene s;
  TsCommonData& d = s.Data();
  skintest::Pump();
  ::UpdateWindow(s.ControlWnd());
  d.BGChanged = false;
  s.control->SetBounds(20, 30, 80, 25);
  EXPECT_TRUE(d.BGChanged);
  EXPECT_FALSE(d.CtrlSkinState & (ACS_WIDTHCHANGED | ACS_HEIGHTCHANGED)) << "cleared after WM_SIZE";
  ::UpdateWindow(s.ControlWnd());
  EXPECT_EQ(d.FCacheBmp->Width, 80);
}

TEST_F(SkinStateRules, ASeeThroughControlShowsItsChildrenThePanelsColour) {
  SkinScene s;
  TsCommonData& d = s.Data();
  const TsGeneralData& panel = *s.panel->SkinData->Section();
  ASSERT_EQ(panel.Props[0].Transparency, 0);
  EXPECT_EQ(SendSkinCommand(s.ControlWnd(), SKC_GETBGCOLOR), d.Section()->Props[0].Color);
  d.SetSkinSection("TRANSPARENT");
  EXPECT_EQ(SendSkinCommand(s.ControlWnd(), SKC_GETBGCOLOR), panel.Props[0].Color);
  EXPECT_EQ(StateBackgroundColor(d, 0), panel.Props[0].Color);
  // Without a skin: the control's own colour.
  s.manager->SetActive(false);
  s.control->SetColor(0x123456);
  EXPECT_EQ(SendSkinCommand(s.ControlWnd(), SKC_GETBGCOLOR), 0x123456);
}

// --- A fade through the window ---

// What the window shows at a client point. Wine keeps a window's drawing in a
// surface of its own and copies it to the X server later, so the screen lags
// behind; the window's DC reads the surface.
COLORREF WindowPixel(HWND wnd, POINT p) {
  fw::WindowDc dc(wnd);
  return ::GetPixel(dc.get(), p.x, p.y);
}

COLORREF AsColorRef(TColor c) { return static_cast<COLORREF>(c) & 0xFFFFFF; }

int Channel(COLORREF c, int shift) { return (c >> shift) & 0xFF; }

TEST_F(SkinStateRules, AFadeToTheHotLookShowsEachFrameAndEndsOnTheHotColour) {
  SkinScene s;
  skintest::FakeClock clock;
  TsCommonData& d = s.Data();
  ::RedrawWindow(s.ControlWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  skintest::Pump();
  const TsGeneralData& button = *d.Section();
  const COLORREF normal = AsColorRef(button.Props[0].Color);
  const COLORREF hot = AsColorRef(button.Props[1].Color);
  ASSERT_NE(normal, hot) << "the skin's button must look different when hot";
  const POINT probe{37, 12};
  const HWND wnd = s.ControlWnd();
  EXPECT_EQ(WindowPixel(wnd, probe), normal);

  s.control->VisualState = 1;
  StateChanged(d, 1, FadeStep, false, false, true);
  ASSERT_TRUE(Animating(d));
  // Frame 1 at once: the old look keeps weight 212 of 256.
  const COLORREF first = WindowPixel(wnd, probe);
  for (int shift : {0, 8, 16}) {
    const int expected = (Channel(hot, shift) * (256 - 212) + Channel(normal, shift) * 212) >> 8;
    EXPECT_EQ(Channel(first, shift), expected) << "channel " << shift;
  }
  clock.Advance(12 * 5);
  EXPECT_FALSE(Animating(d));
  EXPECT_EQ(WindowPixel(wnd, probe), hot);
  // The fade ran on the fake clock: five ticks 12 ms apart after the first frame.
  EXPECT_EQ(clock.Ticks().size(), 5u);

  // Back to normal: twelve frames.
  s.control->VisualState = 0;
  StateChanged(d, 0, FadeStep, false, false, true);
  clock.Advance(12 * 11);
  EXPECT_EQ(clock.Ticks().size(), 16u);
  EXPECT_EQ(WindowPixel(wnd, probe), normal);
  EXPECT_EQ(d.AnimTimer->State, -1);
}

TEST_F(SkinStateRules, FinishingAFadeShowsTheNewLookAtOnce) {
  SkinScene s;
  skintest::FakeClock clock;
  TsCommonData& d = s.Data();
  ::RedrawWindow(s.ControlWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  s.control->VisualState = 1;
  StateChanged(d, 1, FadeStep, false, false, true);
  ASSERT_TRUE(Animating(d));
  FinishAnimation(d);
  EXPECT_FALSE(Animating(d));
  EXPECT_FALSE(d.AnimTimer->BmpOut);
  EXPECT_EQ(WindowPixel(s.ControlWnd(), {37, 12}), AsColorRef(d.Section()->Props[1].Color));
  clock.Advance(100);
  EXPECT_EQ(clock.Ticks().size(), 0u);
}

TEST_F(SkinStateRules, WithoutAnimationAStateChangeRepaintsAtOnce) {
  SkinScene s;
  skintest::FakeClock clock;
  TsCommonData& d = s.Data();
  ::UpdateWindow(s.ControlWnd());
  s.manager->EffectsData().AllowAnimation = false;
  s.control->VisualState = 1;
  StateChanged(d, 1, FadeStep, false, false, true);
  EXPECT_FALSE(Animating(d));
  ::UpdateWindow(s.ControlWnd());
  EXPECT_EQ(WindowPixel(s.ControlWnd(), {37, 12}), AsColorRef(d.Section()->Props[1].Color));
  EXPECT_EQ(clock.Ticks().size(), 0u);
}

TEST_F(SkinStateRules, AControlFreedDuringItsFadeStopsItsTimer) {
  SkinScene s;
  skintest::FakeClock clock;
  ::UpdateWindow(s.ControlWnd());
  s.control->VisualState = 1;
  StateChanged(s.Data(), 1, FadeStep, false, false, true);
  ASSERT_EQ(clock.RunningSources(), 1);
  delete s.control;
  s.control = nullptr;
  EXPECT_EQ(clock.RunningSources(), 0);
  clock.Advance(100);
}

}  // namespace
