// The skinning state the panel and the button keep (section, cache, the
// flags that decide when the cache is rebuilt and when painting waits for the
// parent, the fade timer), the skin commands they answer alike, and what a
// control asks of its parent: the background behind it and the section that
// lies behind a rectangle.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "framework/Controls.h"
#include "skin/SkinCommand.h"
#include "skin/sSkinManager.h"
#include "skinctrl/CacheBitmap.h"
#include "skinctrl/CacheInfo.h"
#include "skinctrl/FadeTimer.h"
#include "skinctrl/SectionPaint.h"

namespace skinctrl {

// The record of SKC_GETBACKGROUND: a request, filled in by the parent.
struct TBackgroundRequest {
  ScanLines Bmp;            // answer: the bitmap holding the background
  TColor Color = 0;         // answer: the colour when BgType is 1
  int X = 0, Y = 0;         // answer: the answering control's origin in Bmp
  TRect DrawRect;           // request: the area to paint with PleaseDraw
  TRect FillRect;           // answer: border-strip widths
  std::uint8_t BgType = 0;  // answer: 0 none, 1 colour, 2 bitmap, 3 not ready
  bool PleaseDraw = false;  // request: paint into DrawDC instead
  HDC DrawDC = nullptr;
};
inline constexpr std::uint8_t btNone = 0, btColor = 1, btBitmap = 2, btNotReady = 3;

// The record of SKC_QUERYSECTIONBEHIND: which section lies behind R (in the
// receiver's client coordinates) at a state.
struct TacSectionBehind {
  int State = 0;
  int SkinIndex = -1;  // answer
  TRect R;
};

// The manager a control follows: its own, else the default one.
skin::TsSkinManager* ManagerOf(skin::TsSkinManager* own) noexcept;
// Palette and system colours for ResolveSkinColor under a manager.
ColorSource ColorsOf(const skin::TsSkinManager* manager);

// Asks the parent for the background behind a child (SKC_GETBACKGROUND);
// a parent that does not answer gives its colour. True when answered.
bool QueryParentBackground(TBackgroundRequest& request, fw::TWinControl* parent);
TCacheInfo BackgroundToCacheInfo(const TBackgroundRequest& request, const ColorSource& colors);

// Sends a skin command to a control: to its window through the direct link
// when it has one, else straight to its window procedure.
LRESULT SendSkinCommandTo(fw::TControl* control, std::uint16_t command, LPARAM lParam = 0, std::uint16_t sub = 0);

class TControlSkin {
public:
  // coc: the owner's control class code.
  TControlSkin(fw::TWinControl& owner, std::uint8_t coc);
  ~TControlSkin();
  TControlSkin(const TControlSkin&) = delete;
  TControlSkin& operator=(const TControlSkin&) = delete;

  fw::TWinControl& Owner;
  const std::uint8_t COC;
  skin::TsSkinManager* FSkinManager = nullptr;  // none: the default manager
  int SkinIndex = -1;
  int BorderIndex = -1;
  bool Loading = true;
  bool BGChanged = true;
  bool FUpdating = false;
  bool HalfVisible = false;
  bool FMouseAbove = false;
  bool FFocused = false;
  int ScalePercent = 100;
  CacheBitmap FCacheBmp;
  std::unique_ptr<skin::TacThreadedTimer> AnimTimer;

  skin::TsSkinManager* SkinManager() const noexcept { return ManagerOf(FSkinManager); }
  // A manager that is not going away, a valid section and a live owner; with
  // checkActive also an active skin.
  bool Skinned(bool checkActive = true) const noexcept;
  const skin::SkinModel* Model() const noexcept;
  // The section, or none while not skinned (skin active or not).
  const skin::TsGeneralData* Section() const noexcept;
  TControlLook Look() const noexcept;
  ColorSource Colors() const { return ColorsOf(SkinManager()); }

  // Streaming has ended: the section is chosen.
  void Loaded();
  // Resolves the section again (the owner answers SKC_GETSKININDEX).
  void UpdateIndexes();
  // BGChanged and, for a live owner, a redraw of the window with its children
  // (at once with updateNow).
  void Invalidate(bool updateNow = false);
  // The updating test: FUpdating, else the parent's answer to
  // SKC_GETUPDATING. With clearFirst FUpdating is cleared first; a true
  // answer sets it.
  bool CheckUpdating(bool clearFirst);
  // The cache sized like the owner.
  void EnsureCacheBitmap();
  // The cache copied to dc over rect (owner coordinates).
  void CopyCache(HDC dc, const RECT& rect) const { FCacheBmp.Draw(dc, rect.left, rect.top, rect); }

  // Common answers to skin commands. True when the message is handled.
  bool HandleSkinCommand(fw::TMessage& m);
  // A child's background request answered from this control's cache in a
  // state.
  void AnswerBackgroundRequest(TBackgroundRequest& request, int state);
  // The background colour a child sees in a state.
  TColor StateBackgroundColor(int state) const;

  bool Animating() const noexcept { return AnimTimer && AnimTimer->Enabled(); }
  void AbortAnimation() noexcept;

  // The direct-delivery link ("ACSDATA") of the owner's window.
  void Attach(HWND wnd) noexcept;
  void Detach(HWND wnd) noexcept;

private:
  static LRESULT DeliverCommand(void* self, UINT msg, WPARAM wParam, LPARAM lParam);
  skin::TacSkinDataLink link_;
};

// A control's caption in skin colours into dc: the outline passes, then the
// font colour of the section's state record. For the constant sections that
// may lie over others (button, tool button, group box ...) the section that is
// really behind the control gives the colours.
void DrawSkinText(HDC dc, const std::wstring& text, bool outline, const TControlSkin& data, int state, UINT format,
                  RECT rect);

// Fades run on framework timers: installs the tick source once.
void UseFrameworkTicks();

}  // namespace skinctrl
