#pragma once
// Window adapters: objects that subclass an existing window (a framework
// control through its WindowProc chain, any other window through the
// framework's subclassing) and give it a skinned non-client area. The
// scroll-bar adapter draws and operates the window's scroll bars itself in
// the non-client area; the window keeps its scroll-bar styles and scroll
// information, which the adapter reads, but the system never gets room to
// show its own bars.
//
// TacMainWnd: subclassing, message routing, colours.
// TacScrollWnd: the scroll bars (size calculation, hit test, painting and
//   the mouse: hover, press, repeat, thumb drag, release).
// TacBaseWnd: what every skinned window adapter adds on top.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "framework/Controls.h"
#include "framework/Messages.h"
#include "skin/sSkinManager.h"
#include "skinctrl/paint/ArrowPaint.h"
#include "skinctrl/paint/ScrollGeometry.h"
#include "skinctrl/state/CommonData.h"

namespace skinctrl {

// Timer identifiers of the scroll bars (on the adapted window).
inline constexpr UINT_PTR ScrollHoverTimer = 0xFFF2;  // 20 ms while a bar is hovered
inline constexpr UINT_PTR ScrollFirstRepeatTimer = 0xFFFD;  // 300 ms after the press
inline constexpr UINT_PTR ScrollRepeatTimer = 0xFFFE;  // then every 55 ms
inline constexpr UINT ScrollHoverInterval = 20;
inline constexpr UINT ScrollFirstRepeatDelay = 300;
inline constexpr UINT ScrollRepeatInterval = 55;

struct TacSkinParams {
  fw::TControl* Control = nullptr;
  std::string SkinSection;
  bool UseSkinColor = true;
  bool UseSkinFontColor = true;
  int VertScrollSize = -1;
  int HorzScrollSize = -1;
  int VertScrollBtnSize = -1;
  int HorzScrollBtnSize = -1;
};

// The thickness and arrow length a control asks of one of its bars (-1: the
// manager's).
class TacScrollData {
public:
  explicit TacScrollData(TsCommonData* owner) noexcept : owner_(owner) {}
  int ScrollWidth() const noexcept { return FScrollWidth; }
  void SetScrollWidth(int value);
  int ButtonsSize() const noexcept { return FButtonsSize; }
  void SetButtonsSize(int value);

  int FScrollWidth = -1;
  int FButtonsSize = -1;

private:
  TsCommonData* owner_;
};

// The skinning state of a control with scroll bars.
class TsScrollWndData : public TsCommonData {
public:
  using TsCommonData::TsCommonData;
  TacScrollData& HorzScrollData() noexcept { return FHorzScrollData; }
  TacScrollData& VertScrollData() noexcept { return FVertScrollData; }

  TacScrollData FHorzScrollData{this};
  TacScrollData FVertScrollData{this};
};

class TacScrollWnd;

// One scroll bar of an adapted window.
struct TacScrollBar {
  static constexpr int HasStyle = 8;
  static constexpr int FirstArrowDisabled = 1;
  static constexpr int SecondArrowDisabled = 2;

  int fScrollFlags = 0;
  int nBarType = 0;  // SB_HORZ or SB_VERT
  int nArrowWidth = -1;
  int nArrowLength = -1;
  int nButSizeAfter = 0;
  int nButSizeBefore = 0;
  int nMinThumbSize = DefaultMinThumbSize;
  bool fButVisibleBefore = false;
  bool fButVisibleAfter = false;
  TacScrollWnd* sw = nullptr;
  bool fScrollVisible = false;
  SCROLLINFO ScrollInfo{};
};

// The one bar hovered or operated in the process (the mouse capture during
// a press guarantees there is only one).
struct TacScrollTracking {
  HWND HoverWnd = nullptr;
  int HoverBar = -1;
  RECT HoverRect{};  // window-relative
  int HoverPortion = -1;
  int PrevHoverPortion = -1;
  HWND PressWnd = nullptr;
  int PressBar = -1;
  int PressPortion = -1;
  int CurrentPortion = -1;  // under the cursor while pressed; -1 when it left
  UINT ScrollMsg = 0;
  int LastPos = 0;
  RECT TrackRect{};
  int ThumbStart = 0;
  int ThumbSize = 0;
  int MouseOffset = 0;
  bool InHitTest = false;
};
TacScrollTracking& ScrollTracking() noexcept;

class TacMainWnd {
public:
  // Without skinData the adapter makes and owns a state of class code
  // ownedCoc with the section of params.
  TacMainWnd(HWND wnd, TsCommonData* skinData, skin::TsSkinManager* manager, const TacSkinParams& params,
             std::uint8_t ownedCoc = 0);
  virtual ~TacMainWnd();
  TacMainWnd(const TacMainWnd&) = delete;
  TacMainWnd& operator=(const TacMainWnd&) = delete;

  // Subclasses the window; with repaint the frame is recalculated.
  void Attach(bool repaint);
  // Unsubclasses the window and gives it back what the adapter changed.
  void ReleaseAdapter() noexcept;

  virtual void AfterCreation();
  virtual void SaveStdParams() {}
  virtual void RestoreStdParams() noexcept;
  virtual void SetSkinParams();
  virtual void acWndProc(fw::TMessage& m);
  void CallPrevWndProc(fw::TMessage& m) noexcept;
  LRESULT ProcessMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

  bool DlgMode = false;
  bool Destroyed = false;
  bool DontRepaint = false;
  bool OwnSkinData = false;
  bool ParamsChanged = false;
  RECT WndRect{};
  RECT ParentRect{};
  TColor StdColor = NoColor;
  TColor StdFontColor = NoColor;
  HWND ParentWnd = nullptr;
  HWND CtrlHandle = nullptr;
  SIZE WndSize{};
  POINT WndPos{};
  fw::TControlStyle OldCtrlStyle = 0;
  skin::TsSkinManager* SkinManager = nullptr;
  TsCommonData* SkinData = nullptr;

protected:
  // Window and parent rectangles, size and position.
  void MeasureWindow();
  fw::TControl* OwnerControl() const noexcept { return SkinData ? SkinData->FOwnerControl : nullptr; }
  // Whether a skin command's LParam names this adapter's manager.
  bool OwnManager(LPARAM lParam) const noexcept;

  std::unique_ptr<TsCommonData> ownedData_;
  TacSkinParams params_;

private:
  void Route(fw::TMessage& m);

  fw::TControl* control_ = nullptr;  // subclassed through this control's WindowProc chain
  bool attached_ = false;
};

// The arrow style vector arrows are drawn in: the manager's, or the skin's
// where the manager leaves it to the skin.
TacSolidArrowStyle ArrowStyleOf(const skin::TsSkinManager& manager);

class TacScrollWnd : public TacMainWnd {
public:
  TacScrollWnd(HWND wnd, TsCommonData* skinData, skin::TsSkinManager* manager, const TacSkinParams& params,
               std::uint8_t ownedCoc = 0);
  ~TacScrollWnd() override;

  void acWndProc(fw::TMessage& m) override;
  void RestoreStdParams() noexcept override;

  void CalcScrollFrame(fw::TMessage& m);
  void PaintScrollBars(HDC dc);
  void UpdateScrolls(bool repaint);
  void SendScrollMessage(UINT msg, int code, int pos);

  // Geometry (window rectangle in screen coordinates as the system knows it).
  int ScrollBarThickness(const TacScrollBar& bar) const;
  int ScrollArrowLength(const TacScrollBar& bar) const;
  // The bar's thumb minimum at the manager's scale.
  int MinThumbSize(const TacScrollBar& bar) const;
  // The bar's rectangle in screen coordinates (empty when not visible).
  RECT BarRect(const TacScrollBar& bar) const;
  TBarSpan Span(const TacScrollBar& bar, const RECT& barRect) const;
  bool ScrollBarEnabled(const TacScrollBar& bar) const;
  // The portion of a bar under a screen point (-1 outside it).
  int HitTestBar(const TacScrollBar& bar, POINT screen) const;
  TacScrollBar& Bar(int type) noexcept { return type == SB_VERT ? *sBarVert : *sBarHorz; }
  // Where both bars meet (screen coordinates; empty unless both show).
  RECT GripRect() const;
  // The window's corner at the bars lies on its top-level parent's client
  // corner: the grip there shows the skin's grip image and sizes.
  bool GripOnCorner() const;

  bool fThumbTracking = false;
  bool fLeftScrollbar = false;
  bool ScrollsInitialized = false;
  bool bPreventStyleChange = false;
  std::unique_ptr<TacScrollBar> sBarHorz;
  std::unique_ptr<TacScrollBar> sBarVert;
  int cxLeftEdge = 0, cxRightEdge = 0, cyTopEdge = 0, cyBottomEdge = 0;

protected:
  // The drop-down list of a combo box keeps the capture and the release.
  virtual bool KeepsCaptureOnRelease() const { return false; }
  void ReadScrollInfo(TacScrollBar& bar) const;
  void PaintBar(HDC dc, TacScrollBar& bar, int thumbStateOverride = -1, int thumbStartOverride = -1);

private:
  bool NcMouseMove(fw::TMessage& m);
  bool NcButtonDown(fw::TMessage& m);
  void StartAutoScroll(TacScrollBar& bar, int portion);
  void Timer(fw::TMessage& m);
  void RepeatTick();
  void DragStep(POINT screen);
  bool ButtonUp(fw::TMessage& m);
  void ResetPress() noexcept;
  LRESULT HitTest(POINT screen);
  void PaintGrip(HDC dc);
};

class TacBaseWnd : public TacScrollWnd {
public:
  using TacScrollWnd::TacScrollWnd;
  void acWndProc(fw::TMessage& m) override;
};

// Makes an adapter and subclasses its window.
template <typename T, typename... Args>
std::unique_ptr<T> MakeAdapter(bool repaint, Args&&... args) {
  auto adapter = std::make_unique<T>(std::forward<Args>(args)...);
  adapter->Attach(repaint);
  return adapter;
}

// The adapter subclassing a window, or none.
TacMainWnd* AdapterOf(HWND wnd) noexcept;

}  // namespace skinctrl
