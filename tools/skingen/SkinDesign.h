// The look of the built-in skin in one table: every colour and every size the
// generator draws with. A redesign is an edit of this table; the drawing code
// reads nothing else. Colours are 0xRRGGBB; sizes are pixels at 100 %.
#pragma once

#include <cstdint>

namespace skingen {

struct Design {
  // Surfaces
  std::uint32_t client = 0xF3F4F6;          // client area, panel, frame sides
  std::uint32_t title = 0xFFFFFF;           // title bar
  std::uint32_t titleSeparator = 0xE5E7EB;  // line under the title bar
  std::uint32_t outlineActive = 0x2563EB;   // window outline, active
  std::uint32_t outlineInactive = 0xC3C8CF; // window outline, inactive
  std::uint32_t desktop = 0xE3E8EF;         // behind the window in the preview

  // Text
  std::uint32_t text = 0x1F2937;            // controls, active caption
  std::uint32_t labelText = 0x374151;       // labels on the panel
  std::uint32_t titleTextInactive = 0x8B929C;
  std::uint32_t editText = 0x414141;        // memo and list text (kept as the skin has always had it)
  std::uint32_t editBackground = 0xFFFFFF;

  // Controls
  std::uint32_t face = 0xFFFFFF;
  std::uint32_t faceHot = 0xF9FAFB;
  std::uint32_t border = 0xD1D5DB;
  std::uint32_t borderHot = 0xA9AFB8;
  std::uint32_t accent = 0x2563EB;          // pressed, selected, default, focus
  std::uint32_t accentTint = 0xDBEAFE;      // pressed face, unfocused selection
  std::uint32_t accentText = 0x1D4ED8;      // text on pressed and default buttons
  std::uint32_t onAccent = 0xFFFFFF;        // text on the accent colour

  // Title buttons
  std::uint32_t titleGlyph = 0x374151;
  std::uint32_t titleButtonHot = 0xE5E7EB;
  std::uint32_t titleButtonPressed = 0xD1D5DB;
  std::uint32_t closeHot = 0xDC2626;
  std::uint32_t closePressed = 0xB91C1C;
  std::uint32_t onClose = 0xFFFFFF;

  // Menus
  std::uint32_t menu = 0xFFFFFF;
  std::uint32_t menuBorder = 0xC9CED6;
  std::uint32_t menuHot = 0xE8EFFD;
  std::uint32_t menuSeparator = 0xE5E7EB;

  // Scroll bars
  std::uint32_t track = 0xF3F4F6;
  std::uint32_t trackPressed = 0xE5E7EB;
  std::uint32_t scrollButtonHot = 0xE5E7EB;
  std::uint32_t scrollButtonPressed = 0xD1D5DB;
  std::uint32_t scrollGlyph = 0x6B7280;
  std::uint32_t scrollGlyphHot = 0x374151;
  std::uint32_t thumb = 0xC4C9D0;
  std::uint32_t thumbHot = 0x9CA3AF;

  // Sizes (pixels at 100 %)
  int windowRadius = 7;        // window corners
  int controlRadius = 4;       // buttons, the closed drop-down box
  int editRadius = 2;          // the memo's 2-pixel border
  int editBorder = 2;          // memo border width (margins of its border image)
  int menuRadius = 5;
  int menuItemRadius = 3;
  int menuItemInset = 3;       // gap between a hot menu item and the menu edge
  int titleButtonWidth = 28;   // one title-button cell
  int titleButtonHeight = 16;
  int titleButtonRadius = 4;
  int titleGlyphSize = 10;     // the close cross, the minimise bar ...
  int comboGlyphWidth = 9;     // drop-down chevron
  int comboGlyphHeight = 5;
  int scrollGlyphSize = 9;     // scroll-arrow cells
  int thumbInset = 3;          // gap between the thumb and the bar's long edges
  int thumbRadius = 3;
  int checkSize = 16;          // menu check mark cell
  int hugeCell = 72;           // BUTTONHUGE.BMP cells
  int hugeRadius = 8;
  int previewWidth = 140;
  int previewHeight = 100;

  // Skin-wide metrics written to the options file
  int titleButtonSpacing = 2;  // BISPACE
  int titleButtonsRight = 2;   // BIRIGHT
  int titleIconLeft = 2;       // BILEFT
  int comboMargin = 2;         // COMBOMARGIN
};

inline constexpr Design TheDesign{};

}  // namespace skingen
