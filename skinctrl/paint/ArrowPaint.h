#pragma once
// Vector arrows for buttons without a glyph image (the combo box's drop-down
// button, scroll-bar arrows of skins that bring none): a solid triangle
// built pointing down in an image of its own and blended, turned as asked,
// into the middle of a rectangle.
#include "skin/SkinColors.h"
#include "skin/SkinModel.h"
#include "skinctrl/paint/ScanLines.h"

namespace skinctrl {

enum class TacArrowDirection { Left = 0, Up = 1, Right = 2, Down = 3 };
// arsSolid1 and arsSolid2 of the manager's arrow styles.
enum class TacSolidArrowStyle { Solid1, Solid2 };

inline constexpr int DefaultArrowSize = 5;

// The arrow in colour into rect of target; size 0: the default size.
void DrawSolidArrow(const ScanLines& target, skin::TColor color, skin::TRect rect, TacArrowDirection direction,
                    int size = 0, TacSolidArrowStyle style = TacSolidArrowStyle::Solid1);

}  // namespace skinctrl
