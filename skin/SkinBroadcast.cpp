#include "skin/SkinBroadcast.h"

#include "skin/SkinCommand.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace skin {
namespace {

// Broadcasts run on the GUI thread only; these lists belong to it.
std::vector<HWND>& SkinnedForms() {
    static std::vector<HWND> forms;
    return forms;
}
std::vector<HWND>& AdaptedWindows() {
    static std::vector<HWND> windows;
    return windows;
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

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
    return TRUE;
}

void WalkChildren(HWND parent, std::uint16_t command, LPARAM lParam) {
    // EnumChildWindows reaches every descendant; collect first, since handlers may
    // create or destroy windows.
    std::vector<HWND> children;
    ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
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
    } else {
        WalkChildren(parent, command, lParam);
    }
}

void RegisterSkinnedForm(HWND form) { AddUnique(SkinnedForms(), form); }
void UnregisterSkinnedForm(HWND form) noexcept { Erase(SkinnedForms(), form); }
void RegisterAdaptedWindow(HWND wnd) { AddUnique(AdaptedWindows(), wnd); }
void UnregisterAdaptedWindow(HWND wnd) noexcept { Erase(AdaptedWindows(), wnd); }

bool IsSkinnedWindow(HWND wnd) {
    if (::GetPropW(wnd, SkinDataProperty)) return true;
    return std::find(SkinnedForms().begin(), SkinnedForms().end(), wnd) != SkinnedForms().end();
}

void ForEachFormWindow(const std::function<void(HWND)>& fn) {
    std::vector<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    // EnumThreadWindows lists the top of the z-order first; creation order is not kept
    // by the system, so the newest forms come first only as far as the z-order says.
    for (HWND wnd : windows) {
        if (!::IsWindow(wnd) || IsHelperWindow(wnd)) continue;
        if (std::find(AdaptedWindows().begin(), AdaptedWindows().end(), wnd) != AdaptedWindows().end()) continue;
        fn(wnd);
    }
}

void ForEachAdaptedWindow(const std::function<void(HWND)>& fn) {
    const std::vector<HWND> windows = AdaptedWindows();
    for (HWND wnd : windows) {
        if (::IsWindow(wnd) && ::IsWindowVisible(wnd)) fn(wnd);
    }
}

void BroadcastToForms(std::uint16_t command, LPARAM lParam) {
    SkinCommandDelivery delivery;
    ForEachFormWindow([&](HWND form) {
        if (IsSkinnedWindow(form) || SendSkinCommand(form, SKC_ISSKINNED) == 1) return;
        SendSkinCommand(form, command, lParam);
        BroadcastToControls(form, command, lParam);
    });
    const std::vector<HWND> forms = SkinnedForms();
    for (HWND form : forms) {
        if (!::IsWindow(form)) continue;
        SendSkinCommand(form, command, lParam);
        BroadcastToControls(form, command, lParam);
    }
    ForEachAdaptedWindow([&](HWND wnd) { SendSkinCommand(wnd, command, lParam); });
}

}  // namespace skin
