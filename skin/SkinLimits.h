#pragma once
// The ranges a skin's numbers are brought into where they are read. A skin is
// input from outside: a value beyond what any real skin uses is clamped to the
// nearest end of its range (not rejected, so a slightly odd skin still shows),
// and no sum or product the painting code makes of a few of them can overflow
// an int or ask for more pixels than a screen holds.
#include <algorithm>
#include <cstdint>

namespace skin {

// Margins and offsets that place a part inside a frame or a control (title
// button margins and spacing, the combo box's button margin, frame offsets,
// outer-effect offsets and widths, tab covering). Real skins use tens of
// pixels; 512 is more than any title bar or control a skin lays out is high,
// even at 200 %, and twenty of them added stay far below the int range and
// below the side of the largest bitmap a cache may have.
inline constexpr int MaxSkinMargin = 512;

// Heights of the title bar and of the maximised title bar: a title bar taller
// than this is taller than the window a skin draws it on.
inline constexpr int MaxTitleHeight = 512;

// Frame border width: real skins draw borders of up to a few tens of pixels;
// past 256 the frame would cover a window of ordinary size.
inline constexpr int MaxSkinBorderWidth = 256;

// Glow around caption and control text (GSIZE, HGSIZE, GSIZE2). Real skins
// glow by up to about 20 pixels. The glow mask is the text grown by the size
// on each side and the blur runs over all of it, so cost grows with the
// square of the size; at 64 a caption's mask stays a few hundred pixels wide.
inline constexpr int MaxGlowSize = 64;

// Radius and blur of generated shadows and outer effects: the generated image
// is 2 * (radius + blur) + 1 pixels across, and 255 each keeps it below
// MaxShadowSide at 100 % (at larger scales the image stops at that side), and
// the blur's cost with it.
inline constexpr int MaxShadowRadius = 255;
inline constexpr int MaxShadowBlur = 255;

// Window-shadow size, radius and offset (before scaling): a shadow wider than
// this is wider than the window it surrounds.
inline constexpr int MaxWindowShadow = 255;

// Percentages (transparency, image and gradient shares) and brightness limits.
inline constexpr int MaxPercent = 100;
// Opacities are bytes.
inline constexpr int MaxOpacity = 255;

// The value brought into [lo, hi]; 64-bit so that values read beyond the int
// range clamp too.
constexpr int ClampSkinValue(std::int64_t v, int lo, int hi) {
  return static_cast<int>(std::clamp<std::int64_t>(v, lo, hi));
}
constexpr int ClampMargin(std::int64_t v) { return ClampSkinValue(v, -MaxSkinMargin, MaxSkinMargin); }

}  // namespace skin
