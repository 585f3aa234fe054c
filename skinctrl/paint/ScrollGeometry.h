// The geometry of a skinned scroll bar along its length: thumb size and
// place, which portion a point hits, and the position a dragged thumb
// stands for. Portable: the window adapters feed it the system's scroll
// information.
#pragma once

namespace skinctrl {

// The scroll information of one bar (the system's SCROLLINFO fields).
struct TScrollInfo {
  int nMin = 0;
  int nMax = 0;
  int nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

// Portions of a bar; 0 to 3 and 5 are also the scroll codes sent for them.
enum TScrollPortion : int {
  spNone = -1,
  spFirstArrow = 0,   // SB_LINEUP / SB_LINELEFT
  spSecondArrow = 1,  // SB_LINEDOWN / SB_LINERIGHT
  spTrackBefore = 2,  // SB_PAGEUP / SB_PAGELEFT
  spTrackAfter = 3,   // SB_PAGEDOWN / SB_PAGERIGHT
  spShiftTrack = 4,   // the track clicked with Shift held: the thumb jumps there
  spThumb = 5,        // SB_THUMBTRACK
};

inline constexpr int DefaultMinThumbSize = 16;

// One bar along its length: it starts at Start and is Length long, with
// arrow buttons of ArrowLength at both ends.
struct TBarSpan {
  int Start = 0;
  int Length = 0;
  int ArrowLength = 0;
  int MinThumbSize = DefaultMinThumbSize;
};

struct TThumbMetrics {
  int Size = 0;
  int Start = 0;  // absolute, in the coordinates of TBarSpan::Start
};

// a * b / c rounded to the nearest, halves away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c) noexcept;

TThumbMetrics GetThumbMetrics(const TScrollInfo& si, const TBarSpan& bar) noexcept;
// The portion at `at` along the bar (the caller has checked that the point
// lies across the bar); shift: the Shift key is down.
int ScrollHitTest(const TScrollInfo& si, const TBarSpan& bar, int at, bool shift) noexcept;

// A thumb drag: where the thumb lies for the cursor at `at` (clamped into
// the track), and the scroll position that place stands for, relative to
// nMin.
struct TThumbDrag {
  int ThumbStart = 0;
  int Position = 0;
};
TThumbDrag DragThumb(const TScrollInfo& si, const TBarSpan& bar, int thumbSize, int mouseOffset, int at) noexcept;

}  // namespace skinctrl
