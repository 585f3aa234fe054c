// The geometry of a skinned scroll bar along its length, with the system's
// scroll information: thumb size and place, hit portions, thumb drags.
#include <gtest/gtest.h>

#include "skinctrl/paint/ScrollGeometry.h"

namespace {

using namespace skinctrl;

TEST(ScrollGeometry, ThumbSizeFollowsThePageWithItsFloors) {
  // 216 long with 17-pixel arrows: a track of 182.
  const TBarSpan bar{72, 216, 17};
  EXPECT_EQ(GetThumbMetrics({0, 199, 13, 0}, bar).Size, 16) << "13 of 200 of the track is below the floor of 16";
  EXPECT_EQ(GetThumbMetrics({0, 99, 50, 0}, bar).Size, 91);
  EXPECT_EQ(GetThumbMetrics({0, 199, 0, 0}, bar).Size, 17) << "without a page: as long as an arrow";
  EXPECT_EQ(GetThumbMetrics({0, 199, 0, 0}, TBarSpan{0, 216, 10}).Size, 16) << "but at least 16";
  EXPECT_EQ(GetThumbMetrics({0, 199, 13, 0}, TBarSpan{0, 216, 0}).Size, 19) << "arrows of length 0: at least 19";
}

TEST(ScrollGeometry, ThumbPlaceRunsFromTheFirstArrowToTheSecond) {
  const TBarSpan bar{72, 216, 17};
  EXPECT_EQ(GetThumbMetrics({0, 199, 13, 0}, bar).Start, 89);
  const TThumbMetrics last = GetThumbMetrics({0, 199, 13, 187}, bar);
  EXPECT_EQ(last.Start + last.Size, 72 + 216 - 17);
  // Positions beyond the range stay in the track.
  const TThumbMetrics beyond = GetThumbMetrics({0, 199, 13, 500}, bar);
  EXPECT_EQ(beyond.Start + beyond.Size, 72 + 216 - 17);
  EXPECT_EQ(GetThumbMetrics({10, 209, 13, 10}, bar).Start, 89) << "measured from nMin";
}

TEST(ScrollGeometry, HitPortionsAlongTheBar) {
  const TBarSpan bar{0, 216, 17};
  const TScrollInfo mid{0, 199, 13, 100};
  const TThumbMetrics thumb = GetThumbMetrics(mid, bar);
  EXPECT_EQ(ScrollHitTest(mid, bar, 0, false), spFirstArrow);
  EXPECT_EQ(ScrollHitTest(mid, bar, 16, false), spFirstArrow);
  EXPECT_EQ(ScrollHitTest(mid, bar, 17, false), spTrackBefore);
  EXPECT_EQ(ScrollHitTest(mid, bar, thumb.Start - 1, false), spTrackBefore);
  EXPECT_EQ(ScrollHitTest(mid, bar, thumb.Start, false), spThumb);
  EXPECT_EQ(ScrollHitTest(mid, bar, thumb.Start + thumb.Size - 1, false), spThumb);
  EXPECT_EQ(ScrollHitTest(mid, bar, thumb.Start + thumb.Size, false), spTrackAfter);
  EXPECT_EQ(ScrollHitTest(mid, bar, 198, false), spTrackAfter);
  EXPECT_EQ(ScrollHitTest(mid, bar, 199, false), spSecondArrow);
  EXPECT_EQ(ScrollHitTest(mid, bar, 215, false), spSecondArrow);
  // With Shift the track jumps; arrows and thumb stay what they are.
  EXPECT_EQ(ScrollHitTest(mid, bar, 17, true), spShiftTrack);
  EXPECT_EQ(ScrollHitTest(mid, bar, 198, true), spShiftTrack);
  EXPECT_EQ(ScrollHitTest(mid, bar, thumb.Start, true), spThumb);
  EXPECT_EQ(ScrollHitTest(mid, bar, 0, true), spFirstArrow);
}

TEST(ScrollGeometry, AShortBarIsTwoHalfArrowsAndABarWithoutRoomHasNoTrack) {
  const TBarSpan shortBar{0, 30, 17};
  EXPECT_EQ(ScrollHitTest({0, 199, 13, 0}, shortBar, 14, false), spFirstArrow);
  EXPECT_EQ(ScrollHitTest({0, 199, 13, 0}, shortBar, 15, false), spSecondArrow);
  // The whole range in one page: the thumb would fill the track.
  EXPECT_EQ(ScrollHitTest({0, 9, 10, 0}, TBarSpan{0, 216, 17}, 100, false), spNone);
}

TEST(ScrollGeometry, ADraggedThumbIsClampedAndStandsForAPosition) {
  const TBarSpan bar{0, 216, 17};
  const TScrollInfo si{0, 199, 13, 0};
  const int size = GetThumbMetrics(si, bar).Size;
  const TThumbDrag above = DragThumb(si, bar, size, 8, -500);
  EXPECT_EQ(above.ThumbStart, 17);
  EXPECT_EQ(above.Position, 0);
  const TThumbDrag below = DragThumb(si, bar, size, 8, 5000);
  EXPECT_EQ(below.ThumbStart, 216 - 17 - size);
  EXPECT_EQ(below.Position, 199 - 13 + 1);
  const TThumbDrag middle = DragThumb(si, bar, size, 8, 17 + 8 + (216 - 34 - size) / 2);
  EXPECT_NEAR(middle.Position, 187 / 2, 1);
  // A range of a single position: the pixel offset itself.
  EXPECT_EQ(DragThumb({0, 0, 0, 0}, bar, size, 0, 30).Position, 13);
}

TEST(ScrollGeometry, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(13, 182, 200), 12);
  EXPECT_EQ(MulDiv(1, 3, 2), 2);
  EXPECT_EQ(MulDiv(-1, 3, 2), -2);
  EXPECT_EQ(MulDiv(5, 5, 0), -1);
  EXPECT_EQ(MulDiv(1 << 30, 4, 8), 1 << 29) << "no overflow in between";
}

}  // namespace
