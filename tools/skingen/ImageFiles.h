// Bitmap and PNG files for the skin generator and its tests.
#pragma once

#include "Raster.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace skingen {

// Uncompressed 24-bit bottom-up Windows bitmap (BITMAPINFOHEADER, 96 DPI).
std::vector<std::uint8_t> EncodeBmp(const Image& image);
// Reads 24- and 32-bit uncompressed bitmaps (either row order); none otherwise.
std::optional<Image> DecodeBmp(std::span<const std::uint8_t> bytes);

// 8-bit RGB PNG, one IDAT, every row filtered with the Paeth predictor.
std::vector<std::uint8_t> EncodePng(const Image& image);
// Reads 8-bit RGB or RGBA non-interlaced PNGs (alpha dropped); none for
// anything else, including a bad chunk CRC or a short image stream.
std::optional<Image> DecodePng(std::span<const std::uint8_t> bytes);

}  // namespace skingen
