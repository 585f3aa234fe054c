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
#include <string_view>

#include "framework/Controls.h"
#include "skin/SkinCommand.h"
#include "skin/sSkinManager.h"
#include "skinctrl/CacheInfo.h"
#include "skinctrl/DibBitmap.h"
#include "skinctrl/FadeTimer.h"
#include "skinctrl/ParentBackground.h"
#include "skinctrl/SectionPaint.h"

namespace skinctrl {

// The record of SKC_QUERYSECTIONBEHIND: which section lies behind R (in the
// receiver's client coordinates) at a state.
struct TacSectionBehind {
  int State = 0;
  int SkinIndex = -1;  // answer
  TRect R;
};

// The manager a control follows: its own, else the default one.
skin::TsSkinManager* ManagerOf(skin::TsSkinManager* own) noexcept;
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
  TDibBitmap FCacheBmp;
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
  // The cache freed: 0 x 0.
  void ClearCache() noexcept;
  // The cache copied to dc over rect (owner coordinates).
  void CopyCache(HDC dc, const RECT& rect) const { CopyToDC(dc, rect.left, rect.top, FCacheBmp, rect); }

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

// A control's caption drawn into its cache in skin colours: the outline
// passes and the font colour of the state's record (glow where the state has
// one). For the constant sections that may lie over others (button, tool
// button, group box ...) the section that is really behind the control gives
// the colours. Without a skin, the control's font colour.
void DrawControlText(const TControlSkin& data, HFONT font, std::wstring_view text, bool outline, int state,
                     UINT format, const RECT& rect);

// Fades run on framework timers: installs the tick source once.
void UseFrameworkTicks();

}  // namespace skinctrl
