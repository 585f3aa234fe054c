// Gradient fills from a skin's gradient points.
#pragma once

#include "skin/SkinModel.h"
#include "skinctrl/paint/ScanLines.h"

namespace skinctrl {

// Mode bits of gradient points.
inline constexpr std::uint32_t gmKindMask = 3;       // of the first point: 0 vertical, 1 horizontal, 2 four-corner
inline constexpr std::uint32_t gmSmooth = 0x10;      // smooth filling of the segments the point ends or starts
inline constexpr std::uint32_t gmOverTexture = 0x20; // first point: painted over the texture; four-corner: path brush

// The gradient's kind (0, 1, 2), or -1 when the points describe none.
int GradientKind(const skin::TsGradArray& points) noexcept;

// Fills the rectangle (clipped to the bitmap) with the gradient. Vertical and
// horizontal gradients run segment by segment, each (Percent(k) -
// Percent(k - 1)) * (length + extra) div 100 lines long and clipped to the
// rectangle, the last one ending at the far edge. Returns false (nothing
// painted) when the points describe no gradient.
bool PaintGradient(const ScanLines& bmp, skin::TRect rect, const skin::TsGradArray& points, int extra = 0);

}  // namespace skinctrl
