// The real Quillon.exe at 100, 125, 150 and 200 %: started in a Wine session of
// its own whose display is set to 96, 120, 144 and 192 dpi, the window and its
// text measured on shots of the screen. Sizes the program lays out are the
// design's scaled by dpi / 96; what fonts and images give (ink heights, glyph
// widths, the icon) is within 20 % of the 96-dpi measure scaled the same way.
// The port list dropped and the system menu at 200 %: item heights scaled.
#include "E2eFixture.h"

#include "SkinDesign.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <thread>

using namespace std::chrono_literals;

namespace {

const skingen::Design &d = skingen::TheDesign;

// A shot of the screen, read from the driver's bitmap file.
struct Shot {
  int width = 0, height = 0;
  std::vector<std::uint32_t> rgb;  // 0xRRGGBB, top row first
  std::uint32_t at(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

Shot readBitmap(const std::filesystem::path &file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto u32 = [&](size_t at) { return std::uint32_t(b.at(at)) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | std::uint32_t(b.at(at + 3)) << 24; };
  Shot s;
  const std::uint32_t offset = u32(10);
  s.width = static_cast<int>(u32(18));
  s.height = static_cast<int>(u32(22));
  const size_t stride = (static_cast<size_t>(s.width) * 3 + 3) & ~size_t(3);
  s.rgb.resize(static_cast<size_t>(s.width) * s.height);
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const size_t p = offset + (s.height - 1 - y) * stride + x * 3;
      s.rgb[static_cast<size_t>(y) * s.width + x] = std::uint32_t(b.at(p + 2)) << 16 | b.at(p + 1) << 8 | b.at(p);
    }
  return s;
}

int luminance(std::uint32_t c) { return (((c >> 16) & 0xFF) * 299 + ((c >> 8) & 0xFF) * 587 + (c & 0xFF) * 114) / 1000; }

// The ink of text or a glyph in a rectangle of a shot: pixels at least half
// way from the background's lightness toward the ink's.
struct Ink {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // bottom and right inclusive
  bool any() const { return right >= 0; }
  int height() const { return any() ? bottom - top + 1 : 0; }
  int width() const { return any() ? right - left + 1 : 0; }
  double centreY() const { return (top + bottom) / 2.0; }
};

Ink inkIn(const Shot &s, int x0, int y0, int x1, int y1, std::uint32_t background, std::uint32_t ink) {
  const int threshold = (luminance(background) + luminance(ink)) / 2;
  Ink r;
  for (int y = std::max(y0, 0); y < std::min(y1, s.height); ++y)
    for (int x = std::max(x0, 0); x < std::min(x1, s.width); ++x)
      if (luminance(s.at(x, y)) < threshold) {
        r.left = std::min(r.left, x), r.right = std::max(r.right, x);
        r.top = std::min(r.top, y), r.bottom = std::max(r.bottom, y);
      }
  return r;
}

// Runs of columns that hold ink, left to right (the title buttons' glyphs).
std::vector<Ink> inkColumns(const Shot &s, int x0, int y0, int x1, int y1, std::uint32_t background, std::uint32_t ink) {
  std::vector<Ink> runs;
  for (int x = x0; x < x1; ++x) {
    const Ink column = inkIn(s, x, y0, x + 1, y1, background, ink);
    if (!column.any()) continue;
    if (!runs.empty() && runs.back().right == x - 1) {
      Ink &r = runs.back();
      r.right = x, r.top = std::min(r.top, column.top), r.bottom = std::max(r.bottom, column.bottom);
    } else {
      runs.push_back(column);
    }
  }
  return runs;
}

int scaled(int v, int dpi) { return (v * dpi + 48) / 96; }  // MulDiv(v, dpi, 96)

// What one start at one DPI showed.
struct Measures {
  int clientW = 0, clientH = 0, header = 0;
  int caption = 0, port = 0, portText = 0, check = 0;  // ink heights
  int closeWidth = 0, closeHeight = 0, minimiseWidth = 0, icon = 0;
  int listItem = 0, menuItem = 0;
};

class DisplayScaleTest : public QuillonTest {
protected:
  static void SetUpTestSuite() { scaled_ = std::make_unique<rig::DpiSession>(rig::Session::fromEnvironment()); }
  static void TearDownTestSuite() { scaled_.reset(); }
  void SetUp() override {
    session_ = scaled_->session();
    QuillonTest::SetUp();
  }

  std::filesystem::path shotFile(const std::string &name) { return session_.build() / (name + ".bmp"); }
  static std::string winePath(const std::filesystem::path &p) {
    std::string s = "Z:" + p.string();
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
  }
  // A shot of a screen rectangle, kept as PNG in the build folder too.
  Shot shoot(int x, int y, int w, int h, const std::string &name) {
    const auto bmp = shotFile(name);
    driver_->call("shot " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(w) + " " +
                  std::to_string(h) + " " + winePath(bmp));
    Shot s = readBitmap(bmp);
    std::system(("convert '" + bmp.string() + "' '" + (session_.build() / (name + ".png")).string() + "'").c_str());
    std::filesystem::remove(bmp);
    return s;
  }
  struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
  };
  Box rectOf(const std::string &hwnd) {
    auto f = driver_->call("rect " + hwnd);
    return {std::stoi(f.at(0)), std::stoi(f.at(1)), std::stoi(f.at(2)), std::stoi(f.at(3))};
  }

  Measures measure(int dpi, bool menus);
  static inline std::unique_ptr<rig::DpiSession> scaled_;
};

Measures DisplayScaleTest::measure(int dpi, bool menus) {
  SCOPED_TRACE(std::to_string(dpi) + " dpi");
  scaled_->setDpi(dpi);
  setPorts({"COM3", "COM5", "COM7"});
  startQuillon();
  EXPECT_TRUE(rig::eventually(10s, [&] { return checkEnabled(); }));
  // Check starts with the focus, which draws its focus rectangle; a click on
  // the memo hands the focus to the panel. The pointer goes off the window.
  driver_->call("click " + memoHwnd_);
  rig::pointer(session_, "mousemove 1010 750");
  std::this_thread::sleep_for(700ms);

  const auto win = rig::parseKeyValues(driver_->call("window " + window_));
  const int wx = std::stoi(win.at("x")), wy = std::stoi(win.at("y")), ww = std::stoi(win.at("w")),
            wh = std::stoi(win.at("h"));
  Measures m;
  m.clientW = std::stoi(win.at("client_w"));
  m.clientH = std::stoi(win.at("client_h"));
  const int border = (ww - m.clientW) / 2;
  m.header = wh - m.clientH - border;
  const Shot s = shoot(wx, wy, ww, wh, "e2e-display-scale-" + std::to_string(dpi));

  // The caption, left of the middle of the title bar; the icon before it.
  const Ink caption = inkIn(s, border + scaled(24, dpi), border + 1, ww / 2, m.header - 1, d.title, d.text);
  m.caption = caption.height();
  EXPECT_GT(caption.top, 0) << "the caption leaves its title bar at the top";
  EXPECT_LT(caption.bottom, m.header - 1) << "the caption leaves its title bar at the bottom";
  Ink icon;
  for (int y = border + 1; y < m.header - 1; ++y)
    for (int x = border; x < border + scaled(30, dpi); ++x) {
      const std::uint32_t c = s.at(x, y);
      if (int(c & 0xFF) - int(c >> 16) > 60) {  // the icon's blue tile
        icon.left = std::min(icon.left, x), icon.right = std::max(icon.right, x);
        icon.top = std::min(icon.top, y), icon.bottom = std::max(icon.bottom, y);
      }
    }
  m.icon = icon.height();
  EXPECT_LE(icon.bottom, m.header - 2) << "the icon leaves its title bar";
  // The close and minimise glyphs: the last two runs of ink at the right.
  // Short of the right edge, where the rounded corner curves into the title.
  const auto glyphs =
      inkColumns(s, ww / 2, border + 1, ww - border - scaled(4, dpi), m.header - 1, d.title, d.titleGlyph);
  EXPECT_GE(glyphs.size(), 2u);
  if (glyphs.size() >= 2) {
    const Ink &close = glyphs.back(), &minimise = glyphs[glyphs.size() - 2];
    m.closeWidth = close.width();
    m.closeHeight = close.height();
    m.minimiseWidth = minimise.width();
  }

  // The controls, by their windows (screen rectangles, made window-relative).
  const int cx = border;
  const Box combo = rectOf(comboHwnd_), check = rectOf(checkHwnd_);
  const int comboL = combo.left - wx, comboT = combo.top - wy, comboR = combo.right - wx, comboB = combo.bottom - wy;
  const Ink port = inkIn(s, cx + 2, comboT, comboL - 1, comboB, d.client, d.labelText);
  m.port = port.height();
  const int button = scaled(16, dpi) + 2 * scaled(2, dpi);  // the drop-down button and its margin
  const int inset = scaled(3, dpi) + 1;
  const Ink portText = inkIn(s, comboL + inset, comboT + inset, comboR - button - 2, comboB - inset, d.face, d.text);
  m.portText = portText.height();
  EXPECT_TRUE(portText.any());
  // The selected port's text in the middle of its field.
  const double field = (comboT + comboB - 1) / 2.0;
  EXPECT_NEAR(portText.centreY(), field, std::max(2.0, (comboB - comboT) / 10.0))
      << "text rows " << portText.top << ".." << portText.bottom << " in the box's " << comboT << ".." << comboB - 1;
  const Ink checkText = inkIn(s, check.left - wx + scaled(6, dpi), check.top - wy + scaled(5, dpi),
                              check.right - wx - scaled(6, dpi), check.bottom - wy - scaled(5, dpi), d.face, d.text);
  m.check = checkText.height();

  if (menus) {
    // The dropped port list: items as high as their text, the list as high as its items.
    driver_->call("click " + comboHwnd_);
    std::string list;
    EXPECT_TRUE(rig::eventually(5s, [&] { return (list = driver_->call("findvisible ComboLBox").at(0)) != "0"; }));
    std::this_thread::sleep_for(400ms);
    m.listItem = std::stoi(driver_->call("send " + comboHwnd_ + " 340 0 0").at(0));  // CB_GETITEMHEIGHT
    if (list != "0") {
      const Box l = rectOf(list);
      EXPECT_GE(l.bottom - l.top, 3 * m.listItem) << "three ports";
      shoot(l.left, l.top, l.right - l.left, l.bottom - l.top, "e2e-display-scale-" + std::to_string(dpi) + "-list");
    }
    driver_->call("key 27");
    EXPECT_TRUE(rig::eventually(5s, [&] { return driver_->call("findvisible ComboLBox").at(0) == "0"; }));

    // The system menu, opened as the system asks for it (WM_POPUPSYSTEMMENU).
    driver_->call("post " + window_ + " 787 0 " + std::to_string((wy + m.header + 10) << 16 | (wx + 20)));
    std::string menu;
    EXPECT_TRUE(rig::eventually(5s, [&] { return (menu = driver_->call("findvisible #32768").at(0)) != "0"; }));
    std::this_thread::sleep_for(500ms);
    if (menu != "0") {
      // Menu windows belong to their process: the items are measured on the
      // shot, as the rows of their captions (the disabled ones are faded,
      // still darker than the menu; the separator's line is lighter).
      const Box r = rectOf(menu);
      const Shot shot = shoot(r.left, r.top, r.right - r.left, r.bottom - r.top,
                              "e2e-display-scale-" + std::to_string(dpi) + "-menu");
      const int edge = scaled(6, dpi);
      const int threshold = (luminance(d.menu) + luminance(d.text) * 100 / 256 + luminance(d.menu) * 156 / 256) / 2;
      std::vector<std::pair<int, int>> bands;  // rows holding ink: first, last
      for (int y = edge; y < shot.height - edge; ++y) {
        bool ink = false;
        // The captions only, right of the icon column and its symbols.
        for (int x = edge + scaled(25, dpi); x < shot.width - edge && !ink; ++x)
          ink = luminance(shot.at(x, y)) < threshold;
        if (!ink) continue;
        // A caption's underlined letter lies a row or two below its text.
        if (!bands.empty() && y - bands.back().second <= scaled(3, dpi))
          bands.back().second = y;
        else
          bands.emplace_back(y, y);
      }
      // Restore, Move, Size, Minimize, Close; "Restore" and "Move" are
      // consecutive items whose captions begin with flat capitals.
      EXPECT_EQ(bands.size(), 5u) << "caption rows in the menu";
      if (bands.size() >= 2) m.menuItem = bands[1].first - bands[0].first;
    }
    driver_->call("key 27");
    rig::eventually(5s, [&] { return driver_->call("findvisible #32768").at(0) == "0"; });
  }
  driver_->tryCall("close " + window_);
  quillonProcess().waitExit(5s);
  quillon_.reset();
  window_.clear(), comboHwnd_.clear(), checkHwnd_.clear(), memoHwnd_.clear();
  return m;
}

// Within 20 % of the 96-dpi measure scaled by dpi / 96.
void expectScaled(const char *what, int at96, int measured, int dpi) {
  const double expected = at96 * dpi / 96.0;
  EXPECT_NEAR(measured, expected, 0.2 * expected) << what << " at " << dpi << " dpi (" << at96 << " at 96)";
}

TEST_F(DisplayScaleTest, TheWindowAndItsTextScaleWithTheDisplay) {
  const Measures base = measure(96, true);
  ASSERT_GT(base.caption, 5);
  ASSERT_GT(base.port, 5);
  ASSERT_GT(base.portText, 5);
  ASSERT_GT(base.check, 5);
  EXPECT_EQ(base.clientW, 200);
  EXPECT_EQ(base.clientH, 112);
  for (int dpi : {120, 144, 192}) {
    const Measures m = measure(dpi, dpi == 192);
    EXPECT_EQ(m.clientW, scaled(200, dpi)) << dpi;
    EXPECT_EQ(m.clientH, scaled(112, dpi)) << dpi;
    expectScaled("caption", base.caption, m.caption, dpi);
    expectScaled("\"Port:\"", base.port, m.port, dpi);
    expectScaled("the port list's text", base.portText, m.portText, dpi);
    expectScaled("\"Check\"", base.check, m.check, dpi);
    expectScaled("close glyph width", base.closeWidth, m.closeWidth, dpi);
    expectScaled("close glyph height", base.closeHeight, m.closeHeight, dpi);
    expectScaled("minimise glyph width", base.minimiseWidth, m.minimiseWidth, dpi);
    expectScaled("icon", base.icon, m.icon, dpi);
    if (dpi == 192) {
      expectScaled("list item", base.listItem, m.listItem, dpi);
      expectScaled("menu item", base.menuItem, m.menuItem, dpi);
    }
    std::printf("%d dpi: client %dx%d, title bar %d; ink: caption %d, Port: %d, port %d, Check %d; close %dx%d, "
                "minimise %d wide, icon %d; list item %d, menu item %d\n",
                dpi, m.clientW, m.clientH, m.header, m.caption, m.port, m.portText, m.check, m.closeWidth,
                m.closeHeight, m.minimiseWidth, m.icon, m.listItem, m.menuItem);
  }
  std::printf("96 dpi: client %dx%d, title bar %d; ink: caption %d, Port: %d, port %d, Check %d; close %dx%d, "
              "minimise %d wide, icon %d; list item %d, menu item %d\n",
              base.clientW, base.clientH, base.header, base.caption, base.port, base.portText, base.check,
              base.closeWidth, base.closeHeight, base.minimiseWidth, base.icon, base.listItem, base.menuItem);
}

}  // namespace
