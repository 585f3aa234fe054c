// A mock of the main window drawn from a loaded skin, for looking at the skin
// before the skinned controls paint the real thing. It follows the nine-part
// and glyph rules of the painting code in a simplified form; text is shown
// as bars.
#pragma once

#include "Raster.h"
#include "skin/SkinLoad.h"

namespace skintest {

struct MockOptions {
  int scale = 1;           // 1 or 2 (the skin should be loaded at the matching scale)
  bool active = true;      // frame look
  int buttonState = 0;     // "Check": 0 normal, 1 hot, 2 pressed, 3 default
  bool closeHot = false;   // the close button under the mouse
};

// The window on a desktop-coloured margin; pixels cut by the window region
// show the desktop.
skingen::Image DrawWindowMock(const skin::LoadedSkin& skin, const MockOptions& options);
// Every control look side by side: buttons, drop-down box, title buttons,
// memo, dropped list with a scroll bar, and the system menu.
skingen::Image DrawStatesMock(const skin::LoadedSkin& skin);

inline constexpr std::uint32_t MockDesktop = 0x5A6B7C;

}  // namespace skintest
