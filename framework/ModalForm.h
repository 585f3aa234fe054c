#pragma once
// Modal forms: a form shown with ShowModal runs its own message loop, with
// the thread's other windows disabled, until its ModalResult is set: by a
// button carrying a result, by Escape (the Cancel button) or by closing
// the window (mrCancel).
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

namespace fw {

class TModalForm : public TForm {
public:
    using TForm::TForm;

    // While the form is modal, a ModalResult other than mrNone ends ShowModal.
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

    bool modal_ = false;
};

// The buttons of modal forms are plain buttons: ModalResult and Cancel are
// theirs.
using TModalButton = TButton;

}  // namespace fw
