#pragma once
// The screen: the program's forms, the active one, and the fonts and sizes
// the system gives.
#include <windows.h>

#include <vector>

#include "framework/Graphics.h"

namespace fw {

class TCustomForm;

class TScreen {
public:
    TScreen(const TScreen&) = delete;
    TScreen& operator=(const TScreen&) = delete;

    // Forms alive now, in creation order.
    const std::vector<TCustomForm*>& Forms() const;
    int FormCount() const { return static_cast<int>(Forms().size()); }
    // The form whose window is the active window of this thread, or none.
    TCustomForm* ActiveForm() const;
    // The font of menus, as the system sets it; kept current when the
    // system's fonts change.
    const TFont& MenuFont();
    // The width of a menu's check mark (SM_CXMENUCHECK), which follows the
    // menu font; kept current with it.
    int MenuCheckWidth();
    int Width() const noexcept { return ::GetSystemMetrics(SM_CXSCREEN); }
    int Height() const noexcept { return ::GetSystemMetrics(SM_CYSCREEN); }
    int PixelsPerInch() const;

    // The system's fonts changed: read them again.
    void SystemFontChanged();

private:
    friend TScreen& Screen();
    TScreen() = default;

    TFont menuFont_;
    bool menuFontRead_ = false;
    int menuCheckWidth_ = -1;
};

TScreen& Screen();

}  // namespace fw
