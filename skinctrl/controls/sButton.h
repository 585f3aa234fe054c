// TsButton: the push button painted from the skin's button section. An
// owner-drawn system button whose face (parent background, the nine-part
// image of its state, caption, focus dots, disabled look) is built in its
// cache; changes between normal, hot and pressed fade.
#pragma once

#include <functional>
#include <memory>

#include "framework/StdCtrls.h"
#include "skinctrl/state/CommonData.h"
#include "skinctrl/state/PaintGuard.h"

namespace skinctrl {

// Colours the button's colouring logic may impose (NoColor: none).
struct TacColoring {
  TColor ColorToneBG = NoColor;
  TColor ColorGlyph = NoColor;
  TColor ColorText = NoColor;
};

// Events whose look change fades.
enum TacAnimatEvent : unsigned {
  aeMouseEnter = 1,
  aeMouseLeave = 2,
  aeMouseDown = 4,
  aeMouseUp = 8,
  aeGlobalDef = 0x100,  // as the manager's button events say
};

class TsButton : public fw::TButton {
public:
  explicit TsButton(fw::TComponent* owner);
  ~TsButton() override;
  const wchar_t* ClassName() const override { return L"TsButton"; }

  TsCtrlSkinData& SkinData() noexcept { return *FCommonData; }

  bool Down() const noexcept { return FDown; }
  void SetDown(bool value);
  bool ShowFocus() const noexcept { return FShowFocus; }
  void SetShowFocus(bool value);
  int FocusMargin() const noexcept { return FFocusMargin; }
  void SetFocusMargin(int value) noexcept { FFocusMargin = value; }
  int ContentMargin() const noexcept { return FContentMargin; }
  void SetContentMargin(int value);
  int DisabledKind() const noexcept { return FDisabledKind; }
  void SetDisabledKind(int value);
  unsigned AnimatEvents() const noexcept { return FAnimatEvents; }
  void SetAnimatEvents(unsigned value) noexcept { FAnimatEvents = value; }
  bool WordWrap() const noexcept { return FWordWrap; }
  void SetWordWrap(bool value);

  fw::TNotifyEvent OnMouseEnter;
  fw::TNotifyEvent OnMouseLeave;
  std::function<void(fw::TObject* sender, int state, TacColoring& coloring)> OnGetColoring;

  // 0 normal, 1 hot, 2 pressed, 3 the default button's look.
  virtual int CurrentState();
  // Where the caption goes: centred, moved by (1, 1) while pressed.
  RECT CaptionRect();
  SIZE CaptionSize();
  TacColoring GetColoring();
  // Rebuilds the cache for the current state. False when the parent cannot
  // give its background yet.
  bool PrepareCache();
  // The paint handler: the cache (or the fade's current frame) into dc; a
  // window DC when dc is none.
  void PaintButton(HDC dc);

protected:
  void Loaded() override;
  void CreateParams(fw::TCreateParams& params) override;
  void DestroyWnd() override;
  void WndProc(fw::TMessage& m) override;

private:
  bool HandleSkinCommand(fw::TMessage& m);
  bool HandleSkinned(fw::TMessage& m);
  void MouseEnterLeave(bool enter);
  void MouseDown(fw::TMessage& m);
  void MouseUp(fw::TMessage& m);
  LRESULT HitTest(fw::TMessage& m);
  void DrawCaption(TColor colorText);
  void DrawFocusDots(const RECT& captionRect);
  // Changes the look toward state: a fade when the event is animated, else a
  // repaint.
  void StateChanged(int state, bool shortFade, unsigned event);
  // The plain button face (owner-draw request while no skin is active).
  void DrawPlain(const DRAWITEMSTRUCT& item);

  std::unique_ptr<TsCtrlSkinData> FCommonData;
  TPaintGuard paintGuard_;
  bool FDown = false;
  bool FShowFocus = true;
  bool FMouseClicked = false;
  bool FWordWrap = true;
  bool FForcePressed = false;
  // Inside a press or release the button fades itself: the system button's
  // own change of its pushed state is not painted at once.
  bool FFadingPress = false;
  int FFocusMargin = 1;
  int FContentMargin = 6;
  int FDisabledKind = dkBlended;
  unsigned FAnimatEvents = aeGlobalDef;
};

}  // namespace skinctrl
