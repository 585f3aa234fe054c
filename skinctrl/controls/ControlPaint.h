// What the skinned controls paint into their caches from their skin data:
// the look the painting procedures read, the caption in skin colours, and
// the cache on the screen.
#pragma once

#include <windows.h>

#include <string_view>

#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/state/CommonData.h"

namespace skinctrl {

// The colour changes and section of a control's skin data.
TControlLook LookOf(const TsCommonData& data);

// The cache's scan lines (none without a cache).
ScanLines CacheLines(const TsCommonData& data) noexcept;

// A control's caption drawn into its cache in skin colours: the outline
// passes and the font colour of the state's record (glow where the state has
// one). For the constant sections that may lie over others (menu item, tool
// button, button ...) the section that is really behind the control gives
// the colours. Without a skin, the control's font colour.
void DrawControlText(const TsCommonData& data, HFONT font, std::wstring_view text, bool outline, int state,
                     UINT format, const RECT& rect);

// The size a text takes when drawn with the font and DrawText format in a
// rectangle of the width.
SIZE MeasureText(HFONT font, std::wstring_view text, int width, UINT format);

// Part of the cache (in the owner's coordinates) copied to the same place of
// a DC.
void CopyCacheToDc(const TsCommonData& data, HDC dc, const RECT& part);

}  // namespace skinctrl
