// Where a skinned combo box puts its drop-down button and its text inside the
// control. Portable: the combo box feeds it its size and the skin's margin.
#pragma once

#include "skin/SkinModel.h"

namespace skinctrl {

using skin::TRect;

// The button of buttonWidth at the right end, margin pixels in from the
// control's edges.
TRect ComboButtonRect(int width, int height, int buttonWidth, int margin) noexcept;

// The room of the text: inset pixels in from the control's left, top and
// bottom, gap pixels before the button.
TRect ComboTextRect(const TRect& button, int width, int height, int inset, int gap) noexcept;

}  // namespace skinctrl
