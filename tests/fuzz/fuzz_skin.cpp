// Archive bytes → archive → options → section model and lookups.
#include "skin/SkinLoader.h"
#include "skin/SkinText.h"

#include <cstdlib>

namespace {

void Exercise(const skin::SkinModel& m) {
  for (int i = -1; i <= static_cast<int>(m.gd.size()); ++i) {
    const std::string name = m.IsValidSkinIndex(i) ? m.gd[static_cast<std::size_t>(i)].ClassName : "X";
    for (const char* key : {"BORDERSMASK", "PATTERN", "HOTPATTERN", "GLYPHMASK"}) {
      const int a = m.GetMaskIndex(i, name, key);
      const int b = m.GetMaskIndex(i, key);
      const int c = m.GetTextureIndex(i, name, key);
      const int d = m.GetTextureIndex(i, key);
      for (int idx : {a, b, c, d})
        if (idx != -1 && !m.IsValidImgIndex(idx)) std::abort();
    }
    if (m.IsValidSkinIndex(i)) {
      const auto& g = m.gd[static_cast<std::size_t>(i)];
      if (g.States < 1 || g.States > 255) std::abort();
      for (const auto& s : g.Props)
        if (s.Transparency < 0 || s.Transparency > 100 || s.GradientPercent < 0 || s.GradientPercent > 100)
          std::abort();
      if (m.GetSkinIndex(g.ClassName) > i) std::abort();
    }
  }
  for (const auto& e : m.ma)
    if (e.ImageCount < 1 || e.MaskType < 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  skin::TacSkinConvertor reader;
  reader.BorrowPackedData({data, size});
  skin::SkinIni ini;
  skin::SkinSource source;
  source.Archive = &reader;
  try {
    if (reader.ReadArchive()) {
      if (reader.Options) {
        ini = skin::SkinIni::FromBytes(reader.Options->Bytes());
        source.Options = &ini;
      }
    } else {
      // Not an archive: take the bytes as an options file.
      ini = skin::SkinIni(std::string_view(reinterpret_cast<const char*>(data), size));
      source.Options = &ini;
      source.Archive = nullptr;
    }
  } catch (const skin::EReadError&) {
    return 0;
  } catch (const skin::EZLibError&) {
    return 0;
  }
  for (auto mode : {skin::smOldMode, skin::sm150}) {
    skin::SkinModel settings;
    settings.ScaleMode = mode;
    try {
      const auto model = skin::BuildSkinModel(source, settings, "[GLOBALINFO]\n[EXTRA]\nPARENTCLASS=BUTTON\nSTATES=0\n");
      Exercise(*model);
    } catch (const skin::EConvertError&) {
    }
  }
  return 0;
}
