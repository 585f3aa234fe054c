#include "skin/Palette.h"

#include "skin/SkinText.h"

namespace skin {
namespace {

struct PaletteEntryInfo {
    std::string_view name;
    std::string_view key;
    bool adjustable;
};

// Key spellings are the skin files' own, "COLORTONEBLUETEXTActive" included.
constexpr PaletteEntryInfo Entries[PaletteColorCount] = {
    {"pcMainColor", "COLOR", true},
    {"pcLabelText", "FONTCOLOR", true},
    {"pcWebText", "TCBOTTOM", true},
    {"pcWebTextHot", "TCTOP", false},
    {"pcEditText", "", true},
    {"pcEditBG", "", true},
    {"pcSelectionBG", "", true},
    {"pcSelectionText", "", true},
    {"pcSelectionBG_Focused", "", true},
    {"pcSelectionText_Focused", "", true},
    {"pcEditBG_Inverted", "EDITBG_INV", true},
    {"pcEditText_Inverted", "EDITTEXT_INV", true},
    {"pcEditBG_OddRow", "EDITBG_ODD", true},
    {"pcEditBG_EvenRow", "EDITBG_EVEN", true},
    {"pcEditText_Ok", "EDITTEXT_OK", false},
    {"pcEditText_Warning", "EDITTEXT_WARN", false},
    {"pcEditText_Alert", "EDITTEXT_ALERT", false},
    {"pcEditText_Caution", "EDITTEXT_ALERT", false},
    {"pcEditText_Bypassed", "EDITTEXT_ALERT", false},
    {"pcEditBG_Ok", "EDITBG_OK", false},
    {"pcEditBG_Warning", "EDITBG_WARN", false},
    {"pcEditBG_Alert", "EDITBG_ALERT", false},
    {"pcEditBG_Caution", "EDITBG_ALERT", false},
    {"pcEditBG_Bypassed", "EDITBG_ALERT", false},
    {"pcEditText_Highlight1", "EDITTEXT_H1", false},
    {"pcEditText_Highlight2", "EDITTEXT_H2", false},
    {"pcEditText_Highlight3", "EDITTEXT_H3", false},
    {"pcBtnColor1Active", "BTNCOLOR1ACTIVE", true},
    {"pcBtnColor2Active", "BTNCOLOR2ACTIVE", true},
    {"pcBtnColor1Normal", "BTNCOLOR1NORMAL", true},
    {"pcBtnColor2Normal", "BTNCOLOR2NORMAL", true},
    {"pcBtnColor1Pressed", "BTNCOLOR1PRESSED", true},
    {"pcBtnColor2Pressed", "BTNCOLOR2PRESSED", true},
    {"pcBtnBorderActive", "BTNBORDERACTIVE", true},
    {"pcBtnBorderNormal", "BTNBORDERNORMAL", true},
    {"pcBtnBorderPressed", "BTNBORDERPRESSED", true},
    {"pcBtnFontActive", "BTNFONTACTIVE", true},
    {"pcBtnFontNormal", "BTNFONTNORMAL", true},
    {"pcBtnFontPressed", "BTNFONTPRESSED", true},
    {"pcBtnToneRed", "COLORTONERED", false},
    {"pcBtnToneGreen", "COLORTONEGREEN", false},
    {"pcBtnToneBlue", "COLORTONEBLUE", false},
    {"pcBtnToneRedActive", "COLORTONEREDACTIVE", false},
    {"pcBtnToneGreenActive", "COLORTONEGREENACTIVE", false},
    {"pcBtnToneBlueActive", "COLORTONEBLUEACTIVE", false},
    {"pcBtnRedText", "COLORTONEREDTEXT", false},
    {"pcBtnGreenText", "COLORTONEGREENTEXT", false},
    {"pcBtnBlueText", "COLORTONEBLUETEXT", false},
    {"pcBtnRedTextActive", "COLORTONEREDTEXTACTIVE", false},
    {"pcBtnGreenTextActive", "COLORTONEGREENTEXTACTIVE", false},
    {"pcBtnBlueTextActive", "COLORTONEBLUETEXTActive", false},
    {"pcBorder", "BORDERCOLOR", true},
    {"pcGrid", "GRIDLINE", true},
    {"pcHintBG", "", true},
    {"pcHintText", "", true},
};

constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBlack = 0;
constexpr TColor TopByte = static_cast<TColor>(0xFF000000u);

}  // namespace

std::string_view PaletteColorName(int index) noexcept {
    return index >= 0 && index < PaletteColorCount ? Entries[index].name : std::string_view{};
}

std::string_view PaletteKey(int index) noexcept {
    return index >= 0 && index < PaletteColorCount ? Entries[index].key : std::string_view{};
}

bool IsAdjustablePaletteColor(int index) noexcept {
    return index >= 0 && index < PaletteColorCount && Entries[index].adjustable;
}

TacPaletteArray BuildPalette(const PaletteInputs& in) {
    TacPaletteArray p{};
    auto sys = [&](TColor c) { return ColorToRgb(c, in.SysColor); };
    auto global = [&](std::string_view key, TColor def) -> TColor {
        if (!in.Global) return def;
        const auto text = in.Global(key);
        if (!text) return def;
        const auto v = ParseInt64(*text);
        return v ? static_cast<TColor>(static_cast<std::uint32_t>(*v)) : def;
    };
    auto entry = [&](int index, TColor def) { p[index] = global(Entries[index].key, def); };
    auto section = [&](std::string_view name) -> std::optional<PaletteSectionLook> {
        return in.Section ? in.Section(name) : std::nullopt;
    };

    p[pcMainColor] = global("COLOR", sys(clBtnFace));
    entry(pcLabelText, 0);
    entry(pcWebText, 0xFF0000);
    entry(pcWebTextHot, 0x0000FF);

    if (const auto edit = section("EDIT")) {
        p[pcEditText] = sys(edit->FontColor[0]);
        p[pcEditBG] = sys(edit->Color[0]);
    } else {
        p[pcEditText] = sys(clWindowText);
        p[pcEditBG] = sys(clWindow);
    }

    const auto selection = section("SELECTION");
    if (selection && selection->FontColor[0] != clNone && selection->FontColor[0] != KeyColor) {
        const int focused = selection->States < 2 ? 0 : 1;
        p[pcSelectionBG] = sys(selection->Color[0]);
        p[pcSelectionText] = sys(selection->FontColor[0]);
        p[pcSelectionBG_Focused] = sys(selection->Color[focused]);
        p[pcSelectionText_Focused] = sys(selection->FontColor[focused]);
    } else if (const auto menuItem = section("MENUITEM")) {
        TColor text = menuItem->FontColor[1];
        if (text == clNone || text == KeyColor) text = clHighlightText;
        p[pcSelectionText] = p[pcSelectionText_Focused] = sys(text);
        p[pcSelectionBG] = p[pcSelectionBG_Focused] = sys(menuItem->Color[1]);
    } else {
        p[pcSelectionText] = p[pcSelectionText_Focused] = sys(clHighlightText);
        p[pcSelectionBG] = p[pcSelectionBG_Focused] = sys(clHighlight);
    }

    entry(pcEditBG_Inverted, p[pcEditText]);
    entry(pcEditText_Inverted, p[pcEditBG]);
    entry(pcEditBG_OddRow, p[pcEditBG]);
    entry(pcEditBG_EvenRow, MixColors(p[pcEditText], p[pcEditBG], 13));

    entry(pcEditText_Ok, 0x404000);
    entry(pcEditText_Warning, 0x4C4C);
    entry(pcEditText_Alert, 0x6C);
    entry(pcEditText_Caution, 0x6C);
    entry(pcEditText_Bypassed, 0x6C);
    entry(pcEditBG_Ok, 0xC9FFD2);
    entry(pcEditBG_Warning, 0xBAFFFF);
    entry(pcEditBG_Alert, 0xDBDBFF);
    entry(pcEditBG_Caution, 0xDBDBFF);
    entry(pcEditBG_Bypassed, 0xDBDBFF);
    entry(pcEditText_Highlight1, 0);
    entry(pcEditText_Highlight2, 0);
    entry(pcEditText_Highlight3, 0);

    // Skin files write these six as negative 64-bit numbers; the low 32 bits are the colour.
    const TColor main = p[pcMainColor];
    entry(pcBtnColor1Active, MixColors(main, clWhite, 177) | TopByte);
    entry(pcBtnColor2Active, main | TopByte);
    entry(pcBtnColor1Normal, main | TopByte);
    entry(pcBtnColor2Normal, MixColors(main, clBlack, 244) | TopByte);
    entry(pcBtnColor1Pressed, MixColors(main, clBlack, 233) | TopByte);
    entry(pcBtnColor2Pressed, MixColors(main, clBlack, 233) | TopByte);

    entry(pcBorder, 0);
    entry(pcBtnBorderActive, p[pcBorder]);
    entry(pcBtnBorderNormal, p[pcBorder]);
    entry(pcBtnBorderPressed, p[pcBorder]);
    entry(pcBtnFontActive, p[pcLabelText]);
    entry(pcBtnFontNormal, p[pcLabelText]);
    entry(pcBtnFontPressed, p[pcLabelText]);

    entry(pcBtnToneRed, 14013951);
    entry(pcBtnToneGreen, 14811090);
    entry(pcBtnToneBlue, 16772553);
    entry(pcBtnToneRedActive, p[pcBtnToneRed]);
    entry(pcBtnToneGreenActive, p[pcBtnToneGreen]);
    entry(pcBtnToneBlueActive, p[pcBtnToneBlue]);
    entry(pcBtnRedText, 180);
    entry(pcBtnGreenText, 2655514);
    entry(pcBtnBlueText, 11432960);
    entry(pcBtnRedTextActive, p[pcBtnRedText]);
    entry(pcBtnGreenTextActive, p[pcBtnGreenText]);
    entry(pcBtnBlueTextActive, p[pcBtnBlueText]);

    const TColor gridDefault = MixColors(p[pcEditText], p[pcEditBG], 30);
    entry(pcGrid, gridDefault);
    if (p[pcGrid] == clNone) p[pcGrid] = gridDefault;

    if (const auto hint = section("HINT")) {
        p[pcHintBG] = sys(hint->Color[0]);
        p[pcHintText] = sys(hint->FontColor[0]);
    } else {
        p[pcHintBG] = sys(clInfoBk);
        p[pcHintText] = sys(clInfoText);
    }
    return p;
}

}  // namespace skin
