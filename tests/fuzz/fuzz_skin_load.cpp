// The whole load of a stored skin, as the manager runs it: archive → options →
// section model → skin-wide data, palette and index cache → scaled glyphs, colour
// adjustments and generated shadows.
//
// Every load is then laid out and painted as the main window does (controls,
// combo button, frame and title buttons, caption glow, corner region, menu).
//
// Input: four parameter bytes, then either an archive ("ASzf...", the stored skin's
// data), hostile numbers ("#N" and bytes: numeric options of a full skin's text, each
// set to any 64-bit value), or an options text that replaces the options of a small
// built-in archive, as a live preview does. Parameters: byte 0 the scale mode (sm100
// ... smOldMode) and the system scale index, bytes 1-3 the hue offset, saturation and
// brightness.
#include "skin/SkinLimits.h"
#include "skin/SkinLoad.h"
#include "skinctrl/paint/ComboGeometry.h"
#include "skinctrl/paint/FrameGeometry.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/paint/SkinImages.h"
#include "skinctrl/paint/SkinTextPaint.h"
#include "tests/support/NoSkinFiles.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <stdexcept>

namespace {

using namespace skin;

class QuietMessages final : public ArchiveMessages {
public:
  void ShowError(const std::string&) override {}
};

// Images for options texts to name: a master with key-coloured corners and an
// alpha ramp, and a separate 24-bit-like image.
const std::vector<std::uint8_t>& BuiltInArchive() {
  static const std::vector<std::uint8_t> archive = [] {
    Bitmap32 master(64, 48, 0xFF808080u);
    for (int y = 0; y < master.Height; ++y)
      for (int x = 0; x < master.Width; ++x)
        if ((x % 16 == 0 && y % 16 == 0) || x == 63) master.At(x, y) = KeyColorPixel;
        else if (y >= 32) master.At(x, y) = static_cast<std::uint32_t>(x * 4) << 24 | 0x204060u;
    Bitmap32 extra(12, 8, 0xFF336699u);
    extra.At(0, 0) = KeyColorPixel;
    const std::vector<ArchiveMember> members = {
        {"OPTIONS.DAT", {}}, {"MASTER COPY.BMP", EncodeBmp32(master)}, {"EXTRA.BMP", EncodeBmp32(extra)}};
    return WriteSkinArchive(members);
  }();
  return archive;
}

void Check(const LoadedSkin& skin) {
  const SkinModel& m = *skin.Model;
  auto image = [&](int i) {
    if (i != -1 && !m.IsValidImgIndex(i)) std::abort();
  };
  auto section = [&](int i) {
    if (i != -1 && !m.IsValidSkinIndex(i)) std::abort();
  };
  for (const TsMaskData& e : m.ma) {
    if (e.ImageCount < 1 || e.MaskType < 0) std::abort();
    if (e.Bmp && (e.Bmp->Width > MaxBitmapSide || e.Bmp->Height > MaxBitmapSide ||
                  e.Bmp->Pixels.size() != static_cast<std::size_t>(e.Bmp->Width) * e.Bmp->Height))
      std::abort();
  }
  for (std::size_t i = 0; i < m.gd.size(); ++i) {
    const TsGeneralData& g = m.gd[i];
    image(g.BorderIndex), image(g.OuterMask), image(g.ImgTL), image(g.ImgTR), image(g.ImgBL), image(g.ImgBR);
    for (const TsGenState& s : g.Props) image(s.TextureIndex);
    if (g.States < 1 || g.States > 255) std::abort();
    for (const TsGenState& s : g.Props)
      if (s.GlowSize < 0 || s.GlowSize > MaxGlowSize) std::abort();
  }
  // Margins as read, scaled at most to 200 %.
  const TsSkinData& d = skin.Common;
  for (int v : {d.BISpacing, d.BIRightMargin, d.BILeftMargin, d.BITopMargin, d.ComboBoxMargin, d.SliderMargin,
                d.ExContentOffs, d.ExCenterOffs, d.ExShadowOffs, d.ExShadowOffsR, d.ExShadowOffsT, d.ExShadowOffsB,
                d.Shadow1Offset, d.TabsCovering, d.ExTitleHeight, d.ExMaxHeight, d.ExBorderWidth})
    if (v < -2 * MaxSkinMargin || v > 2 * MaxSkinMargin) std::abort();
  const TConstantSkinData& c = skin.ConstData;
  section(c.IndexGLobalInfo);
  for (int s : c.Sections) section(s);
  for (int i : c.CheckBox) image(i);
  for (int i : c.SmallCheckBox) image(i);
  for (int i : c.RadioButton) image(i);
  image(c.ExBorder), image(c.GripRightBottom), image(c.GripHorizontal), image(c.GripVertical);
  for (int i : c.TitleGlyphs) image(i);
  for (const auto& frames : c.TitleGlows)
    for (int i : frames) image(i);
  for (const TacOutEffData& o : skin.oe) image(o.Mask);
  auto element = [&](const TacConstElementData& e) {
    section(e.SkinIndex), image(e.MaskIndex), image(e.GlyphIndex);
    for (int i : e.BGIndex) image(i);
  };
  element(c.MenuItem), element(c.ComboBtn);
  for (const auto& side : c.Tabs)
    for (const auto& e : side) element(e);
  for (const auto* group : {&c.Scrolls, &c.ScrollBtns, &c.UpDownBtns})
    for (const auto& e : *group) element(e);
  for (const auto& e : c.Sliders) element(e);
  for (const auto& t : c.TrackBar) {
    section(t.SkinIndex), image(t.MaskIndex), image(t.ChannelIndex), image(t.ProgIndex), image(t.TickIndex);
    image(t.SliderIndex);
  }
}

// A full skin's options over the built-in archive's images: the sections the main
// window paints, with border images, glyphs and title glyphs.
constexpr std::string_view BaseOptions =
    "[GLOBALINFO]\r\nVERSION=10.25\r\nMASTERBITMAP=MASTER COPY.BMP\r\n"
    "BICONCLOSE=@0000@0000@0048@0016@3@0\r\nBICONMIN=@0000@0016@0048@0032@3@0\r\n"
    "SICONCLOSE=!EXTRA.BMP!1!0!2\r\nEXBORDER=^0000@0000@0064@0032@0004@0004@0004@0004@1@0@0@0\r\n"
    "[FORM]\r\nSTATES=2\r\nBORDERSMASK=^0000@0000@0064@0032@0008@0008@0008@0008@2@0@0@0\r\n"
    "[FORMTITLE]\r\nSTATES=2\r\nGSIZE=3\r\nHGSIZE=4\r\nBORDERSMASK=^0000@0000@0032@0016@0004@0004@0004@0004@1@0@0@0\r\n"
    "[PANEL]\r\nCOLOR=12632256\r\n[BUTTON]\r\nBORDERSMASK=!EXTRA.BMP!3!0!0!2!2!2!2!5\r\nGSIZE=2\r\n"
    "[EDIT]\r\nSTATES=1\r\nBORDERSMASK=^0000@0000@0016@0016@0002@0002@0002@0002@1@0@0@2\r\n"
    "[COMBOBOX]\r\nPARENTCLASS=EDIT\r\nGLYPHMASK=@0016@0000@0032@0008@2@0\r\n[COMBOBTN]\r\nPARENTCLASS=BUTTON\r\n"
    "[MAINMENU]\r\nBORDERSMASK=^0000@0000@0064@0048@0016@0016@0016@0016@1@0@0@0\r\n"
    "[MENUITEM]\r\nSTATES=2\r\nHGSIZE=1\r\nPATTERN=~0000@0000@0016@0016@00@0\r\n";

// The numeric options the hostile mode sets: skin-wide keys and per-section keys.
constexpr std::string_view GlobalKeys[] = {
    "SHADOW1OFFSET", "SHADOW1BLUR", "SHADOW1TRANSPARENCY", "BORDERWIDTH", "TITLEHEIGHT", "MAXHEIGHT", "FORMOFFSET",
    "CENTEROFFSET", "BORDERMODE", "ALIGNOFFSET", "ALIGNOFFSETR", "ALIGNOFFSETT", "ALIGNOFFSETB", "BISPACE",
    "BIVALIGN", "BIRIGHT", "BILEFT", "BITOP", "BIKEEPHUE", "COMBOMARGIN", "SLIDERMARGIN", "BRIGHTMIN", "BRIGHTMAX",
    "WSHRAD", "WSHSIZE", "WSHOFFS", "ARROWSTYLE", "LO_WIDTHL", "LO_WIDTHT", "LO_WIDTHR", "LO_WIDTHB", "LO_OFFSETL",
    "LO_OFFSETT", "LO_OFFSETR", "LO_OFFSETB", "LO_RADIUS_OE", "LO_BLUR_OE", "LO_SOURCE", "LO_OPACITY", "SH_WIDTHL",
    "SH_WIDTHT", "SH_WIDTHR", "SH_WIDTHB", "SH_OFFSETL", "SH_OFFSETT", "SH_OFFSETR", "SH_OFFSETB", "SH_RADIUS_OE",
    "SH_BLUR_OE", "SH_SOURCE", "SH_OPACITY", "BICONCLOSEGLOW", "BICONCLOSEGLOWMARGIN", "BICONMINGLOWMARGIN",
    "FontCount", "TITLEHEIGHT*200", "CENTEROFFSET*150", "BICONCLOSEGLOWMARGIN*125"};
constexpr std::string_view Sections[] = {"FORM", "FORMTITLE", "PANEL", "BUTTON", "EDIT", "COMBOBOX",
                                         "COMBOBTN", "MAINMENU", "MENUITEM", "TABTOP"};
constexpr std::string_view SectionKeys[] = {
    "STATES", "GLOW", "GLOWMARGIN", "OUTERMODE", "OUTOPACITY", "OUTOFFSL", "OUTOFFST", "OUTOFFSR", "OUTOFFSB",
    "OUTBLUR", "OUTRADIUS", "OUTCOLL", "USESTATE2", "GSIZE", "HGSIZE", "GSIZE2", "GRADIENTPERCENT",
    "HOTGRADIENTPERCENT", "IMAGEPERCENT", "HOTIMAGEPERCENT", "TRANSPARENCY", "HOTTRANSPARENCY", "TRANSPARENCY2",
    "COLOR", "FONTCOLOR", "TCLEFT", "HOTCOLOR", "TABSCOVERING"};

// Any 64-bit value, the ends of the int range and small values alike likely.
std::int64_t AnyNumber(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: return in.ConsumeIntegralInRange<std::int64_t>(-64, 64);
    case 1: {
      constexpr std::int64_t ends[] = {INT_MIN, INT_MIN + 1ll, -1, 0, 1, INT_MAX - 1ll, INT_MAX, INT_MAX + 1ll,
                                       0xFFFFFFFFll, INT64_MIN, INT64_MAX};
      return ends[in.ConsumeIntegralInRange<std::size_t>(0, std::size(ends) - 1)];
    }
    case 2: return in.ConsumeIntegral<std::int32_t>();
    default: return in.ConsumeIntegral<std::int64_t>();
  }
}

// The base options with hostile numbers: each pair of choices sets one option.
std::string HostileOptions(FuzzedDataProvider& in) {
  std::string global, perSection[std::size(Sections)];
  // An image reference's fixed four-digit field: -999 to 9999.
  auto field = [&in] {
    std::string f = std::to_string(std::clamp<std::int64_t>(AnyNumber(in), -999, 9999));
    return std::string(4 - f.size(), '0') + f;
  };
  while (in.remaining_bytes() > 0) {
    const std::string value = std::to_string(AnyNumber(in));
    const int kind = in.ConsumeIntegralInRange(0, 4);
    if (kind == 0) {
      // Image references at any place, margin and count; external images with
      // whole-range words.
      const auto s = in.ConsumeIntegralInRange<std::size_t>(0, std::size(Sections) - 1);
      std::string ref = "^" + field();
      for (int i = 0; i < 7; ++i) ref += "@" + field();
      ref += "@" + std::to_string(in.ConsumeIntegralInRange(0, 9)) + "@" + std::to_string(in.ConsumeIntegralInRange(0, 9)) +
             "@" + std::to_string(in.ConsumeIntegralInRange(0, 9)) + "@" + std::to_string(in.ConsumeIntegralInRange(0, 9));
      perSection[s] += "BORDERSMASK=" + ref + "\r\n";
      std::string ext = "!EXTRA.BMP";
      for (int i = 0; i < 8; ++i) ext += "!" + std::to_string(AnyNumber(in));
      global += (in.ConsumeBool() ? "BICONCLOSE=" : "SICONMIN=") + ext + "\r\n";
    } else if (kind <= 2) {
      const auto key = GlobalKeys[in.ConsumeIntegralInRange<std::size_t>(0, std::size(GlobalKeys) - 1)];
      global += std::string(key) + "=" + value + "\r\n";
    } else {
      const auto s = in.ConsumeIntegralInRange<std::size_t>(0, std::size(Sections) - 1);
      const auto key = SectionKeys[in.ConsumeIntegralInRange<std::size_t>(0, std::size(SectionKeys) - 1)];
      perSection[s] += std::string(key) + "=" + value + "\r\n";
    }
  }
  // A key's first value counts: the hostile ones go before the base's.
  std::string text = "[GLOBALINFO]\r\n" + global;
  for (std::size_t s = 0; s < std::size(Sections); ++s) text += "[" + std::string(Sections[s]) + "]\r\n" + perSection[s];
  return text + std::string(BaseOptions);
}

void PaintGlow(const TsGenState& st, Bitmap32& target, TRect text) {
  if (text.IsEmpty()) return;
  skinctrl::Mask8 mask(text.Width(), text.Height());
  mask.At(mask.Width / 2, mask.Height / 2) = 0;
  skinctrl::Mask8 glow;
  skinctrl::BuildGlowMask(mask, st.GlowSize, skinctrl::gsAll, glow);
  // The glow mask is the text grown by the glow size each side, within the skin's range.
  if (glow.Width > text.Width() + 2 * (MaxGlowSize + 4)) std::abort();
  skinctrl::ApplyGlowMask(skinctrl::LinesOf(target), glow, {text.Left - 3, text.Top - 3}, st.GlowColor);
}

// Laid out and painted as the main window's controls, frame and a menu.
void Paint(const LoadedSkin& skin) {
  using namespace skinctrl;
  const SkinModel& m = *skin.Model;
  Bitmap32 window(200, 112);
  PaintSkinSection(&m, m.GetSkinIndex("PANEL"), {}, -1, -1, LinesOf(window), {}, {0, 0, 200, 112}, 0);
  const TCacheInfo parent = CacheInfoOfBitmap(LinesOf(window), 0, 0);
  auto state = [&](int section, int s) -> const TsGenState& {
    return m.gd[static_cast<std::size_t>(section)].Props[static_cast<std::size_t>(s)];
  };
  for (const char* name : {"BUTTON", "EDIT", "COMBOBOX", "MENUITEM"}) {
    const int section = m.GetSkinIndex(name);
    for (int s = 0; s < 3; ++s) {
      Bitmap32 cache(75, 25);
      TControlLook look;
      look.SkinIndex = section;
      PaintSkinControl(&m, look, parent, -1, -1, true, LinesOf(cache), {118, 79}, {0, 0, 75, 25}, s);
      if (section >= 0) PaintGlow(state(section, s), cache, {10, 5, 60, 20});
    }
  }
  // The combo box's button and text, copied into its cache where they go.
  Bitmap32 combo(121, 21);
  const TRect button = ComboButtonRect(combo.Width, combo.Height, 16, skin.Common.ComboBoxMargin);
  const TRect text = ComboTextRect(button, combo.Width, combo.Height, 3, 2);
  if (button.Left < 0 || button.Right > combo.Width || text.Right > combo.Width || text.Bottom > combo.Height)
    std::abort();
  PaintSkinSection(&m, m.GetSkinIndex("COMBOBTN"), CacheInfoOfBitmap(LinesOf(combo), 0, 0), -1, -1, LinesOf(combo),
                   {button.Left, button.Top}, button, 1);
  for (int y = text.Top; y < text.Bottom; ++y)
    for (int x = text.Left; x < text.Right; ++x) combo.At(x, y) = 0xFF000000u;

  // The frame, its title buttons and caption glow, and the region's corners.
  Bitmap32 frame(208, 143);
  const int form = m.GetSkinIndex("FORM"), title = m.GetSkinIndex("FORMTITLE");
  PaintSkinSection(&m, form, {}, -1, -1, LinesOf(frame), {}, {0, 0, 208, 143}, 1);
  TFrameLayoutInput in;
  in.Form.MainForm = true;
  in.Rules = DecideTitleButtons(in.Form);
  in.CaptionWidth = 208;
  in.BorderWidth = 4;
  in.CaptionHeight = 19;
  in.Skin = &skin.Common;
  in.Glyphs = TitleGlyphSizesOf(m, skin.ConstData);
  TFrameLayout layout;
  SetButtonKinds(layout, true, in.Rules);
  CalcItems(layout, in);
  for (const TsCaptionButton* b : {&layout.ButtonClose, &layout.ButtonMax, &layout.ButtonMin, &layout.ButtonHelp}) {
    const int glyph = skin.ConstData.TitleGlyphs[static_cast<std::size_t>(b->cpGlyphType)];
    if (b->Visible() && m.IsValidImgIndex(glyph))
      PutSkinImage(LinesOf(frame), {b->cpRect.Left, b->cpRect.Top}, 1, CacheInfoOfBitmap(LinesOf(frame), 0, 0), &m,
                   m.ma[static_cast<std::size_t>(glyph)], true);
  }
  (void)ButtonStripWidth(in, layout);
  const TRect caption = CaptionTextRect(in, layout, false);
  if (title >= 0)
    PaintGlow(state(title, 1), frame, {std::clamp(caption.Left, 0, 150), 4, std::clamp(caption.Left, 0, 150) + 50, 20});
  const auto corners = CollectCornerRects(m, form >= 0 ? m.gd[static_cast<std::size_t>(form)].BorderIndex : -1,
                                          title >= 0 ? m.gd[static_cast<std::size_t>(title)].BorderIndex : -1, 208, 143);
  if (corners.size() > 2 * MaxCornerRuns) std::abort();
  Bitmap32 menu(140, 64);
  PaintSkinSection(&m, m.GetSkinIndex("MAINMENU"), {}, -1, -1, LinesOf(menu), {}, {0, 0, 140, 64}, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  static testsupport::NoSkinFiles files;
  static QuietMessages messages;
  LoadSettings s;
  s.ScaleMode = static_cast<TacScaleMode>(data[0] % 6);
  s.SysFontScale = data[0] / 6 % 4;
  s.HueOffset = static_cast<std::int8_t>(data[1]) * 3;
  s.Saturation = static_cast<std::int8_t>(data[2]);
  s.Brightness = std::clamp<int>(static_cast<std::int8_t>(data[3]), -100, 100);
  s.SysColor = [](int index) { return static_cast<TColor>(0x010101 * (index + 1)); };
  s.CommonSections = "[GLOBALINFO]\r\n[EXTRA]\r\nPARENTCLASS=BUTTON\r\nSTATES=0\r\nPATTERN=X.BMP\r\n";
  s.Files = &files;
  s.Messages = &messages;
  s.VersionWarning = [](const std::string&) {};

  const std::span<const std::uint8_t> rest(data + 4, size - 4);
  TsStoredSkins stored;
  TsStoredSkin& item = stored.Add();
  item.Name = "Fuzz";
  std::optional<std::string> optionsText;
  const bool archive = rest.size() >= 4 && std::equal(rest.begin(), rest.begin() + 4, "ASzf");
  const bool hostile = rest.size() >= 2 && rest[0] == '#' && rest[1] == 'N';
  if (archive) {
    item.PackedData.assign(rest.begin(), rest.end());
  } else if (hostile) {
    item.PackedData = BuiltInArchive();
    FuzzedDataProvider in(rest.data() + 2, rest.size() - 2);
    optionsText = HostileOptions(in);
  } else {
    item.PackedData = BuiltInArchive();
    optionsText.emplace(reinterpret_cast<const char*>(rest.data()), rest.size());
  }
  SkinResolution where;
  where.Kind = SkinKind::Stored;
  where.Name = item.Name;
  where.StoredIndex = 0;
  try {
    const auto skin = LoadResolvedSkin(where, stored, optionsText, s);
    Check(*skin);
    Paint(*skin);
  } catch (const std::runtime_error&) {
    // A damaged archive or a fixed-column field that is not a number: the load
    // fails as a whole, which the manager reports.
  }
  return 0;
}
