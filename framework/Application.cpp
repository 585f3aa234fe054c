#include "framework/Application.h"

#include <commctrl.h>

#include <string>
#include <utility>

#include "framework/Classes.h"
#include "framework/Exception.h"
#include "framework/Forms.h"
#include "framework/Internal.h"

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
    // The version 6 common controls the manifest asks for register their
    // classes when the library is initialised.
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    appWindow_ = std::make_unique<TUtilWindow>(
        [this](UINT msg, WPARAM wParam, LPARAM lParam) { return AppWndProc(msg, wParam, lParam); }, L"TApplication");
    ::SetWindowTextW(appWindow_->Handle(), title_.c_str());
}

HWND TApplication::Handle() const noexcept { return appWindow_ ? appWindow_->Handle() : nullptr; }

void TApplication::SetTitle(std::wstring title) {
    title_ = std::move(title);
    if (appWindow_) ::SetWindowTextW(appWindow_->Handle(), title_.c_str());
}

LRESULT TApplication::AppWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    for (size_t i = 0; i < hooks_.size(); ++i) {
        LRESULT result = 0;
        if (hooks_[i].second(msg, wParam, lParam, result)) return result;
    }
    return TUtilWindow::DefaultHandler(msg, wParam, lParam);
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

void TApplication::ProcessMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            // Leave WM_QUIT for the loop that owns it.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ProcessMessage(msg);
    }
}

bool TApplication::HandleMessage() {
    MSG msg;
    const BOOL r = ::GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0 || r == -1) {
        terminated_ = true;
        return false;
    }
    ProcessMessage(msg);
    return true;
}

void TApplication::ProcessMessage(MSG& msg) {
    try {
        if (IsPreProcessMessage(msg)) return;
    } catch (...) {
        HandleException(std::current_exception());
        return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

void TApplication::Terminate() noexcept {
    terminated_ = true;
    ::PostQuitMessage(0);
}

}  // namespace fw
