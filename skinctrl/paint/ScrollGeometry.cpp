#include "skinctrl/paint/ScrollGeometry.h"

#include <algorithm>
#include <cstdint>

namespace skinctrl {

int MulDiv(int a, int b, int c) noexcept {
  if (c == 0) return -1;
  const std::int64_t p = static_cast<std::int64_t>(a) * b;
  const std::int64_t half = (c < 0 ? -c : c) / 2;
  const bool negative = (p < 0) != (c < 0);
  const std::int64_t q = ((p < 0 ? -p : p) + half) / (c < 0 ? -static_cast<std::int64_t>(c) : c);
  return static_cast<int>(negative ? -q : q);
}

TThumbMetrics GetThumbMetrics(const TScrollInfo& si, const TBarSpan& bar) noexcept {
  const int a = bar.ArrowLength;
  const int range = si.nMax - si.nMin + 1;
  const int track = bar.Length - 2 * a;
  int size = 0;
  if (si.nPage == 0)
    size = std::max(a, bar.MinThumbSize);
  else if (range > 0)
    size = MulDiv(si.nPage, track, range);
  if (a == 0 && size < 19)
    size = 19;
  else if (size < bar.MinThumbSize)
    size = bar.MinThumbSize;
  int offset = 0;
  if (range > 0 && track - size > 0) {
    offset = MulDiv(si.nPos - si.nMin, track - size, range - std::max(1, si.nPage));
    offset = std::clamp(offset, 0, track - size);
  }
  return {size, bar.Start + a + offset};
}

int ScrollHitTest(const TScrollInfo& si, const TBarSpan& bar, int at, bool shift) noexcept {
  const int a = bar.ArrowLength, s = bar.Start, l = bar.Length;
  const int e = 2 * a < l ? a : l / 2;
  if (at >= s && at < s + e) return spFirstArrow;
  if (at >= s + l - e && at < s + l) return spSecondArrow;
  const TThumbMetrics thumb = GetThumbMetrics(si, bar);
  if (thumb.Size >= l - 2 * a) return spNone;
  if (at >= thumb.Start && at < thumb.Start + thumb.Size) return spThumb;
  int portion = spNone;
  if (at >= s + e && at < thumb.Start)
    portion = spTrackBefore;
  else if (at >= thumb.Start + thumb.Size && at < s + l - e)
    portion = spTrackAfter;
  if (portion != spNone && shift) portion = spShiftTrack;
  return portion;
}

TThumbDrag DragThumb(const TScrollInfo& si, const TBarSpan& bar, int thumbSize, int mouseOffset, int at) noexcept {
  const int trackStart = bar.Start + bar.ArrowLength;
  const int trackLength = bar.Length - 2 * bar.ArrowLength;
  const int thumbStart = std::clamp(at - mouseOffset, trackStart, std::max(trackStart, trackStart + trackLength - thumbSize));
  TThumbDrag drag{thumbStart, 0};
  if (si.nMax - si.nMin < 1)
    drag.Position = thumbStart - trackStart;
  else if (trackLength - thumbSize > 0)
    drag.Position = MulDiv(thumbStart - trackStart, si.nMax - si.nMin - std::max(si.nPage, 0) + 1, trackLength - thumbSize);
  return drag;
}

}  // namespace skinctrl
