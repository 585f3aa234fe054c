#pragma once
// The skin's palette: 55 named colours derived from "GLOBALINFO" and a few sections.
#include "skin/SkinColors.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace skin {

enum TacPaletteColors : int {
    pcMainColor, pcLabelText, pcWebText, pcWebTextHot, pcEditText, pcEditBG,
    pcSelectionBG, pcSelectionText, pcSelectionBG_Focused, pcSelectionText_Focused,
    pcEditBG_Inverted, pcEditText_Inverted, pcEditBG_OddRow, pcEditBG_EvenRow,
    pcEditText_Ok, pcEditText_Warning, pcEditText_Alert, pcEditText_Caution, pcEditText_Bypassed,
    pcEditBG_Ok, pcEditBG_Warning, pcEditBG_Alert, pcEditBG_Caution, pcEditBG_Bypassed,
    pcEditText_Highlight1, pcEditText_Highlight2, pcEditText_Highlight3,
    pcBtnColor1Active, pcBtnColor2Active, pcBtnColor1Normal, pcBtnColor2Normal,
    pcBtnColor1Pressed, pcBtnColor2Pressed,
    pcBtnBorderActive, pcBtnBorderNormal, pcBtnBorderPressed,
    pcBtnFontActive, pcBtnFontNormal, pcBtnFontPressed,
    pcBtnToneRed, pcBtnToneGreen, pcBtnToneBlue,
    pcBtnToneRedActive, pcBtnToneGreenActive, pcBtnToneBlueActive,
    pcBtnRedText, pcBtnGreenText, pcBtnBlueText,
    pcBtnRedTextActive, pcBtnGreenTextActive, pcBtnBlueTextActive,
    pcBorder, pcGrid, pcHintBG, pcHintText,
    PaletteColorCount
};
static_assert(PaletteColorCount == 55);

using TacPaletteArray = std::array<TColor, PaletteColorCount>;

// Name of an entry as written in code ("pcMainColor"), for dumps.
std::string_view PaletteColorName(int index) noexcept;

// The "GLOBALINFO" key an entry is read from, "" for entries that come from sections.
std::string_view PaletteKey(int index) noexcept;

// Entries a hue, saturation or brightness change applies to.
bool IsAdjustablePaletteColor(int index) noexcept;

// How one section looks in its three states, as the palette needs it.
struct PaletteSectionLook {
    int States = 3;
    TColor Color[3]{};
    TColor FontColor[3]{};
};

struct PaletteInputs {
    // Raw text of a "GLOBALINFO" key; nullopt when absent.
    std::function<std::optional<std::string>(std::string_view key)> Global;
    // A section's look; nullopt when the skin has no such section.
    std::function<std::optional<PaletteSectionLook>(std::string_view section)> Section;
    SysColorFn SysColor;
};

TacPaletteArray BuildPalette(const PaletteInputs& in);

}  // namespace skin
