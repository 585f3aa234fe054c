#include "skin/SkinShadow.h"

#include <algorithm>
#include <cmath>

namespace skin {
namespace {

std::uint32_t Pixel(TColor c, int alpha) {
    const auto v = static_cast<std::uint32_t>(c);
    const std::uint32_t r = v & 0xFF, g = (v >> 8) & 0xFF, b = (v >> 16) & 0xFF;
    return static_cast<std::uint32_t>(alpha) << 24 | r << 16 | g << 8 | b;
}

}  // namespace

std::shared_ptr<Bitmap32> MakeShadowBands(int width, int height, int radius, int blur, const ShadowColors& colors) {
    width = std::clamp(width, 1, MaxShadowSide);
    height = std::clamp(height, 1, MaxShadowSide);
    blur = std::clamp(blur, 0, std::min(width, height) / 2);
    const double left = blur, top = blur, right = width - blur, bottom = height - blur;
    const double r = std::clamp<double>(radius, 0, std::max(0.0, std::min(right - left, bottom - top) / 2));
    auto bmp = std::make_shared<Bitmap32>(width, height * 2);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            // Distance from the rounded rectangle (0 inside).
            const double cx = std::clamp(px, left + r, right - r), cy = std::clamp(py, top + r, bottom - r);
            double d = std::hypot(px - cx, py - cy) - r;
            if (px >= left && px <= right && py >= top && py <= bottom && d < 0) d = 0;
            const double k = blur > 0 ? std::clamp(1.0 - d / blur, 0.0, 1.0) : (d <= 0 ? 1.0 : 0.0);
            const int alpha = static_cast<int>(std::lround(k * 255));
            const int dl = x, dt = y, dr = width - 1 - x, db = height - 1 - y;
            const int nearest = std::min({dl, dt, dr, db});
            const TColor c = nearest == dl ? colors.Left : nearest == dt ? colors.Top : nearest == dr ? colors.Right : colors.Bottom;
            bmp->At(x, y) = Pixel(c, alpha);
            bmp->At(x, y + height) = 0xFF000000u | static_cast<std::uint32_t>(alpha) * 0x010101u;
        }
    }
    return bmp;
}

}  // namespace skin
