#pragma once
// TsCommonData: the skinning state every skinned control owns (its SkinData):
// section, skin index, visual state, cache bitmap, update nesting, the link to the
// skin manager and the fade between states; and the behaviour all skinned controls
// share: the common message handler, the skin-command handler, hover, focus and
// repaint decisions.
//
// Calling order of a skinned control's window procedure: the WM_SKINCMD commands it
// answers itself (SKC_GETSKININDEX, SKC_PREPARECACHE ...), then, when skinned, the
// messages it paints itself, then HandleCommonMessage, and finally the framework's
// window procedure unless a step handled the message.
#include <windows.h>

#include "framework/Controls.h"
#include "framework/Messages.h"
#include "skin/Bitmap32.h"
#include "skin/SkinColors.h"
#include "skin/SkinCommand.h"
#include "skin/SkinModel.h"
#include "skinctrl/fade/FadeTimer.h"
#include "skinctrl/gdi/ParentBackground.h"
#include "skinctrl/paint/PixelMath.h"
#include "skinctrl/state/ControlClasses.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace skinctrl {

class TsCommonData;

// CtrlSkinState bits of the shared code.
inline constexpr std::uint32_t ACS_PRINTING = 0x200;       // SKC_SETPRINTDC gave a DC
inline constexpr std::uint32_t ACS_LOCKED = 0x800;         // inside BeginUpdate / EndUpdate
inline constexpr std::uint32_t ACS_FONTCHANGING = 0x2000;  // the skin sets the font colour
inline constexpr std::uint32_t ACS_WIDTHCHANGED = 0x8000;  // since the last WM_SIZE
inline constexpr std::uint32_t ACS_HEIGHTCHANGED = 0x10000;

// Skin command 25: a new child window is told who its skinned parent is (the form
// frame and the window adapters act on it).
inline constexpr std::uint16_t SKC_CHILDCREATED = 25;

// The record of SKC_QUERYSECTIONBEHIND: which section is seen at a point of a
// rectangle of the asking control, in the receiver's client coordinates.
struct TacSectionBehindQuery {
  int State = 0;
  int SkinIndex = -1;  // answer
  RECT Rect{};
};

enum TacOuterVisibility { ovNone, ovAlways };

class TacOuterEffects {
public:
  explicit TacOuterEffects(TsCommonData* owner) noexcept : FOwner(owner) {}
  TacOuterVisibility Visibility() const noexcept { return FVisibility; }
  void SetVisibility(TacOuterVisibility value);

  TsCommonData* FOwner;
  TacOuterVisibility FVisibility = ovNone;
};

class TsCommonData {
public:
  // The skin data of a control, made before the control's own construction runs:
  // Loading until Loaded, no section yet, a 32-bit cache when asked for.
  TsCommonData(fw::TControl* owner, std::uint8_t coc, bool createCacheBmp = true);
  // The skin data of a window that is not a framework control (window adapters).
  TsCommonData(fw::TObject* owner, HWND wnd, std::uint8_t coc, bool createCacheBmp = true);
  virtual ~TsCommonData();
  TsCommonData(const TsCommonData&) = delete;
  TsCommonData& operator=(const TsCommonData&) = delete;

  // --- Published properties ---
  bool CustomFont() const noexcept { return FCustomFont; }
  void SetCustomFont(bool value);
  bool CustomColor() const noexcept { return FCustomColor; }
  void SetCustomColor(bool value);
  const std::string& SkinSection() const noexcept { return FSkinSection; }
  void SetSkinSection(std::string_view value);
  // The explicit manager, or the default one.
  skin::TsSkinManager* SkinManager() const noexcept;
  void SetSkinManager(skin::TsSkinManager* value);
  TacOuterEffects& OuterEffects() noexcept { return *FOuterEffects; }

  // --- Operations ---
  void InitCommonProp();
  void RemoveCommonProp() noexcept;
  void ClearLinks() noexcept;
  // The owner's window when it has one, else FSWHandle; never throws.
  HWND OwnerHandle() const noexcept;
  bool Skinned(bool checkSkinActive = false) const noexcept;
  void UpdateIndexes(bool updateMain = true);
  void Loaded(bool updateColors = true);
  void Invalidate(bool updateNow = false);
  void BeginUpdate();
  void EndUpdate(bool repaint = false);
  bool RepaintIfMoved();
  // The section record (none when not skinned).
  const skin::TsGeneralData* Section() const noexcept;
  // Sends a skin command to the owner: its window, or straight to the control.
  LRESULT SendToOwner(std::uint16_t command, LPARAM lParam = 0, std::uint16_t sub = 0);
  // Lets the visible children of ownerCtrl paint their outer effects into this
  // control's cache, whose point offset is ownerCtrl's client origin.
  void PaintOuterEffects(fw::TWinControl* ownerCtrl, TPoint offset);

  // --- Fields ---
  bool FCustomFont = false;
  bool FCustomColor = false;
  std::unique_ptr<skin::Bitmap32> FOuterCache;
  // Where the outer effect was last painted, in the parent's client area.
  RECT FOuterRect{};
  std::string FSkinSection;
  skin::TsSkinManager* FSkinManager = nullptr;
  std::unique_ptr<TacOuterEffects> FOuterEffects;
  TColor FColorTone = NoColor;
  // The owner's colours saved while the skin sets them; NoColor: none saved.
  TColor SavedColor = NoColor;
  TColor SavedFontColor = NoColor;
  bool FFocused = false;
  bool FUpdating = false;
  bool FMouseAbove = false;
  bool HalfVisible = false;
  bool Loading = true;
  std::uint8_t COC;
  int GlowID = -1;
  int FHUEOffset = 0;
  int FSaturation = 0;
  int BorderIndex = -1;
  int ScalePercent = 100;
  int FUpdateCount = 0;
  int DefFontHeight = 0;
  HDC PrintDC = nullptr;
  std::unique_ptr<skin::Bitmap32> FCacheBmp;
  HWND FSWHandle = nullptr;
  // Direct delivery: the "ACSDATA" property of the owner's window points here.
  skin::TacSkinDataLink WndProc;
  fw::TObject* FOwnerObject;
  std::unique_ptr<TacThreadedTimer> AnimTimer;
  std::uint16_t BGType = 0;
  std::uint32_t CtrlSkinState = 0;
  RECT InvalidRectH{}, InvalidRectV{};
  bool BGChanged = true;
  int SkinIndex = -1;
  fw::TControl* FOwnerControl;

private:
  static LRESULT DeliverDirect(void* self, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND propertyWnd_ = nullptr;  // the window whose "ACSDATA" property points here
};

// The published skin data of a skinned control, with its colour adjustments.
class TsCtrlSkinData : public TsCommonData {
public:
  using TsCommonData::TsCommonData;
  TColor ColorTone() const noexcept { return FColorTone; }
  void SetColorTone(TColor value);
  int HUEOffset() const noexcept { return FHUEOffset; }
  void SetHUEOffset(int value);
  int Saturation() const noexcept { return FSaturation; }
  void SetSaturation(int value);
};

// --- Shared behaviour of skinned controls ---

// The common window messages; true when the message is handled.
bool HandleCommonMessage(fw::TMessage& message, TsCommonData& data);
// The common skin commands; true when the command is handled. Commands whose
// LParam carries an address are refused unless this thread is delivering them.
bool HandleSkinCommand(fw::TMessage& message, TsCommonData& data);
// For controls answering commands themselves first: true (and the command is
// answered with 0) when its LParam carries an address this thread did not send.
bool RefuseUntrustedSkinCommand(fw::TMessage& message);
// Hot (1) or normal (0), from focus and hover.
int CommonState(const TsCommonData& data);
// The background colour of a state: the section colour mixed with the parent's
// colour by the state's transparency.
TColor StateBackgroundColor(const TsCommonData& data, int state);
// The colour shown to children asking with SKC_GETBGCOLOR (RGB).
TColor BackgroundColorForChildren(TsCommonData& data);
void ApplySkinColors(TsCommonData& data, bool repaint);
void ApplyStateColors(TsCommonData& data, bool silent);
void ChooseDefaultSection(TsCommonData& data);
bool CheckUpdating(TsCommonData& data, bool clearFirst = false);
// Makes the cache 32-bit and the owner's size.
skin::Bitmap32& EnsureCacheBitmap(TsCommonData& data);
// Empties the cache (0 x 0) and marks it to be rebuilt.
void ClearCache(TsCommonData& data) noexcept;

// --- Fades ---
void AbortAnimation(TsCommonData& data) noexcept;
void FinishAnimation(TsCommonData& data);
bool Animating(const TsCommonData& data) noexcept;
// The step procedure of controls: the next frame of the fade into the owner's window.
bool FadeStep(TsCommonData* data, int iteration);
// Starts a fade of the control toward a state (see TacThreadedTimer::Begin).
void StartFade(TsCommonData& data, int target, TacThreadedTimer::TAnimProc proc, bool shortFade = false);
// A control's visual state changed: fade to the new look when allowed, else repaint.
// allowGlow shows the hover glow with the change (its alpha follows the fade).
void StateChanged(TsCommonData& data, int newState, TacThreadedTimer::TAnimProc proc, bool allowGlow, bool shortFade,
                  bool eventAllowed);
// A fade of the hover glow alone toward 1 (in) or 0 (out, then released), on the
// control's timer; the look of the control is left alone.
void FadeHoverGlow(TsCommonData& data, int target);
// While blocked (nesting count), no state change fades.
void BlockAnimations(bool block) noexcept;

// --- Outer effects ---

// SKC_PAINTOUTER: the control's outer effect (shadow, outline) painted into
// the requester's bitmap around the control's bounds moved by X/Y.
void PaintOuterEffect(TsCommonData& data, const TBackgroundRequest& request);
// Where the control's outer effect lies in its parent's client area; empty when
// it has none.
RECT OuterEffectRect(TsCommonData& data);
// The control moved, changed size or shows its outer effect otherwise: its
// parent repaints the area under the old and the new effect, and the children
// there see the new background.
void OuterEffectChanged(TsCommonData& data);

// --- Backgrounds and the cache on screen ---

// Answers a child's SKC_GETBACKGROUND in a state (0 normal, 1 hot): with this
// control's colour, its cache, its own parent's background when it is a
// see-through container, or "not ready" while its cache cannot be built.
void AnswerBackgroundRequest(TsCommonData& data, TBackgroundRequest& request, int state);

// Copies part of a bitmap into a device context at a point; the whole bitmap
// at (0, 0) when no part is given. On a DC with right-to-left layout GDI
// mirrors the copy itself.
void CopyBitmapToDc(const skin::Bitmap32& bitmap, HDC dc, const RECT& part, POINT to);
void CopyBitmapToDc(const skin::Bitmap32& bitmap, HDC dc);

}  // namespace skinctrl
