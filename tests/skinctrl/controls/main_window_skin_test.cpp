// The main window's skinned panel, label and button on the screen: their
// pixels against the records of the skin the window loaded, the button in
// every look, its fades and corners, and taking the skin away and back.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "tests/support/ScreenShot.h"
#include "app/Unit1.h"
#include "skin/ConstData.h"
#include "skinctrl/paint/PixelMath.h"
#include "tests/support/Gui.h"
#include "tests/support/HandleCount.h"
#include "tests/support/SerialDeviceList.h"

namespace {

using namespace std::chrono_literals;
using testsupport::CaptureClient;
using testsupport::PumpUntil;
using testsupport::Rgb;
using testsupport::ScreenShot;
using testsupport::SetPorts;
using testsupport::MovePointerTo;

void Pump(std::chrono::milliseconds time) { PumpUntil([] { return false; }, time); }

// Waits until the system has the pointer where it was sent.
void WaitForPointer(POINT screen) {
  PumpUntil([&] {
    POINT p;
    return ::GetCursorPos(&p) && p.x == screen.x && p.y == screen.y;
  }, std::chrono::milliseconds(2000));
}
// A press or release where the pointer is. The event carries the position:
// one without it can land where the X server still has the pointer, before
// the last move (Wine's virtual desktop).
void Button(DWORD flag) {
  POINT p;
  ::GetCursorPos(&p);
  testsupport::SendPointerInput(p, flag);
}
POINT ScreenPoint(HWND wnd, int x, int y) {
  POINT p{x, y};
  ::ClientToScreen(wnd, &p);
  return p;
}

// One frame of a fade as the button's timer ran it.
struct FadeFrame {
  double Ms;
  int Target;
  int Iteration;
  int Iterations;
};

// Runs the message loop for a while and notes every frame the button's fade
// shows.
std::vector<FadeFrame> LogFade(skinctrl::TsButton& button, std::chrono::milliseconds time) {
  std::vector<FadeFrame> frames;
  const auto start = std::chrono::steady_clock::now();
  int lastIteration = -1, lastTarget = -2;
  auto note = [&] {
    const skinctrl::TacThreadedTimer* timer = button.SkinData().AnimTimer.get();
    if (!timer) return;
    // A fade toward the normal state ends the animation with its last frame.
    if (timer->State < 0 && lastTarget < 0) return;
    if (timer->Iteration == lastIteration && timer->State == lastTarget) return;
    lastIteration = timer->Iteration;
    lastTarget = timer->State;
    frames.push_back({std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
                      timer->State, timer->Iteration, timer->Iterations});
  };
  while (std::chrono::steady_clock::now() - start < time) {
    // The framework's loop notices the pointer; a timer's message comes
    // once per period, so no frame is passed over between two looks.
    fw::Application().ProcessMessages();
    note();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  return frames;
}

// A fade seen from the message loop: frames toward one target in order up
// to the last one, a frame on every tick of the fade's 12 ms timer (Wine's
// timers keep to about 10 ms). A busy loop may see two frames as one.
void ExpectSteadyFade(const std::vector<FadeFrame>& frames, int target, int iterations) {
  ASSERT_GE(frames.size(), static_cast<std::size_t>(iterations * 2 / 3));
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].Target, target) << i;
    EXPECT_EQ(frames[i].Iterations, iterations) << i;
    if (i > 0) {
      EXPECT_GT(frames[i].Iteration, frames[i - 1].Iteration) << i;
    }
  }
  EXPECT_EQ(frames.back().Iteration, iterations);
  const int ticks = frames.back().Iteration - frames.front().Iteration;
  EXPECT_GE(frames.back().Ms - frames.front().Ms, 10.0 * (ticks - 1));
}

void Print(const char* what, const std::vector<FadeFrame>& frames) {
  std::printf("%s:", what);
  for (const FadeFrame& f : frames) std::printf(" [%.0f ms: to %d, %d/%d]", f.Ms, f.Target, f.Iteration, f.Iterations);
  std::printf("\n");
}

void Key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  ::SendInput(1, &in, sizeof in);
}

class MainWindowSkinTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetPorts({L"COM3"});
    MovePointerTo({0, 0});
    form = std::make_unique<app::TForm1>(nullptr);
    form->AfterConstruction();
    form->Show();
    ::SetForegroundWindow(form->Handle());
    Pump(200ms);
  }
  void TearDown() override { form.reset(); }

  skin::TsSkinManager& Manager() { return *form->sSkinManager1; }
  const skin::TsGeneralData& Section(int constant) {
    const int index = Manager().ConstData.Sections[static_cast<std::size_t>(constant)];
    EXPECT_TRUE(Manager().Model().IsValidSkinIndex(index));
    return Manager().gd()[static_cast<std::size_t>(index)];
  }
  ScreenShot Panel() { return CaptureClient(form->sPanel1->Handle()); }
  ScreenShot ButtonShot() { return CaptureClient(form->sButton1->Handle()); }
  HWND ButtonWnd() { return form->sButton1->Handle(); }

  // What the skin's button image shows in a state: the face at the centre
  // of its frame, the edge at the middle of its left side, and the text
  // colour of the state's record.
  struct Look {
    std::uint32_t Face, Edge, Text;
  };
  Look SkinLook(int state) {
    const skin::TsGeneralData& section = Section(skin::ssButton);
    const skin::SkinModel& model = Manager().Model();
    EXPECT_TRUE(model.IsValidImgIndex(section.BorderIndex));
    const skin::TsMaskData& image = model.ma[static_cast<std::size_t>(section.BorderIndex)];
    const skin::Bitmap32& bitmap = image.Bmp ? *image.Bmp : *model.MasterBitmap;
    const int x = image.R.Left + state * image.Width, y = image.R.Top + image.Height / 2;
    return {bitmap.At(x + image.Width / 2, y) & 0xFFFFFF, bitmap.At(x, y) & 0xFFFFFF,
            Rgb(section.Props[static_cast<std::size_t>(std::min(state, 2))].FontColor.Color)};
  }
  // The pointer far from the window, the focus on the panel. The pointer
  // crosses the panel on its way out, so that leaving is noticed.
  void Rest() {
    MovePointerTo(ScreenPoint(form->sPanel1->Handle(), 100, 2));
    Pump(100ms);
    RECT r;
    ::GetWindowRect(form->Handle(), &r);
    MovePointerTo({r.right + 40, r.bottom + 40});
    form->sPanel1->SetFocus();
    Pump(400ms);
  }
  // The caption's ink: every pixel inside the frame that is not the face.
  RECT Ink(const ScreenShot& shot, std::uint32_t face) {
    RECT r{shot.Width, shot.Height, 0, 0};
    for (int y = 3; y < shot.Height - 3; ++y)
      for (int x = 6; x < shot.Width - 6; ++x)
        if (shot.At(x, y) != face) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1);
          r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    return r;
  }
  void ExpectLook(const ScreenShot& shot, const Look& look, const char* what) {
    const int h = shot.Height;
    EXPECT_EQ(shot.At(6, h / 2), look.Face) << what;
    EXPECT_EQ(shot.At(0, h / 2), look.Edge) << what;
    EXPECT_GT(shot.Count(look.Text), 10) << what;
  }

  std::unique_ptr<app::TForm1> form;
};

TEST_F(MainWindowSkinTest, PanelInItsSectionColourAndPortInTheLabelColourOfThePanel) {
  const ScreenShot shot = Panel();
  testsupport::Save(testsupport::CaptureWindow(form->Handle()), "skinctrl-main-window-100");
  const std::uint32_t panelColor = Rgb(Section(skin::ssPanel).Props[0].Color);
  const std::uint32_t labelColor = Rgb(Section(skin::ssPanel).Props[0].FontColor.Color);
  // Points the children leave free.
  for (POINT p : {POINT{2, 2}, POINT{100, 2}, POINT{4, 100}, POINT{60, 90}, POINT{197, 30}})
    EXPECT_EQ(shot.At(p.x, p.y), panelColor) << p.x << "," << p.y;
  const RECT label = form->sLabel1->BoundsRect();
  const ScreenShot text = shot.Part(label.left, label.top, label.right - label.left, label.bottom - label.top);
  EXPECT_GT(text.Count(labelColor), 10);
  // The text starts at the label's left edge and runs across it.
  const RECT ink = text.Bounds(labelColor);
  EXPECT_LE(ink.left, 2);
  EXPECT_GT(ink.right, 18);
  // The button took the focus while the window was being shown: it shows
  // its focused face from the first paint on.
  ASSERT_EQ(::GetFocus(), ButtonWnd());
  ExpectLook(ButtonShot(), SkinLook(1), "focused at the first paint");
}

// OnPaint draws on the panel's picture: what it draws is on the screen, and
// the skin's pixels around it stay.
TEST_F(MainWindowSkinTest, PanelOnPaintDrawsIntoTheSkinnedPicture) {
  const std::uint32_t panelColor = Rgb(Section(skin::ssPanel).Props[0].Color);
  form->sPanel1->OnPaint = [](fw::TObject*, fw::TCanvas& canvas) {
    canvas.Brush().SetColor(0x0000FF);  // red
    canvas.FillRect({40, 84, 50, 90});
  };
  form->sPanel1->SkinData().Invalidate(true);
  Pump(200ms);
  const ScreenShot shot = Panel();
  EXPECT_EQ(shot.Count(0xFF0000), 60);
  EXPECT_EQ(shot.Bounds(0xFF0000).left, 40);
  EXPECT_EQ(shot.Bounds(0xFF0000).top, 84);
  EXPECT_EQ(shot.At(39, 84), panelColor);
  EXPECT_EQ(shot.At(50, 89), panelColor);
  EXPECT_EQ(shot.At(45, 90), panelColor);
}

TEST_F(MainWindowSkinTest, ButtonInEveryLookFromRealInput) {
  fw::TButton& button = *form->sButton1;
  int clicks = 0;
  button.OnClick = [&](fw::TObject*) { ++clicks; };
  HWND wnd = ButtonWnd();
  const int w = button.Width(), h = button.Height();
  // No focus dots while the caption's place is compared.
  form->sButton1->SetShowFocus(false);

  Rest();
  const ScreenShot normal = ButtonShot();
  ExpectLook(normal, SkinLook(0), "normal");

  MovePointerTo(ScreenPoint(wnd, w / 2, h / 2));
  Pump(400ms);
  const ScreenShot hot = ButtonShot();
  ExpectLook(hot, SkinLook(1), "hot");

  Button(MOUSEEVENTF_LEFTDOWN);
  Pump(300ms);
  const ScreenShot pressed = ButtonShot();
  ExpectLook(pressed, SkinLook(2), "pressed");
  Button(MOUSEEVENTF_LEFTUP);
  Pump(300ms);
  EXPECT_EQ(clicks, 1);

  // The caption moves one pixel right and down while pressed.
  const RECT upText = Ink(hot, SkinLook(1).Face), downText = Ink(pressed, SkinLook(2).Face);
  EXPECT_EQ(downText.left, upText.left + 1);
  EXPECT_EQ(downText.top, upText.top + 1);
  EXPECT_EQ(downText.right, upText.right + 1);
  EXPECT_EQ(downText.bottom, upText.bottom + 1);

  // Focused: the hot face with dots around the caption.
  form->sButton1->SetShowFocus(true);
  RECT r;
  ::GetWindowRect(form->Handle(), &r);
  MovePointerTo({r.right + 40, r.bottom + 40});
  Pump(400ms);
  ASSERT_EQ(::GetFocus(), wnd);
  const ScreenShot focused = ButtonShot();
  ExpectLook(focused, SkinLook(1), "focused");
  // It differs from the hot look only by the dots, in the text colour of the
  // pressed state's record.
  int dots = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (focused.At(x, y) != hot.At(x, y)) {
        EXPECT_EQ(focused.At(x, y), SkinLook(2).Text) << x << "," << y;
        ++dots;
      }
  EXPECT_GT(dots, 20);

  // Disabled: no ports, the normal look blended with the panel.
  Rest();
  SetPorts({});
  form->RefreshPortList();
  Pump(300ms);
  ASSERT_FALSE(button.Enabled());
  const ScreenShot disabled = ButtonShot();
  const std::uint32_t panel = Rgb(Section(skin::ssPanel).Props[0].Color);
  auto blend = [](std::uint32_t control, std::uint32_t parent) {
    return static_cast<std::uint32_t>(skinctrl::MixColors(static_cast<skin::TColor>(control),
                                                          static_cast<skin::TColor>(parent),
                                                          skinctrl::DisabledBlendWeight));
  };
  EXPECT_EQ(disabled.At(6, h / 2), blend(SkinLook(0).Face, panel));
  EXPECT_EQ(disabled.At(0, h / 2), blend(SkinLook(0).Edge, panel));

  // The default button's look while neither hot nor focused.
  SetPorts({L"COM3"});
  form->RefreshPortList();
  button.SetDefault(true);
  form->sButton1->SkinData().Invalidate();
  Rest();
  const ScreenShot asDefault = ButtonShot();
  ExpectLook(asDefault, SkinLook(3), "default");

  testsupport::Save(normal, "skinctrl-button-normal");
  testsupport::Save(hot, "skinctrl-button-hot");
  testsupport::Save(pressed, "skinctrl-button-pressed");
  testsupport::Save(focused, "skinctrl-button-focused");
  testsupport::Save(disabled, "skinctrl-button-disabled");
  testsupport::Save(asDefault, "skinctrl-button-default");
  const ScreenShot* looks[] = {&normal, &hot, &pressed, &focused, &disabled, &asDefault};
  for (std::size_t i = 0; i < std::size(looks); ++i)
    for (std::size_t j = i + 1; j < std::size(looks); ++j) EXPECT_FALSE(*looks[i] == *looks[j]) << i << " " << j;
}

TEST_F(MainWindowSkinTest, KeyColouredCornersLetClicksThrough) {
  fw::TButton& button = *form->sButton1;
  int clicks = 0;
  button.OnClick = [&](fw::TObject*) { ++clicks; };
  HWND wnd = ButtonWnd();
  Rest();
  const POINT corner = ScreenPoint(wnd, 0, 0);
  EXPECT_EQ(::SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y)), HTTRANSPARENT);
  const POINT inside = ScreenPoint(wnd, 6, 12);
  EXPECT_EQ(::SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(inside.x, inside.y)), HTCLIENT);
  EXPECT_EQ(::WindowFromPoint(corner), form->sPanel1->Handle());

  MovePointerTo(corner);
  WaitForPointer(corner);
  Pump(200ms);
  Button(MOUSEEVENTF_LEFTDOWN);
  Pump(200ms);
  EXPECT_FALSE(::SendMessageW(wnd, BM_GETSTATE, 0, 0) & BST_PUSHED);
  Button(MOUSEEVENTF_LEFTUP);
  Pump(200ms);
  EXPECT_EQ(clicks, 0);

  MovePointerTo(inside);
  WaitForPointer(inside);
  Pump(200ms);
  Button(MOUSEEVENTF_LEFTDOWN);
  Pump(200ms);
  Button(MOUSEEVENTF_LEFTUP);
  Pump(200ms);
  EXPECT_EQ(clicks, 1);
}

// Press and release sent together, twice, with the pointer resting on the
// button in between: every release clicks, whatever fade the press started.
TEST_F(MainWindowSkinTest, QuickClicksInARowEachClick) {
  fw::TButton& button = *form->sButton1;
  int clicks = 0;
  button.OnClick = [&](fw::TObject*) { ++clicks; };
  Rest();
  const POINT centre = ScreenPoint(ButtonWnd(), button.Width() / 2, button.Height() / 2);
  MovePointerTo(centre);
  WaitForPointer(centre);
  for (int i = 1; i <= 3; ++i) {
    Button(MOUSEEVENTF_LEFTDOWN);
    Button(MOUSEEVENTF_LEFTUP);
    Pump(300ms);
    EXPECT_EQ(clicks, i);
  }
  ExpectLook(ButtonShot(), SkinLook(1), "hot after the clicks");
}

TEST_F(MainWindowSkinTest, HoverFadesInSixFramesAndOutInTwelve) {
  auto& button = *form->sButton1;
  HWND wnd = ButtonWnd();
  Rest();
  const ScreenShot normal = ButtonShot();
  MovePointerTo(ScreenPoint(wnd, button.Width() / 2, button.Height() / 2));
  const std::vector<FadeFrame> in = LogFade(button, 1500ms);
  Print("hover in", in);
  ASSERT_FALSE(in.empty());
  EXPECT_EQ(in.back().Target, 1);
  EXPECT_EQ(in.back().Iterations, skinctrl::FadeIterations);
  EXPECT_EQ(in.back().Iteration, skinctrl::FadeIterations);
  ExpectSteadyFade(in, 1, skinctrl::FadeIterations);
  ExpectLook(ButtonShot(), SkinLook(1), "after the fade in");

  RECT r;
  ::GetWindowRect(form->Handle(), &r);
  MovePointerTo({r.right + 40, r.bottom + 40});
  const std::vector<FadeFrame> out = LogFade(button, 1500ms);
  Print("hover out", out);
  ASSERT_FALSE(out.empty());
  // The frames toward the normal state: twelve, the last one ending the
  // animation. (Wine may report the pointer back over the button once
  // while it leaves; the fade that counts is the last one.)
  std::vector<FadeFrame> toNormal;
  for (const FadeFrame& f : out) {
    if (f.Target == 1) {
      toNormal.clear();
    } else {
      toNormal.push_back(f);
    }
  }
  ASSERT_FALSE(toNormal.empty());
  EXPECT_EQ(toNormal.back().Target, -1);
  toNormal.back().Target = 0;
  ExpectSteadyFade(toNormal, 0, 2 * skinctrl::FadeIterations);
  EXPECT_TRUE(ButtonShot() == normal);

  // A quick pass over the button ends in the normal look.
  MovePointerTo(ScreenPoint(wnd, 3, button.Height() / 2));
  LogFade(button, 20ms);
  MovePointerTo({r.right + 40, r.bottom + 40});
  LogFade(button, 1500ms);
  EXPECT_TRUE(ButtonShot() == normal);
}

TEST_F(MainWindowSkinTest, ATransparentLabelIsRepaintedOverThePanelsPicture) {
  Rest();
  const std::uint32_t panelColor = Rgb(Section(skin::ssPanel).Props[0].Color);
  fw::TLabel& label = *form->sLabel1;
  label.SetAutoSize(false);
  const RECT bounds = label.BoundsRect();
  label.SetCaption(L".");
  Pump(300ms);
  const ScreenShot shot = Panel().Part(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  testsupport::Save(shot, "skinctrl-label-recaptioned");
  // Only the dot is left of the text: the panel's picture was copied under
  // the label before it painted, so "Port:" is gone.
  RECT ink{shot.Width, shot.Height, 0, 0};
  for (int y = 0; y < shot.Height; ++y)
    for (int x = 0; x < shot.Width; ++x)
      if (shot.At(x, y) != panelColor) {
        ink.left = std::min<LONG>(ink.left, x);
        ink.right = std::max<LONG>(ink.right, x + 1);
      }
  ASSERT_LT(ink.left, ink.right) << "the dot is drawn";
  EXPECT_LE(ink.right - ink.left, 3);
}

TEST_F(MainWindowSkinTest, RemovingTheSkinGivesThePlainLookAndLeaksNothing) {
  Rest();
  const ScreenShot skinned = Panel();
  skin::TsSkinManager& manager = Manager();
  manager.SetActive(false);
  Pump(300ms);
  const ScreenShot plain = Panel();
  testsupport::Save(plain, "skinctrl-main-window-plain");
  const std::uint32_t face = Rgb(static_cast<skin::TColor>(::GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(plain.At(100, 2), face);
  const RECT label = form->sLabel1->BoundsRect();
  EXPECT_GT(plain.Part(label.left, label.top, label.right - label.left, label.bottom - label.top)
                .Count(Rgb(static_cast<skin::TColor>(::GetSysColor(COLOR_WINDOWTEXT)))),
            10);
  const RECT b = form->sButton1->BoundsRect();
  EXPECT_EQ(plain.At(b.left + 6, b.top + 12), face) << "the plain button face";

  manager.SetActive(true);
  Pump(300ms);
  EXPECT_TRUE(Panel() == skinned);

  // Wine counts neither GDI nor user objects (GetGuiResources answers 0):
  // open handles are probed, windows counted, and a leaked cache bitmap
  // would show as memory (each holds the control's pixels).
  auto windows = [] {
    int n = 0;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
          ++*reinterpret_cast<int*>(p);
          ::EnumChildWindows(
              w, [](HWND, LPARAM q) -> BOOL { return ++*reinterpret_cast<int*>(q), TRUE; }, p);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&n));
    return n;
  };
  auto privateBytes = [] {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters);
    return static_cast<long long>(counters.PagefileUsage);
  };
  auto toggle = [&](int times) {
    for (int i = 0; i < times; ++i) {
      manager.SetActive(false);
      Pump(5ms);
      manager.SetActive(true);
      Pump(5ms);
    }
    Pump(300ms);
  };
  toggle(10);
  const unsigned handles = testsupport::OpenHandleCount();
  const int windowCount = windows();
  const long long memory = privateBytes();
  toggle(100);
  const unsigned handlesAfter = testsupport::OpenHandleCount();
  const long long memoryAfter = privateBytes();
  std::printf("after 100 skin toggles: handles %u -> %u, windows %d -> %d, committed memory %lld -> %lld KiB\n", handles,
              handlesAfter, windowCount, windows(), memory / 1024, memoryAfter / 1024);
  EXPECT_LE(handlesAfter, handles);
  EXPECT_EQ(windows(), windowCount);
  // 100 leaked caches of the button alone would be 730 KiB.
  EXPECT_LT(memoryAfter - memory, 256 * 1024);
  EXPECT_TRUE(Panel() == skinned);
}

TEST_F(MainWindowSkinTest, TwiceTheScale) {
  Rest();
  Manager().SetScaleMode(skin::sm200);
  form->ScaleBy(200, 100);
  Pump(400ms);
  testsupport::Save(testsupport::CaptureWindow(form->Handle()), "skinctrl-main-window-200");
  const ScreenShot shot = Panel();
  EXPECT_EQ(shot.Width, 400);
  EXPECT_EQ(shot.At(4, 4), Rgb(Section(skin::ssPanel).Props[0].Color));
  const ScreenShot button = ButtonShot();
  EXPECT_EQ(button.Width, 150);
  EXPECT_EQ(button.At(12, button.Height / 2), SkinLook(0).Face);
  EXPECT_EQ(button.At(0, button.Height / 2), SkinLook(0).Edge);
}

TEST_F(MainWindowSkinTest, SpaceEnterAndTheButtonStateMessages) {
  auto& button = *form->sButton1;
  int clicks = 0;
  button.OnClick = [&](fw::TObject*) { ++clicks; };
  HWND wnd = ButtonWnd();
  Rest();
  button.SetFocus();
  Pump(200ms);

  // Space presses the focused button and releasing it clicks.
  Key(VK_SPACE, false);
  Pump(200ms);
  ExpectLook(ButtonShot(), SkinLook(2), "space held");
  EXPECT_TRUE(::SendMessageW(wnd, BM_GETSTATE, 0, 0) & BST_PUSHED);
  Key(VK_SPACE, true);
  Pump(200ms);
  EXPECT_EQ(clicks, 1);
  ExpectLook(ButtonShot(), SkinLook(1), "focused after space");

  // BM_SETSTATE shows the pressed face and takes it back.
  ::SendMessageW(wnd, BM_SETSTATE, TRUE, 0);
  Pump(100ms);
  ExpectLook(ButtonShot(), SkinLook(2), "BM_SETSTATE TRUE");
  ::SendMessageW(wnd, BM_SETSTATE, FALSE, 0);
  Pump(100ms);
  ExpectLook(ButtonShot(), SkinLook(1), "BM_SETSTATE FALSE");
  EXPECT_EQ(clicks, 1);

  // Enter clicks the default button wherever the focus is.
  button.SetDefault(true);
  form->sComboBox1->SetFocus();
  Pump(200ms);
  Key(VK_RETURN, false);
  Key(VK_RETURN, true);
  Pump(300ms);
  EXPECT_EQ(clicks, 2);
}

}  // namespace
