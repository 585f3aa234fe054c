#pragma once
// Colour values of the skin model and the colour adjustments applied at every load.
//
// A TColor keeps red in the low byte, then green, then blue. Negative values whose low
// byte is a system colour number name the system colours; -1 means "none".
// Pixels are 32-bit BGRA words (byte 0 blue, byte 2 red, byte 3 alpha).
#include <cstdint>
#include <functional>
#include <span>

namespace skin {

using TColor = std::int32_t;

inline constexpr TColor KeyColor = 0xFF00FF;
inline constexpr TColor clNone = -1;
// System colour names as stored in forms: 0xFF000000 + the system colour number.
inline constexpr TColor SysColorBase = static_cast<TColor>(0xFF000000u);
inline constexpr TColor clBtnFace = SysColorBase | 15;
inline constexpr TColor clWindow = SysColorBase | 5;
inline constexpr TColor clWindowText = SysColorBase | 8;
inline constexpr TColor clHighlight = SysColorBase | 13;
inline constexpr TColor clHighlightText = SysColorBase | 14;
inline constexpr TColor clInfoBk = SysColorBase | 24;
inline constexpr TColor clInfoText = SysColorBase | 23;
inline constexpr TColor clInactiveBorder = SysColorBase | 11;

// Looks a system colour number up; the manager passes GetSysColor, tests a table.
using SysColorFn = std::function<TColor(int index)>;

// A system colour name becomes its RGB value; anything else is returned unchanged.
TColor ColorToRgb(TColor color, const SysColorFn& sysColor);

// Per channel (a * w + b * (255 - w)) >> 8 of the three colour bytes; the top byte of a
// is kept. Shifting by 8 divides by 256: white and black at 255 give 254, not 255.
TColor MixColors(TColor a, TColor b, int weight) noexcept;

// Hue rotation in HSV by `degrees` (any sign); the top byte is kept.
std::uint32_t RotateHue(std::uint32_t value, int degrees) noexcept;
// Saturation change by percent (-100..100 and beyond, limited to -255..255 internally).
std::uint32_t ChangeSaturation(std::uint32_t value, int percent) noexcept;
// Brightness change by b (-100..100); the top byte is kept.
std::uint32_t ChangeBrightness(std::uint32_t value, int b) noexcept;

// The same over pixel runs; pixels equal to the key colour (0xFF00FF, any alpha) are
// left alone by the hue rotation when `skipKey` is set.
void RotateHue(std::span<std::uint32_t> pixels, int degrees, bool skipKey) noexcept;
void ChangeSaturation(std::span<std::uint32_t> pixels, int percent) noexcept;
void ChangeBrightness(std::span<std::uint32_t> pixels, int b) noexcept;

// A colour adjusted by all three in the load order (hue, saturation, brightness), each
// skipped when 0; -1 stays -1.
TColor AdjustColor(TColor color, int hue, int saturation, int brightness) noexcept;

}  // namespace skin
