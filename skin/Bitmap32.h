// 32-bit pixel buffers for skin images, and a BMP decoder.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace skin {

// Pixels are 0xAARRGGBB in memory order B, G, R, A (as a Windows 32-bit DIB),
// top row first. The skin key colour 0xFF00FF is the same in TColor and pixel
// order.
inline constexpr std::uint32_t KeyColorPixel = 0x00FF00FF;

struct Bitmap32 {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
  // Whether key-coloured pixels are treated as transparent when drawn.
  bool Transparent = false;
  std::uint32_t TransparentColor = KeyColorPixel;

  Bitmap32() = default;
  Bitmap32(int width, int height, std::uint32_t fill = 0);

  bool Empty() const { return Width <= 0 || Height <= 0; }
  std::uint32_t& At(int x, int y) { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
  std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
  // Whether the pixel's colour (alpha ignored) is the key colour.
  bool IsKey(int x, int y) const { return (At(x, y) & 0xFFFFFF) == KeyColorPixel; }
  // Makes every pixel opaque except those of the key colour, which get alpha 0.
  void MakeOpaqueExceptKey();
};

// Multiplies each pixel's colour channels by its alpha (rounded), as skins newer
// than version 7.45 keep the pixels of their alpha images. Key-coloured pixels
// keep their colour: it is what marks them transparent.
void PremultiplyAlpha(Bitmap32& bitmap);
inline constexpr double PremultipliedSkinVersion = 7.45;

// The largest image a skin may bring: pixels per side and in all (128 MiB of
// pixels). A few compressed bytes can claim far more; nothing that large is
// allocated.
inline constexpr int MaxBitmapSide = 16384;
inline constexpr long long MaxBitmapPixels = 1ll << 25;

struct DecodedBitmap {
  std::shared_ptr<Bitmap32> Bitmap;
  int SourceBits = 0;  // bits per pixel of the file
};

// Decodes a Windows BMP file (core, info, V4 and V5 headers; 1, 4, 8, 16, 24
// and 32 bits; uncompressed, bit fields, RLE4 and RLE8). Images with fewer
// than 32 bits come out opaque except the key colour; 32-bit images keep
// their alpha. Returns none for anything it cannot read.
DecodedBitmap DecodeBmp(std::span<const std::uint8_t> file);

// Encodes a 32-bit top-down BMP (used by our tools and tests).
std::vector<std::uint8_t> EncodeBmp32(const Bitmap32& bitmap);

}  // namespace skin
