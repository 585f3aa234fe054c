// The running Quillon.exe's skinned title bar and system menu under a user's
// real pointer and keys (xdotool through the X server): a title-button press
// acts only when released on the button it began on, and the system menu
// opened by Alt+Space answers its underlined letters and steps over its
// separator with the arrow keys.
#include "E2eFixture.h"

#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr unsigned long WsMinimize = 0x20000000;
constexpr int HtMinButton = 8, HtClose = 20;

// A screen point.
struct Pt {
  int x = 0, y = 0;
};

class FrameInputTest : public QuillonTest {
protected:
  struct Geometry {
    int x = 0, y = 0, w = 0, h = 0, clientW = 0, clientH = 0;
  };
  Geometry geometry() {
    auto kv = rig::parseKeyValues(driver_->call("window " + window_));
    return {std::stoi(kv.at("x")), std::stoi(kv.at("y")), std::stoi(kv.at("w")),
            std::stoi(kv.at("h")), std::stoi(kv.at("client_w")), std::stoi(kv.at("client_h"))};
  }
  bool minimised() {
    auto kv = rig::parseKeyValues(driver_->call("window " + window_));
    return (std::stoul(kv.at("style"), nullptr, 16) & WsMinimize) != 0;
  }
  void input(const std::string &action) { rig::pointer(session_, action); }
  void moveTo(Pt p) { input("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y)); }
  // The screen centre of the title button answering a hit code, found by
  // hit-testing along the title's middle row from the right.
  Pt button(int code) {
    const Geometry g = geometry();
    const int border = (g.w - g.clientW) / 2;
    const int row = (g.h - g.clientH - border) / 2;
    int left = -1, right = -1;
    for (int x = g.w - 1; x > g.w / 2; --x) {
      const bool on = std::stoi(driver_->call("hittest " + window_ + " " + std::to_string(x) + " " + std::to_string(row)).at(0)) == code;
      if (on && right < 0) right = x;
      if (on) left = x;
      if (!on && right >= 0) break;
    }
    if (right < 0) throw rig::Error("no title button with hit code " + std::to_string(code));
    return {g.x + (left + right) / 2, g.y + row};
  }
  Pt caption() {
    const Geometry g = geometry();
    const int border = (g.w - g.clientW) / 2;
    return {g.x + g.w / 2 - 20, g.y + (g.h - g.clientH - border) / 2};
  }
  Pt outside() {
    const Geometry g = geometry();
    return {g.x + g.w + 60, g.y + g.h + 60};
  }
  // A slow move, as a hand makes it: the window hears each step.
  void slideTo(Pt p) {
    moveTo(p);
    std::this_thread::sleep_for(250ms);
  }
  // The window activated by a real click on its panel, away from the controls.
  void activate() {
    const Geometry g = geometry();
    moveTo({g.x + g.w / 2 + 40, g.y + g.h - 12});
    input("click 1");
    std::this_thread::sleep_for(300ms);
  }
  bool menuShown() { return driver_->call("findvisible #32768").at(0) != "0"; }
  void restore() {
    driver_->call("post " + window_ + " 274 61728 0");  // WM_SYSCOMMAND SC_RESTORE
    ASSERT_TRUE(rig::eventually(5s, [&] { return !minimised(); }));
    std::this_thread::sleep_for(300ms);
  }
  void expectEndsWithStatusZero(const char *how) {
    EXPECT_TRUE(quillonProcess().waitExit(10s)) << how << ": the program ends";
    EXPECT_EQ(quillonProcess().exitCode(), 0) << how;
  }
};

TEST_F(FrameInputTest, ATitleButtonPressActsOnlyWhenReleasedOnItsOwnButton) {
  startQuillon();
  activate();
  const Pt min = button(HtMinButton), close = button(HtClose);

  // Minimise pressed, slid onto close and released there: nothing happens.
  slideTo(min);
  input("mousedown 1");
  std::this_thread::sleep_for(250ms);
  slideTo({(min.x + close.x) / 2, min.y});
  slideTo(close);
  input("mouseup 1");
  std::this_thread::sleep_for(1s);
  ASSERT_TRUE(quillonRunning()) << "released on close after a press on minimise: the program closed";
  EXPECT_FALSE(minimised()) << "released off minimise: not minimised";
  rig::screenshot(session_, session_.build() / "e2e-frame-press-slid-off.png");

  // Close pressed, slid onto the caption, out of the window and back, and
  // released on it: the program ends normally.
  slideTo(caption());
  slideTo(close);
  input("mousedown 1");
  std::this_thread::sleep_for(250ms);
  slideTo(caption());
  slideTo(outside());
  slideTo(close);
  input("mouseup 1");
  expectEndsWithStatusZero("close pressed, slid off and back, released on it");
}

TEST_F(FrameInputTest, AltSpaceThenAnUnderlinedLetterRunsTheSystemMenusCommand) {
  startQuillon();
  activate();
  input("key alt+space");
  ASSERT_TRUE(rig::eventually(3s, [&] { return menuShown(); })) << "Alt+Space opens the system menu";
  rig::screenshot(session_, session_.build() / "e2e-frame-system-menu.png");
  input("key n");
  EXPECT_TRUE(rig::eventually(3s, [&] { return minimised(); })) << "N minimises";
  EXPECT_TRUE(rig::eventually(3s, [&] { return !menuShown(); })) << "and the menu closes";
  restore();

  activate();
  input("key alt+space");
  ASSERT_TRUE(rig::eventually(3s, [&] { return menuShown(); }));
  input("key c");
  expectEndsWithStatusZero("Alt+Space then C");
}

TEST_F(FrameInputTest, TheArrowKeysStepOverTheSystemMenusSeparator) {
  startQuillon();
  activate();
  // Restore, Move, Size, Minimize, a separator, Close: the fifth Down from
  // no selection lands on Close only when the separator is stepped over.
  input("key alt+space");
  ASSERT_TRUE(rig::eventually(3s, [&] { return menuShown(); }));
  for (int i = 0; i < 5; ++i) {
    input("key Down");
    std::this_thread::sleep_for(100ms);
  }
  input("key Return");
  expectEndsWithStatusZero("five Down and Enter");
}

}  // namespace
