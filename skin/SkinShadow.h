#pragma once
// Generated shadow images: a blurred rounded rectangle drawn in two bands, the colour band
// on top and its opacity mask below.
#include "skin/Bitmap32.h"
#include "skin/SkinColors.h"

#include <memory>

namespace skin {

struct ShadowColors {
    TColor Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// A width x (2 * height) bitmap. The shape is inset by `blur` on every side, has
// corners of `radius` and fades out over `blur` pixels. The colour band takes each
// pixel's colour from the side it is nearest to; the mask band holds the opacity as grey.
std::shared_ptr<Bitmap32> MakeShadowBands(int width, int height, int radius, int blur, const ShadowColors& colors);

// Each side at most this many pixels: sizes come from skin values.
inline constexpr int MaxShadowSide = 1024;

}  // namespace skin
