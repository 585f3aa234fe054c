#include "skin/SkinCommand.h"

#include "framework/Controls.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace skin {
namespace {
thread_local int deliveryDepth = 0;

/*
 * Wine answers every GetPropW with a round trip to its server, some 25 us, and
 * skin commands reach every control at each paint, showing and broadcast; so the
 * links live here as well as in the windows' properties, which stay for anyone
 * who looks. The table holds the process's skinned windows, a few dozen at most:
 * a vector searched from the newest is quicker than a hash for that.
 */
struct LinkTable {
    std::mutex lock;
    std::vector<std::pair<HWND, TacSkinDataLink*>> links;

    auto Find(HWND wnd) {
        return std::find_if(links.rbegin(), links.rend(), [wnd](const auto& l) { return l.first == wnd; });
    }
};

// Never destroyed: skinned controls let go of their links while the program's
// static objects are torn down, in any order.
LinkTable& Links() {
    static auto* table = new LinkTable;
    return *table;
}
}  // namespace

void SetSkinDataLink(HWND wnd, TacSkinDataLink* link) {
    LinkTable& table = Links();
    {
        const std::lock_guard guard(table.lock);
        if (const auto it = table.Find(wnd); it != table.links.rend()) {
            if (it->second == link) return;
            it->second = link;
        } else {
            table.links.emplace_back(wnd, link);
        }
    }
    ::SetPropW(wnd, SkinDataProperty, link);
}

void RemoveSkinDataLink(HWND wnd, const TacSkinDataLink* link) noexcept {
    LinkTable& table = Links();
    {
        const std::lock_guard guard(table.lock);
        const auto it = table.Find(wnd);
        if (it == table.links.rend() || it->second != link) return;
        table.links.erase(std::next(it).base());
    }
    if (::IsWindow(wnd) && ::GetPropW(wnd, SkinDataProperty) == link) ::RemovePropW(wnd, SkinDataProperty);
}

TacSkinDataLink* SkinDataLinkOf(HWND wnd) noexcept {
    LinkTable& table = Links();
    const std::lock_guard guard(table.lock);
    const auto it = table.Find(wnd);
    return it == table.links.rend() ? nullptr : it->second;
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
    if (TacSkinDataLink* link = SkinDataLinkOf(wnd); link && link->WndProc) {
        // The same protection the window procedure gives: one failing window
        // does not end a broadcast, and re-creation waits for the loop.
        return fw::TWinControl::DeliverDirect(wnd, link->WndProc, link->Self, WM_SKINCMD, wParam, lParam);
    }
    return ::SendMessageW(wnd, WM_SKINCMD, wParam, lParam);
}

}  // namespace skin
