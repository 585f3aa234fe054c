// The title buttons under the mouse: hot and pressed looks, shown either by a
// fading overlay window above the frame or drawn straight into the frame, and
// the command a press released over the same button runs.
#include "skinctrl/frame/sSkinProvider.h"

#include "framework/Application.h"
#include "framework/Exception.h"
#include "skin/sSkinManager.h"
#include "skinctrl/paint/SkinImages.h"

#include <algorithm>

namespace skinctrl {

using skin::TsSkinManager;

namespace {

constexpr int htMinButtonCode = HTMINBUTTON, htMaxButtonCode = HTMAXBUTTON, htCloseCode = HTCLOSE,
              htHelpCode = HTHELP;

int FadeSlot(int code) noexcept {
  switch (code) {
  case htCloseCode: return 0;
  case htMaxButtonCode: return 1;
  case htMinButtonCode: return 2;
  case htHelpCode: return 3;
  default: return -1;
  }
}

}  // namespace

// --- TacSBAnimation ---

TacSBAnimation::TacSBAnimation(TsSkinProvider* owner, int code) : FOwner(owner), FCode(code), FTimer(nullptr) {
  FTimer.SetEnabled(false);
  FTimer.SetInterval(12);
  FTimer.SetOnTimer([this](fw::TObject*) {
    try {
      OnAnimTimer();
    } catch (...) {
      fw::Application().HandleException(std::current_exception());
    }
  });
}

TacSBAnimation::~TacSBAnimation() { Free(); }

void TacSBAnimation::Free() noexcept {
  FTimer.SetEnabled(false);
  AForm.reset();
  CurrentState = -1;
  CurrentLevel = 0;
}

void TacSBAnimation::StartAnimation(int newState, int steps) {
  MaxIterations = std::max(steps, 1);
  if (newState == 0) {
    if (!AForm) {
      Free();
      return;
    }
    Up = false;
    CurrentLevel = std::min(CurrentLevel, MaxIterations);
    if (MaxIterations == 1) {
      Free();
      return;
    }
    FTimer.SetEnabled(true);
    return;
  }
  const bool fresh = !AForm || CurrentLevel <= 0;
  CurrentState = newState;
  Up = true;
  if (MaxIterations == 1) {
    CurrentLevel = 1;
    UpdateForm(255);
  } else {
    // A look shown again goes on from the level it has (full at the last).
    CurrentLevel = fresh ? 1 : std::min(CurrentLevel, MaxIterations);
    UpdateForm(CurrentLevel >= MaxIterations ? 255 : std::clamp(Step() * CurrentLevel, 0, 255));
  }
  // The timer also watches for the cursor leaving the button.
  FTimer.SetEnabled(true);
}

void TacSBAnimation::UpdateForm(int blend) {
  const TsCaptionButton* button = FOwner->TitleButton(FCode);
  const HWND form = FOwner->Form()->HandleIfAllocated();
  if (!button || !button->Visible() || !form) return;
  RECT w{};
  ::GetWindowRect(form, &w);
  if (!AForm) AForm = std::make_unique<TacGlowForm>(form);
  POINT at{w.left + button->cpRect.Left, w.top + button->cpRect.Top};
  skin::Bitmap32 picture = FOwner->GlowPicture(FCode, CurrentState, at);
  if (picture.Width == 0) picture = FOwner->ButtonPicture(FCode, CurrentState);
  AForm->ShowPicture(picture, at, blend);
}

void TacSBAnimation::OnAnimTimer() {
  if (!Up) {
    if (--CurrentLevel <= 0) {
      Free();
      return;
    }
    if (AForm) AForm->SetAlpha(std::clamp(Step() * CurrentLevel, 0, 255));
    return;
  }
  if (CurrentLevel < MaxIterations) {
    ++CurrentLevel;
    if (AForm) AForm->SetAlpha(CurrentLevel >= MaxIterations ? 255 : std::clamp(Step() * CurrentLevel, 0, 255));
    return;
  }
  // Fully shown: the look stays while the cursor stays on the button. The
  // overlay lets the mouse through, so the frame would not always learn that
  // the pointer went away (it may leave the window in one jump).
  const TsCaptionButton* button = FOwner->TitleButton(FCode);
  const HWND form = FOwner->Form()->HandleIfAllocated();
  POINT cursor{};
  RECT w{};
  if (!button || !form || !::GetCursorPos(&cursor) || !::GetWindowRect(form, &w)) return;
  const RECT r{w.left + button->cpRect.Left, w.top + button->cpRect.Top, w.left + button->cpRect.Right,
               w.top + button->cpRect.Bottom};
  if (!::PtInRect(&r, cursor)) {
    FTimer.SetEnabled(false);
    ::PostMessageW(form, WM_MOUSELEAVE, 0, 0);
  }
}

// --- Provider: title buttons ---

TsCaptionButton* TsSkinProvider::TitleButton(int code) noexcept {
  switch (code) {
  case htCloseCode: return &layout_.ButtonClose;
  case htMaxButtonCode: return &layout_.ButtonMax;
  case htMinButtonCode: return &layout_.ButtonMin;
  case htHelpCode: return &layout_.ButtonHelp;
  default: return nullptr;
  }
}

const TacSBAnimation* TsSkinProvider::ButtonAnimation(int code) const noexcept {
  const int slot = FadeSlot(code);
  return slot < 0 ? nullptr : fades_[static_cast<std::size_t>(slot)].get();
}

bool TsSkinProvider::ButtonEnabled(int code) const {
  if (!SystemMenu) return false;
  const TTitleButtonRules rules = SystemMenu->Rules();
  switch (code) {
  case htCloseCode: return rules.VisibleClose && rules.EnabledClose;
  case htMaxButtonCode: return rules.EnabledMax || (::IsZoomed(FForm->HandleIfAllocated()) && rules.EnabledRestore);
  case htMinButtonCode: return rules.EnabledMin;
  case htHelpCode: return rules.Help;
  default: return false;
  }
}

void TsSkinProvider::DrawTitleGlyph(const ScanLines& lines, TPoint at, const TsCaptionButton& button, int state,
                                    bool enabled) const {
  const TsSkinManager* m = FCommonData->SkinManager();
  if (!m || button.cpGlyphType < 0 || button.cpGlyphType >= skin::TitleGlyphCount) return;
  const int index = m->ConstData.TitleGlyphs[static_cast<std::size_t>(button.cpGlyphType)];
  if (!m->Model().IsValidImgIndex(index)) return;
  const skin::TsMaskData& image = m->ma()[static_cast<std::size_t>(index)];
  const int frame = std::clamp(state, 0, image.ImageCount - 1);
  const bool halfTransparent = frame == 0 && (!FFormActive || !enabled || !FForm->Enabled());
  PutSkinImage(lines, at, frame, CacheInfoOfBitmap(lines, 0, 0), &m->Model(), image, !halfTransparent);
}

skin::Bitmap32 TsSkinProvider::ButtonPicture(int code, int state) const {
  const TsCaptionButton* button = TitleButton(code);
  if (!button || !button->Visible()) return {};
  const TRect& r = button->cpRect;
  // A glyph wider than the title (a skin's image of any size) has no picture to fade.
  if (r.Width() > CaptionWidth()) return {};
  TDibBitmap picture(r.Width(), r.Height());
  if (picture.Empty()) return {};
  // The glyph alone, drawn in key mode over the key colour: what stays key
  // coloured is transparent, so that the frame's own look of the button
  // (half transparent on an inactive window) shows around the glyph.
  const ScanLines lines = picture.Lines();
  for (int y = 0; y < lines.Height; ++y) std::fill_n(lines.Row(y), lines.Width, skin::KeyColorPixel);
  DrawTitleGlyph(lines, TPoint{0, 0}, *button, state, ButtonEnabled(code));
  skin::Bitmap32 out(lines.Width, lines.Height);
  for (int y = 0; y < lines.Height; ++y)
    for (int x = 0; x < lines.Width; ++x) {
      const std::uint32_t p = lines.At(x, y) & 0xFFFFFFu;
      out.At(x, y) = p == skin::KeyColorPixel ? 0u : p | 0xFF000000u;
    }
  return out;
}

skin::Bitmap32 TsSkinProvider::GlowPicture(int code, int state, POINT& at) const {
  const TsCaptionButton* button = TitleButton(code);
  const TsSkinManager* m = FCommonData->SkinManager();
  if (state != 1 || !button || !m || !m->Effects().AllowGlowing || code == htHelpCode) return {};
  const int kind = button->cpGlyphType;
  if (kind < 0 || kind >= skin::TitleGlowCount) return {};
  const std::vector<int>& frames = m->ConstData.TitleGlows[static_cast<std::size_t>(kind)];
  if (frames.empty() || !m->Model().IsValidImgIndex(frames.front())) return {};
  const skin::TsMaskData& image = m->ma()[static_cast<std::size_t>(frames.front())];
  skin::Bitmap32 picture = MakeGlowPicture(&m->Model(), image, image.Width, image.Height);
  if (picture.Width == 0) return {};
  // The glow reaches its margin beyond the button on every side; one of
  // another size is centred on the button.
  const int margin = std::max(m->ConstData.GlowMargins[static_cast<std::size_t>(kind)], 0);
  const TRect& r = button->cpRect;
  if (picture.Width == r.Width() + 2 * margin && picture.Height == r.Height() + 2 * margin) {
    at = POINT{at.x - margin, at.y - margin};
  } else {
    at = POINT{at.x + (r.Width() - picture.Width) / 2, at.y + (r.Height() - picture.Height) / 2};
  }
  return picture;
}

void TsSkinProvider::SetHotButton(int code, bool repaint) {
  if (code == CurrentHT || !FrameSkinned()) return;
  if (CurrentHT > 0 && CurrentHT != code) {
    if (TsCaptionButton* previous = TitleButton(CurrentHT)) {
      previous->cpState = 0;
      if (repaint) RepaintCaptionButton(CurrentHT);
    }
  }
  CurrentHT = code;
  if (biClicked || code <= 0) return;
  if (TsCaptionButton* button = TitleButton(code); button && ButtonEnabled(code)) {
    button->cpState = 1;
    if (repaint) RepaintCaptionButton(code);
  }
}

void TsSkinProvider::PressButton(int code) {
  if (code != CurrentHT) {
    if (TsCaptionButton* previous = TitleButton(CurrentHT)) {
      previous->cpState = 0;
      RepaintCaptionButton(CurrentHT);
    }
  }
  CurrentHT = code;
  TsCaptionButton* button = TitleButton(code);
  // A press on a disabled command is ignored.
  if (!button || !ButtonEnabled(code)) {
    CurrentHT = 0;
    return;
  }
  button->cpState = 2;
  biClicked = true;
  PressedHT = code;
  // The press keeps the pointer, as the system's own title buttons do: the
  // button hears where the pointer goes and where it is released, also
  // outside the window, and no other button lights up meanwhile.
  ::SetCapture(FForm->HandleIfAllocated());
  RepaintCaptionButton(code);
}

bool TsSkinProvider::OnPressedButton(POINT screen) const {
  const TsCaptionButton* button = TitleButton(PressedHT);
  RECT w{};
  if (!button || !::GetWindowRect(FForm->HandleIfAllocated(), &w)) return false;
  const int x = screen.x - w.left, y = screen.y - w.top;
  const TRect& r = button->cpRect;
  return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

void TsSkinProvider::TrackPress(POINT screen) {
  TsCaptionButton* button = TitleButton(PressedHT);
  if (!button) return;
  const int state = OnPressedButton(screen) ? 2 : 0;
  if (button->cpState == state) return;
  button->cpState = state;
  RepaintCaptionButton(PressedHT);
}

void TsSkinProvider::CancelPress() {
  if (!biClicked) return;
  biClicked = false;
  const int code = PressedHT;
  PressedHT = 0;
  CurrentHT = 0;
  if (TsCaptionButton* button = TitleButton(code); button && button->cpState != 0) {
    button->cpState = 0;
    RepaintCaptionButton(code);
  }
}

void TsSkinProvider::RepaintCaptionButton(int code) {
  TsCaptionButton* button = TitleButton(code);
  const TsSkinManager* m = FCommonData->SkinManager();
  const HWND wnd = FForm->HandleIfAllocated();
  if (!button || !button->Visible() || !m || !wnd || cache_.Empty() || TempBmp.Empty()) return;
  const int state = std::max(button->cpState, 0);
  const int slot = FadeSlot(code);
  if (m->Effects().AllowGlowing && !fw::Application().Terminated()) {
    const int steps = state == 2 ? 1 : std::max(1, 10 * static_cast<int>(m->Effects().AllowAnimation));
    auto& fade = fades_[static_cast<std::size_t>(slot)];
    if (!fade) {
      if (state == 0) return;
      fade = std::make_unique<TacSBAnimation>(this, code);
    }
    fade->StartAnimation(state, steps);
    return;
  }
  // Without the overlay: the button's part of the title is put back from the
  // saved strip, the glyph drawn in its state and that rectangle shown.
  const TRect& r = button->cpRect;
  ::BitBlt(cache_.DC(), r.Left, r.Top, r.Width(), r.Height(), TempBmp.DC(), r.Left - tempRect_.Left,
           r.Top - tempRect_.Top, SRCCOPY);
  DrawTitleGlyph(cache_.Lines(), TPoint{r.Left, r.Top}, *button, state, ButtonEnabled(code));
  const fw::WholeWindowDc dc(wnd);
  if (dc.get()) ::BitBlt(dc.get(), r.Left, r.Top, r.Width(), r.Height(), cache_.DC(), r.Left, r.Top, SRCCOPY);
}

void TsSkinProvider::KillAnimations() noexcept {
  for (auto& fade : fades_) fade.reset();
}

void TsSkinProvider::OnNcMouseMove(fw::TMessage& m) {
  if (!FForm->Enabled() || ::IsIconic(FForm->HandleIfAllocated())) {
    OldWndProc(m);
    return;
  }
  // The frame hears of the pointer leaving the non-client area.
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE | TME_NONCLIENT, FForm->HandleIfAllocated(), 0};
  ::TrackMouseEvent(&track);
  const auto code = static_cast<int>(m.WParam);
  if (biClicked) {
    TrackPress(POINT{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))});
    m.Result = 0;
    return;
  }
  if (TitleButton(code)) {
    SetHotButton(code, true);
    m.Result = 0;
    return;
  }
  SetHotButton(0, true);
  OldWndProc(m);
}

// A release runs the command of the button the press began on, and only
// when the pointer is on that button still.
void TsSkinProvider::OnTitleButtonUp(fw::TMessage& m, POINT screen) {
  const HWND wnd = FForm->HandleIfAllocated();
  const int code = PressedHT;
  TsCaptionButton* button = TitleButton(code);
  const bool clicked = biClicked && button;
  const bool inside = clicked && OnPressedButton(screen);
  biClicked = false;
  PressedHT = 0;
  if (::GetCapture() == wnd) ::ReleaseCapture();
  if (!clicked) {
    SetHotButton(0, true);
    OldWndProc(m);
    return;
  }
  CurrentHT = 0;
  m.Result = 0;
  if (!inside) {
    // Released elsewhere: nothing happens; a button under the pointer
    // lights up at the next move.
    if (button->cpState != 0) {
      button->cpState = 0;
      RepaintCaptionButton(code);
    }
    return;
  }
  button->cpState = 0;
  KillAnimations();
  WPARAM command = SC_CLOSE;
  switch (code) {
  case htMinButtonCode:
    // A minimised form other than the main form shows the restore glyph there.
    command = IconicTitle() ? SC_RESTORE : SC_MINIMIZE;
    break;
  case htMaxButtonCode: command = ::IsZoomed(wnd) ? SC_RESTORE : SC_MAXIMIZE; break;
  case htHelpCode: command = SC_CONTEXTHELP; break;
  default: break;
  }
  if (code != htCloseCode) {
    FCommonData->BGChanged = true;
    RepaintCaptionButton(code);
  }
  // Posted: closing may free the form and this provider with it.
  ::PostMessageW(wnd, WM_SYSCOMMAND, command, 0);
}

}  // namespace skinctrl
