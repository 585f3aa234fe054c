#include "skin/WinPreviewImages.h"

#include "framework/Handles.h"

#include <cstring>

namespace skin {

namespace {

constexpr std::uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Nearest-neighbour scaling to the list's size.
Bitmap32 Fit(const Bitmap32& src, int w, int h) {
  if (src.Width == w && src.Height == h) return src;
  Bitmap32 out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out.At(x, y) = src.At(static_cast<int>(static_cast<long long>(x) * src.Width / w),
                            static_cast<int>(static_cast<long long>(y) * src.Height / h));
  return out;
}

}  // namespace

WinPreviewImageList::WinPreviewImageList()
    : list_(::ImageList_Create(Width, Height, ILC_COLOR32, 0, 4)) {}

WinPreviewImageList::~WinPreviewImageList() {
  if (list_) ::ImageList_Destroy(list_);
}

void WinPreviewImageList::Clear() {
  if (list_) ::ImageList_Remove(list_, -1);
}

int WinPreviewImageList::Add(std::span<const std::uint8_t> png) {
  if (!list_ || png.size() < sizeof PngSignature || std::memcmp(png.data(), PngSignature, sizeof PngSignature) != 0)
    return -1;
  const auto image = decoder_.Decode(png, ".PNG");
  if (!image || image->Empty()) return -1;
  const Bitmap32 fitted = Fit(*image, Width, Height);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = Width;
  info.bmiHeader.biHeight = -Height;  // top-down rows, as Bitmap32 keeps them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  fw::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return -1;
  std::memcpy(bits, fitted.Pixels.data(), fitted.Pixels.size() * sizeof(std::uint32_t));
  // The image list copies the pixels; the bitmap stays ours to free.
  return ::ImageList_Add(list_, bitmap.get(), nullptr);
}

}  // namespace skin
