// The skinned window frame's geometry: which title buttons a form shows and
// where, the title icon, the caption text's room, the corner pixels cut out
// of the window region and the hit codes of the title bar. Pure arithmetic
// over the form's description, the system metrics and the skin's records, so
// that it builds natively and is tested there too.
#pragma once

#include "skin/CommonSkinData.h"
#include "skin/ConstData.h"
#include "skin/SkinModel.h"

#include <array>
#include <cstddef>
#include <vector>

namespace skinctrl {

using skin::TRect;

// Hit codes of the title bar (the system's values).
inline constexpr int htClient = 1, htCaption = 2, htSysMenu = 3, htMinButton = 8, htMaxButton = 9, htLeft = 10,
                     htRight = 11, htTop = 12, htTopLeft = 13, htTopRight = 14, htBottom = 15, htBottomLeft = 16,
                     htBottomRight = 17, htBorder = 18, htClose = 20, htHelp = 21;

// Buttons and glyphs when the skin lacks the image.
inline constexpr int DefaultTitleButtonSize = 21;

// One standard title button: its state, rectangle (window coordinates; empty:
// hidden), the hit code it answers, whether it follows the skin's vertical
// alignment, and the glyph kind.
struct TsCaptionButton {
  int cpState = -1;
  TRect cpRect;
  unsigned cpHitCode = 0;
  bool cpHaveAlignment = false;
  skin::TacTitleGlyph cpGlyphType = skin::tgLast;
  bool Visible() const noexcept { return !cpRect.IsEmpty(); }
};

// What decides the title buttons (the predicates of the form's system menu).
struct TTitleButtonRules {
  bool VisibleClose = false, EnabledClose = false;
  bool VisibleMax = false, EnabledMax = false;
  bool VisibleMin = false, EnabledMin = false;
  bool EnabledRestore = false;
  bool Help = false;  // the form has biHelp
};

enum class TFrameBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

// The form as the predicates see it.
struct TFormTraits {
  TFrameBorderStyle BorderStyle = TFrameBorderStyle::bsSizeable;
  bool SystemMenuIcon = true, MinimizeIcon = true, MaximizeIcon = true, HelpIcon = false;  // BorderIcons
  bool Minimized = false, Maximized = false;
  bool MainForm = false, MainFormOnTaskBar = false, MdiChild = false;
  // The window's own system menu: whether it exists, has SC_CLOSE and whether that is greyed.
  bool HasSystemMenu = true, MenuHasClose = true, MenuCloseGrayed = false;
};
TTitleButtonRules DecideTitleButtons(const TFormTraits& form) noexcept;

// The system metrics the frame reads once (again after a system font change).
struct TFrameMetrics {
  int CxFrame = 4, CxDlgFrame = 3, CyCaption = 19, CySmCaption = 15, CxHScroll = 17;
};
// Border width by the window style.
int BorderWidthByStyle(bool thickFrame, bool border, const TFrameMetrics& m) noexcept;
// Caption height by the border style and window style.
int CaptionHeightOf(TFrameBorderStyle style, bool childWindow, bool captionBits, bool minimized,
                    const TFrameMetrics& m) noexcept;

// The glyph images of the title buttons (indexes into the model's images).
struct TTitleGlyphSizes {
  // Width of one frame of each glyph kind; the height of all buttons.
  std::array<int, skin::TitleGlyphCount> Width{};
  int Height = DefaultTitleButtonSize;
};
TTitleGlyphSizes TitleGlyphSizesOf(const skin::SkinModel& model, const skin::TConstantSkinData& constData);

// The four standard buttons and the layout of the title bar.
struct TFrameLayout {
  int VCenter = 0;
  TRect IconRect;
  bool IconShown = false;
  TsCaptionButton ButtonClose, ButtonMax, ButtonMin, ButtonHelp;
};

struct TFrameLayoutInput {
  TFormTraits Form;
  TTitleButtonRules Rules;
  int CaptionWidth = 0;
  int BorderWidth = 0;   // by style
  int CaptionHeight = 0;
  int CxFrame = 4;
  bool SystemMenuExists = true;  // the frame's system menu object
  bool BigButtons = true;
  bool ShowAppIcon = true, TitleIconVisible = true;
  int TitleIconWidth = 0, TitleIconHeight = 0;  // 0: automatic
  const skin::TsSkinData* Skin = nullptr;
  TTitleGlyphSizes Glyphs;
  // ScaleInt of the manager.
  int ScalePercent = 100;
};

// Kinds and hit codes of the buttons (BigButtons decides).
void SetButtonKinds(TFrameLayout& layout, bool bigButtons, const TTitleButtonRules& rules);
// Icon and button rectangles; keeps the kinds SetButtonKinds gave, except the
// maximise/restore and minimise glyph changes of the window state.
void CalcItems(TFrameLayout& layout, const TFrameLayoutInput& in);
// Width of the strip of title buttons at the title's right end.
int ButtonStripWidth(const TFrameLayoutInput& in, const TFrameLayout& layout) noexcept;

// The caption text's rectangle (left-justified): from after the icon to before
// the button strip.
TRect CaptionTextRect(const TFrameLayoutInput& in, const TFrameLayout& layout, bool captionBackground) noexcept;

// The most runs of key-coloured pixels the corners of one border image may
// cut from a region. A rounded or bevelled corner cuts one run per row: four
// corners of a 64-pixel radius cut 256. Past 1024 the image is no corner
// shape but a pattern (a checkerboard of the key colour), whose region would
// cost time with every rectangle and show nothing a user wants.
inline constexpr std::size_t MaxCornerRuns = 1024;

// The one-pixel-high rectangles of key-coloured pixels in the corners of the
// frame's border image (top rows at the window's top, bottom rows at its
// bottom), and the top rows of the title's border image; window coordinates.
// An image whose corners have more than MaxCornerRuns runs gives none.
std::vector<TRect> CollectCornerRects(const skin::SkinModel& model, int formBorder, int titleBorder,
                                      int captionWidth, int height);

// The title-bar hit code of a window point: a button's code, the icon's, the
// sizing edges of a sizeable window, caption, client.
struct THitTestInput {
  const TFrameLayout* Layout = nullptr;
  TTitleButtonRules Rules;
  bool SystemMenu = true;  // biSystemMenu and a system menu exist
  bool ThickFrame = false, Maximized = false, Minimized = false;
  int Width = 0, Height = 0;
  int BorderWidth = 0, CaptionHeight = 0;
};
int TitleHitTest(const THitTestInput& in, int x, int y) noexcept;

}  // namespace skinctrl
