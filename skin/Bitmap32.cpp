#include "skin/Bitmap32.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace skin {

Bitmap32::Bitmap32(int width, int height, std::uint32_t fill)
    : Width(std::max(width, 0)), Height(std::max(height, 0)),
      Pixels(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), fill) {}

void Bitmap32::MakeOpaqueExceptKey() {
  for (std::uint32_t& p : Pixels)
    p = (p & 0xFFFFFF) == KeyColorPixel ? (p & 0xFFFFFF) : (p | 0xFF000000u);
}

void PremultiplyAlpha(Bitmap32& bitmap) {
  for (std::uint32_t& p : bitmap.Pixels) {
    if ((p & 0xFFFFFF) == KeyColorPixel) continue;
    const std::uint32_t a = p >> 24;
    auto mul = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    p = a << 24 | mul((p >> 16) & 0xFF) << 16 | mul((p >> 8) & 0xFF) << 8 | mul(p & 0xFF);
  }
}

namespace {

class Reader {
public:
  explicit Reader(std::span<const std::uint8_t> d) : d_(d) {}
  bool Has(std::size_t at, std::size_t n) const { return at <= d_.size() && n <= d_.size() - at; }
  std::uint32_t U32(std::size_t at) const {
    return Has(at, 4) ? (d_[at] | d_[at + 1] << 8 | d_[at + 2] << 16 | static_cast<std::uint32_t>(d_[at + 3]) << 24) : 0;
  }
  std::uint16_t U16(std::size_t at) const { return Has(at, 2) ? static_cast<std::uint16_t>(d_[at] | d_[at + 1] << 8) : 0; }
  std::uint8_t U8(std::size_t at) const { return at < d_.size() ? d_[at] : 0; }

private:
  std::span<const std::uint8_t> d_;
};

// Extracts a channel given by a bit mask and scales it to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    bits = std::popcount(m);
  }
  std::uint32_t Get(std::uint32_t v) const {
    if (!mask) return 0;
    const std::uint32_t raw = (v & mask) >> shift;
    if (bits >= 8) return raw >> (bits - 8);
    const std::uint32_t max = (1u << bits) - 1;
    return (raw * 255 + max / 2) / max;
  }
};

constexpr std::uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;

}  // namespace

DecodedBitmap DecodeBmp(std::span<const std::uint8_t> file) {
  const Reader r(file);
  if (!r.Has(0, 14 + 12) || file[0] != 'B' || file[1] != 'M') return {};
  const std::uint32_t dataOffset = r.U32(10);
  const std::uint32_t headerSize = r.U32(14);
  if (headerSize < 12 || !r.Has(14, headerSize)) return {};

  std::int64_t width, height;
  int bits;
  std::uint32_t compression = BI_RGB, colorsUsed = 0;
  std::size_t paletteEntrySize = 4;
  if (headerSize == 12) {
    width = r.U16(18);
    height = static_cast<std::int16_t>(r.U16(20));
    bits = r.U16(24);
    paletteEntrySize = 3;
  } else {
    if (headerSize < 40) return {};
    width = static_cast<std::int32_t>(r.U32(18));
    height = static_cast<std::int32_t>(r.U32(22));
    bits = r.U16(28);
    compression = r.U32(30);
    colorsUsed = r.U32(46);
  }
  const bool topDown = height < 0;
  if (height < 0) height = -height;
  if (width <= 0 || height <= 0 || width > MaxBitmapSide || height > MaxBitmapSide ||
      width * height > MaxBitmapPixels)
    return {};

  std::uint32_t masks[4] = {0, 0, 0, 0};
  if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
    if (bits != 16 && bits != 32) return {};
    // The masks follow a 40-byte header; larger headers carry them inside.
    const std::size_t at = 14 + 40;
    const int n = compression == BI_ALPHABITFIELDS || headerSize >= 56 ? 4 : 3;
    if (!r.Has(at, 4 * static_cast<std::size_t>(n))) return {};
    for (int i = 0; i < n; ++i) masks[i] = r.U32(at + 4 * static_cast<std::size_t>(i));
  } else if (compression == BI_RGB) {
    if (bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (!((compression == BI_RLE8 && bits == 8) || (compression == BI_RLE4 && bits == 4))) {
    return {};
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return {};

  std::vector<std::uint32_t> palette;
  if (bits <= 8) {
    std::size_t count = colorsUsed ? colorsUsed : (1u << bits);
    count = std::min<std::size_t>(count, 1u << bits);
    const std::size_t at = 14 + headerSize;
    palette.assign(1u << bits, 0xFF000000u);
    for (std::size_t i = 0; i < count && r.Has(at + i * paletteEntrySize, 3); ++i) {
      const std::size_t p = at + i * paletteEntrySize;
      palette[i] = 0xFF000000u | r.U8(p + 2) << 16 | r.U8(p + 1) << 8 | r.U8(p);
    }
  }

  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  const std::size_t stride = ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
  // Uncompressed pixels must all be in the file; run-length data at most
  // expands 255 pixels out of two bytes.
  if (!rle && !r.Has(dataOffset, stride * static_cast<std::size_t>(height))) return {};
  if (rle && (dataOffset > file.size() ||
              width * height > static_cast<std::int64_t>(file.size() - dataOffset) * 128 + width))
    return {};

  auto bmp = std::make_shared<Bitmap32>(static_cast<int>(width), static_cast<int>(height));
  const int w = bmp->Width, h = bmp->Height;
  auto rowOf = [&](int fileRow) { return topDown ? fileRow : h - 1 - fileRow; };

  if (rle) {
    if (topDown) return {};
    std::size_t p = dataOffset;
    // The position never leaves 0..w and 0..h: pixels and moves beyond the
    // right edge are dropped, whatever the runs claim.
    int x = 0, y = 0;  // y counts file rows (bottom first)
    auto put = [&](std::uint8_t index) {
      if (x >= w) return;
      bmp->At(x, rowOf(y)) = palette[index & ((1u << bits) - 1)];
      ++x;
    };
    while (r.Has(p, 2) && y < h) {
      const std::uint8_t count = r.U8(p), value = r.U8(p + 1);
      p += 2;
      if (count > 0) {
        for (int i = 0; i < count; ++i)
          put(bits == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F));
      } else if (value == 0) {
        x = 0, ++y;
      } else if (value == 1) {
        break;
      } else if (value == 2) {
        x = std::min(w, x + r.U8(p));
        y = std::min(h, y + r.U8(p + 1));
        p += 2;
      } else {
        const std::size_t bytes = bits == 8 ? value : (value + 1u) / 2;
        if (!r.Has(p, bytes)) break;
        for (int i = 0; i < value; ++i) {
          const std::uint8_t b = r.U8(p + (bits == 8 ? i : i / 2));
          put(bits == 8 ? b : (i % 2 == 0 ? b >> 4 : b & 0x0F));
        }
        p += (bytes + 1) & ~std::size_t{1};
      }
    }
  } else {
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    // The whole pixel array was checked to lie inside the file above.
    auto u16 = [](const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | p[1] << 8); };
    auto u32 = [](const std::uint8_t* p) {
      return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    };
    for (int fy = 0; fy < h; ++fy) {
      const std::uint8_t* row = file.data() + dataOffset + stride * static_cast<std::size_t>(fy);
      std::uint32_t* out = &bmp->At(0, rowOf(fy));
      switch (bits) {
        case 1:
          for (int x = 0; x < w; ++x) out[x] = palette[(row[x / 8] >> (7 - x % 8)) & 1];
          break;
        case 4:
          for (int x = 0; x < w; ++x) out[x] = palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
          break;
        case 8:
          for (int x = 0; x < w; ++x) out[x] = palette[row[x]];
          break;
        case 16:
          for (int x = 0; x < w; ++x) {
            const std::uint32_t v = u16(row + 2 * x);
            out[x] = 0xFF000000u | red.Get(v) << 16 | green.Get(v) << 8 | blue.Get(v);
          }
          break;
        case 24:
          for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = row + 3 * x;
            out[x] = 0xFF000000u | static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
          }
          break;
        case 32:
          if (compression == BI_RGB && std::endian::native == std::endian::little) {
            std::memcpy(out, row, 4 * static_cast<std::size_t>(w));
          } else if (compression == BI_RGB) {
            for (int x = 0; x < w; ++x) out[x] = u32(row + 4 * x);
          } else {
            for (int x = 0; x < w; ++x) {
              const std::uint32_t v = u32(row + 4 * x);
              out[x] = (alpha.mask ? alpha.Get(v) << 24 : 0xFF000000u) | red.Get(v) << 16 | green.Get(v) << 8 |
                       blue.Get(v);
            }
          }
          break;
      }
    }
  }
  // Many 32-bit files leave the fourth byte 0: such an image has no alpha.
  const bool noAlpha = std::all_of(bmp->Pixels.begin(), bmp->Pixels.end(),
                                   [](std::uint32_t p) { return (p >> 24) == 0; });
  if (bits < 32 || noAlpha) bmp->MakeOpaqueExceptKey();
  return DecodedBitmap{std::move(bmp), bits};
}

std::vector<std::uint8_t> EncodeBmp32(const Bitmap32& b) {
  std::vector<std::uint8_t> out;
  auto u16 = [&](std::uint32_t v) { out.push_back(v & 0xFF), out.push_back((v >> 8) & 0xFF); };
  auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  const std::uint32_t dataSize = static_cast<std::uint32_t>(b.Pixels.size() * 4);
  out.push_back('B'), out.push_back('M');
  u32(14 + 40 + dataSize), u32(0), u32(14 + 40);
  u32(40), u32(static_cast<std::uint32_t>(b.Width)), u32(static_cast<std::uint32_t>(-b.Height));
  u16(1), u16(32), u32(BI_RGB), u32(dataSize), u32(2835), u32(2835), u32(0), u32(0);
  for (std::uint32_t p : b.Pixels) u32(p);
  return out;
}

}  // namespace skin
