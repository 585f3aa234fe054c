#include "framework/ModalForm.h"

#include <exception>
#include <vector>

#include "framework/Exception.h"

namespace fw {

namespace {

// The thread's visible, enabled top-level windows other than `except`,
// disabled for the time a modal form runs and enabled again after.
class DisabledWindows {
public:
    explicit DisabledWindows(HWND except) : except_(except) {
        ::EnumThreadWindows(::GetCurrentThreadId(), &DisabledWindows::Collect, reinterpret_cast<LPARAM>(this));
        // Rethrown here, after the system call, rather than through it.
        if (failure_) std::rethrow_exception(failure_);
        for (HWND w : windows_) ::EnableWindow(w, FALSE);
    }
    DisabledWindows(const DisabledWindows&) = delete;
    DisabledWindows& operator=(const DisabledWindows&) = delete;
    ~DisabledWindows() {
        for (HWND w : windows_)
            if (::IsWindow(w)) ::EnableWindow(w, TRUE);
    }

private:
    static BOOL CALLBACK Collect(HWND wnd, LPARAM self) noexcept {
        auto* me = reinterpret_cast<DisabledWindows*>(self);
        try {
            if (wnd != me->except_ && ::IsWindowVisible(wnd) && ::IsWindowEnabled(wnd)) me->windows_.push_back(wnd);
            return TRUE;
        } catch (...) {
            me->failure_ = std::current_exception();
            return FALSE;
        }
    }

    HWND except_;
    std::vector<HWND> windows_;
    std::exception_ptr failure_;
};

}  // namespace

TButton* TModalForm::CancelButton(TWinControl* parent) const {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (auto* b = dynamic_cast<TButton*>(c); b && b->Cancel() && b->Visible() && b->Enabled()) return b;
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            if (TButton* inner = CancelButton(w)) return inner;
        }
    }
    return nullptr;
}

bool TModalForm::IsCancelKey(const MSG& msg) const {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE) return false;
    HWND self = HandleIfAllocated();
    if (msg.hwnd != self && !::IsChild(self, msg.hwnd)) return false;
    // Escape first closes an open drop-down list.
    for (HWND w = msg.hwnd; w && w != self; w = ::GetParent(w)) {
        if (auto* combo = dynamic_cast<TComboBox*>(TWinControl::FindControl(w)); combo && combo->DroppedDown())
            return false;
    }
    return true;
}

TModalResult TModalForm::ShowModal() {
    if (modal_ || Visible()) throw Exception(L"Cannot make a visible window modal");
    HWND activeBefore = ::GetActiveWindow();
    HWND self = Handle();
    SetModalResult(mrNone);
    {
        DisabledWindows others(self);
        modal_ = true;
        try {
            Show();
            ::SetActiveWindow(self);
            while (ModalResult() == mrNone) {
                MSG msg;
                const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
                if (got == 0 || got == -1) {
                    // Leave WM_QUIT for the loop that owns it.
                    if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
                    SetModalResult(mrCancel);
                    break;
                }
                try {
                    if (IsCancelKey(msg)) {
                        if (TButton* cancel = CancelButton(this)) cancel->PerformClick();
                    } else if (!Application().IsPreProcessMessage(msg)) {
                        ::TranslateMessage(&msg);
                        ::DispatchMessageW(&msg);
                    }
                } catch (...) {
                    Application().HandleException(std::current_exception());
                }
                if (ModalResult() == mrNone && !Visible()) SetModalResult(mrCancel);
            }
        } catch (...) {
            modal_ = false;
            throw;
        }
        modal_ = false;
        // The other windows are enabled before this one hides, so that the
        // system hands the activation back to them rather than to another program.
    }
    Hide();
    if (activeBefore && ::IsWindow(activeBefore)) ::SetActiveWindow(activeBefore);
    return ModalResult();
}

void TModalForm::WndProc(TMessage& m) {
    if (m.Msg == WM_CLOSE && modal_) {
        if (CloseQuery()) SetModalResult(mrCancel);
        return;
    }
    TForm::WndProc(m);
}

}  // namespace fw
