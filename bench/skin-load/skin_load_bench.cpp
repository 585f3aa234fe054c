// Reads a skin archive and builds the whole section model, many times, and
// prints the time of one load (microseconds) and the bytes it allocates.
#include "skin/SkinLoader.h"

#ifdef QUILLON_HAVE_OPUS_SKIN
#include "skins/OpusSkin.h"
#endif
#include "../support/TableRow.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
#include <vector>

namespace {

std::atomic<bool> counting{false};
std::atomic<std::size_t> allocatedBytes{0};
std::atomic<std::size_t> allocations{0};

void* Allocate(std::size_t size) {
  if (counting.load(std::memory_order_relaxed)) {
    allocatedBytes.fetch_add(size, std::memory_order_relaxed);
    allocations.fetch_add(1, std::memory_order_relaxed);
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLON_BENCH_ASAN 1
#endif
#endif

// A synthetic skin shaped like ours: an options file with a few dozen
// sections, a master bitmap and one separate image.
std::vector<std::uint8_t> SyntheticArchive() {
  std::string options = "[GLOBALINFO]\r\nVERSION=10.25\r\nMASTERBITMAP=MASTER COPY.BMP\r\n"
                        "BOXCHECKED=@0000@0000@0039@0013@3@0\r\nBICONCLOSE=@0040@0000@0085@0015@3@1\r\n";
  for (int i = 0; i < 40; ++i) {
    options += "[SECTION" + std::to_string(i) + "]\r\n";
    if (i > 0) options += "PARENTCLASS=SECTION" + std::to_string(i / 2) + "\r\n";
    options += "COLOR=14344676\r\nHOTCOLOR=15000000\r\nFONTCOLOR=4276545\r\nTRANSPARENCY=0\r\n"
               "GRADIENTDATA=15002349;16777215;97;0;0;16777215;16777215;0;0;0\r\n"
               "BORDERSMASK=^0000^0030^0060^0050^0002^0002^0002^0002^3^0^1^0\r\n"
               "PATTERN=~0100~0000~0110~0010~10~0\r\n";
  }
  options += "[BUTTON_HUGE]\r\nBORDERSMASK=!BUTTONHUGE.BMP!3!1!0!0032!0032!0032!0032!0\r\n";
  skin::Bitmap32 master(256, 128, 0xFF808080u);
  master.At(0, 30) = skin::KeyColorPixel;
  const std::vector<skin::ArchiveMember> members = {
      {"OPTIONS.DAT", {options.begin(), options.end()}},
      {"MASTER COPY.BMP", skin::EncodeBmp32(master)},
      {"BUTTONHUGE.BMP", skin::EncodeBmp32(skin::Bitmap32(198, 132, 0xFF606060u))}};
  return skin::WriteSkinArchive(members);
}

std::size_t LoadOnce(std::span<const std::uint8_t> archive) {
  skin::TacSkinConvertor reader;
  reader.BorrowPackedData(archive);
  if (!reader.ReadArchive() || !reader.Options) std::abort();
  const skin::SkinIni ini = skin::SkinIni::FromBytes(reader.Options->Bytes());
  skin::SkinSource source;
  source.Options = &ini;
  source.Archive = &reader;
  const auto model = skin::BuildSkinModel(source, skin::SkinModel{});
  return model->gd.size() + model->ma.size();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

double Measure(const char* what, std::span<const std::uint8_t> archive) {
  for (int i = 0; i < 20; ++i) LoadOnce(archive);

  allocatedBytes = 0;
  allocations = 0;
  counting = true;
  const std::size_t items = LoadOnce(archive);
  counting = false;

  constexpr int Runs = 300;
  std::vector<double> micros;
  micros.reserve(Runs);
  // The processor time of the whole series as well: on a busy machine the
  // wall-clock figures include time spent waiting for a core.
  const std::clock_t cpuStart = std::clock();
  for (int i = 0; i < Runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    LoadOnce(archive);
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  const double cpuMicros = 1e6 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC / Runs;
  std::sort(micros.begin(), micros.end());
  std::printf("skin-load: %s, %zu bytes, %zu records and images\n", what, archive.size(), items);
  std::printf("skin-load:   median %.1f us, fastest %.1f us, slowest %.1f us over %d loads\n", micros[Runs / 2],
              micros.front(), micros.back(), Runs);
#ifdef _WIN32
  // The Windows C runtime's clock() counts wall-clock time, not processor time.
  (void)cpuMicros;
#else
  std::printf("skin-load:   %.1f us of processor time per load\n", cpuMicros);
#endif
  std::printf("skin-load:   %zu bytes allocated in %zu allocations per load\n", allocatedBytes.load(),
              allocations.load());
  return micros[Runs / 2];
}

int main() {
#ifdef QUILLON_BENCH_ASAN
  std::printf("skin-load: built with AddressSanitizer: times are inflated\n");
#endif
#ifdef QUILLON_HAVE_OPUS_SKIN
  const double stored = Measure("stored skin (skins/Opus.asz)", skins::OpusSkinArchive());
#if !defined(_WIN32) && !defined(QUILLON_BENCH_ASAN)
  benchtable::Row(9, "stored skin read and modelled, native Release build", benchtable::Format("%.2f ms", stored / 1000),
                  "<= 1 ms", stored <= 1000);
#else
  (void)stored;
#endif
#endif
  const auto synthetic = SyntheticArchive();
  Measure("synthetic archive", synthetic);
  return 0;
}
