#include "skinctrl/gdi/Regions.h"

#include <cstring>
#include <limits>

namespace skinctrl {

fw::UniqueRegion RegionWithout(int width, int height, const std::vector<skin::TRect>& cuts) {
  fw::UniqueRegion region(::CreateRectRgn(0, 0, width, height));
  if (!region || cuts.empty()) return region;
  // Combining one rectangle at a time costs time with every rectangle
  // already in the region; ExtCreateRegion takes them all at once.
  if (cuts.size() > (std::numeric_limits<DWORD>::max() - sizeof(RGNDATAHEADER)) / sizeof(RECT)) return region;
  std::vector<std::uint8_t> buffer(sizeof(RGNDATAHEADER) + cuts.size() * sizeof(RECT));
  RGNDATAHEADER header{};
  header.dwSize = sizeof(RGNDATAHEADER);
  header.iType = RDH_RECTANGLES;
  header.nCount = static_cast<DWORD>(cuts.size());
  header.rcBound = RECT{0, 0, width, height};
  std::memcpy(buffer.data(), &header, sizeof header);
  for (std::size_t i = 0; i < cuts.size(); ++i) {
    const RECT r{cuts[i].Left, cuts[i].Top, cuts[i].Right, cuts[i].Bottom};
    std::memcpy(buffer.data() + sizeof header + i * sizeof(RECT), &r, sizeof r);
  }
  const fw::UniqueRegion cut(
      ::ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), reinterpret_cast<const RGNDATA*>(buffer.data())));
  if (cut) ::CombineRgn(region.get(), region.get(), cut.get(), RGN_DIFF);
  return region;
}

}  // namespace skinctrl
