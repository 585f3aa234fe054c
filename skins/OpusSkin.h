// The built-in skin: the bytes of skins/Opus.asz (drawn by tools/skingen) and
// the properties of the stored-skin item that carries it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace skins {

// The archive, embedded at build time.
std::span<const std::uint8_t> OpusSkinArchive();

// The stored-skin item of the main window's skin manager.
struct InternalSkinItem {
  std::string_view Name;
  std::uint32_t Shadow1Color;  // TColor
  int Shadow1Offset;
  int Shadow1Transparency;
  std::string_view OriginName;  // file the archive was taken from
  std::span<const std::uint8_t> Data;
};

InternalSkinItem OpusInternalSkin();

// The skin's version, as the manager's SkinInfo shows it.
inline constexpr std::string_view OpusSkinInfo = "10.25";

}  // namespace skins
