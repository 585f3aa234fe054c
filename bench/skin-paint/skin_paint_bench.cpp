// The main window's controls painted from our stored skin: the cache rebuild
// of every control (panel, label, combo box, memo, button, each over the
// panel's cache) and the repaint of the 200 x 112 window from those caches,
// in microseconds. Natively the repaint copies scan lines into a window-sized
// bitmap; on Windows the caches are DIB sections blitted into a real window.
#include "skin/SkinLoader.h"
#include "skins/OpusSkin.h"
#include "skinctrl/paint/SectionPaint.h"

#ifdef _WIN32
#include "skinctrl/gdi/DibBitmap.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLON_BENCH_ASAN 1
#endif
#endif

namespace {

using namespace skinctrl;

std::unique_ptr<skin::SkinModel> LoadOpus() {
  skin::TacSkinConvertor reader;
  reader.BorrowPackedData(skins::OpusSkinArchive());
  if (!reader.ReadArchive() || !reader.Options) std::abort();
  const skin::SkinIni ini = skin::SkinIni::FromBytes(reader.Options->Bytes());
  skin::SkinSource source;
  source.Options = &ini;
  source.Archive = &reader;
  return skin::BuildSkinModel(source, skin::SkinModel{});
}

// One control of the window: its section, its place on the panel, its cache.
struct Control {
  Control(const char* name, const char* section, TRect bounds) : Name(name), Section(section), Bounds(bounds) {}
  const char* Name;
  const char* Section;  // none: a transparent control, its cache the panel's pixels under it
  TRect Bounds;
  int SkinIndex = -1;
#ifdef _WIN32
  TDibBitmap Cache;
  ScanLines Lines() const { return Cache.Lines(); }
  void Allocate() { Cache = NewBitmap32(Bounds.Width(), Bounds.Height()); }
#else
  skin::Bitmap32 Cache;
  ScanLines Lines() { return LinesOf(Cache); }
  void Allocate() { Cache = skin::Bitmap32(Bounds.Width(), Bounds.Height()); }
#endif
};

double MedianMicros(int runs, const std::function<void()>& work) {
  for (int i = 0; i < runs / 10 + 1; ++i) work();
  std::vector<double> micros;
  micros.reserve(static_cast<std::size_t>(runs));
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(micros.begin(), micros.end());
  return micros[micros.size() / 2];
}

}  // namespace

int main() {
#ifdef QUILLON_BENCH_ASAN
  std::printf("skin-paint: built with AddressSanitizer: times are inflated\n");
#endif
  const auto model = LoadOpus();
  // The window of the check program: the panel fills the client area; the
  // label is transparent text over it.
  std::vector<Control> controls;
  controls.emplace_back("panel", "PANEL", TRect{0, 0, 200, 112});
  controls.emplace_back("label", nullptr, TRect{8, 12, 32, 25});
  controls.emplace_back("combo box", "COMBOBOX", TRect{38, 9, 109, 30});
  controls.emplace_back("memo", "EDIT", TRect{8, 36, 193, 73});
  controls.emplace_back("button", "BUTTON", TRect{118, 79, 193, 104});
  int drawable = 0;
  for (const auto& m : model->ma) drawable += (m.Bmp && !m.Bmp->Empty()) || !model->MasterBitmap->Empty();
  std::printf("skin-paint: Opus: %zu sections, %zu images (%d with pixels), master bitmap %d x %d\n",
              model->gd.size(), model->ma.size(), drawable, model->MasterBitmap->Width, model->MasterBitmap->Height);
  for (auto& c : controls) {
    if (c.Section) c.SkinIndex = model->GetSkinIndex(c.Section);
    c.Allocate();
    std::printf("skin-paint: %-9s %-9s %3d x %3d%s\n", c.Name, c.Section ? c.Section : "-", c.Bounds.Width(),
                c.Bounds.Height(), c.Section && c.SkinIndex < 0 ? ", section missing" : "");
  }

  auto rebuild = [&](Control& c, int state) {
    if (!c.Section) {
      CopyRect(c.Lines(), {0, 0, c.Bounds.Width(), c.Bounds.Height()}, controls[0].Lines(), {c.Bounds.Left, c.Bounds.Top});
      return;
    }
    TControlLook look;
    look.SkinIndex = c.SkinIndex;
    const TCacheInfo parent = &c == &controls[0] ? TCacheInfo{} : CacheInfoOfBitmap(controls[0].Lines(), 0, 0);
    PaintSkinControl(model.get(), look, parent, -1, -1, true, c.Lines(), {c.Bounds.Left, c.Bounds.Top},
                     {0, 0, c.Bounds.Width(), c.Bounds.Height()}, state);
  };
  auto rebuildAll = [&] {
    for (auto& c : controls) rebuild(c, 0);
  };
  rebuildAll();
  for (auto& c : controls) {
    const double us = MedianMicros(400, [&] { rebuild(c, 1); });
    std::printf("skin-paint: cache rebuild, %-9s %8.1f us\n", c.Name, us);
  }
  std::printf("skin-paint: cache rebuild, whole window %8.1f us (target 5000)\n", MedianMicros(400, rebuildAll));

#ifdef _WIN32
  // A real window's DC, as WM_PAINT would blit into it.
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QuillonPaintBench";
  ::RegisterClassW(&wc);
  HWND wnd = ::CreateWindowExW(0, wc.lpszClassName, L"bench", WS_POPUP | WS_VISIBLE, 0, 0, 200, 112, nullptr, nullptr,
                               wc.hInstance, nullptr);
  {
    fw::WindowDc dc(wnd);
    auto repaint = [&] {
      for (const auto& c : controls)
        CopyToDC(dc.get(), c.Bounds.Left, c.Bounds.Top, c.Cache, {0, 0, c.Bounds.Width(), c.Bounds.Height()});
      ::GdiFlush();
    };
    std::printf("skin-paint: repaint from caches (BitBlt into the window) %8.1f us (target 1000)\n",
                MedianMicros(2000, repaint));
  }
  ::DestroyWindow(wnd);
#else
  skin::Bitmap32 screen(200, 112);
  auto repaint = [&] {
    const ScanLines target = LinesOf(screen);
    for (auto& c : controls) CopyRect(target, c.Bounds, c.Lines(), {0, 0});
  };
  std::printf("skin-paint: repaint from caches (scan-line copies) %8.1f us (target 1000)\n", MedianMicros(2000, repaint));
#endif
  // The window as the caches compose it, for a look: skin-paint-window.bmp
  // in the working folder.
  skin::Bitmap32 window(200, 112);
  for (auto& c : controls) CopyRect(LinesOf(window), c.Bounds, c.Lines(), {0, 0});
  const auto file = skin::EncodeBmp32(window);
  if (std::FILE* f = std::fopen("skin-paint-window.bmp", "wb")) {
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
  }
  return 0;
}
