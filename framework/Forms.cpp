#include "framework/Forms.h"

#include <algorithm>

#include "framework/Dpi.h"
#include "framework/Internal.h"
#include "framework/StdCtrls.h"

namespace fw {

namespace {
std::vector<TCustomForm*> gForms;
}

const std::vector<TCustomForm*>& Forms() { return gForms; }

namespace detail {
void ControlDestroying(TControl* control) noexcept { Application().ControlDestroying(control); }
}  // namespace detail

// ---------------------------------------------------------------- TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    StoreVisible(false);
    // A form has no parent to take a font from.
    SetParentFont(false);
    gForms.push_back(this);
}

TCustomForm::~TCustomForm() {
    SetDestroying();
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            Application().HandleException(std::current_exception());
        }
    }
    DestroyHandle();
    // The components go while the form is still a form.
    DestroyComponents();
    std::erase(gForms, this);
    Application().FormDestroyed(this);
}

void TCustomForm::AfterConstruction() { DoCreate(); }

void TCustomForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

void TCustomForm::Loaded() {
    TWinControl::Loaded();
    ScaleForPPI(SystemDpi());
}

void TCustomForm::ScaleForPPI(int dpi) {
    const int old = pixelsPerInch_;
    if (dpi <= 0 || old <= 0 || dpi == old) return;
    // Recorded first: the window's non-client size follows it (WM_NCCALCSIZE).
    pixelsPerInch_ = dpi;
    ScaleBy(dpi, old);
    if (HandleAllocated()) ApplyIcons();
    if (OnAfterMonitorDpiChanged) OnAfterMonitorDpiChanged(this, old, dpi);
}

// The form keeps its own size (its client size decides it): the children and
// the font scale.
void TCustomForm::ChangeScale(int m, int d) {
    if (clientWidth_ >= 0) clientWidth_ = ::MulDiv(clientWidth_, m, d);
    if (clientHeight_ >= 0) clientHeight_ = ::MulDiv(clientHeight_, m, d);
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->ChangeScale(m, d);
    ScaleFont(m, d);
    FitClientSize();
}

void TCustomForm::ScaleBy(int m, int d) { ChangeScale(m, d); }

void TCustomForm::OnDpiChanged(TMessage& m) {
    const RECT suggested = *reinterpret_cast<const RECT*>(m.LParam);
    const HWND wnd = HandleIfAllocated();
    // Laid out anew without showing the steps, then painted once.
    const bool visible = ::IsWindowVisible(wnd) != FALSE;
    if (visible) ::SendMessageW(wnd, WM_SETREDRAW, FALSE, 0);
    ScaleForPPI(LOWORD(m.WParam));
    ::SetWindowPos(wnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (visible) {
        ::SendMessageW(wnd, WM_SETREDRAW, TRUE, 0);
        ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    m.Result = 0;
}

/* The system sizes a window's frame for the DPI it gives the window. A form
   that took another DPI meanwhile (a WM_DPICHANGED the system did not send:
   Wine never moves a window between DPIs, and a test sends the message) sizes
   its frame for its own DPI, so that its caption and borders stay in step with
   everything in them. */
bool TCustomForm::CalcNonClientForDpi(TMessage& m) {
    const HWND wnd = HandleIfAllocated();
    if (!wnd || borderStyle_ == TFormBorderStyle::bsNone || ::IsIconic(wnd) || ::IsZoomed(wnd) ||
        WindowDpi(wnd) == pixelsPerInch_) {
        return false;
    }
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(wnd, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(wnd, GWL_EXSTYLE));
    const RECT frame = NonClientFrameForDpi(style, exStyle, pixelsPerInch_);
    RECT& r = m.WParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0] : *reinterpret_cast<RECT*>(m.LParam);
    r.left += frame.left;
    r.top += frame.top;
    r.right = std::max(r.left, r.right - frame.right);
    r.bottom = std::max(r.top, r.bottom - frame.bottom);
    m.Result = 0;
    return true;
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
    if (value == borderIcons_) return;
    borderIcons_ = value;
    RecreateWnd();
}

void TCustomForm::SetClientWidth(int value) {
    clientWidth_ = value;
    FitClientSize();
}

void TCustomForm::SetClientHeight(int value) {
    clientHeight_ = value;
    FitClientSize();
}

void TCustomForm::FitClientSize() {
    HWND wnd = HandleIfAllocated();
    if (!wnd) return;
    // A second pass when the frame changed with the size (a new DPI's frame).
    for (int pass = 0; pass < 2; ++pass) {
        RECT window, client;
        ::GetWindowRect(wnd, &window);
        ::GetClientRect(wnd, &client);
        const int w = clientWidth_ >= 0 ? clientWidth_ : client.right;
        const int h = clientHeight_ >= 0 ? clientHeight_ : client.bottom;
        if (w == client.right && h == client.bottom) return;
        ::SetWindowPos(wnd, nullptr, 0, 0, (window.right - window.left) + w - client.right,
                       (window.bottom - window.top) + h - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TCustomForm::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.Style &= ~(WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    p.ExStyle |= WS_EX_CONTROLPARENT;
    switch (borderStyle_) {
    case TFormBorderStyle::bsNone: p.Style |= WS_POPUP; break;
    case TFormBorderStyle::bsSingle: p.Style |= WS_CAPTION; break;
    case TFormBorderStyle::bsSizeable: p.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case TFormBorderStyle::bsDialog: p.Style |= WS_CAPTION | DS_MODALFRAME; p.ExStyle |= WS_EX_DLGMODALFRAME; break;
    case TFormBorderStyle::bsToolWindow: p.Style |= WS_CAPTION; p.ExStyle |= WS_EX_TOOLWINDOW; break;
    case TFormBorderStyle::bsSizeToolWin: p.Style |= WS_CAPTION | WS_THICKFRAME; p.ExStyle |= WS_EX_TOOLWINDOW; break;
    }
    if (borderStyle_ != TFormBorderStyle::bsNone && (borderIcons_ & biSystemMenu)) {
        p.Style |= WS_SYSMENU;
        const bool iconsAllowed = borderStyle_ == TFormBorderStyle::bsSingle || borderStyle_ == TFormBorderStyle::bsSizeable;
        if (iconsAllowed && (borderIcons_ & biMinimize)) p.Style |= WS_MINIMIZEBOX;
        if (iconsAllowed && (borderIcons_ & biMaximize)) p.Style |= WS_MAXIMIZEBOX;
        if (borderIcons_ & biHelp) p.ExStyle |= WS_EX_CONTEXTHELP;
    }
    TCustomForm* mainForm = Application().MainForm();
    if (mainForm == this || (!mainForm && Application().MainFormOnTaskBar())) {
        if (Application().MainFormOnTaskBar()) p.ExStyle |= WS_EX_APPWINDOW;
    } else if (mainForm && mainForm->HandleAllocated()) {
        p.WndParent = mainForm->HandleIfAllocated();
    } else {
        p.WndParent = Application().Handle();
    }
    if (clientWidth_ >= 0 || clientHeight_ >= 0) {
        RECT r{0, 0, clientWidth_ >= 0 ? clientWidth_ : Width(), clientHeight_ >= 0 ? clientHeight_ : Height()};
        ::AdjustWindowRectEx(&r, p.Style, FALSE, p.ExStyle);
        p.Width = r.right - r.left;
        p.Height = r.bottom - r.top;
    }
}

void TCustomForm::ApplyIcons() {
    HWND wnd = HandleIfAllocated();
    if (icon_) {
        ::SendMessageW(wnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        ::SendMessageW(wnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
        return;
    }
    // The resource's image nearest to each size the form's DPI asks for, owned
    // here: a shared icon would be one size for every DPI.
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    const int dpi = pixelsPerInch_ > 0 ? pixelsPerInch_ : SystemDpi();
    constexpr std::pair<WPARAM, std::pair<int, int>> kinds[] = {{ICON_BIG, {SM_CXICON, SM_CYICON}},
                                                              {ICON_SMALL, {SM_CXSMICON, SM_CYSMICON}}};
    for (const auto& [kind, metrics] : kinds) {
        UniqueIcon icon(static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                        SystemMetricForDpi(metrics.first, dpi),
                                                        SystemMetricForDpi(metrics.second, dpi), 0)));
        if (!icon) continue;
        ::SendMessageW(wnd, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon.get()));
        // The window has let go of the icon it had.
        ownIcons_[kind == ICON_BIG ? 1 : 0] = std::move(icon);
    }
}

void TCustomForm::SetIcon(HICON icon) {
    icon_ = icon;
    if (HandleAllocated()) ApplyIcons();
}

TWindowState TCustomForm::WindowState() const {
    if (HWND wnd = HandleIfAllocated(); wnd && ::IsWindowVisible(wnd)) {
        if (::IsIconic(wnd)) return TWindowState::wsMinimized;
        if (::IsZoomed(wnd)) return TWindowState::wsMaximized;
        return TWindowState::wsNormal;
    }
    return windowState_;
}

void TCustomForm::SetWindowState(TWindowState value) {
    windowState_ = value;
    if (HWND wnd = HandleIfAllocated(); wnd && ::IsWindowVisible(wnd)) {
        ::ShowWindow(wnd, value == TWindowState::wsMinimized   ? SW_MINIMIZE
                          : value == TWindowState::wsMaximized ? SW_MAXIMIZE
                                                               : SW_RESTORE);
    }
}

void TCustomForm::CreateHandleDone() {
    ApplyIcons();
    FitClientSize();
    TWinControl::CreateHandleDone();
    AlignControls();
    // The window's monitor may have another DPI than the system's.
    if (!Loading()) ScaleForPPI(WindowDpi(HandleIfAllocated()));
}

void TCustomForm::ApplyPosition() {
    if (positioned_) return;
    positioned_ = true;
    HWND wnd = Handle();
    RECT r;
    ::GetWindowRect(wnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    int x = r.left, y = r.top;
    switch (position_) {
    case TPosition::poDesigned:
        return;
    case TPosition::poScreenCenter:
    case TPosition::poDesktopCenter:
        x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2;
        y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
        break;
    case TPosition::poMainFormCenter: {
        TCustomForm* main = Application().MainForm();
        if (!main || main == this || !main->HandleAllocated()) {
            x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2;
            y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
        } else {
            RECT m;
            ::GetWindowRect(main->HandleIfAllocated(), &m);
            x = m.left + ((m.right - m.left) - w) / 2;
            y = m.top + ((m.bottom - m.top) - h) / 2;
        }
        break;
    }
    }
    ::SetWindowPos(wnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    activeControl_ = control;
    if (control && HandleAllocated() && ::GetActiveWindow() == HandleIfAllocated() && control->CanFocus()) {
        control->SetFocus();
    }
}

void TCustomForm::SendCancelMode(TControl* sender) {
    if (focused_ && focused_ != sender) focused_->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(sender));
}

void TCustomForm::SetFocusedControl(TWinControl* control) {
    if (control == focused_ || Destroying()) return;
    TWinControl* old = focused_;
    focused_ = control;
    if (control != this) activeControl_ = control;
    std::vector<TWinControl*> newChain;
    for (TWinControl* c = control; c && c != this; c = c->Parent()) newChain.push_back(c);
    std::vector<TWinControl*> oldChain;
    for (TWinControl* c = old; c && c != this; c = c->Parent()) oldChain.push_back(c);
    // A handler may move the focus again: then the newer change has done the rest.
    for (TWinControl* c : oldChain) {
        if (std::find(newChain.begin(), newChain.end(), c) != newChain.end()) break;
        c->Perform(CM_EXIT);
        if (focused_ != control) return;
    }
    for (auto it = newChain.rbegin(); it != newChain.rend(); ++it) {
        if (std::find(oldChain.begin(), oldChain.end(), *it) != oldChain.end()) continue;
        (*it)->Perform(CM_ENTER);
        if (focused_ != control) return;
    }
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
}

TWinControl* TCustomForm::FirstTabStop(TWinControl* parent) const {
    for (TWinControl* c : parent->tabList_) {
        if (!c->Visible() || !c->Enabled()) continue;
        if (c->TabStop()) return c;
        if (TWinControl* inner = FirstTabStop(c)) return inner;
    }
    return nullptr;
}

TWinControl* TCustomForm::ControlById(TWinControl* parent, int id) const {
    for (TWinControl* c : parent->tabList_) {
        if (c->HandleAllocated() && ::GetDlgCtrlID(c->HandleIfAllocated()) == id) return c;
        if (TWinControl* inner = ControlById(c, id)) return inner;
    }
    return nullptr;
}

TWinControl* TCustomForm::CancelButton(TWinControl* parent) const {
    for (TWinControl* c : parent->tabList_) {
        if (auto* b = dynamic_cast<TButton*>(c); b && b->Cancel() && b->Visible() && b->Enabled()) return b;
        if (TWinControl* inner = CancelButton(c)) return inner;
    }
    return nullptr;
}

TWinControl* TCustomForm::DefaultButton(TWinControl* parent) const {
    for (TWinControl* c : parent->tabList_) {
        if (auto* b = dynamic_cast<TButton*>(c); b && b->Default() && b->Visible() && b->Enabled()) return b;
        if (TWinControl* inner = DefaultButton(c)) return inner;
    }
    return nullptr;
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
    if (!CloseQuery()) return;
    TCloseAction action = TCloseAction::caHide;
    DoClose(action);
    if (action == TCloseAction::caNone) return;
    if (Application().MainForm() == this) {
        Application().Terminate();
        return;
    }
    switch (action) {
    case TCloseAction::caHide: Hide(); break;
    case TCloseAction::caMinimize: ::ShowWindow(Handle(), SW_MINIMIZE); break;
    case TCloseAction::caFree:
        // Not from inside our own message: after the current message.
        Hide();
        QueueOnGuiThread([this] { delete this; });
        break;
    case TCloseAction::caNone: break;
    }
}

void TCustomForm::PaintWindow(HDC dc) {
    if (OnPaint && CanFire()) {
        canvas_.SetHandle(dc);
        canvas_.Font().Assign(Font());
        canvas_.SetBrushColor(Color());
        OnPaint(this);
        canvas_.SetHandle(nullptr);
    }
    PaintControls(dc);
}

void TCustomForm::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case CM_DIALOGKEY:
        // Escape presses the Cancel button, unless it closes an open drop-down list first.
        if (m.WParam == VK_ESCAPE) {
            if (auto* combo = dynamic_cast<TComboBox*>(focused_); combo && combo->DroppedDown()) return;
            if (auto* cancel = static_cast<TButton*>(CancelButton(this))) {
                cancel->PerformClick();
                m.Result = 1;
            }
        }
        return;
    case CM_VISIBLECHANGED:
        if (m.WParam) {
            HandleNeeded();
            ApplyPosition();
            ::ShowWindow(HandleIfAllocated(), windowState_ == TWindowState::wsMinimized   ? SW_SHOWMINIMIZED
                                              : windowState_ == TWindowState::wsMaximized ? SW_SHOWMAXIMIZED
                                                                                          : SW_SHOWNORMAL);
            UpdateShowing();
            if (OnShow && CanFire()) OnShow(this);
        } else if (HandleAllocated()) {
            if (OnHide && CanFire()) OnHide(this);
            ::ShowWindow(HandleIfAllocated(), SW_HIDE);
            UpdateShowing();
        }
        return;
    case WM_ACTIVATE:
        if (LOWORD(m.WParam) != WA_INACTIVE) {
            Perform(CM_ACTIVATE);
            if (OnActivate && CanFire()) OnActivate(this);
            if (!HIWORD(m.WParam)) {
                // Give the focus back to the control that had it, or to the first one.
                TWinControl* target = activeControl_ ? activeControl_ : FirstTabStop(this);
                if (target && target->CanFocus() && target->HandleAllocated()) {
                    ::SetFocus(target->HandleIfAllocated());
                    m.Result = 0;
                    return;
                }
            }
        } else {
            SendCancelMode(nullptr);
            Perform(CM_DEACTIVATE);
            if (OnDeactivate && CanFire()) OnDeactivate(this);
        }
        break;
    case WM_CANCELMODE:
        SendCancelMode(nullptr);
        break;
    case DM_GETDEFID:
        if (TWinControl* b = DefaultButton(this); b && b->HandleAllocated()) {
            m.Result = MAKELRESULT(::GetDlgCtrlID(b->HandleIfAllocated()), DC_HASDEFID);
            return;
        }
        m.Result = 0;
        return;
    case WM_COMMAND:
        // Dialog navigation sends the default button's command to the form,
        // without the button's window when the button is not a direct child.
        if (m.LParam == 0 && HIWORD(m.WParam) == BN_CLICKED) {
            if (TWinControl* c = ControlById(this, LOWORD(m.WParam))) {
                m.Result = c->Perform(CN_COMMAND, m.WParam, reinterpret_cast<LPARAM>(c->HandleIfAllocated()));
                return;
            }
        }
        break;
    case WM_SIZE:
        TWinControl::WndProc(m);
        AlignControls();
        return;
    case WM_DPICHANGED:
        OnDpiChanged(m);
        return;
    case WM_NCCALCSIZE:
        if (CalcNonClientForDpi(m)) return;
        break;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------- TApplication's form part

void TApplication::AdoptForm(std::unique_ptr<TComponent> form, TCustomForm* asForm) {
    forms_.push_back(std::move(form));
    if (!mainForm_) mainForm_ = asForm;
}

void TApplication::FormDestroyed(TCustomForm* form) noexcept {
    if (mainForm_ == form) mainForm_ = nullptr;
    for (auto& owned : forms_) {
        if (owned.get() == form) (void)owned.release();
    }
    std::erase(forms_, nullptr);
}

void TApplication::ControlDestroying(TControl* control) noexcept {
    if (mouseControl_ == control) mouseControl_ = nullptr;
    for (TCustomForm* form : gForms) {
        if (form->activeControl_ == control) form->activeControl_ = nullptr;
        if (form->focused_ == control) form->focused_ = nullptr;
    }
}

void TApplication::DestroyForms() noexcept {
    while (!forms_.empty()) {
        std::unique_ptr<TComponent> form = std::move(forms_.back());
        forms_.pop_back();
        form.reset();
    }
}

}  // namespace fw
