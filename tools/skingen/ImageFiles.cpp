#include "ImageFiles.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace skingen {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put32BE(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
std::uint32_t Get16(std::span<const std::uint8_t> b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
  return Get16(b, at) | (Get16(b, at + 2) << 16);
}
std::uint32_t Get32BE(std::span<const std::uint8_t> b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

void PutChunk(std::vector<std::uint8_t>& out, std::string_view type, std::span<const std::uint8_t> data) {
  Put32BE(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
  Put32BE(out, static_cast<std::uint32_t>(crc));
}

constexpr std::uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const Image& image) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(image.Width()) * 3 + 3) & ~3u;
  const std::uint32_t dataSize = stride * static_cast<std::uint32_t>(image.Height());
  std::vector<std::uint8_t> out;
  out.reserve(54 + dataSize);
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + dataSize);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(image.Width()));
  Put32(out, static_cast<std::uint32_t>(image.Height()));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);  // BI_RGB
  Put32(out, dataSize);
  Put32(out, 3780);  // 96 DPI in pixels per metre
  Put32(out, 3780);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = image.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < image.Width(); ++x) {
      const std::uint32_t c = image.At(x, y);
      out.push_back(static_cast<std::uint8_t>(c));
      out.push_back(static_cast<std::uint8_t>(c >> 8));
      out.push_back(static_cast<std::uint8_t>(c >> 16));
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(image.Width()) * 3; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

std::optional<Image> DecodeBmp(std::span<const std::uint8_t> b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const std::uint32_t offset = Get32(b, 10);
  const std::int32_t width = static_cast<std::int32_t>(Get32(b, 18));
  std::int32_t height = static_cast<std::int32_t>(Get32(b, 22));
  const std::uint32_t bits = Get16(b, 28);
  const std::uint32_t compression = Get32(b, 30);
  if (width <= 0 || height == 0 || width > 16384 || height > 16384 || height < -16384) return std::nullopt;
  if ((bits != 24 && bits != 32) || compression != 0) return std::nullopt;
  const bool bottomUp = height > 0;
  if (!bottomUp) height = -height;
  const std::size_t bytesPerPixel = bits / 8;
  const std::size_t stride = (static_cast<std::size_t>(width) * bytesPerPixel + 3) & ~std::size_t{3};
  if (offset > b.size() || (b.size() - offset) / stride < static_cast<std::size_t>(height)) return std::nullopt;
  Image image(width, height);
  for (int y = 0; y < height; ++y) {
    const std::size_t row = offset + stride * static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      const std::size_t p = row + static_cast<std::size_t>(x) * bytesPerPixel;
      image.Set(x, y, b[p] | (b[p + 1] << 8) | (b[p + 2] << 16));
    }
  }
  return image;
}

std::vector<std::uint8_t> EncodePng(const Image& image) {
  const int w = image.Width(), h = image.Height();
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(h) * (1 + 3 * w));
  auto channel = [&](int x, int y, int c) -> int {
    if (x < 0 || y < 0) return 0;
    return static_cast<int>((image.At(x, y) >> (16 - 8 * c)) & 0xFF);
  };
  for (int y = 0; y < h; ++y) {
    raw.push_back(4);  // Paeth
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c)
        raw.push_back(static_cast<std::uint8_t>(
            channel(x, y, c) - Paeth(channel(x - 1, y, c), channel(x, y - 1, c), channel(x - 1, y - 1, c))));
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) std::abort();
  packed.resize(packedSize);

  std::vector<std::uint8_t> out(std::begin(PngSignature), std::end(PngSignature));
  std::vector<std::uint8_t> header;
  Put32BE(header, static_cast<std::uint32_t>(w));
  Put32BE(header, static_cast<std::uint32_t>(h));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter set, no interlace
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", {});
  return out;
}

std::optional<Image> DecodePng(std::span<const std::uint8_t> b) {
  if (b.size() < 8 || std::memcmp(b.data(), PngSignature, 8) != 0) return std::nullopt;
  std::size_t at = 8;
  std::uint32_t width = 0, height = 0, colourType = 0;
  std::vector<std::uint8_t> idat;
  bool ended = false;
  while (!ended) {
    if (b.size() - at < 12) return std::nullopt;
    const std::uint32_t length = Get32BE(b, at);
    if (length > b.size() - at - 12) return std::nullopt;
    const std::string_view type(reinterpret_cast<const char*>(b.data() + at + 4), 4);
    const std::uint8_t* data = b.data() + at + 8;
    const uLong crc = crc32(0, b.data() + at + 4, length + 4);
    if (crc != Get32BE(b, at + 8 + length)) return std::nullopt;
    if (type == "IHDR") {
      if (length != 13) return std::nullopt;
      width = Get32BE(b, at + 8);
      height = Get32BE(b, at + 12);
      colourType = data[9];
      if (data[8] != 8 || (colourType != 2 && colourType != 6) || data[10] != 0 || data[11] != 0 || data[12] != 0)
        return std::nullopt;
      if (width == 0 || height == 0 || width > 16384 || height > 16384) return std::nullopt;
    } else if (type == "IDAT") {
      idat.insert(idat.end(), data, data + length);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  if (width == 0) return std::nullopt;
  const std::size_t bpp = colourType == 6 ? 4 : 3;
  const std::size_t stride = width * bpp;
  std::vector<std::uint8_t> raw(height * (stride + 1));
  uLongf rawSize = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &rawSize, idat.data(), static_cast<uLong>(idat.size())) != Z_OK || rawSize != raw.size())
    return std::nullopt;
  std::vector<std::uint8_t> prev(stride, 0), cur(stride);
  Image image(static_cast<int>(width), static_cast<int>(height));
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = raw.data() + y * (stride + 1);
    const int filter = row[0];
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= bpp ? cur[i - bpp] : 0;
      const int up = prev[i];
      const int c = i >= bpp ? prev[i - bpp] : 0;
      int predictor = 0;
      switch (filter) {
        case 0: predictor = 0; break;
        case 1: predictor = a; break;
        case 2: predictor = up; break;
        case 3: predictor = (a + up) / 2; break;
        case 4: predictor = Paeth(a, up, c); break;
        default: return std::nullopt;
      }
      cur[i] = static_cast<std::uint8_t>(row[1 + i] + predictor);
    }
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint8_t* p = cur.data() + x * bpp;
      image.Set(static_cast<int>(x), static_cast<int>(y), (std::uint32_t{p[0]} << 16) | (p[1] << 8) | p[2]);
    }
    prev.swap(cur);
  }
  return image;
}

}  // namespace skingen
