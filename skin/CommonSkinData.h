#pragma once
// Skin-wide values of a loaded skin ("GLOBALINFO") and the two outer-effect records.
#include "skin/SkinColors.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

struct TsSkinData {
    bool Active = false;
    bool UseAeroBluring = false;
    std::string Author;
    std::string SkinPath;
    std::string MainFont;
    std::string Description;
    int Shadow1Offset = 0;
    int Shadow1Blur = -1;
    int Shadow1Transparency = 0;
    int ExBorderWidth = 4;
    int ExTitleHeight = 30;
    int ExMaxHeight = 30;
    int ExContentOffs = 0;
    int ExCenterOffs = 0;
    int ExDrawMode = 0;
    int ExShadowOffs = 0;
    int ExShadowOffsR = 0;
    int ExShadowOffsT = 0;
    int ExShadowOffsB = 0;
    int BISpacing = 0;
    int BIVAlign = 0;
    int BIRightMargin = 0;
    int BILeftMargin = 0;
    int BITopMargin = 0;
    int BIKeepHUE = 0;
    int ComboBoxMargin = 2;
    int SliderMargin = 1;
    int BrightMin = -50;
    int BrightMax = 50;
    int ArrowStyle = 0;
    int TabsCovering = 0;
    int RibbonCovering = 0;
    TColor FXColor = 0;
    TColor Shadow1Color = 0;
    TColor SysInactiveBorderColor = 0;
    double Version = 0;
    int WndShadowRadius = 17;
    int WndShadowSize = 13;
    int WndShadowOffset = 2;
    TColor WndShadowColorN = 0x44000000;
    TColor WndShadowColorA = static_cast<TColor>(0x99000000u);
};

// One outer effect: entry 0 the light outline, entry 1 the shadow.
struct TacOutEffData {
    TColor ColorL = 0, ColorT = 0, ColorR = 0, ColorB = 0;
    int OffsetL = 0, OffsetT = 0, OffsetR = 0, OffsetB = 0;
    int WidthL = -1, WidthT = -1, WidthR = -1, WidthB = -1;
    int Blur = 0;
    int Radius = 0;
    int Mask = -1;
    int Source = 0;
    int Opacity = 0;
};

// Where the loader takes "GLOBALINFO" values from and how it scales them.
struct SkinDataInputs {
    // Raw text of a key of a section; nullopt when absent.
    std::function<std::optional<std::string>(std::string_view section, std::string_view key)> Value;
    int ScaleIndex = 0;                     // 0..3, the suffix of per-scale keys
    std::function<int(int)> Scale;          // the manager's ScaleInt
    int SystemFrameWidth = 4;               // SM_CXFRAME
    SysColorFn SysColor;
};

// The skin version as its text: "10.25", "N/A" when no skin is active.
std::string SkinVersionText(double version);

// Reads a "GLOBALINFO" key per scale (see the loader).
int ReadPerScaleGlobal(const SkinDataInputs& in, std::string_view key, int def);

// Fills everything but Active, SkinPath, FXColor and SysInactiveBorderColor, which the
// caller keeps.
void LoadCommonSkinData(const SkinDataInputs& in, TsSkinData& data);

// The two outer-effect records. `makeMask(entry, record, maskText)` turns the mask key's text
// into an image entry for sources 1 and 2 (-1 when it cannot).
using OuterMaskFactory = std::function<int(int entry, const TacOutEffData& record, const std::optional<std::string>& maskText)>;
std::vector<TacOutEffData> LoadOuterEffects(const SkinDataInputs& in, const OuterMaskFactory& makeMask);

}  // namespace skin
