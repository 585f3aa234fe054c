// The main window and its port list, end to end: Quillon.exe under Wine with the
// machine's serial device list set by the test.
#include "E2eFixture.h"

#include <cstdlib>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr long kWsThickFrame = 0x00040000, kWsMaximizeBox = 0x00010000, kWsMinimizeBox = 0x00020000,
               kWsSysMenu = 0x00080000, kWsCaption = 0x00C00000;
constexpr int kHtBottomRight = 17, kHtLeft = 10, kHtRight = 11, kHtBottom = 15, kHtTop = 12;

}  // namespace

TEST_F(QuillonTest, ListFollowsTheDeviceList) {
  setPorts({"COM3", "COM10"});
  startQuillon();
  // Text order, not numeric, and the first item selected from the start.
  Combo c = combo();
  EXPECT_EQ(join(c.items), "COM10,COM3");
  EXPECT_EQ(c.selection, 0);
  EXPECT_EQ(c.text, "COM10");
  EXPECT_TRUE(checkEnabled());

  setPorts({"COM3"});
  EXPECT_TRUE(rig::eventually(1500ms, [&] { return join(combo().items) == "COM3"; }))
      << "list after COM10 went: " << join(combo().items);
  c = combo();
  EXPECT_EQ(c.selection, 0);
  EXPECT_EQ(c.text, "COM3");

  setPorts({});
  EXPECT_TRUE(rig::eventually(1500ms, [&] { return combo().items.empty(); }))
      << "list with no devices: " << join(combo().items);
  c = combo();
  EXPECT_EQ(c.selection, -1);
  EXPECT_EQ(c.text, "");
  EXPECT_FALSE(checkEnabled());

  setPorts({"COM3", "COM10"});
  EXPECT_TRUE(rig::eventually(1500ms, [&] { return join(combo().items) == "COM10,COM3"; }));
  EXPECT_TRUE(rig::eventually(500ms, [&] { return checkEnabled(); }));

  // A list that cannot be read leaves the shown one alone, tick after tick.
  driver_->deleteSerialComm();
  std::this_thread::sleep_for(2500ms);
  c = combo();
  EXPECT_EQ(join(c.items), "COM10,COM3");
  EXPECT_EQ(c.selection, 0);
  EXPECT_TRUE(checkEnabled());
  EXPECT_TRUE(quillonRunning());
}

TEST_F(QuillonTest, FirstPortIsSelectedAgainAfterAPick) {
  setPorts({"COM3", "COM10"});
  startQuillon();
  // A timer tick may land between the pick and the read: pick again then.
  bool picked = false;
  for (int attempt = 0; attempt < 3 && !picked; ++attempt) {
    pick(1);
    Combo c = combo();
    picked = c.selection == 1 && c.text == "COM3";
  }
  ASSERT_TRUE(picked) << "the pick did not take";
  EXPECT_TRUE(rig::eventually(1500ms, [&] { return combo().selection == 0; }));
  EXPECT_EQ(combo().text, "COM10");
}

TEST_F(QuillonTest, MainWindowIsFixedAndCentred) {
  setPorts({"COM3"});
  startQuillon();
  auto w = rig::parseKeyValues(driver_->call("window " + window_));
  EXPECT_EQ(w["caption"], "Quillon");
  EXPECT_EQ(w["client_w"], "200");
  EXPECT_EQ(w["client_h"], "112");
  const int x = std::stoi(w["x"]), y = std::stoi(w["y"]), width = std::stoi(w["w"]), height = std::stoi(w["h"]);
  const int sw = std::stoi(w["screen_w"]), sh = std::stoi(w["screen_h"]);
  EXPECT_LE(std::abs(x - (sw - width) / 2), 1) << "left " << x << " of " << width << " on " << sw;
  EXPECT_LE(std::abs(y - (sh - height) / 2), 1) << "top " << y << " of " << height << " on " << sh;

  const long style = std::stol(w["style"], nullptr, 16);
  EXPECT_EQ(style & kWsThickFrame, 0) << "resizable frame";
  EXPECT_EQ(style & kWsMaximizeBox, 0) << "maximise box";
  EXPECT_NE(style & kWsMinimizeBox, 0) << "no minimise box";
  // The skinned frame draws the icon and the title buttons itself: the
  // system's own are switched off by taking WS_SYSMENU from the style.
  EXPECT_EQ(style & kWsSysMenu, 0) << "native title buttons under the skinned frame";
  EXPECT_EQ(style & kWsCaption, kWsCaption) << "no caption";

  // Pointing at the edges and the corner offers no sizing.
  for (auto [px, py] : {std::pair{width - 1, height - 1}, {0, height / 2}, {width - 1, height / 2}, {width / 2, height - 1}}) {
    int hit = std::stoi(driver_->call("hittest " + window_ + " " + std::to_string(px) + " " + std::to_string(py)).at(0));
    EXPECT_TRUE(hit != kHtBottomRight && hit != kHtLeft && hit != kHtRight && hit != kHtBottom && hit != kHtTop)
        << "sizing hit " << hit << " at " << px << "," << py;
  }
  // The window is on the screen as reported: its client area is not the desktop's colour.
  auto shot = session_.build() / "rig" / "window.png";
  rig::screenshot(session_, shot);
  const std::string desktop = rig::pixelOf(shot, 2, sh - 2);
  const std::string inside = rig::pixelOf(shot, x + width / 2, y + height - 4);
  EXPECT_NE(inside, desktop) << "window not drawn";
}

TEST_F(QuillonTest, ClickingIntoTheMemoGivesNoCaretAndNoEditing) {
  setPorts({"COM3"});
  startQuillon();
  std::string panel;
  for (const auto &c : controls_)
    if (c.x == 0 && c.y == 0 && c.w == 200 && c.h == 112) panel = c.hwnd;
  ASSERT_FALSE(panel.empty()) << "no client panel";
  auto focused = [&] { return rig::parseKeyValues(driver_->call("focus " + window_))["focus"]; };
  // Focus on the port list first (by Tab, so no drop-down opens), so that the
  // memo's click has a focus to move.
  for (int i = 0; i < 4 && focused() != comboHwnd_; ++i) {
    driver_->call("key 9");
    rig::eventually(500ms, [&] { return focused() == comboHwnd_; });
  }
  ASSERT_EQ(focused(), comboHwnd_) << "Tab does not reach the port list";
  driver_->call("click " + memoHwnd_);
  EXPECT_TRUE(rig::eventually(1500ms, [&] { return focused() == panel; })) << "focus " << focused() << ", panel " << panel;
  auto focus = rig::parseKeyValues(driver_->call("focus " + window_));
  EXPECT_TRUE(focus["caret"] != memoHwnd_ || focus["caret_shown"] == "0") << "caret shown in the memo";
  driver_->call("type abc");
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(memoText(), "");
  EXPECT_TRUE(quillonRunning());
}
