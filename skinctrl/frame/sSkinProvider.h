#pragma once
// The skinned window frame of a form: the frame provider TsSkinProvider, which
// takes over a form's window procedure and paints its whole non-client area
// from the skin's "FORM" and "FORMTITLE" sections and title-button images,
// cuts the window outline from the key-coloured corner pixels of the border
// image and answers hit tests of its title bar; and the attachment by which the
// default skin manager's hook gives every ordinary form such a provider at its
// first activation.
#include <windows.h>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Handles.h"
#include "framework/Menus.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/paint/FrameGeometry.h"
#include "skinctrl/paint/SkinTextPaint.h"
#include "skinctrl/state/CommonData.h"
#include "skinctrl/state/HoverGlow.h"
#include "skinctrl/state/PaintGuard.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skinctrl {

class TsSkinProvider;

// What a slow drawing step (GDI's icon and text drawing) turned a rectangle of
// an image into, for one kind of drawing (the key): when the same drawing meets
// the same pixels again, the step is replayed by a copy.
class TDrawMemo {
public:
  void Draw(const TDibBitmap& target, RECT rect, std::wstring_view key, const std::function<void()>& draw);

private:
  std::wstring key_;
  RECT rect_{};
  std::vector<std::uint32_t> before_, after_;
};

// A form and its window's system menu as the title-button predicates read them.
TFormTraits FormTraitsOf(const fw::TCustomForm& form);

// A form's system menu: the predicates that decide its title buttons, and the
// skinned menu dropped in place of the window's own (its items carry their
// system commands in their tags).
class TsSystemMenu {
public:
  TsSystemMenu(TsSkinProvider* owner, fw::TCustomForm* form);
  // The form and its window's system menu as the predicates read them.
  TFormTraits Traits() const;
  TTitleButtonRules Rules() const { return DecideTitleButtons(Traits()); }
  // Captions, shortcut texts, visibility and enabling refreshed from the
  // window's menu and the predicates.
  void UpdateItems();
  fw::TPopupMenu& Menu() noexcept { return FMenu; }

  TsSkinProvider* FOwner;
  fw::TCustomForm* FForm;
  // The window's own items (commands outside the system's) shown too.
  int ExtItemsCount = 0;

private:
  // The window's own items put after the first separator, with a separator
  // after them; a click posts the item's command as WM_SYSCOMMAND.
  void UpdateExtItems(HWND wnd, HMENU own);

  fw::TPopupMenu FMenu;
  std::vector<fw::TMenuItem*> extItems_;
};

// The fade of one title button's hot or pressed look. The look is shown in an
// overlay window laid exactly over the button (click-through, so the frame
// below keeps the mouse) whose constant alpha rises in MaxIterations steps of
// 12 ms, and falls again when the button returns to normal; the frame cache
// keeps the button's normal glyph all the while.
class TacSBAnimation {
public:
  TacSBAnimation(TsSkinProvider* owner, int code);
  ~TacSBAnimation();
  TacSBAnimation(const TacSBAnimation&) = delete;
  TacSBAnimation& operator=(const TacSBAnimation&) = delete;

  // Shows the look of state (1 hot, 2 pressed) rising in steps, or (0) lets
  // the shown look fade out; one step shows it at once.
  void StartAnimation(int newState, int steps);
  int Step() const noexcept { return 255 / std::max(MaxIterations, 1); }
  // The overlay window while a look is shown (else none).
  const TacGlowForm* Overlay() const noexcept { return AForm.get(); }

  int CurrentLevel = 0;
  int CurrentState = -1;  // the look shown, -1 none
  int MaxIterations = 1;
  bool Up = true;

private:
  void OnAnimTimer();
  void UpdateForm(int blend);
  void Free() noexcept;

  TsSkinProvider* FOwner;
  int FCode;
  std::unique_ptr<TacGlowForm> AForm;
  fw::TTimer FTimer;
};

// The short-lived cover laid over a form's frame while the system's own
// activation handling runs (which draws the native caption): a borderless,
// click-through window cut to the frame (the client area left open) showing
// the frame cache.
class TacCaptForm : public fw::TWinControl {
public:
  explicit TacCaptForm(TsSkinProvider* sp);
  ~TacCaptForm() override;
  const wchar_t* ClassName() const override { return L"TacCaptForm"; }

  TsSkinProvider* SP;

protected:
  void CreateParams(fw::TCreateParams& params) override;
  void WndProc(fw::TMessage& message) override;
};

class TsSkinProvider : public fw::TComponent {
public:
  // A run-time provider for a form (RTInit set: it initialises itself at the
  // first non-client hit test or paint, or when the form becomes visible).
  static TsSkinProvider* CreateRT(fw::TCustomForm* form);
  ~TsSkinProvider() override;

  fw::TCustomForm* Form() const noexcept { return FForm; }
  TsCommonData& SkinData() noexcept { return *FCommonData; }
  // Runs a message through the provider's window procedure directly.
  LRESULT ProcessMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

  // --- Geometry (window coordinates) ---
  int BorderWidth() const;  // by style
  int CaptionHeight() const;
  int HeaderHeight() const { return BorderWidth() + CaptionHeight(); }
  int CaptionWidth() const;
  // The height the frame is painted for: the window's (for a minimised form
  // other than the main form, that of its minimised title).
  int FrameHeight() const;
  // A minimised form other than the main form: shown as its title alone.
  bool IconicTitle() const;
  int OffsetX() const;
  int OffsetY() const;
  const TFrameLayout& Layout() const noexcept { return layout_; }
  int ButtonStripWidth() const { return skinctrl::ButtonStripWidth(LayoutInput(), layout_); }
  TRect CaptionRect() const { return CaptionTextRect(LayoutInput(), layout_, FCaptionSkinIndex >= 0); }
  void CalcItems();
  int TitleHitTest(POINT windowPoint) const;
  // Opens the window's system menu at a screen point and runs the command chosen.
  void DropSysMenu(int x, int y);

  // --- Title buttons ---
  // The standard button answering a hit code, or none.
  TsCaptionButton* TitleButton(int code) noexcept;
  const TsCaptionButton* TitleButton(int code) const noexcept {
    return const_cast<TsSkinProvider*>(this)->TitleButton(code);
  }
  // The button with hit code Code becomes hot (0 or -1: none).
  void SetHotButton(int code, bool repaint);
  // The button shows pressed and awaits its release.
  void PressButton(int code);
  // Shows a button's current cpState: through its fade overlay while the
  // manager allows glowing, else drawn into the frame and the window.
  void RepaintCaptionButton(int code);
  // Frees every title button's fade and its overlay.
  void KillAnimations() noexcept;
  // The fade of a button, or none.
  const TacSBAnimation* ButtonAnimation(int code) const noexcept;
  // A button's glyph in a state (1 hot, 2 pressed), transparent around it.
  skin::Bitmap32 ButtonPicture(int code, int state) const;
  // The skin's hover glow of a close, maximise or minimise button for the
  // hot look, and where it goes (at: the button's screen corner, moved to
  // the glow's); empty without one.
  skin::Bitmap32 GlowPicture(int code, int state, POINT& at) const;

  // --- Frame ---
  // Renders the whole window image into the frame cache; false when the
  // background behind the form was not ready.
  bool PaintAll();
  // The frame cache: an image of the whole window.
  const TDibBitmap& Cache() const noexcept { return cache_; }
  // Whether the frame is painted now (skinned, frame drawing allowed).
  bool FrameSkinned() const;
  bool FormActive() const noexcept { return FFormActive; }
  // The caption cover while it is shown (else none).
  const TacCaptForm* CaptionCover() const noexcept { return CaptForm.get(); }
  // The cover laid over the frame, painted from the cache, and the pause
  // that lets it reach the screen; and the cover taken away.
  void CoverCaption();
  void UncoverCaption() noexcept;
  // The provider is being attached inside an activation: that activation is
  // handled without the cover (the skinned frame has not been on the screen).
  void AttachingAtActivation() noexcept { attachingActivation_ = true; }
  // Covers laid over the frame so far (each one holds the activation 40 ms).
  int CoversShown() const noexcept { return coversShown_; }
  const std::vector<TRect>& Rects() const noexcept { return Rects_; }

  // The system's window-animation setting is switched off around a restore; the
  // value it had is written back afterwards, whatever happens in between.
  class AnimationOff {
  public:
    AnimationOff();
    ~AnimationOff();
    AnimationOff(const AnimationOff&) = delete;
    AnimationOff& operator=(const AnimationOff&) = delete;

  private:
    int saved_ = 0;
    bool valid_ = false;
  };

  // Fields the frame uses.
  int CurrentHT = 0;
  bool FShowAppIcon = true;
  bool FMakeSkinMenu = false;
  bool FUseGlobalColor = true;
  bool FDrawClientArea = true;
  bool FDrawNonClientArea = true;
  std::string FTitleSkin;
  bool DoReinit = false;
  bool RgnChanged = true;
  bool RgnChanging = false;
  int LockCount = 0;
  int FTitleSkinIndex = -1;
  int FCaptionSkinIndex = -1;
  bool RTInit = false;
  bool biClicked = false;
  // The button a press began on: only a release on it acts, and while the
  // press lasts it alone changes its look (pressed on it, normal off it).
  int PressedHT = 0;
  bool RightPressed = false;
  bool BigButtons = false;
  bool FFormActive = true;
  int VCenter = 0;

private:
  explicit TsSkinProvider(fw::TCustomForm* form);
  void NewWndProc(fw::TMessage& m);
  void OldWndProc(fw::TMessage& m);
  bool HandleSkinCommandMessage(fw::TMessage& m);
  void LoadInit();
  void PrepareForm();
  void ApplySysMenuStyle(bool skinned);
  void UpdateIndexes();
  void ReadMetrics();
  TFrameLayoutInput LayoutInput() const;
  void PaintNonClient(HDC dc = nullptr);
  void UpdateWindowRegion();
  void DrawTitleIcon();
  void PaintCaptionText();
  void PaintCaptionButtons();
  void DrawTitleGlyph(const ScanLines& lines, TPoint at, const TsCaptionButton& button, int state, bool enabled) const;
  bool ButtonEnabled(int code) const;
  void OnNcMouseMove(fw::TMessage& m);
  void OnTitleButtonUp(fw::TMessage& m, POINT screen);
  // Whether a screen point lies on the pressed button.
  bool OnPressedButton(POINT screen) const;
  // The pressed button's look follows the pointer during the press.
  void TrackPress(POINT screen);
  // A press ended without a command (capture taken away, window changed).
  void CancelPress();
  void SaveButtonStrip();
  void ForgetDrawings();
  void RestoreButtonStrip();
  void SyncCacheBitmap();
  void OnNcActivate(fw::TMessage& m);
  void OnSetText(fw::TMessage& m);
  void OnSysCommand(fw::TMessage& m);
  void OnNcHitTest(fw::TMessage& m);
  void OnCaptionDoubleClick();
  void OnTitleButtonMouse(fw::TMessage& m);
  void EraseClient(HDC dc);
  void PrintWindowImage(fw::TMessage& m);
  void SkinChanged();
  void SkinRemoved();
  void Refresh();
  // The form's icon, else the program's, else the system's (none of them is owned here).
  HICON TitleIcon(bool big);
  bool Iconic() const;
  // Passes the message on while the system's own caption drawing is kept off.
  void OldWndProcWithoutCaption(fw::TMessage& m);

  fw::TCustomForm* FForm;
  std::unique_ptr<TsCommonData> FCommonData;
  std::unique_ptr<TsSystemMenu> SystemMenu;
  TFrameMetrics metrics_;
  TFrameLayout layout_;
  TDibBitmap cache_;
  TPaintGuard paintGuard_;
  TDibBitmap TempBmp;
  TRect tempRect_;
  std::vector<TRect> Rects_;
  // The window size the region was cut for.
  int regionWidth_ = 0, regionHeight_ = 0;
  Mask8 glowMask_[2];
  // The caption font: the system's caption font with the skin's face, made
  // once (again after a system font or skin change).
  fw::UniqueFont captionFont_;
  // The icon and the caption text drawn in each look (0 inactive, 1 active).
  TDrawMemo iconMemo_[2], textMemo_[2];
  HICON titleIcon_[2] = {};
  // The window's text, read again after each caption change.
  std::optional<std::wstring> captionText_;
  HWND registeredWnd_ = nullptr;
  std::unique_ptr<TacCaptForm> CaptForm;
  bool attachingActivation_ = false;
  // Attached inside the showing the framework has not yet told the form of:
  // the showing itself paints the window and its children in full.
  bool attachedInsideShowing_ = false;
  int coversShown_ = 0;
  // The fades of the close, maximise, minimise and help buttons.
  std::array<std::unique_ptr<TacSBAnimation>, 4> fades_;
};

// The run-time attachment of a provider to a form.
class TacProvider : public fw::TComponent {
public:
  explicit TacProvider(fw::TCustomForm* form);
  ~TacProvider() override;
  void InitForm(fw::TCustomForm* form);

  HWND CtrlHandle = nullptr;
  TsSkinProvider* sp = nullptr;

protected:
  void Notification(fw::TComponent* component, fw::TOperation operation) override;
};

// The providers attached so far (the process-wide attachment list).
const std::vector<TacProvider*>& AttachedProviders() noexcept;
// The provider of a form's window, or none.
TsSkinProvider* ProviderOf(HWND form) noexcept;

// Attaches a frame to a top-level window when it qualifies; true when the
// window needs nothing more.
bool AddSupportedForm(HWND wnd);
// The default skin manager's CBT hook procedure hands its notifications here.
void SkinHookProc(int code, WPARAM wParam, LPARAM lParam);
// Lets the default skin manager's hook attach frames to forms (once per process).
void InstallFormFrames();

// The system's window-animation setting (whether minimising and restoring
// animate), read and switched through these. Wine keeps no such setting (it
// always answers "off" and ignores changes): tests put their own in its place.
struct TWindowAnimationSetting {
  std::function<bool(int& value)> Get;
  std::function<void(int value)> Set;
};
TWindowAnimationSetting& WindowAnimationSetting();

// Desktop composition as the frame sees it: looked up at run time in dwmapi
// (missing counts as off); tests may force an answer.
bool CompositionEnabled();
inline int ForcedComposition = -1;  // -1: ask the system, 0 off, 1 on

}  // namespace skinctrl
