#include "SkinTestSupport.h"

#include "skins/OpusSkin.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace skintest {

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> CommittedArchive() { return ReadFileBytes(QUILLON_SOURCE_DIR "/skins/Opus.asz"); }

std::unique_ptr<skin::LoadedSkin> LoadStoredSkin(const std::vector<std::uint8_t>& archive, skin::TacScaleMode scale) {
  const skins::InternalSkinItem item = skins::OpusInternalSkin();
  skin::TsStoredSkins stored;
  skin::TsStoredSkin& s = stored.Add();
  s.Name = std::string(item.Name);
  s.Shadow1Color = static_cast<skin::TColor>(item.Shadow1Color);
  s.Shadow1Offset = item.Shadow1Offset;
  s.Shadow1Transparency = item.Shadow1Transparency;
  s.OrigName = std::string(item.OriginName);
  s.PackedData = archive;

  skin::SkinResolution where;
  where.Kind = skin::SkinKind::Stored;
  where.Name = s.Name;
  where.StoredIndex = 0;

  skin::LoadSettings settings;
  settings.ScaleMode = scale;
  // A fixed stand-in for the system colours: grey for everything.
  settings.SysColor = [](int) { return skin::TColor{0x808080}; };
  return skin::LoadResolvedSkin(where, stored, std::nullopt, settings);
}

}  // namespace skintest
