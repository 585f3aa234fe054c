#pragma once
// Modal forms: a form shown with ShowModal runs its own message loop, with
// the thread's other windows disabled, until its ModalResult is set: by a
// TModalButton carrying a result, by Escape (the Cancel button) or by closing
// the window (mrCancel).
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

namespace fw {

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;

class TModalForm : public TForm {
public:
    using TForm::TForm;

    TModalResult ModalResult() const noexcept { return modalResult_; }
    // While the form is modal, a result other than mrNone ends ShowModal.
    void SetModalResult(TModalResult value) noexcept { modalResult_ = value; }
    bool Modal() const noexcept { return modal_; }

    // Shows the form and handles messages until a result is set; then hides
    // it, enables the windows it disabled, gives the activation back, and
    // answers the result. Exceptions from handlers go to the application's
    // error handling; a WM_QUIT ends the loop (mrCancel) and is posted again.
    TModalResult ShowModal();

protected:
    void WndProc(TMessage& message) override;

private:
    // The button Escape presses, if any.
    TButton* CancelButton(TWinControl* parent) const;
    // Escape on a control of this form whose drop-down list is not open.
    bool IsCancelKey(const MSG& msg) const;

    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
};

// A button that, when clicked, sets its form's ModalResult (before OnClick).
// Cancel makes it the button Escape presses.
class TModalButton : public TButton {
public:
    using TButton::TButton;

    TModalResult ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(TModalResult value) noexcept { modalResult_ = value; }
    bool Cancel() const noexcept { return cancel_; }
    void SetCancel(bool value) noexcept { cancel_ = value; }

protected:
    void Click() override;

private:
    TModalResult modalResult_ = mrNone;
    bool cancel_ = false;
};

}  // namespace fw
