// The whole load of a stored skin, as the manager runs it: archive → options →
// section model → skin-wide data, palette and index cache → scaled glyphs, colour
// adjustments and generated shadows.
//
// Input: four parameter bytes, then either an archive ("ASzf...", the stored skin's
// data) or an options text that replaces the options of a small built-in archive, as
// a live preview does. Parameters: byte 0 the scale mode (sm100 ... smOldMode) and
// the system scale index, bytes 1-3 the hue offset, saturation and brightness.
#include "skin/SkinLoad.h"
#include "tests/support/NoSkinFiles.h"

#include <algorithm>
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
  }
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
  if (archive) {
    item.PackedData.assign(rest.begin(), rest.end());
  } else {
    item.PackedData = BuiltInArchive();
    optionsText.emplace(reinterpret_cast<const char*>(rest.data()), rest.size());
  }
  SkinResolution where;
  where.Kind = SkinKind::Stored;
  where.Name = item.Name;
  where.StoredIndex = 0;
  try {
    Check(*LoadResolvedSkin(where, stored, optionsText, s));
  } catch (const std::runtime_error&) {
    // A damaged archive or a fixed-column field that is not a number: the load
    // fails as a whole, which the manager reports.
  }
  return 0;
}
