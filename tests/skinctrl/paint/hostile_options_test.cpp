// Our stored skin with one numeric option at a time set to a hostile value
// (large negatives, 0, large positives, INT_MIN, INT_MAX), loaded whole and
// then laid out and painted as the main window does: the panel, label text
// with its glow, the button, the combo box with its drop-down button and text,
// the memo, the frame with its title buttons, caption glow and corner region,
// and a menu. Under the sanitizers no finding may come, no picture may be
// asked beyond what a screen holds, and no load and paint may take long.
#include "skin/SkinIni.h"
#include "skin/SkinLoad.h"
#include "skin/SkinText.h"
#include "skinctrl/paint/ComboGeometry.h"
#include "skinctrl/paint/FrameGeometry.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/paint/SkinImages.h"
#include "skinctrl/paint/SkinTextPaint.h"
#include "skins/OpusSkin.h"
#include "tests/support/NoSkinFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace skinctrl;
using skin::TRect;

// The main window: 200 x 112 client pixels in a frame of 4-pixel borders and
// a 19-pixel caption, as under the test session's system metrics.
constexpr int ClientW = 200, ClientH = 112, Border = 4, Caption = 19;
constexpr int FrameW = ClientW + 2 * Border, FrameH = ClientH + 2 * Border + Caption;

// Each side of a cache the painting may ask for: a screen's worth.
constexpr int MaxCacheSide = 8192;

TColor FixedSysColor(int index) { return 0x101010 * (index % 16) + index; }

std::string StoredOptions() {
  skin::TacSkinConvertor reader;
  reader.BorrowPackedData(skins::OpusSkinArchive());
  if (!reader.ReadArchive() || !reader.Options) return {};
  const auto bytes = reader.Options->Bytes();
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// The options text with one key of one section set to a value (added when
// the section lacks it).
std::string WithValue(const skin::SkinIni& ini, const std::string& section, const std::string& key,
                      const std::string& value) {
  std::string out;
  bool found = false;
  for (const auto& s : ini.Sections()) {
    out += "[" + s.Name + "]\r\n";
    bool set = false;
    for (const auto& e : s.Entries) {
      if (s.Name == section && e.Key == key && !set) {
        out += e.Key + "=" + value + "\r\n";
        set = true;
      } else {
        out += e.Key + "=" + e.Value + "\r\n";
      }
    }
    if (s.Name == section && !set) out += key + "=" + value + "\r\n";
    found = found || s.Name == section;
  }
  if (!found) out += "[" + section + "]\r\n" + key + "=" + value + "\r\n";
  return out;
}

// Every numeric option: each value of the stored skin that reads as a number,
// the skin-wide keys the loader reads that the skin leaves out, and the
// per-section keys of the sections the main window paints.
std::vector<std::pair<std::string, std::string>> NumericOptions(const skin::SkinIni& ini) {
  std::set<std::pair<std::string, std::string>> keys;
  for (const auto& s : ini.Sections())
    for (const auto& e : s.Entries)
      if (skin::ParseInt64(e.Value)) keys.insert({s.Name, e.Key});
  const char* global[] = {
      "AEROBLUR", "SHADOW1OFFSET", "SHADOW1BLUR", "SHADOW1TRANSPARENCY", "BORDERWIDTH", "TITLEHEIGHT", "MAXHEIGHT",
      "FORMOFFSET", "CENTEROFFSET", "BORDERMODE", "ALIGNOFFSET", "ALIGNOFFSETR", "ALIGNOFFSETT", "ALIGNOFFSETB",
      "BISPACE", "BIVALIGN", "BIRIGHT", "BILEFT", "BITOP", "BIKEEPHUE", "COMBOMARGIN", "SLIDERMARGIN", "BRIGHTMIN",
      "BRIGHTMAX", "WSHRAD", "WSHSIZE", "WSHOFFS", "ARROWSTYLE", "LO_WIDTHL", "LO_WIDTHT", "LO_WIDTHR", "LO_WIDTHB",
      "LO_OFFSETL", "LO_OFFSETT", "LO_OFFSETR", "LO_OFFSETB", "LO_RADIUS_OE", "LO_BLUR_OE", "LO_SOURCE",
      "LO_OPACITY", "SH_WIDTHL", "SH_WIDTHT", "SH_WIDTHR", "SH_WIDTHB", "SH_OFFSETL", "SH_OFFSETT", "SH_OFFSETR",
      "SH_OFFSETB", "SH_RADIUS_OE", "SH_BLUR_OE", "SH_SOURCE", "SH_OPACITY", "BICONCLOSEGLOW",
      "BICONCLOSEGLOWMARGIN", "BICLOSEALONEGLOWMARGIN", "BICONMAXGLOWMARGIN", "BICONMINGLOWMARGIN", "FontCount"};
  for (const char* k : global) keys.insert({"GLOBALINFO", k});
  keys.insert({"TABTOP", "TABSCOVERING"});
  const char* sections[] = {"FORM", "FORMTITLE", "PANEL", "BUTTON", "EDIT", "COMBOBOX", "COMBOBTN",
                            "MAINMENU", "MENUITEM", "SELECTION", "TRANSPARENT"};
  const char* perSection[] = {"STATES", "GLOW", "GLOWMARGIN", "OUTERMODE", "OUTOPACITY", "OUTOFFSL", "OUTOFFST",
                              "OUTOFFSR", "OUTOFFSB", "OUTBLUR", "OUTRADIUS", "USESTATE2", "GSIZE", "HGSIZE",
                              "GSIZE2", "GRADIENTPERCENT", "HOTGRADIENTPERCENT", "IMAGEPERCENT",
                              "HOTIMAGEPERCENT", "TRANSPARENCY", "HOTTRANSPARENCY", "TRANSPARENCY2"};
  for (const char* s : sections)
    for (const char* k : perSection) keys.insert({s, k});
  return {keys.begin(), keys.end()};
}

// What went wrong, one line per finding, for the summary at the end.
std::vector<std::string> findings;

void ExpectCacheSize(long long w, long long h, const std::string& what) {
  if (w > MaxCacheSide || h > MaxCacheSide)
    findings.push_back(what + ": asks for " + std::to_string(w) + " x " + std::to_string(h) + " pixels");
}

// A cache of a size the painting asks for, or none when it asks for nothing.
skin::Bitmap32 Cache(int w, int h, const std::string& what) {
  ExpectCacheSize(w, h, what);
  if (w <= 0 || h <= 0 || w > MaxCacheSide || h > MaxCacheSide) return {};
  return skin::Bitmap32(w, h);
}

// A text's coverage mask: a bar of ink, as a caption's letters leave.
Mask8 TextMask(int w, int h) {
  Mask8 m(w, h);
  for (int y = h / 4; y < h * 3 / 4; ++y)
    for (int x = 1; x < w - 1; ++x) m.At(x, y) = 0;
  return m;
}

void PaintGlow(const skin::TsGenState& st, skin::Bitmap32& target, TRect text, const std::string& what) {
  if (st.GlowSize <= 0 || text.IsEmpty()) return;
  // The mask grows by the glow size on each side of the text.
  ExpectCacheSize(text.Width() + 2 * (st.GlowSize + 4ll), text.Height() + 2 * (st.GlowSize + 4ll), what + " glow");
  if (st.GlowSize > MaxCacheSide) return;
  Mask8 glow;
  BuildGlowMask(TextMask(text.Width(), text.Height()), st.GlowSize, gsAll, glow);
  ApplyGlowMask(LinesOf(target), glow, {text.Left - st.GlowSize - 3, text.Top - st.GlowSize - 3}, st.GlowColor);
}

const skin::TsGenState& StateOf(const skin::SkinModel& m, int section, int state) {
  return m.gd[static_cast<std::size_t>(section)].Props[static_cast<std::size_t>(std::clamp(state, 0, 2))];
}

// What the main window paints, from one loaded skin.
void PaintMainWindow(const skin::LoadedSkin& s, const std::string& what) {
  const skin::SkinModel& m = *s.Model;
  skin::Bitmap32 window(ClientW, ClientH);
  const int panel = m.GetSkinIndex("PANEL");
  PaintSkinSection(&m, panel, {}, -1, -1, LinesOf(window), {}, {0, 0, ClientW, ClientH}, 0);
  const TCacheInfo parent = CacheInfoOfBitmap(LinesOf(window), 0, 0);

  auto control = [&](const char* name, TRect bounds, int state) {
    skin::Bitmap32 cache(bounds.Width(), bounds.Height());
    TControlLook look;
    look.SkinIndex = m.GetSkinIndex(name);
    PaintSkinControl(&m, look, parent, -1, -1, true, LinesOf(cache), {bounds.Left, bounds.Top},
                     {0, 0, bounds.Width(), bounds.Height()}, state);
    return cache;
  };
  // The label's text in the panel, with the panel's glow.
  if (panel >= 0) PaintGlow(StateOf(m, panel, 0), window, {8, 12, 40, 25}, what + " label");
  for (int state = 0; state < 3; ++state) {
    skin::Bitmap32 button = control("BUTTON", {118, 79, 193, 104}, state);
    const int b = m.GetSkinIndex("BUTTON");
    if (b >= 0) PaintGlow(StateOf(m, b, state), button, {20, 6, 55, 19}, what + " button");
  }
  control("EDIT", {8, 30, 192, 75}, 0);

  // The combo box and its drop-down button, 121 x 21 at (8, 81).
  for (int state = 0; state < 2; ++state) {
    skin::Bitmap32 combo = control("COMBOBOX", {8, 81, 129, 102}, state);
    const int margin = s.Common.ComboBoxMargin;
    const TRect button = ComboButtonRect(combo.Width, combo.Height, 16, margin);
    const int comboBtn = m.GetSkinIndex("COMBOBTN");
    if (comboBtn >= 0)
      PaintSkinSection(&m, comboBtn, CacheInfoOfBitmap(LinesOf(combo), 0, 0), -1, -1, LinesOf(combo),
                       {button.Left, button.Top}, button, state);
    // The text item is drawn apart and copied into the cache at its place.
    const TRect text = ComboTextRect(button, combo.Width, combo.Height, 3, 2);
    if (!text.IsEmpty()) {
      skin::Bitmap32 item = Cache(text.Width(), text.Height(), what + " combo text");
      for (int y = 0; y < item.Height; ++y)
        for (int x = 0; x < item.Width; ++x) combo.At(text.Left + x, text.Top + y) = item.At(x, y) | 0xFF000000u;
    }
  }

  // The frame: its picture, the title, the title buttons and the caption's
  // text rectangle and glow, and the region's corner rectangles.
  skin::Bitmap32 frame(FrameW, FrameH);
  const int form = m.GetSkinIndex("FORM"), title = m.GetSkinIndex("FORMTITLE");
  PaintSkinSection(&m, form, {}, -1, -1, LinesOf(frame), {}, {0, 0, FrameW, FrameH}, 1);
  PaintSkinSection(&m, title, CacheInfoOfBitmap(LinesOf(frame), 0, 0), -1, -1, LinesOf(frame), {},
                   {Border, Border, FrameW - Border, Border + Caption}, 1);
  TFrameLayoutInput in;
  in.Form.MainForm = true;
  in.Form.BorderStyle = TFrameBorderStyle::bsSingle;
  in.Form.MaximizeIcon = false;
  in.Rules = DecideTitleButtons(in.Form);
  in.CaptionWidth = FrameW;
  in.BorderWidth = Border;
  in.CaptionHeight = Caption;
  in.Skin = &s.Common;
  in.Glyphs = TitleGlyphSizesOf(m, s.ConstData);
  TFrameLayout layout;
  SetButtonKinds(layout, true, in.Rules);
  CalcItems(layout, in);
  for (const TsCaptionButton* b : {&layout.ButtonClose, &layout.ButtonMax, &layout.ButtonMin, &layout.ButtonHelp}) {
    if (!b->Visible()) continue;
    // Each button's picture is drawn apart before it goes on the frame.
    skin::Bitmap32 picture = Cache(b->cpRect.Width(), b->cpRect.Height(), what + " title button");
    const int glyph = s.ConstData.TitleGlyphs[static_cast<std::size_t>(b->cpGlyphType)];
    if (!m.IsValidImgIndex(glyph) || picture.Empty()) continue;
    const skin::TsMaskData& image = m.ma[static_cast<std::size_t>(glyph)];
    for (int state = 0; state < std::min(image.ImageCount, 3); ++state) {
      PutSkinImage(LinesOf(picture), {0, 0}, state, CacheInfoOfBitmap(LinesOf(picture), 0, 0), &m, image, true);
      PutSkinImage(LinesOf(frame), {b->cpRect.Left, b->cpRect.Top}, state, CacheInfoOfBitmap(LinesOf(frame), 0, 0),
                   &m, image, true);
    }
  }
  const int strip = ButtonStripWidth(in, layout);
  ExpectCacheSize(strip, Caption, what + " button strip");
  const TRect caption = CaptionTextRect(in, layout, false);
  if (title >= 0 && !caption.IsEmpty()) {
    const TRect text{caption.Left, caption.Top, std::min(caption.Left + 60, caption.Right), caption.Bottom};
    PaintGlow(StateOf(m, title, 1), frame, text, what + " caption");
  }
  const auto corners = CollectCornerRects(m, form >= 0 ? m.gd[static_cast<std::size_t>(form)].BorderIndex : -1,
                                          title >= 0 ? m.gd[static_cast<std::size_t>(title)].BorderIndex : -1,
                                          FrameW, FrameH);
  if (corners.size() > static_cast<std::size_t>(FrameW) * FrameH) findings.push_back(what + ": corner rectangles");

  // A menu: its background and an item in each state.
  const int menu = m.GetSkinIndex("MAINMENU"), item = m.GetSkinIndex("MENUITEM");
  skin::Bitmap32 menuBmp(140, 64);
  PaintSkinSection(&m, menu, {}, -1, -1, LinesOf(menuBmp), {}, {0, 0, 140, 64}, 0);
  for (int state = 0; state < 2; ++state) {
    skin::Bitmap32 itemBmp(132, 20);
    PaintSkinSection(&m, item, CacheInfoOfBitmap(LinesOf(menuBmp), 0, 0), -1, -1, LinesOf(itemBmp), {4, 4 + 20 * state},
                     {0, 0, 132, 20}, state);
    if (item >= 0) PaintGlow(StateOf(m, item, state), itemBmp, {24, 3, 100, 17}, what + " menu item");
  }
}

TEST(HostileOptions, EveryNumericOptionAtEveryExtremeLoadsAndPaints) {
  const std::string text = StoredOptions();
  ASSERT_FALSE(text.empty());
  const skin::SkinIni ini(text);
  const auto options = NumericOptions(ini);
  ASSERT_GT(options.size(), 100u);

  const auto item = skins::OpusInternalSkin();
  skin::TsStoredSkins stored;
  auto& s = stored.Add();
  s.Name = std::string(item.Name);
  s.PackedData.assign(item.Data.begin(), item.Data.end());
  testsupport::NoSkinFiles fs;
  const skin::SkinResolution where = skin::ResolveSkinName("Opus (internal)", "c:\\Skins", stored, fs, false);
  skin::LoadSettings settings;
  settings.SysColor = FixedSysColor;
  settings.Files = &fs;

  // Large negatives and positives: a few thousand (past any control, still a
  // picture that can be allocated) and a hundred thousand (past any screen).
  const std::string values[] = {"-100000", "-3000", "0",  "3000", "100000", std::to_string(INT_MIN),
                                std::to_string(INT_MAX)};
  using Clock = std::chrono::steady_clock;
  Clock::duration slowest{};
  std::string slowestWhat;
  int loads = 0;
  // QUILLON_HOSTILE_OPTION=SECTION:KEY runs that option alone.
  const char* only = std::getenv("QUILLON_HOSTILE_OPTION");
  for (const auto& [section, key] : options) {
    if (only && section + ":" + key != only) continue;
    for (const std::string& value : values) {
      const std::string what = "[" + section + "] " + key + "=" + value;
      const auto start = Clock::now();
      std::unique_ptr<skin::LoadedSkin> loaded;
      try {
        loaded = skin::LoadResolvedSkin(where, stored, WithValue(ini, section, key, value), settings);
      } catch (const std::exception& e) {
        // A value that is no number where a fixed-column field wants one is
        // a format error the manager reports; it is no hostile number.
        continue;
      }
      PaintMainWindow(*loaded, what);
      const auto took = Clock::now() - start;
      if (took > slowest) slowest = took, slowestWhat = what;
      ++loads;
    }
  }
  std::string list;
  for (std::size_t i = 0; i < findings.size() && i < 60; ++i) list += findings[i] + "\n";
  EXPECT_TRUE(findings.empty()) << findings.size() << " findings, the first:\n" << list;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(slowest).count();
  std::printf("%zu options, %d loads painted; slowest %lld ms: %s\n", options.size(), loads,
              static_cast<long long>(ms), slowestWhat.c_str());
  // Far above a load and paint of our skin (tens of milliseconds under the
  // sanitizers): what only a runaway blur, region or picture takes.
  EXPECT_LT(ms, 5000) << slowestWhat;
}

}  // namespace
