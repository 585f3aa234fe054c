#include "skin/SkinColors.h"

#include <algorithm>
#include <cmath>

namespace skin {

TColor ColorToRgb(TColor color, const SysColorFn& sysColor) {
    if (color < 0 && (static_cast<std::uint32_t>(color) & 0xFFFFFF00u) == static_cast<std::uint32_t>(SysColorBase)) {
        return sysColor ? (sysColor(color & 0xFF) & 0xFFFFFF) : 0;
    }
    return color;
}

TColor MixColors(TColor a, TColor b, int weight) noexcept {
    const auto ua = static_cast<std::uint32_t>(a), ub = static_cast<std::uint32_t>(b);
    const auto w = static_cast<std::uint32_t>(std::clamp(weight, 0, 255));
    std::uint32_t out = ua & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t ca = (ua >> shift) & 0xFF, cb = (ub >> shift) & 0xFF;
        out |= (((ca * w + cb * (255 - w)) >> 8) & 0xFF) << shift;
    }
    return static_cast<TColor>(out);
}

std::uint32_t RotateHue(std::uint32_t value, int degrees) noexcept {
    const double r = value & 0xFF, g = (value >> 8) & 0xFF, b = (value >> 16) & 0xFF;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double delta = mx - mn;
    if (delta <= 0) return value;  // grey: no hue to turn
    double h;
    if (mx == r) h = 60.0 * std::fmod((g - b) / delta, 6.0);
    else if (mx == g) h = 60.0 * ((b - r) / delta + 2.0);
    else h = 60.0 * ((r - g) / delta + 4.0);
    h = std::fmod(h + degrees, 360.0);
    if (h < 0) h += 360.0;
    const double s = delta / mx, v = mx;
    const double c = v * s;
    const double x = c * (1.0 - std::fabs(std::fmod(h / 60.0, 2.0) - 1.0));
    const double m = v - c;
    double r1 = 0, g1 = 0, b1 = 0;
    switch (static_cast<int>(h / 60.0) % 6) {
    case 0: r1 = c; g1 = x; break;
    case 1: r1 = x; g1 = c; break;
    case 2: g1 = c; b1 = x; break;
    case 3: g1 = x; b1 = c; break;
    case 4: r1 = x; b1 = c; break;
    default: r1 = c; b1 = x; break;
    }
    auto byte = [](double d) { return static_cast<std::uint32_t>(std::clamp(std::lround(d), 0L, 255L)); };
    return (value & 0xFF000000u) | byte(r1 + m) | (byte(g1 + m) << 8) | (byte(b1 + m) << 16);
}

std::uint32_t ChangeSaturation(std::uint32_t value, int percent) noexcept {
    const int s = std::clamp(percent * 255 / 100, -255, 255);
    // lrint rounds halves to even in the default rounding mode.
    const long gray = std::lrint(0.299 * ((value >> 16) & 0xFF) + 0.587 * ((value >> 8) & 0xFF) + 0.114 * (value & 0xFF));
    std::uint32_t out = value & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const long c = (value >> shift) & 0xFF;
        const long mixed = std::clamp((s + 255L) * c - gray * s, 0L, 65535L);
        out |= static_cast<std::uint32_t>(mixed >> 8) << shift;
    }
    return out;
}

std::uint32_t ChangeBrightness(std::uint32_t value, int b) noexcept {
    std::uint32_t out = value & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int c = static_cast<int>((value >> shift) & 0xFF);
        const int n = b > 0 ? std::min(255, c + ((b * c) >> 8)) : std::max(0, c - (((-b) * c) >> 8));
        out |= static_cast<std::uint32_t>(n) << shift;
    }
    return out;
}

void RotateHue(std::span<std::uint32_t> pixels, int degrees, bool skipKey) noexcept {
    for (auto& p : pixels) {
        if (skipKey && (p & 0xFFFFFF) == 0xFF00FF) continue;
        // Pixels are BGRA: swap to the colour layout, turn, swap back.
        const std::uint32_t c = (p & 0xFF00FF00u) | ((p >> 16) & 0xFF) | ((p & 0xFF) << 16);
        const std::uint32_t t = RotateHue(c, degrees);
        p = (t & 0xFF00FF00u) | ((t >> 16) & 0xFF) | ((t & 0xFF) << 16);
    }
}

void ChangeSaturation(std::span<std::uint32_t> pixels, int percent) noexcept {
    for (auto& p : pixels) p = ChangeSaturation(p, percent);
}

void ChangeBrightness(std::span<std::uint32_t> pixels, int b) noexcept {
    for (auto& p : pixels) p = ChangeBrightness(p, b);
}

TColor AdjustColor(TColor color, int hue, int saturation, int brightness) noexcept {
    if (color == clNone) return color;
    auto v = static_cast<std::uint32_t>(color);
    if (hue != 0) v = RotateHue(v, hue);
    if (saturation != 0) v = ChangeSaturation(v, saturation);
    if (brightness != 0) v = ChangeBrightness(v, brightness);
    return static_cast<TColor>(v);
}

}  // namespace skin
