// Image bytes → the BMP decoder, in every depth and compression it reads. Whatever
// it accepts is an image within the pixel budget that survives what a load does with
// it and comes back unchanged through a 32-bit file. (PNG and JPEG images are decoded
// by the system, on Windows only: there is no portable decoder of them to fuzz.)
#include "skin/Bitmap32.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const skin::DecodedBitmap decoded = skin::DecodeBmp({data, size});
  if (!decoded.Bitmap) return 0;
  const skin::Bitmap32& b = *decoded.Bitmap;
  if (b.Width <= 0 || b.Height <= 0 || b.Width > skin::MaxBitmapSide || b.Height > skin::MaxBitmapSide ||
      static_cast<long long>(b.Width) * b.Height > skin::MaxBitmapPixels ||
      b.Pixels.size() != static_cast<std::size_t>(b.Width) * static_cast<std::size_t>(b.Height))
    std::abort();
  switch (decoded.SourceBits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: std::abort();
  }
  // Fewer than 32 bits: opaque, except the key colour.
  if (decoded.SourceBits < 32)
    for (std::uint32_t p : b.Pixels)
      if ((p >> 24) != ((p & 0xFFFFFF) == skin::KeyColorPixel ? 0u : 0xFFu)) std::abort();
  const skin::DecodedBitmap again = skin::DecodeBmp(skin::EncodeBmp32(b));
  if (!again.Bitmap || again.Bitmap->Width != b.Width || again.Bitmap->Height != b.Height ||
      again.Bitmap->Pixels != b.Pixels)
    std::abort();
  skin::Bitmap32 copy = b;
  skin::PremultiplyAlpha(copy);
  for (std::size_t i = 0; i < copy.Pixels.size(); ++i) {
    const std::uint32_t p = copy.Pixels[i], a = p >> 24;
    if (a != b.Pixels[i] >> 24) std::abort();
    if ((p & 0xFFFFFF) != skin::KeyColorPixel &&
        (((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a))
      std::abort();
  }
  return 0;
}
