#include "skin/SkinCommand.h"

#include "framework/Controls.h"

namespace skin {
namespace {
thread_local int deliveryDepth = 0;
}

bool SkinCommandCarriesPointer(std::uint16_t command) noexcept {
    switch (command) {
    case SKC_SKINCHANGED:
    case SKC_SKINREMOVED:
    case SKC_REFRESH:
    case SKC_SECTIONUPDATED:
    case SKC_SETSECTION:
    case SKC_STOPANIMATION:
    case SKC_GETSKINSTATE:
    case SKC_HOTACTIVATED:
    case SKC_HOTDEACTIVATED:
    case SKC_GETBACKGROUND:
    case SKC_FONTCHANGED:
    case SKC_PAINTOUTER:
    case SKC_GETCOLORING:
    case SKC_QUERYSECTIONBEHIND:
    case SKC_GETBOUNDS:
        return true;
    default:
        return false;
    }
}

SkinCommandDelivery::SkinCommandDelivery() noexcept { ++deliveryDepth; }
SkinCommandDelivery::~SkinCommandDelivery() { --deliveryDepth; }

bool IsTrustedSkinCommand() noexcept {
    // A message sent from another thread or process is dispatched while this thread
    // waits inside a call of its own, possibly while it delivers: InSendMessageEx tells
    // those apart. A posted message arrives from the message loop with no delivery
    // running on this thread.
    if (::InSendMessageEx(nullptr) != ISMEX_NOSEND) return false;
    return deliveryDepth > 0;
}

LRESULT SendSkinCommand(HWND wnd, std::uint16_t command, LPARAM lParam, std::uint16_t sub) {
    // Skin commands are our own: a window of another process is never sent one,
    // nor is a property on it taken for one of our links.
    if (!wnd || !::IsWindow(wnd) || !fw::IsOwnProcessWindow(wnd)) return 0;
    SkinCommandDelivery delivery;
    const WPARAM wParam = MakeSkinWParam(command, sub);
    if (auto* link = static_cast<TacSkinDataLink*>(::GetPropW(wnd, SkinDataProperty)); link && link->WndProc) {
        // The same protection the window procedure gives: one failing window
        // does not end a broadcast, and re-creation waits for the loop.
        return fw::TWinControl::DeliverDirect(wnd, link->WndProc, link->Self, WM_SKINCMD, wParam, lParam);
    }
    return ::SendMessageW(wnd, WM_SKINCMD, wParam, lParam);
}

}  // namespace skin
