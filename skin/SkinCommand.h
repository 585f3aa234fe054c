#pragma once
// The skinning engine's private window message and how it is delivered.
#include <windows.h>

#include <cstdint>

namespace skin {

inline constexpr UINT WM_SKINCMD = 0xA100;

// Commands, carried in the high word of WParam.
enum : std::uint16_t {
    SKC_SKINCHANGED = 1,
    SKC_SKINREMOVED = 2,
    SKC_REFRESH = 3,
    SKC_GETFRAMEOBJECT = 4,
    SKC_STOPUPDATING = 6,
    SKC_ISSKINNED = 7,
    SKC_SETUPDATING = 8,
    SKC_GETSKININDEX = 9,
    SKC_GETUPDATING = 10,
    SKC_GETHALFVISIBLE = 11,
    SKC_GETADAPTER = 12,
    SKC_SECTIONUPDATED = 13,
    SKC_ISDROPPEDDOWN = 14,
    SKC_SETSECTION = 15,
    SKC_STOPANIMATION = 16,
    SKC_BGCHANGED = 17,
    SKC_INVALIDATE = 18,
    SKC_REPAINTONMOVE = 19,
    SKC_PARENTMOVED = 20,
    SKC_GETBGCOLOR = 21,
    SKC_SETHALFVISIBLE = 22,
    SKC_PREPARECACHE = 23,
    SKC_GETSKINSTATE = 26,
    SKC_HOTACTIVATED = 29,
    SKC_HOTDEACTIVATED = 30,
    SKC_BEGINUPDATE = 31,
    SKC_ENDUPDATE = 32,
    SKC_CLEARCACHE = 33,
    SKC_GETBACKGROUND = 34,
    SKC_FONTCHANGED = 36,
    SKC_GETSKINDATA = 37,
    SKC_SETPRINTDC = 38,
    SKC_PAINTOUTER = 40,
    SKC_BEFORESCROLL = 51,
    SKC_AFTERSCROLL = 52,
    SKC_FRAMECHANGED = 53,
    SKC_GETCOLORING = 54,
    SKC_GETAPPLICATION = 60,
    SKC_QUERYSECTIONBEHIND = 66,
    SKC_SETSCALE = 68,
    SKC_GETSCALE = 69,
    SKC_GETBOUNDS = 70,
    SKC_APPLYPREVIEW = 71,
    SKC_LISTSKINCHANGED = 74,
    SKC_SKINLISTCHANGED = 75,
    SKC_DRAWNONCLIENT = 83,
};

inline constexpr WPARAM MakeSkinWParam(std::uint16_t command, std::uint16_t sub = 0) noexcept {
    return static_cast<WPARAM>(static_cast<std::uint32_t>(command) << 16 | sub);
}
inline constexpr std::uint16_t SkinCommandOf(WPARAM wParam) noexcept {
    return static_cast<std::uint16_t>((wParam >> 16) & 0xFFFF);
}

// True for commands whose LParam carries an address (an object, a string, a record).
bool SkinCommandCarriesPointer(std::uint16_t command) noexcept;

// What a skinned window keeps in its "ACSDATA" property: a procedure that takes skin
// commands directly, bypassing the system's message dispatch.
struct TacSkinDataLink {
    LRESULT (*WndProc)(void* self, UINT msg, WPARAM wParam, LPARAM lParam) = nullptr;
    void* Self = nullptr;
};
inline constexpr wchar_t SkinDataProperty[] = L"ACSDATA";

// The links this process has put on its windows. Setting one sets the window's
// property too; the sender reads the link from here.
void SetSkinDataLink(HWND wnd, TacSkinDataLink* link);
// Forgets the window's link and removes its property, both only while they are
// still this link.
void RemoveSkinDataLink(HWND wnd, const TacSkinDataLink* link) noexcept;
// The link this process set on the window, if any.
TacSkinDataLink* SkinDataLinkOf(HWND wnd) noexcept;

// Sends a skin command to a window: directly through its "ACSDATA" link when it has one,
// else with SendMessage. Only the GUI thread sends skin commands.
LRESULT SendSkinCommand(HWND wnd, std::uint16_t command, LPARAM lParam = 0, std::uint16_t sub = 0);

// For receivers: whether the WM_SKINCMD being handled may be trusted with the address in
// its LParam. That holds only while this thread is itself delivering a skin command
// (SendSkinCommand or a broadcast), never for one posted to the window or sent from
// another thread or process.
bool IsTrustedSkinCommand() noexcept;

// Marks the calling thread as delivering skin commands for one scope.
class SkinCommandDelivery {
public:
    SkinCommandDelivery() noexcept;
    ~SkinCommandDelivery();
    SkinCommandDelivery(const SkinCommandDelivery&) = delete;
    SkinCommandDelivery& operator=(const SkinCommandDelivery&) = delete;
};

}  // namespace skin
