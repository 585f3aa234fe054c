#include "framework/Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/Forms.h"
#include "framework/Internal.h"
#include "framework/Menus.h"

namespace fw {

namespace {

thread_local TWinControl* tCreating = nullptr;

// Native procedures of the superclassed system classes, by our class name.
std::mutex gClassLock;
std::map<std::wstring, WNDPROC, std::less<>> gNativeProcs;

WNDPROC RegisterControlClass(const TCreateParams& p, WNDPROC staticProc) {
    std::lock_guard guard(gClassLock);
    if (auto it = gNativeProcs.find(p.WinClassName); it != gNativeProcs.end()) return it->second;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    WNDPROC native = ::DefWindowProcW;
    if (p.BaseClass) {
        if (!::GetClassInfoExW(nullptr, p.BaseClass, &wc)) {
            throw EOSError(std::wstring(L"Unknown window class ") + p.BaseClass, ::GetLastError());
        }
        native = wc.lpfnWndProc;
        wc.cbSize = sizeof wc;
        // A superclass must not share the system class's private DC flags
        // and must be a class of this module.
        wc.style &= ~CS_GLOBALCLASS;
    } else {
        wc.style = p.ClassStyle;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    }
    wc.cbWndExtra += detail::kBindingSlotBytes;
    wc.lpfnWndProc = staticProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = p.WinClassName.c_str();
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw EOSError(L"Cannot register the window class " + p.WinClassName, ::GetLastError());
    }
    gNativeProcs.emplace(p.WinClassName, native);
    return native;
}

WNDPROC NativeProcOf(HWND wnd) {
    wchar_t name[256] = {};
    ::GetClassNameW(wnd, name, 256);
    std::lock_guard guard(gClassLock);
    auto it = gNativeProcs.find(std::wstring_view(name));
    return it != gNativeProcs.end() ? it->second : ::DefWindowProcW;
}

int gNextControlId = 0;
HMENU NextControlId() {
    gNextControlId = gNextControlId % 0xFFF0 + 1;
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(gNextControlId));
}

}  // namespace

TShiftState KeysToShiftState(WPARAM keys) noexcept {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

TShiftState KeyboardStateToShiftState() noexcept {
    TShiftState s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (::GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.OnChange = [this] { Perform(CM_FONTCHANGED); };
}

TControl::~TControl() {
    SetDestroying();
    detail::ControlDestroying(this);
    if (parent_) parent_->RemoveControl(this);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    WindowProc(m);
    return m.Result;
}

void TControl::DefaultHandler(TMessage& /*message*/) {}

void TControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
        HandleMouse(m);
        return;
    case CM_PARENTFONTCHANGED:
        if (parentFont_ && parent_) font_.Assign(parent_->Font());
        return;
    case WM_CONTEXTMENU:
        // A graphic control's request, handed over by its parent (screen
        // coordinates).
        if (popupMenu_) {
            popupMenu_->SetPopupComponent(this);
            popupMenu_->Popup(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
            m.Result = 1;
            return;
        }
        DefaultHandler(m);
        return;
    case CM_MOUSEWHEEL: {
        const POINT at{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        m.Result = MouseWheel(KeysToShiftState(GET_KEYSTATE_WPARAM(m.WParam)), GET_WHEEL_DELTA_WPARAM(m.WParam), at) ? 1 : 0;
        return;
    }
    case CM_PARENTCOLORCHANGED:
        if (parentColor_ && parent_) SetColor(parent_->Color()), parentColor_ = true;
        return;
    case CM_VISIBLECHANGED:
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
        if (m.Msg == CM_FONTCHANGED) parentFont_ = parent_ && font_.SameAs(parent_->Font()) && parentFont_;
        Invalidate();
        return;
    default:
        DefaultHandler(m);
    }
}

void TControl::HandleMouse(TMessage& m) {
    // Before the window's own procedure sees it: an owner-drawn system button
    // answers a double click with BN_DOUBLECLICKED and no click at all.
    if (!(controlStyle_ & csDoubleClicks)) {
        switch (m.Msg) {
        case WM_LBUTTONDBLCLK: m.Msg = WM_LBUTTONDOWN; break;
        case WM_RBUTTONDBLCLK: m.Msg = WM_RBUTTONDOWN; break;
        case WM_MBUTTONDBLCLK: m.Msg = WM_MBUTTONDOWN; break;
        default: break;
        }
    }
    DefaultHandler(m);
    const int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
    TShiftState shift = KeysToShiftState(m.WParam);
    switch (m.Msg) {
    case WM_LBUTTONDBLCLK: shift |= ssDouble; [[fallthrough]];
    case WM_LBUTTONDOWN: MouseDown(TMouseButton::mbLeft, shift, x, y); break;
    case WM_RBUTTONDBLCLK: shift |= ssDouble; [[fallthrough]];
    case WM_RBUTTONDOWN: MouseDown(TMouseButton::mbRight, shift, x, y); break;
    case WM_MBUTTONDBLCLK: shift |= ssDouble; [[fallthrough]];
    case WM_MBUTTONDOWN: MouseDown(TMouseButton::mbMiddle, shift, x, y); break;
    case WM_LBUTTONUP: MouseUp(TMouseButton::mbLeft, shift, x, y); break;
    case WM_RBUTTONUP: MouseUp(TMouseButton::mbRight, shift, x, y); break;
    case WM_MBUTTONUP: MouseUp(TMouseButton::mbMiddle, shift, x, y); break;
    }
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown && CanFire()) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp && CanFire()) OnMouseUp(this, button, shift, x, y);
}

bool TControl::MouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
    bool handled = false;
    if (OnMouseWheel && CanFire()) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    return handled;
}

void TControl::Click() {
    if (OnClick && CanFire()) OnClick(this);
}

void TControl::Loaded() { TComponent::Loaded(); }

void TControl::SetPopupMenu(TPopupMenu* menu) {
    if (menu == popupMenu_) return;
    if (popupMenu_) RemoveFreeNotification(popupMenu_);
    popupMenu_ = menu;
    if (menu) FreeNotification(menu);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) throw Exception(L"A control cannot be its own parent");
    if (parent_) parent_->RemoveControl(this);
    if (parent) {
        parent->InsertControl(this);
        if (parentFont_) {
            font_.Assign(parent->Font());
            parentFont_ = true;
        }
        if (parentColor_) {
            color_ = parent->Color();
        }
    }
}

void TControl::ChangeScale(int m, int d) {
    ScaleBounds(m, d);
    ScaleFont(m, d);
}

void TControl::ScaleBounds(int m, int d) {
    SetBounds(::MulDiv(left_, m, d), ::MulDiv(top_, m, d), ::MulDiv(width_, m, d), ::MulDiv(height_, m, d));
}

void TControl::ScaleFont(int m, int d) {
    if (!parentFont_) font_.SetHeight(::MulDiv(font_.Height(), m, d));
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    const RECT old = BoundsRect();
    StoreBounds(left, top, width, height);
    BoundsChanged(old);
}

void TControl::BoundsChanged(const RECT& old) {
    if (!parent_ || !parent_->HandleAllocated()) return;
    ::InvalidateRect(parent_->HandleIfAllocated(), &old, TRUE);
    Invalidate();
    if (parent_ && !Loading()) parent_->AlignControls();
}

RECT TControl::ClientRect() const { return {0, 0, width_, height_}; }

POINT TControl::ClientOrigin() const {
    POINT pt{left_, top_};
    if (parent_) {
        const POINT p = parent_->ClientOrigin();
        pt.x += p.x;
        pt.y += p.y;
    }
    return pt;
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    if (parent_ && !Loading()) parent_->AlignControls();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
    if (parent_ && !Loading()) parent_->AlignControls();
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor color) {
    parentColor_ = false;
    if (color == color_) return;
    color_ = color;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
    parentColor_ = value;
    if (value && parent_) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value && parent_) Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetText(const std::wstring& text) {
    if (GetText() == text) return;
    SetTextCore(text);
    Perform(CM_TEXTCHANGED);
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::Update() {
    if (parent_) parent_->Update();
}

void TControl::Invalidate() {}

TCustomForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c->parent_) c = c->parent_;
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

// ---------------------------------------------------------------- TGraphicControl

void TGraphicControl::Invalidate() {
    TWinControl* p = Parent();
    if (!p || !p->HandleAllocated() || Loading()) return;
    const RECT r = BoundsRect();
    ::InvalidateRect(p->HandleIfAllocated(), &r, TRUE);
}

void TGraphicControl::PaintTo(HDC dc) {
    canvas_.SetHandle(dc);
    canvas_.Font().Assign(Font());
    Paint(canvas_);
    canvas_.SetHandle(nullptr);
}

void TGraphicControl::WndProc(TMessage& m) {
    if (m.Msg == WM_LBUTTONUP) {
        TControl::WndProc(m);
        const RECT r = ClientRect();
        if (::PtInRect(&r, {GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)})) Click();
        return;
    }
    if (m.Msg == CM_VISIBLECHANGED && Parent() && Parent()->HandleAllocated()) {
        const RECT r = BoundsRect();
        ::InvalidateRect(Parent()->HandleIfAllocated(), &r, TRUE);
        return;
    }
    TControl::WndProc(m);
}

// ---------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) { windowed_ = true; }

TWinControl::~TWinControl() {
    SetDestroying();
    DestroyHandle();
    // Children stay alive (their owner frees them) but lose their parent.
    while (!controls_.empty()) controls_.back()->SetParent(nullptr);
    // Leave the parent while this is still a windowed control: ~TControl
    // would find only a TControl.
    if (Parent()) Parent()->RemoveControl(this);
}

bool IsOwnProcessWindow(HWND wnd) noexcept {
    DWORD process = 0;
    return wnd && ::GetWindowThreadProcessId(wnd, &process) && process == ::GetCurrentProcessId();
}

TWinControl* TWinControl::FindControl(HWND wnd) noexcept {
    // Only a window of this process whose class the framework registered
    // has the binding slot; another instance of the program has the same
    // class procedure at the same address.
    if (!IsOwnProcessWindow(wnd)) return nullptr;
    if (::GetClassLongPtrW(wnd, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&TWinControl::StaticWndProc)) return nullptr;
    return static_cast<TWinControl*>(detail::BoundObject(wnd));
}

TWinControl* TWinControl::CreatingControl() noexcept { return tCreating; }

HWND TWinControl::Handle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded() {
    if (handle_) return;
    if (Parent()) Parent()->HandleNeeded();
    if (handle_) return;  // the parent made the children's windows too
    CreateWnd();
    CreateHandleDone();
}

void TWinControl::CreateParams(TCreateParams& p) {
    p.Caption = text_;
    p.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (Parent()) p.Style |= WS_CHILD;
    if (Visible() && Parent()) p.Style |= WS_VISIBLE;
    if (!Enabled()) p.Style |= WS_DISABLED;
    if (tabStop_) p.Style |= WS_TABSTOP;
    p.X = Left();
    p.Y = Top();
    p.Width = Width();
    p.Height = NativeHeight(Height());
    p.WndParent = Parent() ? Parent()->HandleIfAllocated() : nullptr;
    p.Menu = Parent() ? NextControlId() : nullptr;
    p.WinClassName = ClassName();
}

void TWinControl::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    defProc_ = RegisterControlClass(p, &TWinControl::StaticWndProc);
    // Handlers of a window destroyed under them never unwound their count.
    dispatchDepth_ = 0;
    ownClass_ = p.BaseClass == nullptr;
    TWinControl* outer = std::exchange(tCreating, this);
    HWND wnd = ::CreateWindowExW(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width,
                                 p.Height, p.WndParent, p.Menu, ::GetModuleHandleW(nullptr), nullptr);
    tCreating = outer;
    if (!wnd) throw EOSError(L"Error creating window " + p.WinClassName, ::GetLastError());
    handle_ = wnd;
}

void TWinControl::SendFont(BOOL redraw) {
    fontRevisionSent_ = Font().FaceRevision();
    ::SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), redraw);
}

void TWinControl::CreateHandleDone() {
    SendFont(FALSE);
    CreateChildHandles();
    UpdateShowing();
}

void TWinControl::CreateChildHandles() {
    HWND after = HWND_TOP;
    for (TWinControl* child : tabList_) {
        if (!child->handle_) {
            child->CreateWnd();
            child->CreateHandleDone();
        }
        // Window order is tab order: dialog navigation follows it.
        ::SetWindowPos(child->handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = child->handle_;
    }
}

void TWinControl::DestroyWnd() { text_ = GetText(); }

void TWinControl::SaveWindowState() {
    for (TWinControl* child : tabList_) {
        if (child->handle_) child->SaveWindowState();
    }
    DestroyWnd();
}

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    SaveWindowState();
    // The children's windows go with ours; each unbinds on WM_NCDESTROY.
    ::DestroyWindow(handle_);
    handle_ = nullptr;
}

void TWinControl::RecreateWnd() {
    if (!handle_) return;
    // Not under a message of the window itself: it would be destroyed
    // beneath its own handler. The posted request comes back through the
    // message loop, where only its own (finished) use of the window is left.
    if (dispatchDepth_ > 0) {
        if (!recreatePending_) {
            recreatePending_ = true;
            ::PostMessageW(handle_, CM_RECREATEWND, 0, 0);
        }
        return;
    }
    DoRecreateWnd();
}

void TWinControl::DoRecreateWnd() {
    recreatePending_ = false;
    const bool focused = Focused();
    // A new child window starts at one end of its siblings; window order is
    // tab order, so it goes back behind the window the old one followed.
    HWND previous = Parent() ? ::GetWindow(handle_, GW_HWNDPREV) : nullptr;
    const bool child = Parent() != nullptr;
    DestroyHandle();
    HandleNeeded();
    if (child) {
        ::SetWindowPos(handle_, previous ? previous : HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (focused) SetFocus();
}

void TWinControl::InsertControl(TControl* control) {
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 1);
    controls_.push_back(control);
    control->parent_ = this;
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        tabList_.push_back(win);
        if (handle_ && !Loading()) {
            win->CreateWnd();
            win->CreateHandleDone();
        }
    } else {
        control->Invalidate();
    }
    if (!Loading()) AlignControls();
}

void TWinControl::RemoveControl(TControl* control) {
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 0);
    if (control->IsWindowed()) {
        auto* win = static_cast<TWinControl*>(control);
        win->DestroyHandle();
        std::erase(tabList_, win);
    } else {
        control->Invalidate();
    }
    std::erase(controls_, control);
    control->parent_ = nullptr;
}

TControl* TWinControl::ControlAtPos(POINT pt) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (c->IsWindowed() || !c->Visible() || !c->Enabled()) continue;
        const RECT r = c->BoundsRect();
        if (::PtInRect(&r, pt)) return c;
    }
    return nullptr;
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    const auto& list = Parent()->tabList_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int order) {
    if (!Parent()) return;
    auto& list = Parent()->tabList_;
    std::erase(list, this);
    order = std::clamp(order, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + order, this);
    if (Parent()->handle_) {
        HWND after = order == 0 ? HWND_TOP : list[static_cast<size_t>(order - 1)]->handle_;
        if (handle_) ::SetWindowPos(handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void TWinControl::SetTabStop(bool value) {
    if (value == tabStop_) return;
    tabStop_ = value;
    if (handle_) {
        const LONG_PTR style = ::GetWindowLongPtrW(handle_, GWL_STYLE);
        ::SetWindowLongPtrW(handle_, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    }
}

bool TWinControl::Focused() const { return handle_ && ::GetFocus() == handle_; }

bool TWinControl::CanFocus() const {
    for (const TWinControl* c = this; c; c = c->Parent()) {
        if (!c->Visible() || !c->Enabled()) return false;
    }
    return true;
}

void TWinControl::SetFocus() {
    if (TCustomForm* form = ParentForm(); form && form != this) {
        form->SendCancelMode(this);
    }
    ::SetFocus(Handle());
}

bool TWinControl::Showing() const { return showing_; }

void TWinControl::UpdateShowing() {
    bool showing = Visible() && handle_ != nullptr;
    if (showing) showing = Parent() ? Parent()->Showing() : ::IsWindowVisible(handle_) != FALSE;
    if (showing != showing_) {
        showing_ = showing;
        Perform(CM_SHOWINGCHANGED);
    }
    for (TWinControl* child : tabList_) child->UpdateShowing();
}

RECT TWinControl::ClientRect() const {
    RECT r{0, 0, Width(), Height()};
    if (handle_) ::GetClientRect(handle_, &r);
    return r;
}

void TWinControl::Invalidate() { Perform(CM_INVALIDATE); }

void TWinControl::Update() {
    if (handle_) ::UpdateWindow(handle_);
}

void TWinControl::SetBounds(int left, int top, int width, int height) { TControl::SetBounds(left, top, width, height); }

void TWinControl::ChangeScale(int m, int d) {
    ScaleBounds(m, d);
    // By index: a child's scaling may not add or remove children, but stay safe.
    for (std::size_t i = 0; i < controls_.size(); ++i) controls_[i]->ChangeScale(m, d);
    ScaleFont(m, d);
}

void TWinControl::BoundsChanged(const RECT& /*old*/) {
    if (handle_) {
        ::SetWindowPos(handle_, nullptr, Left(), Top(), Width(), NativeHeight(Height()), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!Loading()) {
        AlignControls();
        if (Parent()) Parent()->AlignControls();
    }
}

void TWinControl::UpdateBounds() {
    if (!handle_) return;
    RECT r;
    ::GetWindowRect(handle_, &r);
    if (HWND parent = ::GetParent(handle_); parent && (::GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD)) {
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    const bool sized = (r.right - r.left) != Width() || (r.bottom - r.top) != Height();
    StoreBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (sized && !Loading()) AlignControls();
}

void TWinControl::AlignControls() {
    if (Loading() || Destroying()) return;
    RECT area = ClientRect();
    auto place = [&](TAlign align) {
        for (TControl* c : controls_) {
            if (c->Align() != align || !c->Visible()) continue;
            int l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
            switch (align) {
            case TAlign::alTop: l = area.left; t = area.top; w = area.right - area.left; area.top += h; break;
            case TAlign::alBottom: l = area.left; t = area.bottom - h; w = area.right - area.left; area.bottom -= h; break;
            case TAlign::alLeft: l = area.left; t = area.top; h = area.bottom - area.top; area.left += w; break;
            case TAlign::alRight: l = area.right - w; t = area.top; h = area.bottom - area.top; area.right -= w; break;
            case TAlign::alClient: l = area.left; t = area.top; w = area.right - area.left; h = area.bottom - area.top; break;
            case TAlign::alNone: break;
            }
            c->SetBounds(l, t, std::max(w, 0), std::max(h, 0));
        }
    };
    place(TAlign::alTop);
    place(TAlign::alBottom);
    place(TAlign::alLeft);
    place(TAlign::alRight);
    place(TAlign::alClient);
}

void TWinControl::Broadcast(TMessage& m) {
    for (size_t i = 0; i < controls_.size(); ++i) {
        controls_[i]->WindowProc(m);
        if (m.Result != 0) return;
    }
}

void TWinControl::Loaded() {
    TControl::Loaded();
    AlignControls();
}

std::wstring TWinControl::GetText() const {
    if (!handle_) return text_;
    const int len = ::GetWindowTextLengthW(handle_);
    std::wstring s(static_cast<size_t>(len) + 1, L'\0');
    s.resize(static_cast<size_t>(::GetWindowTextW(handle_, s.data(), len + 1)));
    return s;
}

void TWinControl::SetTextCore(const std::wstring& text) {
    text_ = text;
    if (handle_) ::SetWindowTextW(handle_, text.c_str());
}

HBRUSH TWinControl::ColorBrush() {
    if (!colorBrush_ || colorBrushColor_ != Color()) {
        colorBrush_.reset(::CreateSolidBrush(ColorToRGB(Color())));
        colorBrushColor_ = Color();
    }
    return colorBrush_.get();
}

void TWinControl::PaintWindow(HDC /*dc*/) {}

void TWinControl::PaintControls(HDC dc) {
    for (TControl* c : controls_) {
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (!g || !g->Visible()) continue;
        const RECT r = g->BoundsRect();
        if (!::RectVisible(dc, &r)) continue;
        const int saved = ::SaveDC(dc);
        POINT org;
        ::GetViewportOrgEx(dc, &org);
        ::SetViewportOrgEx(dc, org.x + r.left, org.y + r.top, nullptr);
        ::IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
        g->PaintTo(dc);
        ::RestoreDC(dc, saved);
    }
}

void TWinControl::DoEnter() {
    if (OnEnter && CanFire()) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit && CanFire()) OnExit(this);
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown && CanFire()) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp && CanFire()) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(wchar_t& key) {
    if (OnKeyPress && CanFire()) OnKeyPress(this, key);
}

bool TWinControl::ReflectToChild(TMessage& m) {
    HWND child = nullptr;
    switch (m.Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
        child = reinterpret_cast<HWND>(m.LParam);
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
        if (dis->CtlType != ODT_MENU) child = dis->hwndItem;
        break;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
        if (mis->CtlType == ODT_MENU) break;
        child = ::GetDlgItem(handle_, static_cast<int>(mis->CtlID));
        // An owner-draw control measures from inside its own creation,
        // before it is bound to its window.
        if (!FindControl(child) && tCreating && tCreating->Parent() == this) {
            m.Result = tCreating->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
            return true;
        }
        break;
    }
    case WM_COMPAREITEM:
        child = reinterpret_cast<COMPAREITEMSTRUCT*>(m.LParam)->hwndItem;
        break;
    case WM_DELETEITEM:
        child = reinterpret_cast<DELETEITEMSTRUCT*>(m.LParam)->hwndItem;
        break;
    default:
        return false;
    }
    TWinControl* target = FindControl(child);
    if (!target || target == this) return false;
    m.Result = target->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
    return true;
}

void TWinControl::HandleFocus(TMessage& m) {
    DefaultHandler(m);
    if (Destroying()) return;
    if (TCustomForm* form = ParentForm()) {
        if (m.Msg == WM_SETFOCUS) form->SetFocusedControl(this);
    }
}

void TWinControl::WndProc(TMessage& m) {
    if (ReflectToChild(m)) return;
    switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        HandleFocus(m);
        return;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
        // A graphic child under the mouse takes the message.
        if (TControl* g = ControlAtPos({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)})) {
            const LPARAM lp = MAKELPARAM(GET_X_LPARAM(m.LParam) - g->Left(), GET_Y_LPARAM(m.LParam) - g->Top());
            m.Result = g->Perform(m.Msg, m.WParam, lp);
            // A right release the graphic child left alone goes on to the
            // window's default handling, which asks for the context menu
            // (WM_CONTEXTMENU) as it does for a click on the window itself.
            if (m.Msg == WM_RBUTTONUP && m.Result == 0 && handle_) DefaultHandler(m);
            return;
        }
        break;
    case WM_CONTEXTMENU: {
        POINT at{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        if (at.x == -1 && at.y == -1) {
            // From the keyboard: at the control's centre.
            at = ClientOrigin();
            at.x += Width() / 2;
            at.y += Height() / 2;
        } else if (handle_) {
            POINT client = at;
            ::ScreenToClient(handle_, &client);
            if (TControl* g = ControlAtPos(client); g && g->PopupMenu()) {
                // The graphic child shows its own menu.
                m.Result = g->Perform(WM_CONTEXTMENU, m.WParam, m.LParam);
                return;
            }
        }
        if (TPopupMenu* menu = PopupMenu()) {
            menu->SetPopupComponent(this);
            menu->Popup(at.x, at.y);
            m.Result = 1;
            return;
        }
        break;  // the default hands it to the parent
    }
    case WM_SETCURSOR:
        if (Cursor() && reinterpret_cast<HWND>(m.WParam) == handle_ && LOWORD(m.LParam) == HTCLIENT) {
            ::SetCursor(::LoadCursorW(nullptr, Cursor()));
            m.Result = TRUE;
            return;
        }
        break;
    case WM_WINDOWPOSCHANGED:
        DefaultHandler(m);
        UpdateBounds();
        return;
    case WM_PAINT:
        if (ownClass_) {
            if (m.WParam) {
                PaintWindow(reinterpret_cast<HDC>(m.WParam));
            } else {
                PaintDc dc(handle_);
                PaintWindow(dc.get());
            }
            return;
        }
        break;
    case WM_PRINTCLIENT:
        if (ownClass_) {
            PaintWindow(reinterpret_cast<HDC>(m.WParam));
            return;
        }
        break;
    case WM_ERASEBKGND:
        if (ownClass_) {
            if (!(ControlStyle() & csOpaque)) {
                RECT r;
                ::GetClientRect(handle_, &r);
                ::FillRect(reinterpret_cast<HDC>(m.WParam), &r, ColorBrush());
            }
            m.Result = 1;
            return;
        }
        break;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: {
        WORD key = static_cast<WORD>(m.WParam);
        KeyDown(key, KeyboardStateToShiftState());
        if (key == 0) return;
        m.WParam = key;
        break;
    }
    case WM_KEYUP: case WM_SYSKEYUP: {
        WORD key = static_cast<WORD>(m.WParam);
        KeyUp(key, KeyboardStateToShiftState());
        if (key == 0) return;
        m.WParam = key;
        break;
    }
    case WM_CHAR: {
        wchar_t key = static_cast<wchar_t>(m.WParam);
        KeyPress(key);
        if (key == 0) return;
        m.WParam = key;
        break;
    }
    case CM_RECREATEWND:
        if (recreatePending_) DoRecreateWnd();
        return;
    case CM_INVALIDATE:
        if (handle_) ::InvalidateRect(handle_, nullptr, TRUE);
        return;
    case WM_MOUSEWHEEL:
        // Not taken here: the window's default sends it on to the parent.
        if (Perform(CM_MOUSEWHEEL, m.WParam, m.LParam) != 0) {
            m.Result = 0;
            return;
        }
        break;
    case CM_ENTER:
        DoEnter();
        return;
    case CM_EXIT:
        DoExit();
        return;
    case CM_FOCUSCHANGED:
    case CM_DIALOGCHAR:
        Broadcast(m);
        return;
    case CM_VISIBLECHANGED:
        if (handle_) {
            ::ShowWindow(handle_, m.WParam ? SW_SHOWNA : SW_HIDE);
            UpdateShowing();
        }
        return;
    case CM_ENABLEDCHANGED:
        if (handle_) ::EnableWindow(handle_, Enabled());
        return;
    case CM_COLORCHANGED: {
        Invalidate();
        TMessage pm{CM_PARENTCOLORCHANGED, 0, 0, 0};
        Broadcast(pm);
        return;
    }
    case CM_FONTCHANGED: {
        if (handle_ && Font().FaceRevision() != fontRevisionSent_) {
            SendFont(TRUE);
        } else if (handle_) {
            // Only the colour changed: the window keeps its GDI font and is
            // repainted. Setting the font again would make a combo box or an
            // edit control measure and lay itself out anew (a combo box moves
            // its list window twice under Wine), which is what a skin's text
            // colour cost each such control at start-up.
            ::RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
        TControl::WndProc(m);
        TMessage pm{CM_PARENTFONTCHANGED, 0, 0, 0};
        Broadcast(pm);
        return;
    }
    case CN_CTLCOLORMSGBOX: case CN_CTLCOLOREDIT: case CN_CTLCOLORLISTBOX: case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG: case CN_CTLCOLORSCROLLBAR: case CN_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(m.WParam);
        ::SetTextColor(dc, ColorToRGB(Font().Color()));
        ::SetBkColor(dc, ColorToRGB(Color()));
        m.Result = reinterpret_cast<LRESULT>(ColorBrush());
        return;
    }
    case CN_KEYDOWN: case CN_KEYUP: case CN_CHAR: case CN_SYSKEYDOWN: case CN_SYSCHAR:
        m.Result = 0;  // not taken: the key goes on to the window
        return;
    default:
        if (m.Msg >= CN_BASE && m.Msg < CN_BASE + 0x400) {
            // Reflected notifications nobody wants: what the parent would have answered.
            m.Result = 0;
            return;
        }
        break;
    }
    TControl::WndProc(m);
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (!handle_ || (m.Msg >= CM_BASE && m.Msg < CN_BASE + 0x400)) {
        m.Result = 0;
        return;
    }
    m.Result = ::CallWindowProcW(defProc_, handle_, m.Msg, m.WParam, m.LParam);
}

// Counts a message of a control's window as being handled for one scope.
// The control may be freed by the handler: only a control still bound to the
// window is touched again.
class TWinControl::DispatchScope {
public:
    DispatchScope(HWND wnd, TWinControl* control) noexcept : wnd_(wnd), control_(control) {
        if (control_) ++control_->dispatchDepth_;
    }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
    ~DispatchScope() {
        if (control_ && FindControl(wnd_) == control_) --control_->dispatchDepth_;
    }

private:
    HWND wnd_;
    TWinControl* control_;
};

LRESULT CALLBACK TWinControl::StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    // Every window of the classes this procedure serves has the binding slot.
    auto* control = static_cast<TWinControl*>(detail::BoundObject(wnd));
    if (!control && tCreating && !tCreating->handle_) {
        control = tCreating;
        control->handle_ = wnd;
        detail::BindObject(wnd, control);
    }
    if (!control) return ::CallWindowProcW(NativeProcOf(wnd), wnd, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    {
        DispatchScope scope(wnd, control);
        try {
            control->WindowProc(m);
        } catch (...) {
            Application().HandleException(std::current_exception());
        }
    }
    if (msg == WM_NCDESTROY) {
        if (auto* bound = static_cast<TWinControl*>(detail::BoundObject(wnd))) {
            detail::BindObject(wnd, nullptr);
            bound->handle_ = nullptr;
            // A re-creation posted to this window dies with it.
            bound->recreatePending_ = false;
        }
    }
    return m.Result;
}

LRESULT TWinControl::DeliverDirect(HWND wnd, TDirectProc proc, void* self, UINT msg, WPARAM wParam,
                                   LPARAM lParam) noexcept {
    DispatchScope scope(wnd, FindControl(wnd));
    try {
        return proc(self, msg, wParam, lParam);
    } catch (...) {
        Application().HandleException(std::current_exception());
        return 0;
    }
}

// ---------------------------------------------------------------- TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

void TCustomControl::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    // Dialog navigation walks into the controls it holds.
    p.ExStyle |= WS_EX_CONTROLPARENT;
}

void TCustomControl::PaintWindow(HDC dc) {
    canvas_.SetHandle(dc);
    canvas_.Font().Assign(Font());
    canvas_.SetBrushColor(Color());
    Paint();
    PaintControls(dc);
    canvas_.SetHandle(nullptr);
}

}  // namespace fw
