// Builds the built-in skin from the design table: the options file, the
// master bitmap, the big-button bitmap and the preview, and packs them into
// a skin archive.
#pragma once

#include "Raster.h"
#include "SkinDesign.h"

#include <cstdint>
#include <string>
#include <vector>

namespace skingen {

inline constexpr char OptionsMember[] = "OPTIONS.DAT";
inline constexpr char MasterMember[] = "MASTER COPY.BMP";
inline constexpr char HugeMember[] = "BUTTONHUGE.BMP";

struct SkinFiles {
  std::string options;  // OPTIONS.DAT, CR LF line ends
  Image master;         // MASTER COPY.BMP
  Image buttonHuge;     // BUTTONHUGE.BMP
  Image preview;        // the skin list's preview picture
};

SkinFiles BuildSkin(const Design& design = TheDesign);

// The archive: OPTIONS.DAT, MASTER COPY.BMP, BUTTONHUGE.BMP (in this order)
// and the PNG preview trailer.
std::vector<std::uint8_t> PackSkin(const SkinFiles& files);

// TColor of an 0xRRGGBB colour: red in the low byte.
constexpr std::uint32_t ToTColor(std::uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

}  // namespace skingen
