#pragma once
// Forms: top-level windows with a border style, title icons, a position rule,
// a client size, focus tracking (CM_ENTER / CM_EXIT / CM_FOCUSCHANGED) and
// closing with an action.
#include <functional>

#include "framework/Application.h"
#include "framework/Controls.h"

namespace fw {

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum class TPosition { poDesigned, poScreenCenter, poDesktopCenter, poMainFormCenter };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    const wchar_t* ClassName() const override { return L"TForm"; }

    // Runs OnCreate; whoever constructs a form calls it once the object is
    // complete (TApplication::CreateForm does).
    virtual void AfterConstruction();

    TFormBorderStyle BorderStyle() const noexcept { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const noexcept { return borderIcons_; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const noexcept { return position_; }
    void SetPosition(TPosition value) noexcept { position_ = value; }
    void SetClientWidth(int value);
    void SetClientHeight(int value);
    // The pixels per inch the form is laid out for: set to the design's
    // before loading; Loaded scales the form to the system's DPI, and the form
    // follows its window's DPI from then on (its monitor's, WM_DPICHANGED).
    int PixelsPerInch() const noexcept { return pixelsPerInch_; }
    void SetPixelsPerInch(int value) noexcept { pixelsPerInch_ = value; }
    // Scales bounds and own fonts of the form and its controls by m/d.
    void ScaleBy(int m, int d);
    // Scales the form from PixelsPerInch to dpi, which it then records, and
    // tells OnAfterMonitorDpiChanged.
    void ScaleForPPI(int dpi);
    void ChangeScale(int m, int d) override;

    // A modal form (TModalForm) ends when this is set to other than mrNone;
    // a button with a ModalResult sets it when clicked.
    TModalResult ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(TModalResult value) noexcept { modalResult_ = value; }

    // Normal, minimised or maximised; applied when the form is shown.
    TWindowState WindowState() const;
    void SetWindowState(TWindowState value);
    // The form's title-bar and task-bar icon; none: the program's own. The
    // icon stays the caller's (a shared or longer-lived icon).
    HICON Icon() const noexcept { return icon_; }
    void SetIcon(HICON icon);
    // The canvas OnPaint draws on, valid during OnPaint.
    TCanvas& Canvas() noexcept { return canvas_; }

    TWinControl* ActiveControl() const noexcept { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    // Called by a control that got the focus: CM_CANCELMODE, CM_EXIT and
    // CM_ENTER along the focus chain, then CM_FOCUSCHANGED to every control.
    void SetFocusedControl(TWinControl* control);
    // CM_CANCELMODE to the focused control unless it is sender.
    void SendCancelMode(TControl* sender);

    // OnCloseQuery, then OnClose with its action: caHide hides, caFree frees
    // later, caMinimize minimises; closing the main form ends the application.
    void Close();

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    // The form took another DPI (laid out and fonts scaled, the window not yet
    // moved to the system's suggested rectangle).
    std::function<void(TObject* sender, int oldDpi, int newDpi)> OnAfterMonitorDpiChanged;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void WndProc(TMessage& message) override;
    void PaintWindow(HDC dc) override;
    void Loaded() override;
    virtual void DoCreate();
    virtual void DoClose(TCloseAction& action);
    virtual bool CloseQuery();

private:
    friend class TApplication;
    void ApplyPosition();
    void FitClientSize();
    TWinControl* FirstTabStop(TWinControl* parent) const;
    TWinControl* ControlById(TWinControl* parent, int id) const;
    TWinControl* DefaultButton(TWinControl* parent) const;
    TWinControl* CancelButton(TWinControl* parent) const;
    void ApplyIcons();
    void OnDpiChanged(TMessage& m);
    // Non-client size for the form's DPI when the system's is for another.
    bool CalcNonClientForDpi(TMessage& m);

    TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TPosition position_ = TPosition::poDesigned;
    int clientWidth_ = -1;
    int clientHeight_ = -1;
    int pixelsPerInch_ = 96;
    bool positioned_ = false;
    TWinControl* activeControl_ = nullptr;
    TWinControl* focused_ = nullptr;
    TModalResult modalResult_ = mrNone;
    TWindowState windowState_ = TWindowState::wsNormal;
    HICON icon_ = nullptr;
    // The program's icons at the form's DPI, when the form has none of its own.
    UniqueIcon ownIcons_[2];
    TCanvas canvas_;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
};

// Forms alive now, in creation order.
const std::vector<TCustomForm*>& Forms();

}  // namespace fw
