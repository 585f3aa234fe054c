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
    // The height of a menu line (SM_CYMENU), which follows the menu font;
    // kept current with it.
    int MenuHeight();
    int Width() const noexcept { return ::GetSystemMetrics(SM_CXSCREEN); }
    int Height() const noexcept { return ::GetSystemMetrics(SM_CYSCREEN); }
    int PixelsPerInch() const;

    // The system's fonts changed: read them again.
    void SystemFontChanged();
    // How many times they have: what keeps measures of its own made from
    // the system's fonts knows when to make them again.
    unsigned FontChanges() const noexcept { return fontChanges_; }

private:
    friend TScreen& Screen();
    TScreen() = default;

    TFont menuFont_;
    bool menuFontRead_ = false;
    int menuCheckWidth_ = -1;
    int menuHeight_ = -1;
    unsigned fontChanges_ = 0;
};

TScreen& Screen();

}  // namespace fw
