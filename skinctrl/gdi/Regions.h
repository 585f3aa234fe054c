// Window regions from the skin: a rectangle with the key-coloured corner
// pixels of a border image cut out.
#pragma once

#include "framework/Handles.h"
#include "skin/SkinModel.h"

#include <vector>

namespace skinctrl {

// The rectangle (0, 0, width, height) less the cuts, built in one pass: the
// cuts become one region from their rectangles, taken from the whole once.
// None when the system cannot make it.
fw::UniqueRegion RegionWithout(int width, int height, const std::vector<skin::TRect>& cuts);

}  // namespace skinctrl
