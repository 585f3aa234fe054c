#include "skin/WinImageDecoder.h"

#include <windows.h>
#include <objidl.h>

#include <cstring>
#include <memory>
#include <new>

namespace skin {

namespace {

// The few declarations of the GDI+ flat API used here; the library is loaded
// at run time so that a missing GDI+ only costs the PNG and JPEG images.
struct StartupInput {
  UINT32 GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};
struct LockRect {
  INT X, Y, Width, Height;
};
struct LockedData {
  UINT Width, Height;
  INT Stride;
  INT PixelFormat;
  void* Scan0;
  UINT_PTR Reserved;
};
constexpr INT PixelFormat32bppARGB = 0x26200A;
constexpr UINT ImageLockModeRead = 1;
constexpr int Ok = 0;

using StartupFn = int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*);
using ShutdownFn = void(WINAPI*)(ULONG_PTR);
using CreateFromStreamFn = int(WINAPI*)(IStream*, void**);
using SizeFn = int(WINAPI*)(void*, UINT*);
using LockBitsFn = int(WINAPI*)(void*, const LockRect*, UINT, INT, LockedData*);
using UnlockBitsFn = int(WINAPI*)(void*, LockedData*);
using DisposeFn = int(WINAPI*)(void*);
using CreateMemStreamFn = IStream*(WINAPI*)(const BYTE*, UINT);

template <class Fn>
Fn Proc(HMODULE module, const char* name) {
  // GetProcAddress hands out a generic function pointer; the GDI+ exports
  // have exactly the signatures declared above.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

struct ComRelease {
  void operator()(IUnknown* p) const { p->Release(); }
};

}  // namespace

struct GdiPlusImageDecoder::Api {
  HMODULE module = nullptr;
  HMODULE shlwapi = nullptr;
  ULONG_PTR token = 0;
  bool started = false;
  ShutdownFn shutdown = nullptr;
  CreateFromStreamFn createFromStream = nullptr;
  SizeFn width = nullptr, height = nullptr;
  LockBitsFn lockBits = nullptr;
  UnlockBitsFn unlockBits = nullptr;
  DisposeFn dispose = nullptr;
  CreateMemStreamFn createMemStream = nullptr;

  Api() {
    shlwapi = ::LoadLibraryW(L"shlwapi.dll");
    if (shlwapi) createMemStream = Proc<CreateMemStreamFn>(shlwapi, "SHCreateMemStream");
    module = ::LoadLibraryW(L"gdiplus.dll");
    if (!module) return;
    const auto startup = Proc<StartupFn>(module, "GdiplusStartup");
    shutdown = Proc<ShutdownFn>(module, "GdiplusShutdown");
    createFromStream = Proc<CreateFromStreamFn>(module, "GdipCreateBitmapFromStream");
    width = Proc<SizeFn>(module, "GdipGetImageWidth");
    height = Proc<SizeFn>(module, "GdipGetImageHeight");
    lockBits = Proc<LockBitsFn>(module, "GdipBitmapLockBits");
    unlockBits = Proc<UnlockBitsFn>(module, "GdipBitmapUnlockBits");
    dispose = Proc<DisposeFn>(module, "GdipDisposeImage");
    if (!createMemStream || !startup || !shutdown || !createFromStream || !width || !height || !lockBits || !unlockBits || !dispose) return;
    const StartupInput input;
    started = startup(&token, &input, nullptr) == Ok;
  }
  ~Api() {
    if (started) shutdown(token);
    if (module) ::FreeLibrary(module);
    if (shlwapi) ::FreeLibrary(shlwapi);
  }
};

GdiPlusImageDecoder::GdiPlusImageDecoder() = default;
GdiPlusImageDecoder::~GdiPlusImageDecoder() = default;

GdiPlusImageDecoder::Api& GdiPlusImageDecoder::api() const {
  if (!api_) api_ = std::make_unique<Api>();
  return *api_;
}

bool GdiPlusImageDecoder::Available() const { return api().started; }

std::shared_ptr<Bitmap32> GdiPlusImageDecoder::Decode(std::span<const std::uint8_t> bytes, std::string_view) {
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return nullptr;
  const Api& gdiplus = api();
  if (!gdiplus.started) return nullptr;
  std::unique_ptr<IStream, ComRelease> stream(gdiplus.createMemStream(bytes.data(), static_cast<UINT>(bytes.size())));
  if (!stream) return nullptr;
  void* created = nullptr;
  if (gdiplus.createFromStream(stream.get(), &created) != Ok || !created) return nullptr;
  const auto dispose = [&gdiplus](void* p) { gdiplus.dispose(p); };
  const std::unique_ptr<void, decltype(dispose)> image(created, dispose);
  UINT w = 0, h = 0;
  if (gdiplus.width(image.get(), &w) != Ok || gdiplus.height(image.get(), &h) != Ok || w == 0 || h == 0 ||
      w > static_cast<UINT>(MaxBitmapSide) || h > static_cast<UINT>(MaxBitmapSide) ||
      static_cast<long long>(w) * h > MaxBitmapPixels)
    return nullptr;
  const LockRect rect{0, 0, static_cast<INT>(w), static_cast<INT>(h)};
  LockedData data{};
  if (gdiplus.lockBits(image.get(), &rect, ImageLockModeRead, PixelFormat32bppARGB, &data) != Ok) return nullptr;
  // Unlocked before the image is disposed: declared after it.
  const auto unlock = [&gdiplus, &image](LockedData* d) { gdiplus.unlockBits(image.get(), d); };
  const std::unique_ptr<LockedData, decltype(unlock)> locked(&data, unlock);
  std::shared_ptr<Bitmap32> bmp;
  try {
    bmp = std::make_shared<Bitmap32>(static_cast<int>(w), static_cast<int>(h));
  } catch (const std::bad_alloc&) {
    return nullptr;  // no room for the pixels: the image is missing, as one too large is
  }
  for (UINT y = 0; y < h; ++y)
    std::memcpy(&bmp->At(0, static_cast<int>(y)),
                static_cast<const std::uint8_t*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride,
                4 * static_cast<std::size_t>(w));
  return bmp;
}

}  // namespace skin
