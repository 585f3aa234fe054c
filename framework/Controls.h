#pragma once
// Controls: TControl (bounds, visibility, colour, font, text, the window
// procedure chain), TGraphicControl (painted on its parent), TWinControl
// (bound to a window), TCustomControl (a window that paints itself).
//
// Binding. Every framework window is created by TWinControl::CreateWnd with
// the object recorded as "being created"; the first message the window gets
// binds the object to it (the binding slot of the window's extra bytes,
// framework/Internal.h) and WM_NCDESTROY unbinds it.
// One static window procedure serves every framework window class: it builds
// a TMessage, calls the object's WindowProc slot inside try/catch (an
// exception goes to Application().HandleException, never back into Windows)
// and returns the message's Result. WindowProc defaults to the virtual
// WndProc; DefaultHandler ends in the native class procedure (superclassed
// BUTTON, COMBOBOX, EDIT) or DefWindowProcW.
//
// Window class names are the framework class names (ClassName()).
//
// Constructors create no windows: a window is made when first needed
// (HandleNeeded). A class that overrides WndProc calls DestroyHandle() first
// in its own destructor, so that WM_DESTROY still reaches its override.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/Messages.h"
#include "framework/WindowProcChain.h"

namespace fw {

// Whether a window belongs to this process. A window handle, a window
// property or a menu window's answer is only trusted from our own windows:
// any program can set a property of the same name on its windows, and a
// message sent to a hung program's window never returns.
bool IsOwnProcessWindow(HWND wnd) noexcept;


class TWinControl;
class TCustomForm;
class TPopupMenu;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag : unsigned {
    ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
using TShiftState = unsigned;
// Mouse cursors by their system resource: nullptr = the window class's own.
using TCursor = const wchar_t*;

using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, wchar_t& key)>;
// mousePos in screen coordinates; set handled to keep the wheel from the parent.
using TMouseWheelEvent =
    std::function<void(TObject* sender, TShiftState shift, int wheelDelta, POINT mousePos, bool& handled)>;

// What a control is like, beyond its properties.
enum TControlStyleFlag : unsigned {
    csOpaque = 1,        // paints its whole client area: nothing is erased under it
    csDoubleClicks = 2,  // gets double clicks (without, a second click is a click)
};
using TControlStyle = unsigned;

TShiftState KeysToShiftState(WPARAM keys) noexcept;
TShiftState KeyboardStateToShiftState() noexcept;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    virtual const wchar_t* ClassName() const { return L"TControl"; }

    // The window procedure slot: messages go to the newest procedure
    // installed here (adapters, spies), each passing them on with
    // WindowProc.CallNext(key, m), and end in the virtual WndProc.
    // Procedures may be removed in any order.
    TWindowProcChain WindowProc{[this](TMessage& m) { WndProc(m); }};
    virtual void WndProc(TMessage& message);
    // What happens to a message nobody handled.
    virtual void DefaultHandler(TMessage& message);
    // Sends a message straight to WindowProc.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    TWinControl* Parent() const noexcept { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const noexcept { return left_; }
    int Top() const noexcept { return top_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    RECT BoundsRect() const noexcept { return {left_, top_, left_ + width_, top_ + height_}; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual RECT ClientRect() const;
    int ClientWidth() const { return ClientRect().right; }
    int ClientHeight() const { return ClientRect().bottom; }
    POINT ClientOrigin() const;  // screen position of the client area's top-left

    TAlign Align() const noexcept { return align_; }
    void SetAlign(TAlign align);

    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and in every parent up to a shown form.
    virtual bool Showing() const;
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool enabled);

    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color);
    bool ParentColor() const noexcept { return parentColor_; }
    void SetParentColor(bool value);
    TFont& Font() noexcept { return font_; }
    const TFont& Font() const noexcept { return font_; }
    bool ParentFont() const noexcept { return parentFont_; }
    void SetParentFont(bool value);
    TControlStyle ControlStyle() const noexcept { return controlStyle_; }
    void SetControlStyle(TControlStyle style) noexcept { controlStyle_ = style; }
    TCursor Cursor() const noexcept { return cursor_; }
    void SetCursor(TCursor cursor) noexcept { cursor_ = cursor; }
    // Shown on WM_CONTEXTMENU over the control (right click, the menu key).
    TPopupMenu* PopupMenu() const noexcept { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu);

    // Caption and Text are the same property.
    std::wstring Text() const { return GetText(); }
    void SetText(const std::wstring& text);
    std::wstring Caption() const { return GetText(); }
    void SetCaption(const std::wstring& text) { SetText(text); }

    // Scales the control by m/d: its bounds and then, unless it takes its
    // parent's font, its font's height. A windowed control scales its children
    // between the two, so that a child taking this font re-measures itself at
    // its new size.
    virtual void ChangeScale(int m, int d);

    virtual void Invalidate();
    void Repaint();
    // Paints what is invalid now.
    virtual void Update();

    TCustomForm* ParentForm() const;
    bool IsWindowed() const noexcept { return windowed_; }

    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel;
    TNotifyEvent OnClick;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual std::wstring GetText() const { return text_; }
    // Stores the text; windowed controls also set their window's text.
    virtual void SetTextCore(const std::wstring& text) { text_ = text; }
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // The wheel turned over this control (or a child that left it); true when taken.
    virtual bool MouseWheel(TShiftState shift, int wheelDelta, POINT mousePos);
    virtual void Click();
    // Moves the control's window (windowed) or repaints the areas (graphic).
    virtual void BoundsChanged(const RECT& old);
    // Events fire only for a live control (not loading, not being destroyed).
    bool CanFire() const noexcept { return !Loading() && !Destroying(); }
    void StoreVisible(bool visible) noexcept { visible_ = visible; }
    void ScaleBounds(int m, int d);
    void ScaleFont(int m, int d);
    void StoreBounds(int left, int top, int width, int height) noexcept {
        left_ = left;
        top_ = top;
        width_ = width;
        height_ = height;
    }

    bool windowed_ = false;
    std::wstring text_;

private:
    friend class TWinControl;
    void HandleMouse(TMessage& m);

    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = TAlign::alNone;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    TFont font_;
    bool parentFont_ = true;
    TCursor cursor_ = nullptr;
    TPopupMenu* popupMenu_ = nullptr;
    TControlStyle controlStyle_ = csDoubleClicks;
};

// A control without a window, painted on its parent's canvas.
class TGraphicControl : public TControl {
public:
    using TControl::TControl;
    const wchar_t* ClassName() const override { return L"TGraphicControl"; }
    void Invalidate() override;
    // Paints into dc, whose origin is the control's top-left corner.
    void PaintTo(HDC dc);

protected:
    virtual void Paint(TCanvas& canvas) = 0;
    void WndProc(TMessage& message) override;

private:
    // Kept between paints with its font, pen and brush.
    TCanvas canvas_;
};

struct TCreateParams {
    std::wstring Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    HMENU Menu = nullptr;           // a child's control identifier
    std::wstring WinClassName;      // the framework class name
    const wchar_t* BaseClass = nullptr;  // native class superclassed, or none
    UINT ClassStyle = CS_DBLCLKS;   // for classes of our own
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    const wchar_t* ClassName() const override { return L"TWinControl"; }

    // The window, created (with the parents' windows) when first needed.
    HWND Handle();
    HWND HandleIfAllocated() const noexcept { return handle_; }
    bool HandleAllocated() const noexcept { return handle_ != nullptr; }
    void HandleNeeded();
    void DestroyHandle();
    // Re-creates the window keeping its state; from inside a message handler
    // the request is deferred to the message loop.
    void RecreateWnd();

    int ControlCount() const noexcept { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
    // The deepest visible, enabled graphic child at a client point, if any.
    TControl* ControlAtPos(POINT pt) const;

    int TabOrder() const;
    void SetTabOrder(int order);
    bool TabStop() const noexcept { return tabStop_; }
    void SetTabStop(bool value);
    bool Focused() const;
    virtual bool CanFocus() const;
    void SetFocus();

    bool Showing() const override;
    RECT ClientRect() const override;
    void Invalidate() override;
    void Update() override;
    void SetBounds(int left, int top, int width, int height) override;
    void ChangeScale(int m, int d) override;

    // Paints the graphic children into dc (the client DC of this window).
    void PaintControls(HDC dc);
    // Lays out the children by their Align.
    virtual void AlignControls();
    // Sends message to every child control (windowed or not).
    void Broadcast(TMessage& message);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

    // The framework control bound to a window, or none.
    static TWinControl* FindControl(HWND wnd) noexcept;
    // The control whose window is being created on this thread (a window may
    // send messages, e.g. WM_MEASUREITEM, from inside its own creation).
    static TWinControl* CreatingControl() noexcept;

    // A procedure that takes a window's messages directly, bypassing the
    // system's dispatch (a skinned window's link takes skin commands so).
    using TDirectProc = LRESULT (*)(void* self, UINT msg, WPARAM wParam, LPARAM lParam);
    // Calls proc with a message for wnd as the window procedure would: the
    // framework control bound to wnd counts the message as being handled (a
    // RecreateWnd from inside is deferred to the message loop), and an
    // exception goes to Application().HandleException; the answer is then 0.
    static LRESULT DeliverDirect(HWND wnd, TDirectProc proc, void* self, UINT msg, WPARAM wParam,
                                 LPARAM lParam) noexcept;

protected:
    friend class TControl;
    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;
    void Loaded() override;
    std::wstring GetText() const override;
    void SetTextCore(const std::wstring& text) override;
    void BoundsChanged(const RECT& old) override;

    virtual void CreateParams(TCreateParams& params);
    // Creates the window itself.
    virtual void CreateWnd();
    // The window is there: font, children, state that lives in the window.
    virtual void CreateHandleDone();
    // The window is about to go: keep what must survive a re-creation.
    virtual void DestroyWnd();
    // The height given to Windows for a control height (a combo box adds its list).
    virtual int NativeHeight(int height) const { return height; }
    // Custom-drawn classes: erase and paint.
    virtual void PaintWindow(HDC dc);
    virtual void DoEnter();
    virtual void DoExit();
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(wchar_t& key);
    // Takes position and size from the window after Windows moved it.
    void UpdateBounds();
    void UpdateShowing();
    // The brush WM_CTLCOLOR* answers with: the control's colour.
    HBRUSH ColorBrush();

    bool ownClass_ = true;     // not a superclass of a native class

private:
    friend class TCustomForm;
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    class DispatchScope;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void CreateChildHandles();
    void DoRecreateWnd();
    // DestroyWnd for this window and every descendant that has one.
    void SaveWindowState();
    bool ReflectToChild(TMessage& m);
    void HandleFocus(TMessage& m);
    // Gives the window the control's font (WM_SETFONT).
    void SendFont(BOOL redraw);

    HWND handle_ = nullptr;
    WNDPROC defProc_ = nullptr;
    std::vector<TControl*> controls_;     // in insertion order
    std::vector<TWinControl*> tabList_;   // windowed children in tab order
    bool tabStop_ = false;
    bool showing_ = false;
    bool recreatePending_ = false;
    int dispatchDepth_ = 0;  // messages of this window being handled now
    UniqueBrush colorBrush_;
    TColor colorBrushColor_ = clNone;
    unsigned fontRevisionSent_ = 0;  // the font's FaceRevision the window was given
};

// A window that paints itself on a canvas (Paint), then its graphic children.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    const wchar_t* ClassName() const override { return L"TCustomControl"; }
    TCanvas& Canvas() noexcept { return canvas_; }

protected:
    virtual void Paint() {}
    void CreateParams(TCreateParams& params) override;
    void PaintWindow(HDC dc) override;

private:
    TCanvas canvas_;
};

}  // namespace fw
