// The running Quillon.exe shows its panel, "Port:" label and Check button in
// the built-in skin: screen pixels read through the driver against the
// colours the skin was drawn with, the button hot under the real pointer
// (xdotool), pressed by a real press, disabled without ports, and its
// key-coloured corner transparent to the mouse.
#include "E2eFixture.h"

#include "SkinDesign.h"

#include <cstdio>
#include <thread>

using namespace std::chrono_literals;

namespace {

const skingen::Design &d = skingen::TheDesign;

std::string Hex(std::uint32_t rgb) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%06x", rgb & 0xFFFFFF);
  return buf;
}

// Per channel (a * w + b * (255 - w)) >> 8: the disabled look's blend.
std::uint32_t Mix(std::uint32_t a, std::uint32_t b, int w) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8)
    out |= ((((a >> shift) & 0xFF) * w + ((b >> shift) & 0xFF) * (255 - w)) >> 8) << shift;
  return out;
}

class SkinOnScreenTest : public QuillonTest {
protected:
  struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
  };
  Box rectOf(const std::string &hwnd) {
    auto f = driver_->call("rect " + hwnd);
    return {std::stoi(f.at(0)), std::stoi(f.at(1)), std::stoi(f.at(2)), std::stoi(f.at(3))};
  }
  std::string pixel(int x, int y) { return driver_->call("pixel " + std::to_string(x) + " " + std::to_string(y)).at(0); }
  void pointer(const std::string &action) { rig::pointer(session_, action); }
  void moveTo(int x, int y) { pointer("mousemove " + std::to_string(x) + " " + std::to_string(y)); }
  // Face (inside the frame, left of the caption) and edge of the button.
  std::pair<std::string, std::string> buttonLook() {
    const Box b = rectOf(checkHwnd_);
    const int mid = (b.top + b.bottom) / 2;
    return {pixel(b.left + 6, mid), pixel(b.left, mid)};
  }
};

TEST_F(SkinOnScreenTest, PanelLabelAndButtonInTheSkinsColours) {
  setPorts({"COM5"});
  startQuillon();
  ASSERT_TRUE(rig::eventually(5s, [&] { return checkEnabled(); }));
  const Box window = rectOf(window_);
  // Check starts with the focus, which looks hot; a click on the memo hands
  // the focus to the panel.
  driver_->call("click " + memoHwnd_);
  moveTo(window.right + 60, window.bottom + 60);
  std::this_thread::sleep_for(500ms);
  rig::screenshot(session_, session_.build() / "skinctrl-quillon-e2e.png");

  // The panel fills the client area: its first control's origin is the
  // client origin.
  const Box combo = rectOf(comboHwnd_);
  const int clientLeft = combo.left - 38, clientTop = combo.top - 9;
  for (auto [x, y] : {std::pair{2, 2}, {100, 2}, {4, 100}, {60, 90}, {197, 30}})
    EXPECT_EQ(pixel(clientLeft + x, clientTop + y), Hex(d.client)) << x << "," << y;

  // "Port:" at (8, 12), 24 x 13, in the label colour of the panel's section.
  int ink = 0;
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 24; ++x) ink += pixel(clientLeft + 8 + x, clientTop + 12 + y) == Hex(d.labelText);
  EXPECT_GT(ink, 10);

  EXPECT_TRUE(rig::eventually(3s, [&] { return buttonLook() == std::pair{Hex(d.face), Hex(d.border)}; }))
      << "normal: " << buttonLook().first << " " << buttonLook().second;

  const Box b = rectOf(checkHwnd_);
  moveTo((b.left + b.right) / 2, (b.top + b.bottom) / 2);
  EXPECT_TRUE(rig::eventually(3s, [&] { return buttonLook() == std::pair{Hex(d.faceHot), Hex(d.borderHot)}; }))
      << "hot: " << buttonLook().first << " " << buttonLook().second;

  pointer("mousedown 1");
  EXPECT_TRUE(rig::eventually(3s, [&] { return buttonLook() == std::pair{Hex(d.accentTint), Hex(d.accent)}; }))
      << "pressed: " << buttonLook().first << " " << buttonLook().second;
  pointer("mouseup 1");
  // COM5 is only a name in the list: Check reports that it cannot open it.
  if (messageBox(10s)) dismissMessageBox();

  // A key-coloured corner pixel is transparent to the mouse (HTTRANSPARENT).
  EXPECT_EQ(driver_->call("hittest " + checkHwnd_ + " 0 0").at(0), "-1");
  EXPECT_EQ(driver_->call("hittest " + checkHwnd_ + " 6 12").at(0), "1");

  // Without ports the button is disabled: its normal face blended with the
  // panel at weight 100.
  moveTo(window.right + 60, window.bottom + 60);
  setPorts({});
  ASSERT_TRUE(rig::eventually(5s, [&] { return !checkEnabled(); }));
  EXPECT_TRUE(rig::eventually(3s, [&] {
    return buttonLook() == std::pair{Hex(Mix(d.face, d.client, 100)), Hex(Mix(d.border, d.client, 100))};
  })) << "disabled: " << buttonLook().first << " " << buttonLook().second;
  rig::screenshot(session_, session_.build() / "skinctrl-quillon-e2e-disabled.png");
}

}  // namespace
