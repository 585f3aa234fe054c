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

// The image-list functions, bound on first use. The program imports nothing
// from the common-controls library: an import would load it before the entry
// point, where the manifest's class redirection loads it with the first
// control. Once loaded here it stays loaded.
struct ImageListFunctions {
  decltype(&::ImageList_Create) Create = nullptr;
  decltype(&::ImageList_Destroy) Destroy = nullptr;
  decltype(&::ImageList_Remove) Remove = nullptr;
  decltype(&::ImageList_Add) Add = nullptr;

  bool Bound() const noexcept { return Create && Destroy && Remove && Add; }
};

template <typename F>
void Bind(HMODULE module, F& function, const char* name) noexcept {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const ImageListFunctions& ImageLists() noexcept {
  static const ImageListFunctions functions = [] {
    ImageListFunctions f;
    if (const HMODULE module = ::LoadLibraryW(L"comctl32.dll")) {
      Bind(module, f.Create, "ImageList_Create");
      Bind(module, f.Destroy, "ImageList_Destroy");
      Bind(module, f.Remove, "ImageList_Remove");
      Bind(module, f.Add, "ImageList_Add");
    }
    return f.Bound() ? f : ImageListFunctions{};
  }();
  return functions;
}

}  // namespace

WinPreviewImageList::WinPreviewImageList()
    : list_(ImageLists().Bound() ? ImageLists().Create(Width, Height, ILC_COLOR32, 0, 4) : nullptr) {}

WinPreviewImageList::~WinPreviewImageList() {
  if (list_) ImageLists().Destroy(list_);
}

void WinPreviewImageList::Clear() {
  if (list_) ImageLists().Remove(list_, -1);
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
  return ImageLists().Add(list_, bitmap.get(), nullptr);
}

}  // namespace skin
