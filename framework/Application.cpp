#include "framework/Application.h"

#include <algorithm>
#include <string>
#include <utility>

#include "framework/Classes.h"
#include "framework/Exception.h"
#include "framework/Forms.h"
#include "framework/Internal.h"
#include "framework/Screen.h"

namespace fw {

TApplication& Application() {
    static TApplication app;
    return app;
}

TApplication::TApplication() {
    // The queue window for QueueOnGuiThread; it exists from the first use of
    // the application object on, so that threads can post to it at any time.
    static TUtilWindow syncWindow([](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (detail::IsSyncMessage(msg)) {
            const TMessageScope scope;
            CheckSynchronize();
            return 0;
        }
        return TUtilWindow::DefaultHandler(msg, wParam, lParam);
    });
    detail::BindGuiThread(syncWindow.Handle());
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    title_ = name.substr(0, name.rfind(L'.'));
}

TApplication::~TApplication() { DestroyForms(); }

void TApplication::Initialize() {
    if (appWindow_) return;
    // No common-controls initialisation: the manifest redirects the standard
    // classes to the version 6 library, which the system loads when such a
    // class is first looked up (the controls' superclassing does that).
    appWindow_ = std::make_unique<TUtilWindow>(
        [this](UINT msg, WPARAM wParam, LPARAM lParam) { return AppWndProc(msg, wParam, lParam); }, L"TApplication",
        TUtilWindowKind::TopLevel);
    ::SetWindowTextW(appWindow_->Handle(), title_.c_str());
}

HWND TApplication::Handle() const noexcept { return appWindow_ ? appWindow_->Handle() : nullptr; }

void TApplication::SetTitle(std::wstring title) {
    title_ = std::move(title);
    if (appWindow_) ::SetWindowTextW(appWindow_->Handle(), title_.c_str());
}

bool TApplication::RunHooks(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    for (size_t i = 0; i < hooks_.size(); ++i) {
        result = 0;
        if (hooks_[i].second(msg, wParam, lParam, result)) return true;
    }
    return false;
}

void TApplication::NotifyForms(UINT msg, WPARAM wParam) {
    // A handler may free a form: walk a copy and skip the ones gone.
    const std::vector<TCustomForm*> forms = Forms();
    for (TCustomForm* form : forms) {
        const auto& live = Forms();
        if (std::find(live.begin(), live.end(), form) == live.end() || form->Destroying()) continue;
        NotifyTree(form, msg, wParam);
    }
}

void TApplication::NotifyTree(TControl* control, UINT msg, WPARAM wParam) {
    control->Perform(msg, wParam);
    auto* parent = dynamic_cast<TWinControl*>(control);
    if (!parent) return;
    // Handlers may add or remove controls: by index against the live count.
    for (int i = 0; i < parent->ControlCount(); ++i) NotifyTree(parent->Controls(i), msg, wParam);
}

LRESULT TApplication::AppWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (msg) {
    case WM_ACTIVATEAPP:
        // Every top-level window of the thread hears it; the hooks and the
        // forms hear it once, from here.
        RunHooks(CM_APPACTIVATE, wParam ? 1 : 0, 0, result);
        NotifyForms(CM_APPACTIVATE, wParam ? 1 : 0);
        break;
    case WM_SETTINGCHANGE:
        if (wParam != SPI_SETNONCLIENTMETRICS && wParam != SPI_SETICONTITLELOGFONT) break;
        [[fallthrough]];
    case WM_FONTCHANGE:
        Screen().SystemFontChanged();
        NotifyForms(CM_SYSFONTCHANGED, 0);
        break;
    case WM_GETICON:
        if (RunHooks(msg, wParam, lParam, result)) return result;
        return reinterpret_cast<LRESULT>(Icon(wParam == ICON_BIG));
    default:
        break;
    }
    if (RunHooks(msg, wParam, lParam, result)) return result;
    return TUtilWindow::DefaultHandler(msg, wParam, lParam);
}

HICON TApplication::Icon(bool big) const noexcept {
    if (mainForm_ && mainForm_->HandleAllocated()) {
        if (auto icon = reinterpret_cast<HICON>(
                ::SendMessageW(mainForm_->HandleIfAllocated(), WM_GETICON, big ? ICON_BIG : ICON_SMALL2, 0))) {
            return icon;
        }
    }
    // The program's own icon; shared, loaded once and never destroyed.
    const int cx = ::GetSystemMetrics(big ? SM_CXICON : SM_CXSMICON);
    const int cy = ::GetSystemMetrics(big ? SM_CYICON : SM_CYSMICON);
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, cx, cy, LR_SHARED));
}

int TApplication::HookMainWindow(TWindowHook hook) {
    hooks_.emplace_back(nextHookId_, std::move(hook));
    return nextHookId_++;
}

void TApplication::UnhookMainWindow(int id) {
    std::erase_if(hooks_, [id](const auto& h) { return h.first == id; });
}

std::wstring TApplication::ErrorBoxText(std::wstring message, int moreErrors) {
    if (!message.empty() && message.back() > L'.') message += L'.';
    if (moreErrors == 1) message += L"\n\n(1 more error)";
    if (moreErrors > 1) message += L"\n\n(" + std::to_wstring(moreErrors) + L" more errors)";
    return message;
}

void TApplication::ShowException(const std::exception_ptr& e) noexcept {
    if (showingError_) {
        if (!pendingError_) {
            pendingError_ = e;
        } else {
            ++morePendingErrors_;
        }
        return;
    }
    showingError_ = true;
    std::exception_ptr next = e;
    int more = 0;
    while (next) {
        try {
            const std::wstring text = ErrorBoxText(ExceptionMessage(next), more);
            HWND owner = ::GetActiveWindow();
            if (!owner && mainForm_) owner = mainForm_->HandleIfAllocated();
            ::MessageBoxW(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
        } catch (...) {
            ::MessageBoxW(nullptr, L"Out of memory.", L"Error", MB_OK | MB_ICONERROR);
        }
        next = std::exchange(pendingError_, nullptr);
        more = std::exchange(morePendingErrors_, 0);
    }
    showingError_ = false;
}

void TApplication::HandleException(std::exception_ptr e) noexcept {
    try {
        if (!IsGuiThread()) {
            QueueOnGuiThread([e] { Application().HandleException(e); });
            return;
        }
        if (OnException) {
            try {
                OnException(e);
            } catch (...) {
                ShowException(std::current_exception());
            }
            return;
        }
        ShowException(e);
    } catch (...) {
        // Nothing sensible is left to report with.
    }
}

}  // namespace fw
