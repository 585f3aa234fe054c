#include "framework/Screen.h"

#include "framework/Forms.h"

namespace fw {

TScreen& Screen() {
    static TScreen screen;
    return screen;
}

const std::vector<TCustomForm*>& TScreen::Forms() const { return fw::Forms(); }

TCustomForm* TScreen::ActiveForm() const {
    return dynamic_cast<TCustomForm*>(TWinControl::FindControl(::GetActiveWindow()));
}

int TScreen::PixelsPerInch() const {
    WindowDc dc(nullptr);
    return ::GetDeviceCaps(dc.get(), LOGPIXELSY);
}

const TFont& TScreen::MenuFont() {
    if (!menuFontRead_) {
        NONCLIENTMETRICSW ncm{};
        ncm.cbSize = sizeof ncm;
        if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
            const LOGFONTW& lf = ncm.lfMenuFont;
            menuFont_.SetName(lf.lfFaceName);
            menuFont_.SetHeight(lf.lfHeight);
            menuFont_.SetCharset(lf.lfCharSet);
            TFontStyles style = 0;
            if (lf.lfWeight >= FW_BOLD) style |= fsBold;
            if (lf.lfItalic) style |= fsItalic;
            if (lf.lfUnderline) style |= fsUnderline;
            if (lf.lfStrikeOut) style |= fsStrikeOut;
            menuFont_.SetStyle(style);
        }
        menuFont_.SetColor(clMenuText);
        menuFontRead_ = true;
    }
    return menuFont_;
}

// Wine answers SM_CXMENUCHECK and SM_CYMENU by making the menu font and
// reading its metrics on the display DC each time (45 and 80 us): they are
// read once for each menu font, not once for each item measured.
int TScreen::MenuCheckWidth() {
    if (menuCheckWidth_ < 0) menuCheckWidth_ = ::GetSystemMetrics(SM_CXMENUCHECK);
    return menuCheckWidth_;
}

int TScreen::MenuHeight() {
    if (menuHeight_ < 0) menuHeight_ = ::GetSystemMetrics(SM_CYMENU);
    return menuHeight_;
}

void TScreen::SystemFontChanged() {
    menuFontRead_ = false;
    menuCheckWidth_ = -1;
    menuHeight_ = -1;
    ++fontChanges_;
}

}  // namespace fw
