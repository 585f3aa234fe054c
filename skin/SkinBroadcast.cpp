#include "skin/SkinBroadcast.h"

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "skin/SkinCommand.h"

#include <algorithm>
#include <exception>
#include <string_view>
#include <utility>
#include <vector>

namespace skin {
namespace {

// Broadcasts run on the GUI thread only; these lists belong to it. Never
// destroyed: windows freed during the application object's static
// destruction still take themselves out.
std::vector<HWND>& SkinnedForms() {
    static auto* forms = new std::vector<HWND>;
    return *forms;
}
std::vector<HWND>& AdaptedWindows() {
    static auto* windows = new std::vector<HWND>;
    return *windows;
}
ControlTreeBroadcaster& Broadcaster() {
    static ControlTreeBroadcaster broadcaster;
    return broadcaster;
}

void AddUnique(std::vector<HWND>& list, HWND wnd) {
    if (wnd && std::find(list.begin(), list.end(), wnd) == list.end()) list.push_back(wnd);
}
void Erase(std::vector<HWND>& list, HWND wnd) noexcept { std::erase(list, wnd); }

bool IsHelperWindow(HWND wnd) {
    wchar_t cls[64] = {};
    ::GetClassNameW(wnd, cls, 64);
    const std::wstring_view name(cls);
    // The application's and the framework's hidden windows, and the system's IME windows.
    return name == L"TApplication" || name == L"TPUtilWindow" || name == L"IME" || name == L"MSCTFIME UI";
}

// The windows an enumeration reports. The callback runs inside the system's
// call: a failure stops the enumeration there and is rethrown once the call
// has returned (an exception unwinding through it would leave the system's
// own window list behind).
struct WindowList {
    std::vector<HWND> windows;
    std::exception_ptr failure;

    void RethrowFailure() const {
        if (failure) std::rethrow_exception(failure);
    }
};

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM param) noexcept {
    auto* list = reinterpret_cast<WindowList*>(param);
    try {
        list->windows.push_back(wnd);
        return TRUE;
    } catch (...) {
        list->failure = std::current_exception();
        return FALSE;
    }
}

// A control of the framework: windowed ones with a window get the command as a window,
// the others (graphic controls, windows not created yet) straight through Perform.
void SendToControl(fw::TControl* control, std::uint16_t command, LPARAM lParam) {
    if (control->Destroying()) return;
    auto* windowed = dynamic_cast<fw::TWinControl*>(control);
    if (windowed && windowed->HandleAllocated()) {
        SendSkinCommand(windowed->HandleIfAllocated(), command, lParam);
    } else {
        // As a window procedure would: a failing control does not end the broadcast.
        SkinCommandDelivery delivery;
        try {
            control->Perform(WM_SKINCMD, MakeSkinWParam(command), lParam);
        } catch (...) {
            fw::Application().HandleException(std::current_exception());
        }
    }
}

void WalkControls(fw::TWinControl* parent, std::uint16_t command, LPARAM lParam) {
    // Handlers may add or remove controls: walk by index against the live count.
    for (int i = 0; i < parent->ControlCount(); ++i) {
        fw::TControl* child = parent->Controls(i);
        SendToControl(child, command, lParam);
        if (i < parent->ControlCount() && parent->Controls(i) == child) {
            if (auto* windowed = dynamic_cast<fw::TWinControl*>(child)) WalkControls(windowed, command, lParam);
        }
    }
}

void WalkChildren(HWND parent, std::uint16_t command, LPARAM lParam) {
    // EnumChildWindows reaches every descendant; collect first, since handlers may
    // create or destroy windows.
    WindowList children;
    ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
    children.RethrowFailure();
    for (HWND child : children.windows) {
        if (::IsWindow(child)) SendSkinCommand(child, command, lParam);
    }
}

}  // namespace

ControlTreeBroadcaster SetControlTreeBroadcaster(ControlTreeBroadcaster broadcaster) {
    return std::exchange(Broadcaster(), std::move(broadcaster));
}

void BroadcastToControls(HWND parent, std::uint16_t command, LPARAM lParam) {
    if (const auto& b = Broadcaster()) {
        b(parent, command, lParam);
    } else if (fw::TWinControl* control = fw::TWinControl::FindControl(parent)) {
        WalkControls(control, command, lParam);
    } else {
        WalkChildren(parent, command, lParam);
    }
}

void RegisterSkinnedForm(HWND form) { AddUnique(SkinnedForms(), form); }
void UnregisterSkinnedForm(HWND form) noexcept { Erase(SkinnedForms(), form); }
void RegisterAdaptedWindow(HWND wnd) { AddUnique(AdaptedWindows(), wnd); }
void UnregisterAdaptedWindow(HWND wnd) noexcept { Erase(AdaptedWindows(), wnd); }

bool IsSkinnedWindow(HWND wnd) {
    if (SkinDataLinkOf(wnd)) return true;
    return std::find(SkinnedForms().begin(), SkinnedForms().end(), wnd) != SkinnedForms().end();
}

void ForEachForeignWindow(const std::function<void(HWND)>& fn) {
    WindowList list;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&list));
    list.RethrowFailure();
    const std::vector<HWND>& windows = list.windows;
    // EnumThreadWindows lists the top of the z-order first; creation order is not kept
    // by the system, so the newest forms come first only as far as the z-order says.
    for (HWND wnd : windows) {
        if (!::IsWindow(wnd) || IsHelperWindow(wnd)) continue;
        if (fw::TWinControl::FindControl(wnd)) continue;  // framework forms come from their list
        if (std::find(AdaptedWindows().begin(), AdaptedWindows().end(), wnd) != AdaptedWindows().end()) continue;
        fn(wnd);
    }
}

void ForEachFormWindow(const std::function<void(HWND)>& fn) {
    const std::vector<fw::TCustomForm*> forms = fw::Forms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        const auto& live = fw::Forms();
        if (std::find(live.begin(), live.end(), *it) == live.end() || (*it)->Destroying()) continue;
        if (HWND wnd = (*it)->HandleIfAllocated()) fn(wnd);
    }
    ForEachForeignWindow(fn);
}

void ForEachAdaptedWindow(const std::function<void(HWND)>& fn) {
    const std::vector<HWND> windows = AdaptedWindows();
    for (HWND wnd : windows) {
        if (::IsWindow(wnd) && ::IsWindowVisible(wnd)) fn(wnd);
    }
}

void BroadcastToForms(std::uint16_t command, LPARAM lParam) {
    SkinCommandDelivery delivery;
    // The program's forms, the newest first; forms whose frames are skinned are reached
    // through the registry below.
    const std::vector<fw::TCustomForm*> forms = fw::Forms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        fw::TCustomForm* form = *it;
        const auto& live = fw::Forms();
        if (std::find(live.begin(), live.end(), form) == live.end()) continue;  // freed by a handler
        if (form->Loading() || form->Destroying()) continue;
        const HWND wnd = form->HandleIfAllocated();
        if (wnd && (IsSkinnedWindow(wnd) || SendSkinCommand(wnd, SKC_ISSKINNED) == 1)) continue;
        SendToControl(form, command, lParam);
        WalkControls(form, command, lParam);
    }
    // Top-level windows of the thread that are not framework forms.
    ForEachForeignWindow([&](HWND form) {
        if (IsSkinnedWindow(form) || SendSkinCommand(form, SKC_ISSKINNED) == 1) return;
        SendSkinCommand(form, command, lParam);
        BroadcastToControls(form, command, lParam);
    });
    const std::vector<HWND> skinnedForms = SkinnedForms();
    for (HWND form : skinnedForms) {
        if (!::IsWindow(form)) continue;
        SendSkinCommand(form, command, lParam);
        BroadcastToControls(form, command, lParam);
    }
    ForEachAdaptedWindow([&](HWND wnd) { SendSkinCommand(wnd, command, lParam); });
}

}  // namespace skin
