// The frame provider: its life on a form, the frame geometry, the window
// messages it takes over and the skin commands it answers.
#include "skinctrl/frame/sSkinProvider.h"

#include "framework/Application.h"
#include "framework/Dpi.h"
#include "framework/Exception.h"
#include "skin/SkinBroadcast.h"
#include "skin/sSkinManager.h"
#include "skinctrl/menus/sPopupMenus.h"
#include "skinctrl/state/ClassBrush.h"
#include "skinctrl/state/CommonDataDetail.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace skinctrl {

using skin::TsSkinManager;

namespace {

constexpr DWORD DwmTransitionsForceDisabled = 3;  // DWMWA_TRANSITIONS_FORCEDISABLED

TFrameBorderStyle FrameStyleOf(fw::TFormBorderStyle s) noexcept {
  switch (s) {
  case fw::TFormBorderStyle::bsNone: return TFrameBorderStyle::bsNone;
  case fw::TFormBorderStyle::bsSingle: return TFrameBorderStyle::bsSingle;
  case fw::TFormBorderStyle::bsSizeable: return TFrameBorderStyle::bsSizeable;
  case fw::TFormBorderStyle::bsDialog: return TFrameBorderStyle::bsDialog;
  case fw::TFormBorderStyle::bsToolWindow: return TFrameBorderStyle::bsToolWindow;
  case fw::TFormBorderStyle::bsSizeToolWin: return TFrameBorderStyle::bsSizeToolWin;
  }
  return TFrameBorderStyle::bsSizeable;
}

using DwmIsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

// dwmapi stays loaded for the life of the process once looked up.
HMODULE DwmModule() noexcept {
  static HMODULE module = ::LoadLibraryW(L"dwmapi.dll");
  return module;
}

void SetTransitionsDisabled(HWND wnd, bool disabled) noexcept {
  if (!CompositionEnabled() || !DwmModule()) return;
  if (auto set = reinterpret_cast<DwmSetWindowAttributeFn>(
          reinterpret_cast<void*>(::GetProcAddress(DwmModule(), "DwmSetWindowAttribute")))) {
    const BOOL value = disabled ? TRUE : FALSE;
    set(wnd, DwmTransitionsForceDisabled, &value, sizeof(value));
  }
}

void FillColor(HDC dc, const RECT& r, COLORREF color) {
  // DC_BRUSH belongs to the DC: nothing to create or free.
  const COLORREF previous = ::SetDCBrushColor(dc, color);
  ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
  ::SetDCBrushColor(dc, previous);
}

// The caption's style bits stay off for one scope. The system's default
// handling of a caption or icon change draws the native caption at once,
// straight into the window, whenever the style has both caption bits; without
// one of them it only stores the text or icon and the frame repaints itself.
class CaptionDrawingOff {
public:
  explicit CaptionDrawingOff(HWND wnd) noexcept : wnd_(wnd) {
    const auto style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
    active_ = (style & WS_CAPTION) == WS_CAPTION;
    if (active_) ::SetWindowLongPtrW(wnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_DLGFRAME));
  }
  ~CaptionDrawingOff() {
    if (active_ && ::IsWindow(wnd_)) {
      ::SetWindowLongPtrW(wnd_, GWL_STYLE, ::GetWindowLongPtrW(wnd_, GWL_STYLE) | WS_DLGFRAME);
    }
  }
  CaptionDrawingOff(const CaptionDrawingOff&) = delete;
  CaptionDrawingOff& operator=(const CaptionDrawingOff&) = delete;

private:
  HWND wnd_;
  bool active_ = false;
};

}  // namespace

bool CompositionEnabled() {
  if (ForcedComposition >= 0) return ForcedComposition != 0;
  if (!DwmModule()) return false;
  auto query = reinterpret_cast<DwmIsCompositionEnabledFn>(
      reinterpret_cast<void*>(::GetProcAddress(DwmModule(), "DwmIsCompositionEnabled")));
  BOOL enabled = FALSE;
  return query && SUCCEEDED(query(&enabled)) && enabled;
}

// --- TsSystemMenu ---

namespace {

struct SystemItem {
  UINT command;
  const wchar_t* text;  // when the window's menu lacks the item
};
constexpr SystemItem SystemItems[] = {{SC_RESTORE, L"Restore"},   {SC_MOVE, L"Move"}, {SC_SIZE, L"Size"},
                                      {SC_MINIMIZE, L"Minimize"}, {SC_MAXIMIZE, L"Maximize"}, {0, L"-"},
                                      {SC_CLOSE, L"Close"}};

}  // namespace

TsSystemMenu::TsSystemMenu(TsSkinProvider* owner, fw::TCustomForm* form) : FOwner(owner), FForm(form), FMenu(nullptr) {
  for (const SystemItem& entry : SystemItems) {
    auto* item = new fw::TMenuItem(&FMenu);
    item->SetCaption(entry.text);
    item->SetTag(static_cast<std::intptr_t>(entry.command));
    if (entry.command) {
      item->OnClick = [this, command = entry.command](fw::TObject*) {
        if (const HWND wnd = FForm->HandleIfAllocated()) ::SendMessageW(wnd, WM_SYSCOMMAND, command, 0);
      };
    }
    FMenu.Items().Add(item);
  }
}

void TsSystemMenu::UpdateExtItems(HWND wnd, HMENU own) {
  for (fw::TMenuItem* item : extItems_) delete item;
  extItems_.clear();
  ExtItemsCount = 0;
  const int count = own ? ::GetMenuItemCount(own) : 0;
  std::vector<std::pair<UINT, std::wstring>> found;
  for (int i = 0; i < count; ++i) {
    wchar_t text[256]{};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 255;
    if (!::GetMenuItemInfoW(own, static_cast<UINT>(i), TRUE, &info) || (info.fType & MFT_SEPARATOR)) continue;
    if (info.wID >= 0xF000 && info.wID <= 0xF1FF) continue;
    found.emplace_back(info.wID, text);
  }
  if (found.empty()) return;
  // After the first separator, followed by one of their own.
  int at = 0;
  while (at < FMenu.Items().Count() && !FMenu.Items().Items(at)->IsLine()) ++at;
  ++at;
  const auto add = [&](const std::wstring& caption, UINT command) {
    auto* item = new fw::TMenuItem(&FMenu);
    item->SetCaption(caption);
    item->SetTag(static_cast<std::intptr_t>(command));
    if (command) {
      item->OnClick = [wnd, command](fw::TObject*) {
        if (::IsWindow(wnd)) ::PostMessageW(wnd, WM_SYSCOMMAND, command, 0);
      };
    }
    FMenu.Items().Insert(at++, item);
    extItems_.push_back(item);
  };
  for (const auto& [command, caption] : found) add(caption, command);
  add(L"-", 0);
  ExtItemsCount = static_cast<int>(found.size());
}

void TsSystemMenu::UpdateItems() {
  const HWND wnd = FForm->HandleIfAllocated();
  const HMENU own = wnd ? ::GetSystemMenu(wnd, FALSE) : nullptr;
  UpdateExtItems(wnd, own);
  const TTitleButtonRules rules = Rules();
  const TFormTraits traits = Traits();
  const fw::TFormBorderStyle style = FForm->BorderStyle();
  const bool sizeable = style != fw::TFormBorderStyle::bsSingle && style != fw::TFormBorderStyle::bsDialog &&
                        style != fw::TFormBorderStyle::bsToolWindow;
  for (int i = 0; i < FMenu.Items().Count(); ++i) {
    fw::TMenuItem* item = FMenu.Items().Items(i);
    const auto command = static_cast<UINT>(item->Tag());
    if (!command || std::find(extItems_.begin(), extItems_.end(), item) != extItems_.end()) continue;
    wchar_t text[128]{};
    if (own && ::GetMenuStringW(own, command, text, 128, MF_BYCOMMAND) > 0) item->SetCaption(text);
    switch (command) {
    case SC_RESTORE: item->SetEnabled(rules.EnabledRestore && (traits.Minimized || traits.Maximized)); break;
    case SC_MOVE: item->SetEnabled(!traits.Maximized); break;
    case SC_SIZE: item->SetEnabled(sizeable && !traits.Minimized && !traits.Maximized); break;
    case SC_MINIMIZE:
      item->SetVisible(rules.VisibleMin);
      item->SetEnabled(rules.EnabledMin && !traits.Minimized);
      break;
    case SC_MAXIMIZE:
      item->SetVisible(rules.VisibleMax);
      item->SetEnabled(rules.EnabledMax && !traits.Maximized);
      break;
    case SC_CLOSE: item->SetEnabled(rules.EnabledClose); break;
    default: break;
    }
  }
}

TFormTraits TsSystemMenu::Traits() const { return FormTraitsOf(*FForm); }

TFormTraits FormTraitsOf(const fw::TCustomForm& form) {
  TFormTraits t;
  const HWND wnd = form.HandleIfAllocated();
  t.BorderStyle = FrameStyleOf(form.BorderStyle());
  const fw::TBorderIcons icons = form.BorderIcons();
  t.SystemMenuIcon = (icons & fw::biSystemMenu) != 0;
  t.MinimizeIcon = (icons & fw::biMinimize) != 0;
  t.MaximizeIcon = (icons & fw::biMaximize) != 0;
  t.HelpIcon = (icons & fw::biHelp) != 0;
  t.Minimized = wnd && ::IsIconic(wnd);
  t.Maximized = wnd && ::IsZoomed(wnd);
  t.MainForm = fw::Application().MainForm() == &form;
  t.MainFormOnTaskBar = fw::Application().MainFormOnTaskBar();
  const HMENU menu = wnd ? ::GetSystemMenu(wnd, FALSE) : nullptr;
  t.HasSystemMenu = menu != nullptr;
  if (menu) {
    const UINT state = ::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
    t.MenuHasClose = state != static_cast<UINT>(-1);
    t.MenuCloseGrayed = t.MenuHasClose && (state & MF_GRAYED) != 0;
  }
  return t;
}

// --- TsSkinProvider ---

TsSkinProvider* TsSkinProvider::CreateRT(fw::TCustomForm* form) {
  auto* provider = new TsSkinProvider(form);
  provider->RTInit = true;
  return provider;
}

TsSkinProvider::TsSkinProvider(fw::TCustomForm* form) : fw::TComponent(form), FForm(form) {
  FCommonData = std::make_unique<TsCommonData>(form, COC_FormFrame, true);
  // The section is set before the state is loaded: without it the form's class
  // name would be taken as the section.
  FCommonData->FSkinSection = "FORM";
  ReadMetrics();
  FForm->WindowProc.Install(this, [this](fw::TMessage& m) { NewWndProc(m); });
  if (const HWND wnd = FForm->HandleIfAllocated()) {
    attachedInsideShowing_ = ::IsWindowVisible(wnd) && !FForm->Showing();
    skin::RegisterSkinnedForm(wnd);
    registeredWnd_ = wnd;
  }
}

TsSkinProvider::~TsSkinProvider() {
  SetDestroying();
  KillAnimations();
  FForm->WindowProc.Remove(this);
  if (registeredWnd_) skin::UnregisterSkinnedForm(registeredWnd_);
  // Leaving a live window: it gets its native frame back.
  if (const HWND wnd = FForm->HandleIfAllocated(); wnd && FCommonData->SkinIndex >= 0) SkinRemoved();
}

LRESULT TsSkinProvider::ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  fw::TMessage m{msg, wParam, lParam, 0};
  NewWndProc(m);
  return m.Result;
}

void TsSkinProvider::OldWndProc(fw::TMessage& m) { FForm->WindowProc.CallNext(this, m); }

void TsSkinProvider::OldWndProcWithoutCaption(fw::TMessage& m) {
  CaptionDrawingOff off(FForm->HandleIfAllocated());
  OldWndProc(m);
}

bool TsSkinProvider::Iconic() const {
  const HWND wnd = FForm->HandleIfAllocated();
  return wnd && ::IsIconic(wnd);
}

bool TsSkinProvider::FrameSkinned() const {
  const TsSkinManager* m = FCommonData->SkinManager();
  return m && FForm->HandleAllocated() && FCommonData->Skinned(true) && FDrawNonClientArea &&
         m->Options().DrawNonClientArea;
}

// --- Geometry ---

// The window's non-client sizes are the system's for the DPI the form has.
void TsSkinProvider::ReadMetrics() {
  const int dpi = FForm->PixelsPerInch();
  metrics_.CxFrame = fw::SystemMetricForDpi(SM_CXFRAME, dpi);
  metrics_.CxDlgFrame = fw::SystemMetricForDpi(SM_CXDLGFRAME, dpi);
  metrics_.CyCaption = fw::SystemMetricForDpi(SM_CYCAPTION, dpi);
  metrics_.CySmCaption = fw::SystemMetricForDpi(SM_CYSMCAPTION, dpi);
  metrics_.CxHScroll = fw::SystemMetricForDpi(SM_CXHSCROLL, dpi);
}

int TsSkinProvider::BorderWidth() const {
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(FForm->HandleIfAllocated(), GWL_STYLE));
  return BorderWidthByStyle((style & WS_THICKFRAME) != 0, (style & WS_BORDER) != 0, metrics_);
}

int TsSkinProvider::CaptionHeight() const {
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(FForm->HandleIfAllocated(), GWL_STYLE));
  return CaptionHeightOf(FrameStyleOf(FForm->BorderStyle()), (style & WS_CHILD) != 0, (style & WS_CAPTION) != 0,
                         Iconic(), metrics_);
}

bool TsSkinProvider::IconicTitle() const { return Iconic() && fw::Application().MainForm() != FForm; }

// The window's own size: the form records a size change only after the
// system's handling of it, which sends WM_SIZE (maximising, restoring)
// before, and the frame is painted for the size the window has.
int TsSkinProvider::CaptionWidth() const {
  if (IconicTitle()) return 160;
  RECT w{};
  const HWND wnd = FForm->HandleIfAllocated();
  return wnd && ::GetWindowRect(wnd, &w) ? static_cast<int>(w.right - w.left) : FForm->Width();
}

int TsSkinProvider::FrameHeight() const {
  RECT w{};
  const HWND wnd = FForm->HandleIfAllocated();
  // The system sizes a minimised window itself (its title and a little more).
  return wnd && ::GetWindowRect(wnd, &w) ? static_cast<int>(w.bottom - w.top) : FForm->Height();
}

// The client origin inside the window, as the system placed it.
int TsSkinProvider::OffsetX() const {
  const HWND wnd = FForm->HandleIfAllocated();
  RECT w{};
  POINT p{0, 0};
  ::GetWindowRect(wnd, &w);
  ::ClientToScreen(wnd, &p);
  return p.x - w.left;
}

int TsSkinProvider::OffsetY() const {
  const HWND wnd = FForm->HandleIfAllocated();
  RECT w{};
  POINT p{0, 0};
  ::GetWindowRect(wnd, &w);
  ::ClientToScreen(wnd, &p);
  return p.y - w.top;
}

TFrameLayoutInput TsSkinProvider::LayoutInput() const {
  TFrameLayoutInput in;
  in.Form = FormTraitsOf(*FForm);
  in.Rules = DecideTitleButtons(in.Form);
  in.CaptionWidth = CaptionWidth();
  in.BorderWidth = BorderWidth();
  in.CaptionHeight = CaptionHeight();
  in.CxFrame = metrics_.CxFrame;
  in.SystemMenuExists = SystemMenu != nullptr;
  in.BigButtons = BigButtons;
  in.ShowAppIcon = FShowAppIcon;
  if (const TsSkinManager* m = FCommonData->SkinManager()) {
    in.Skin = &m->CommonSkinData;
    in.Glyphs = TitleGlyphSizesOf(m->Model(), m->ConstData);
    in.ScalePercent = m->ScaleInt(100);
  }
  return in;
}

void TsSkinProvider::CalcItems() {
  skinctrl::CalcItems(layout_, LayoutInput());
  VCenter = layout_.VCenter;
}

int TsSkinProvider::TitleHitTest(POINT p) const {
  const TFrameLayoutInput in = LayoutInput();
  THitTestInput h;
  h.Layout = &layout_;
  h.Rules = in.Rules;
  h.SystemMenu = in.Form.SystemMenuIcon && SystemMenu != nullptr;
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(FForm->HandleIfAllocated(), GWL_STYLE));
  h.ThickFrame = (style & WS_THICKFRAME) != 0;
  h.Maximized = in.Form.Maximized;
  h.Minimized = in.Form.Minimized;
  h.Width = in.CaptionWidth;
  h.Height = FrameHeight();
  h.BorderWidth = in.BorderWidth;
  h.CaptionHeight = in.CaptionHeight;
  return skinctrl::TitleHitTest(h, p.x, p.y);
}

// --- Initialisation ---

void TsSkinProvider::LoadInit() {
  if (const HWND wnd = FForm->HandleIfAllocated()) {
    SetTransitionsDisabled(wnd, FDrawNonClientArea);
    if (!registeredWnd_) {
      skin::RegisterSkinnedForm(wnd);
      registeredWnd_ = wnd;
      FCommonData->InitCommonProp();
    }
  }
  PrepareForm();
}

void TsSkinProvider::UpdateIndexes() {
  const TsSkinManager* m = FCommonData->SkinManager();
  FTitleSkinIndex = m ? m->GetSkinIndex(FTitleSkin.empty() ? std::string_view("FORMTITLE") : FTitleSkin) : -1;
}

void TsSkinProvider::ApplySysMenuStyle(bool skinned) {
  const HWND wnd = FForm->HandleIfAllocated();
  if (!wnd) return;
  const auto style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
  if (skinned) {
    // The system creates a window's menu only while the style has WS_SYSMENU:
    // it is made now, before the style goes, so that it is there to come back.
    ::GetSystemMenu(wnd, FALSE);
    if (style & WS_SYSMENU) ::SetWindowLongPtrW(wnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_SYSMENU));
  } else if ((FForm->BorderIcons() & fw::biSystemMenu) && FForm->BorderStyle() != fw::TFormBorderStyle::bsNone &&
             !(style & WS_SYSMENU)) {
    ::SetWindowLongPtrW(wnd, GWL_STYLE, style | WS_SYSMENU);
  }
}

void TsSkinProvider::PrepareForm() {
  TsSkinManager* m = FCommonData->SkinManager();
  if (RTInit || !m || !FForm->HandleAllocated() || !m->CommonSkinData.Active) return;
  FCommonData->Loaded(true);
  if (!SystemMenu) SystemMenu = std::make_unique<TsSystemMenu>(this, FForm);
  UpdateIndexes();
  ApplySysMenuStyle(FDrawNonClientArea && m->Options().DrawNonClientArea);
  const fw::TFormBorderStyle style = FForm->BorderStyle();
  BigButtons = style == fw::TFormBorderStyle::bsSingle || style == fw::TFormBorderStyle::bsSizeable ||
               style == fw::TFormBorderStyle::bsDialog;
  if (m->GetSkinIndex("GLOBALINFO") >= 0) SetButtonKinds(layout_, BigButtons, SystemMenu->Rules());
  FCommonData->BGChanged = true;
}

// --- Messages ---

void TsSkinProvider::OnNcActivate(fw::TMessage& m) {
  const bool attaching = std::exchange(attachingActivation_, false);
  if (!SystemMenu) PrepareForm();
  const bool active = m.WParam != 0;
  if (active != FFormActive) {
    FFormActive = active;
    const skin::TsGeneralData* section = FCommonData->Section();
    const TsSkinManager* manager = FCommonData->SkinManager();
    const int border = FCommonData->BorderIndex;
    const bool looks = section && (section->States > 1 || (manager->Model().IsValidImgIndex(border) &&
                                                            manager->ma()[static_cast<std::size_t>(border)].ImageCount > 1));
    if (looks) FCommonData->BGChanged = true;
  }
  const HWND wnd = FForm->HandleIfAllocated();
  if (!::IsWindowVisible(wnd) || (Iconic() && !IconicTitle())) {
    OldWndProc(m);
    return;
  }
  // The system's activation handling draws its own caption into the window;
  // the cover keeps it off the screen until the frame has been repainted
  // (a minimised title is repainted without one). The activation the frame
  // is attached in needs none: until now the window showed nothing of the
  // skinned frame (at the first showing nothing at all, the window awaiting
  // its first paint), so the cover would only hold the window 40 ms from it.
  if (!attaching) CoverCaption();
  OldWndProc(m);
  if (::IsWindow(wnd)) ProcessMessage(WM_NCPAINT, 1);
  UncoverCaption();
}

// --- The caption cover ---

TacCaptForm::TacCaptForm(TsSkinProvider* sp) : fw::TWinControl(nullptr), SP(sp) {}

TacCaptForm::~TacCaptForm() { DestroyHandle(); }

void TacCaptForm::CreateParams(fw::TCreateParams& params) {
  fw::TWinControl::CreateParams(params);
  params.Style = WS_POPUP;
  params.ExStyle = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT;
}

void TacCaptForm::WndProc(fw::TMessage& message) {
  switch (message.Msg) {
  case WM_NCHITTEST: message.Result = HTTRANSPARENT; return;
  case WM_MOUSEACTIVATE: message.Result = MA_NOACTIVATE; return;
  case WM_ERASEBKGND: message.Result = 1; return;
  case WM_PAINT: {
    fw::PaintDc paint(HandleIfAllocated());
    const TDibBitmap& cache = SP->Cache();
    if (!cache.Empty()) ::BitBlt(paint.get(), 0, 0, cache.Width(), cache.Height(), cache.DC(), 0, 0, SRCCOPY);
    message.Result = 0;
    return;
  }
  default: break;
  }
  fw::TWinControl::WndProc(message);
}

void TsSkinProvider::CoverCaption() {
  const HWND wnd = FForm->HandleIfAllocated();
  if (!wnd || !FrameSkinned() || !::IsWindowVisible(wnd) || Iconic() || LockCount > 0) return;
  if (FCommonData->BGChanged || cache_.Empty()) PaintAll();
  if (cache_.Empty()) return;
  RECT w{};
  ::GetWindowRect(wnd, &w);
  RECT client{};
  ::GetClientRect(wnd, &client);
  const int width = w.right - w.left, height = w.bottom - w.top;
  // The frame's outline without the client area.
  fw::UniqueRegion region(::CreateRectRgn(0, 0, width, height));
  if (fw::UniqueRegion own(::CreateRectRgn(0, 0, 0, 0)); ::GetWindowRgn(wnd, own.get()) != ERROR)
    ::CombineRgn(region.get(), region.get(), own.get(), RGN_AND);
  const fw::UniqueRegion inner(
      ::CreateRectRgn(OffsetX(), OffsetY(), OffsetX() + client.right, OffsetY() + client.bottom));
  ::CombineRgn(region.get(), region.get(), inner.get(), RGN_DIFF);
  if (!CaptForm) CaptForm = std::make_unique<TacCaptForm>(this);
  const HWND cover = CaptForm->Handle();
  // The system owns the region from here on.
  if (::SetWindowRgn(cover, region.get(), FALSE)) (void)region.release();
  // Directly above the form (among the topmost windows when the form is one).
  HWND after = ::GetWindow(wnd, GW_HWNDPREV);
  if (!after) after = (::GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP;
  ::SetWindowPos(cover, after, w.left, w.top, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::UpdateWindow(cover);
  ::GdiFlush();
  ++coversShown_;
  // The cover has to be on the screen before the system draws below it.
  ::Sleep(40);
}

void TsSkinProvider::UncoverCaption() noexcept { CaptForm.reset(); }

void TsSkinProvider::OnSetText(fw::TMessage& m) {
  const HWND wnd = FForm->HandleIfAllocated();
  if (!::IsWindowVisible(wnd) || Iconic()) {
    OldWndProc(m);
    FCommonData->BGChanged = true;
    return;
  }
  glowMask_[0] = Mask8{};
  glowMask_[1] = Mask8{};
  OldWndProcWithoutCaption(m);
  FCommonData->BGChanged = true;
  ProcessMessage(WM_NCPAINT, 1);
}

void TsSkinProvider::OnSysCommand(fw::TMessage& m) {
  const UINT command = static_cast<UINT>(m.WParam & 0xFFF0);
  const bool mainForm = fw::Application().MainForm() == FForm;
  if (command == SC_KEYMENU && m.LParam == VK_SPACE) {
    // The system opens no menu for a window without WS_SYSMENU: the frame
    // drops it below the icon.
    RECT w{};
    ::GetWindowRect(FForm->HandleIfAllocated(), &w);
    DropSysMenu(w.left + layout_.IconRect.Left, w.top + HeaderHeight());
  } else if (command == SC_RESTORE && Iconic() && (!mainForm || fw::Application().MainFormOnTaskBar())) {
    RgnChanged = true;
    FCommonData->BGChanged = true;
    AnimationOff off;
    OldWndProc(m);
  } else {
    OldWndProc(m);
  }
  if (command == SC_MAXIMIZE || command == SC_RESTORE) CurrentHT = 0;
  if (command == SC_RESTORE) {
    FCommonData->BGChanged = true;
    ::RedrawWindow(FForm->HandleIfAllocated(), nullptr, nullptr,
                   RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

// The caption's double click maximises and restores a form that can be
// maximised; a minimised form restores. It never reaches the system's
// handling (the main window's caption ignores it).
void TsSkinProvider::OnCaptionDoubleClick() {
  if (!SystemMenu) return;
  const HWND wnd = FForm->HandleIfAllocated();
  const TTitleButtonRules rules = SystemMenu->Rules();
  const TFormTraits traits = SystemMenu->Traits();
  const bool borderlessIconic = FForm->BorderStyle() == fw::TFormBorderStyle::bsNone && traits.Minimized;
  if (traits.SystemMenuIcon && (rules.EnabledMax || rules.EnabledRestore || borderlessIconic)) {
    ::SendMessageW(wnd, WM_SYSCOMMAND, traits.Maximized || traits.Minimized ? SC_RESTORE : SC_MAXIMIZE, 0);
    if (::IsWindow(wnd)) SystemMenu->UpdateItems();
  } else if (traits.Minimized) {
    ::SendMessageW(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  }
}

void TsSkinProvider::OnNcHitTest(fw::TMessage& m) {
  if (CaptionHeight() == 0) {
    OldWndProc(m);
    return;
  }
  RECT wr{};
  ::GetWindowRect(FForm->HandleIfAllocated(), &wr);
  const POINT p{static_cast<short>(LOWORD(m.LParam)) - wr.left, static_cast<short>(HIWORD(m.LParam)) - wr.top};
  if (layout_.ButtonClose.cpGlyphType == skin::tgLast || cache_.Empty()) CalcItems();
  const int code = TitleHitTest(p);
  if (code == htSysMenu || code == htMinButton || code == htMaxButton || code == htClose || code == htHelp ||
      code >= 1000) {
    m.Result = code;
    return;
  }
  OldWndProc(m);
  // Wine's default hit test answers HTNOWHERE for the last row of the caption
  // (where its native frame draws a separator line); the skinned title covers
  // that row, so it counts as caption there.
  if (m.Result == HTNOWHERE && code == htCaption) m.Result = HTCAPTION;
}

// Presses on the title: the icon drops the system menu (a double click closes),
// a button shows pressed until its release. The press is kept from the
// system, whose own tracking would draw native buttons.
void TsSkinProvider::OnTitleButtonMouse(fw::TMessage& m) {
  const auto code = static_cast<int>(m.WParam);
  if (code == htSysMenu && m.Msg == WM_NCLBUTTONDBLCLK) {
    ::PostMessageW(FForm->HandleIfAllocated(), WM_SYSCOMMAND, SC_CLOSE, 0);
    m.Result = 0;
    return;
  }
  if (code == htCaption && m.Msg == WM_NCLBUTTONDBLCLK) {
    OnCaptionDoubleClick();
    m.Result = 0;
    return;
  }
  if (code == htSysMenu && m.Msg == WM_NCLBUTTONDOWN) {
    SetHotButton(0, true);
    biClicked = false;
    RECT w{};
    ::GetWindowRect(FForm->HandleIfAllocated(), &w);
    DropSysMenu(w.left + layout_.IconRect.Left, w.top + HeaderHeight());
    m.Result = 0;
    return;
  }
  if (m.Msg == WM_NCLBUTTONUP) {
    OnTitleButtonUp(m, POINT{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))});
    return;
  }
  if (TitleButton(code)) {
    PressButton(code);
    m.Result = 0;
    return;
  }
  SetHotButton(0, true);
  OldWndProc(m);
}

void TsSkinProvider::NewWndProc(fw::TMessage& m) {
  if (m.Msg == skin::WM_SKINCMD) {
    if (!HandleSkinCommandMessage(m)) OldWndProc(m);
    return;
  }
  if (RTInit &&
      (m.Msg == WM_NCHITTEST || m.Msg == WM_NCPAINT || (m.Msg == fw::CM_VISIBLECHANGED && m.WParam == 1))) {
    RTInit = false;
    LoadInit();
  }
  if (m.Msg == fw::CM_SYSFONTCHANGED) DoReinit = true;
  if (m.Msg == WM_DPICHANGED) {
    // Metrics, caption font, icon and region anew for the new DPI.
    DoReinit = true;
    RgnChanged = true;
    KillAnimations();
  }
  if (m.Msg == WM_SETTEXT) captionText_.reset();
  if (!FrameSkinned()) {
    OldWndProc(m);
    return;
  }
  const HWND wnd = FForm->HandleIfAllocated();
  switch (m.Msg) {
  case WM_NCPAINT:
    if (!SystemMenu) PrepareForm();
    // The main form minimised is its taskbar button alone.
    if (Iconic() && !IconicTitle()) break;
    if (!paintGuard_.Run(FCommonData->SkinManager(), wnd, [this] { PaintNonClient(); })) break;  // plain frame
    m.Result = 0;
    return;
  case WM_NCACTIVATE: OnNcActivate(m); return;
  case WM_CONTEXTMENU:
    if (fw::TPopupMenu* menu = FForm->PopupMenu()) HookPopupMenu(*menu, true);
    OldWndProc(m);
    return;
  case WM_NCHITTEST: OnNcHitTest(m); return;
  case WM_SETTEXT: OnSetText(m); return;
  case WM_SETICON:
    titleIcon_[0] = titleIcon_[1] = nullptr;
    OldWndProcWithoutCaption(m);
    FCommonData->BGChanged = true;
    if (::IsWindowVisible(wnd)) ProcessMessage(WM_NCPAINT, 1);
    return;
  case fw::CM_ENABLEDCHANGED:
    OldWndProc(m);
    FCommonData->BGChanged = true;
    ProcessMessage(WM_NCPAINT, 1);
    return;
  case fw::CM_VISIBLECHANGED:
    OldWndProc(m);
    if (!m.WParam) {
      KillAnimations();
      cache_ = TDibBitmap();
      FCommonData->BGChanged = true;
    }
    return;
  case WM_SIZE:
    // The buttons start afresh in the new size (or after minimising or restoring).
    KillAnimations();
    for (TsCaptionButton* b : {&layout_.ButtonClose, &layout_.ButtonMax, &layout_.ButtonMin, &layout_.ButtonHelp})
      b->cpState = 0;
    CurrentHT = 0;
    biClicked = false;
    PressedHT = 0;
    OldWndProc(m);
    glowMask_[0] = Mask8{};
    glowMask_[1] = Mask8{};
    FCommonData->BGChanged = true;
    if (::IsWindowVisible(wnd) && (m.WParam != SIZE_MINIMIZED || IconicTitle())) {
      // The first showing reports the size the region was just cut for.
      if (CaptionWidth() != regionWidth_ || FrameHeight() != regionHeight_ || m.WParam == SIZE_MAXIMIZED)
        RgnChanged = true;
      ProcessMessage(WM_NCPAINT, 1);
    }
    return;
  case WM_MOVE:
    // The overlays stay where the buttons were: they go, and the buttons
    // light up again at the pointer's next move.
    KillAnimations();
    if (!biClicked) {
      for (TsCaptionButton* b : {&layout_.ButtonClose, &layout_.ButtonMax, &layout_.ButtonMin, &layout_.ButtonHelp})
        b->cpState = 0;
      CurrentHT = 0;
    }
    break;
  case WM_ERASEBKGND:
    if (FDrawClientArea && ::IsWindowVisible(wnd)) {
      if (!FCommonData->FUpdating) EraseClient(reinterpret_cast<HDC>(m.WParam));
      m.Result = 1;
      return;
    }
    break;
  case WM_PAINT:
    if (FDrawClientArea && FForm->Showing() && paintGuard_.Skinnable(FCommonData->SkinManager())) {
      fw::PaintDc paint(wnd);
      if (!FCommonData->FUpdating) {
        const bool painted = paintGuard_.Run(FCommonData->SkinManager(), wnd, [&] {
          if (FCommonData->BGChanged || cache_.Empty()) PaintAll();
          const RECT& r = paint.dirty();
          ::BitBlt(paint.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, cache_.DC(), r.left + OffsetX(),
                   r.top + OffsetY(), SRCCOPY);
        });
        // The plain look until the next skin: the background the system erases.
        if (!painted) ::FillRect(paint.get(), &paint.dirty(), ::GetSysColorBrush(COLOR_BTNFACE));
        FForm->PaintControls(paint.get());
      }
      m.Result = 0;
      return;
    }
    break;
  case WM_PRINT: PrintWindowImage(m); return;
  case fw::CM_SHOWINGCHANGED:
    OldWndProc(m);
    if (const bool paintedByTheShowing = std::exchange(attachedInsideShowing_, false);
        FForm->Showing() && !paintedByTheShowing) {
      ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    return;
  case WM_PRINTCLIENT:
  case fw::CM_COLORCHANGED: m.Result = 0; return;
  case WM_SYSCOMMAND: OnSysCommand(m); return;
  case WM_NCLBUTTONDOWN:
  case WM_NCLBUTTONUP:
  case WM_NCLBUTTONDBLCLK: OnTitleButtonMouse(m); return;
  case WM_NCMOUSEMOVE: OnNcMouseMove(m); return;
  case WM_NCMOUSELEAVE:
  case WM_MOUSELEAVE:
  case fw::CM_MOUSELEAVE:
  case fw::CM_MOUSEENTER:
    // A press holding the pointer outlives the pointer's leaving.
    if (biClicked && ::GetCapture() == wnd) break;
    if (m.Msg != fw::CM_MOUSEENTER) SetHotButton(-1, true);
    CancelPress();
    break;
  case WM_MOUSEMOVE:
    if (biClicked && ::GetCapture() == wnd) {
      POINT p{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
      ::ClientToScreen(wnd, &p);
      TrackPress(p);
      m.Result = 0;
      return;
    }
    break;
  case WM_LBUTTONUP:
    if (biClicked) {
      POINT p{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
      ::ClientToScreen(wnd, &p);
      OnTitleButtonUp(m, p);
      return;
    }
    break;
  case WM_CAPTURECHANGED:
    if (biClicked && reinterpret_cast<HWND>(m.LParam) != wnd) CancelPress();
    break;
  case WM_NCRBUTTONDOWN:
    // A right click on the caption or the icon drops the system menu at its release.
    if (m.WParam == HTCAPTION || m.WParam == HTSYSMENU) {
      RightPressed = true;
      m.Result = 0;
      return;
    }
    break;
  case 0x0313:
    // The system's request to show the window menu (a right click on the
    // taskbar button), at the point it gives.
    DropSysMenu(static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam)));
    m.Result = 0;
    return;
  case WM_NCRBUTTONUP:
    if (RightPressed && (m.WParam == HTCAPTION || m.WParam == HTSYSMENU)) {
      RightPressed = false;
      DropSysMenu(static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam)));
      m.Result = 0;
      return;
    }
    RightPressed = false;
    break;
  default: break;
  }
  OldWndProc(m);
}

// The system menu at a screen point: the skinned menu while the manager skins
// pop-up menus, else the window's own with its items enabled as the title
// buttons are; the chosen command goes to the window.
void TsSkinProvider::DropSysMenu(int x, int y) {
  const HWND wnd = FForm->HandleIfAllocated();
  const HMENU menu = wnd ? ::GetSystemMenu(wnd, FALSE) : nullptr;
  if (!menu || !SystemMenu) return;
  const TsSkinManager* m = FCommonData->SkinManager();
  if (m && m->SkinnedPopups()) {
    SystemMenu->UpdateItems();
    HookPopupMenu(SystemMenu->Menu(), true);
    SystemMenu->Menu().Popup(x, y);
    return;
  }
  const TTitleButtonRules rules = SystemMenu->Rules();
  const TFormTraits traits = SystemMenu->Traits();
  const auto enable = [menu](UINT command, bool enabled) {
    ::EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  };
  const fw::TFormBorderStyle style = FForm->BorderStyle();
  enable(SC_RESTORE, rules.EnabledRestore);
  enable(SC_MAXIMIZE, rules.EnabledMax && !traits.Maximized);
  enable(SC_MINIMIZE, rules.EnabledMin && !traits.Minimized);
  enable(SC_SIZE, style != fw::TFormBorderStyle::bsSingle && style != fw::TFormBorderStyle::bsDialog &&
                      style != fw::TFormBorderStyle::bsToolWindow && !traits.Minimized && !traits.Maximized);
  enable(SC_MOVE, !traits.Maximized);
  const UINT command = static_cast<UINT>(
      ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_LEFTBUTTON, x, y, 0, wnd, nullptr));
  if (command != 0 && ::IsWindow(wnd)) ::PostMessageW(wnd, WM_SYSCOMMAND, command, 0);
}

void TsSkinProvider::PrintWindowImage(fw::TMessage& m) {
  const auto dc = reinterpret_cast<HDC>(m.WParam);
  if (!dc) return;
  if (m.LParam & PRF_ERASEBKGND) {
    EraseClient(dc);
    m.Result = 1;
    return;
  }
  if (FCommonData->BGChanged || cache_.Empty()) PaintAll();
  if (cache_.Empty()) {
    OldWndProc(m);
    return;
  }
  FCommonData->PrintDC = dc;
  const HWND wnd = FForm->HandleIfAllocated();
  RECT client{};
  ::GetClientRect(wnd, &client);
  const int ox = OffsetX(), oy = OffsetY(), w = cache_.Width(), h = cache_.Height();
  const int cr = ox + client.right, cb = oy + client.bottom;
  if (m.LParam & PRF_NONCLIENT) {
    ::BitBlt(dc, 0, 0, w, oy, cache_.DC(), 0, 0, SRCCOPY);
    ::BitBlt(dc, 0, oy, ox, cb - oy, cache_.DC(), 0, oy, SRCCOPY);
    ::BitBlt(dc, 0, cb, w, h - cb, cache_.DC(), 0, cb, SRCCOPY);
    ::BitBlt(dc, cr, oy, w - cr, cb - oy, cache_.DC(), cr, oy, SRCCOPY);
  }
  if (m.LParam & PRF_CLIENT) {
    // The client part: at the client origin when the frame was printed too.
    const int x = (m.LParam & PRF_NONCLIENT) ? ox : 0, y = (m.LParam & PRF_NONCLIENT) ? oy : 0;
    ::BitBlt(dc, x, y, client.right, client.bottom, cache_.DC(), ox, oy, SRCCOPY);
  }
  FCommonData->PrintDC = nullptr;
  m.Result = 0;
}

// --- Skin commands ---

void TsSkinProvider::SkinChanged() {
  KillAnimations();
  if (!SystemMenu) PrepareForm();
  FCommonData->UpdateIndexes(true);
  UpdateIndexes();
  TempBmp = TDibBitmap();
  captionFont_.reset();
  ForgetDrawings();
  if (SystemMenu) SetButtonKinds(layout_, BigButtons, SystemMenu->Rules());
  const TsSkinManager* m = FCommonData->SkinManager();
  ApplySysMenuStyle(FDrawNonClientArea && m && m->Options().DrawNonClientArea);
  FCommonData->BGChanged = true;
  RgnChanged = true;
  // The manager marks its skin active only after this command: the frame is
  // painted when the invalidation is served, not now.
  if (const HWND wnd = FForm->HandleIfAllocated(); wnd && ::IsWindowVisible(wnd)) {
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  }
}

void TsSkinProvider::Refresh() {
  TsSkinManager* m = FCommonData->SkinManager();
  const HWND wnd = FForm->HandleIfAllocated();
  if (!wnd) return;
  if (!SystemMenu) PrepareForm();
  RgnChanged = true;
  FCommonData->FUpdating = false;
  if (::IsWindowVisible(wnd)) {
    FCommonData->BGChanged = true;
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  if (m && m->Brushes[0]) SetSkinClassBrush(wnd, m->Brushes[0].get());
}

void TsSkinProvider::SkinRemoved() {
  KillAnimations();
  const HWND wnd = FForm->HandleIfAllocated();
  FCommonData->SkinIndex = -1;
  FCommonData->BorderIndex = -1;
  FTitleSkinIndex = -1;
  CurrentHT = 0;
  biClicked = false;
  if (!wnd) return;
  SetTransitionsDisabled(wnd, false);
  ApplySysMenuStyle(false);
  // The icons are set again so that the native caption shows them.
  for (const WPARAM kind : {ICON_BIG, ICON_SMALL}) {
    if (const LRESULT icon = ::SendMessageW(wnd, WM_GETICON, kind, 0)) ::SendMessageW(wnd, WM_SETICON, kind, icon);
  }
  ::SetWindowRgn(wnd, nullptr, FALSE);
  Rects_.clear();
  RgnChanged = true;
  cache_ = TDibBitmap();
  TempBmp = TDibBitmap();
  captionFont_.reset();
  ForgetDrawings();
  glowMask_[0] = Mask8{};
  glowMask_[1] = Mask8{};
  *FCommonData->FCacheBmp = skin::Bitmap32();
  FCommonData->BGChanged = true;
  RestoreSkinClassBrush(wnd);
  // The style changed: the system lays out and paints its own frame again.
  ::SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool TsSkinProvider::HandleSkinCommandMessage(fw::TMessage& m) {
  if (RefuseUntrustedSkinCommand(m)) return true;
  const std::uint16_t command = skin::SkinCommandOf(m.WParam);
  TsSkinManager* manager = FCommonData->SkinManager();
  const bool own = m.LParam != 0 && reinterpret_cast<TsSkinManager*>(m.LParam) == manager;
  const skin::TsGeneralData* section = FCommonData->Section();
  const int state = section ? std::min(FFormActive ? 1 : 0, section->States - 1) : 0;
  switch (command) {
  case skin::SKC_GETFRAMEOBJECT: m.Result = reinterpret_cast<LRESULT>(this); return true;
  case skin::SKC_ISSKINNED: m.Result = 1; return true;
  case skin::SKC_SKINCHANGED:
    if (own) SkinChanged();
    return true;
  case skin::SKC_REFRESH:
    if (own) Refresh();
    return true;
  case skin::SKC_SKINREMOVED:
    if (own) SkinRemoved();
    return true;
  default: break;
  }
  if (!FCommonData->Skinned()) return HandleSkinCommand(m, *FCommonData);
  switch (command) {
  case skin::SKC_GETBACKGROUND: {
    if (!m.LParam) return true;
    if (FCommonData->BGChanged && !FCommonData->FUpdating) PaintAll();
    auto& request = *reinterpret_cast<TBackgroundRequest*>(m.LParam);
    request.BgType = btColor;
    request.Color = StateBackgroundColor(*FCommonData, state);
    if (request.PleaseDraw && request.DrawDC) {
      FillColor(request.DrawDC, request.DrawRect,
                static_cast<COLORREF>(ResolveSkinColor(request.Color, manager)) & 0xFFFFFF);
    }
    return true;
  }
  case skin::SKC_PREPARECACHE:
    if (FCommonData->BGChanged && !FCommonData->FUpdating) PaintAll();
    return true;
  case skin::SKC_GETUPDATING:
    if (!FCommonData->FUpdating && (FCommonData->BGChanged || cache_.Empty())) PaintAll();
    m.Result = FCommonData->FUpdating ? 1 : 0;
    return true;
  case skin::SKC_BGCHANGED: FCommonData->BGChanged = true; return true;
  case skin::SKC_SETUPDATING: FCommonData->FUpdating = LOWORD(m.WParam) == 1; return true;
  case skin::SKC_STOPUPDATING:
    if (FCommonData->FUpdating) {
      FCommonData->FUpdating = false;
      ::RedrawWindow(FForm->HandleIfAllocated(), nullptr, nullptr,
                     RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    return true;
  case skin::SKC_GETBGCOLOR: m.Result = StateBackgroundColor(*FCommonData, state); return true;
  case skin::SKC_REPAINTONMOVE: {
    const skin::TsGenState& normal = section->Props[0];
    const int border = FCommonData->BorderIndex;
    const bool moves = normal.ImagePercent > 0 || normal.GradientPercent > 0 ||
                       (manager->Model().IsValidImgIndex(border) &&
                        (manager->ma()[static_cast<std::size_t>(border)].DrawMode & 4) != 0);
    m.Result = moves ? 1 : 0;
    return true;
  }
  case skin::SKC_HOTDEACTIVATED: CurrentHT = 0; return true;
  case skin::SKC_DRAWNONCLIENT: {
    // Frame drawing switched on or off: the native frame, its system menu and
    // its rectangular outline come back, or the skinned ones return.
    const bool draw = m.LParam != 0 && FDrawNonClientArea;
    const HWND wnd = FForm->HandleIfAllocated();
    ApplySysMenuStyle(draw);
    if (!draw && wnd) ::SetWindowRgn(wnd, nullptr, FALSE);
    RgnChanged = true;
    FCommonData->BGChanged = true;
    RecalcFrame(wnd);
    if (wnd) ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return true;
  }
  default: return HandleSkinCommand(m, *FCommonData);
  }
}

// --- The window-animation setting ---

TWindowAnimationSetting& WindowAnimationSetting() {
  static TWindowAnimationSetting setting{
      [](int& value) {
        ANIMATIONINFO info{sizeof(info), 0};
        if (!::SystemParametersInfoW(SPI_GETANIMATION, sizeof(info), &info, 0)) return false;
        value = info.iMinAnimate;
        return true;
      },
      [](int value) {
        // Not written to the user's profile: the change lasts only until written back.
        ANIMATIONINFO info{sizeof(info), value};
        ::SystemParametersInfoW(SPI_SETANIMATION, sizeof(info), &info, 0);
      }};
  return setting;
}

TsSkinProvider::AnimationOff::AnimationOff() {
  const TWindowAnimationSetting& setting = WindowAnimationSetting();
  valid_ = setting.Get(saved_);
  if (valid_ && saved_ != 0) setting.Set(0);
}

TsSkinProvider::AnimationOff::~AnimationOff() {
  if (!valid_ || saved_ == 0) return;
  try {
    WindowAnimationSetting().Set(saved_);
  } catch (...) {
    fw::Application().HandleException(std::current_exception());
  }
}

}  // namespace skinctrl
