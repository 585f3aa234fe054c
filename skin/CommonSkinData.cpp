#include "skin/CommonSkinData.h"

#include "skin/SkinLimits.h"
#include "skin/SkinModel.h"
#include "skin/SkinText.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>

namespace skin {
namespace {

constexpr std::string_view GlobalInfo = "GLOBALINFO";

std::optional<std::int64_t> ReadInt(const SkinDataInputs& in, std::string_view section, std::string_view key) {
    if (!in.Value) return std::nullopt;
    const auto text = in.Value(section, key);
    return text ? ParseInt64(*text) : std::nullopt;
}

int Global(const SkinDataInputs& in, std::string_view key, int def) {
    const auto v = ReadInt(in, GlobalInfo, key);
    return v ? static_cast<int>(static_cast<std::uint32_t>(*v)) : def;
}

std::string GlobalText(const SkinDataInputs& in, std::string_view key) {
    if (!in.Value) return {};
    return in.Value(GlobalInfo, key).value_or(std::string{});
}

// A number of "GLOBALINFO" brought into [lo, hi] (its default when missing).
int GlobalIn(const SkinDataInputs& in, std::string_view key, int def, int lo, int hi) {
    const auto v = ReadInt(in, GlobalInfo, key);
    return v ? ClampSkinValue(*v, lo, hi) : def;
}
int GlobalMargin(const SkinDataInputs& in, std::string_view key, int def) {
    return GlobalIn(in, key, def, -MaxSkinMargin, MaxSkinMargin);
}

int Scaled(const SkinDataInputs& in, int value) { return in.Scale ? in.Scale(value) : value; }

double ParseVersion(const std::string& text) {
    // Always "." as the decimal separator, whatever the locale says.
    double v = 0;
    const char* b = text.data();
    const char* e = b + text.size();
    while (b != e && *b == ' ') ++b;
    const auto [end, ec] = std::from_chars(b, e, v);
    return ec == std::errc{} ? v : 0.0;
}

}  // namespace

std::string SkinVersionText(double version) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, version);
    return ec == std::errc{} ? std::string(buf, end) : std::string("0");
}

int ReadPerScaleGlobal(const SkinDataInputs& in, std::string_view key, int def) {
    const int scale = std::clamp(in.ScaleIndex, 0, 3);
    std::string scaledKey(key);
    scaledKey += ScaleSuffixes[scale];
    // Values beyond the int range stop at its end, before and after scaling.
    auto toInt = [](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); };
    if (const auto v = ReadInt(in, GlobalInfo, scaledKey); v && *v >= 0) return toInt(*v);
    if (scale == 0) return -1;
    const auto plain = ReadInt(in, GlobalInfo, key);
    const std::int64_t base = plain ? toInt(*plain) : def;
    return toInt(base * ScalePercents[scale] / 100);
}

void LoadCommonSkinData(const SkinDataInputs& in, TsSkinData& d) {
    d.Version = ParseVersion(GlobalText(in, "VERSION"));
    d.UseAeroBluring = Global(in, "AEROBLUR", 0) != 0;
    d.Author = GlobalText(in, "AUTHOR");
    d.MainFont = GlobalText(in, "MainFont");
    d.Description = GlobalText(in, "DESCRIPTION");
    d.Shadow1Offset = GlobalMargin(in, "SHADOW1OFFSET", 0);
    d.Shadow1Blur = GlobalIn(in, "SHADOW1BLUR", -1, -1, MaxShadowBlur);
    d.Shadow1Transparency = GlobalIn(in, "SHADOW1TRANSPARENCY", 0, 0, MaxPercent);
    d.Shadow1Color = Global(in, "SHADOW1COLOR", 0);
    d.ExBorderWidth = GlobalIn(in, "BORDERWIDTH", 4, -MaxSkinBorderWidth, MaxSkinBorderWidth);
    d.ExTitleHeight = std::min(ReadPerScaleGlobal(in, "TITLEHEIGHT", 30), MaxTitleHeight);
    if (d.ExTitleHeight <= 0) d.ExTitleHeight = 30;
    d.ExMaxHeight = std::min(ReadPerScaleGlobal(in, "MAXHEIGHT", d.ExTitleHeight), MaxTitleHeight);
    if (d.ExMaxHeight <= 0) d.ExMaxHeight = d.ExTitleHeight;
    d.ExContentOffs = GlobalMargin(in, "FORMOFFSET", in.SystemFrameWidth);
    d.ExCenterOffs = ClampMargin(ReadPerScaleGlobal(in, "CENTEROFFSET", 0));
    d.ExDrawMode = Global(in, "BORDERMODE", 0);
    d.ExShadowOffs = GlobalMargin(in, "ALIGNOFFSET", 0);
    d.ExShadowOffsR = GlobalMargin(in, "ALIGNOFFSETR", d.ExShadowOffs);
    d.ExShadowOffsT = GlobalMargin(in, "ALIGNOFFSETT", d.ExShadowOffs);
    d.ExShadowOffsB = GlobalMargin(in, "ALIGNOFFSETB", d.ExShadowOffs);
    d.BISpacing = Scaled(in, GlobalMargin(in, "BISPACE", 0));
    d.BIVAlign = Global(in, "BIVALIGN", 0);
    d.BIRightMargin = GlobalMargin(in, "BIRIGHT", 0);
    d.BILeftMargin = GlobalMargin(in, "BILEFT", 0);
    d.BITopMargin = GlobalMargin(in, "BITOP", 0);
    d.BIKeepHUE = Global(in, "BIKEEPHUE", 0);
    d.ComboBoxMargin = GlobalMargin(in, "COMBOMARGIN", 2);
    d.SliderMargin = GlobalMargin(in, "SLIDERMARGIN", 1);
    d.BrightMin = GlobalIn(in, "BRIGHTMIN", -50, -MaxPercent, MaxPercent);
    d.BrightMax = GlobalIn(in, "BRIGHTMAX", 50, -MaxPercent, MaxPercent);
    d.WndShadowRadius = Scaled(in, GlobalIn(in, "WSHRAD", 17, 0, MaxWindowShadow));
    d.WndShadowSize = Scaled(in, GlobalIn(in, "WSHSIZE", 13, 0, MaxWindowShadow));
    d.WndShadowOffset = Scaled(in, GlobalIn(in, "WSHOFFS", 2, -MaxWindowShadow, MaxWindowShadow));
    d.WndShadowColorN = Global(in, "WSHCOLN", 0x44000000);
    d.WndShadowColorA = Global(in, "WSHCOLA", static_cast<int>(0x99000000u));
    d.TabsCovering = [&] {
        const auto v = ReadInt(in, "TABTOP", "TABSCOVERING");
        return v ? ClampMargin(*v) : 0;
    }();
    d.RibbonCovering = [&] {
        const auto v = ReadInt(in, "RIBBONTAB", "TABSCOVERING");
        return v ? ClampMargin(*v) : 0;
    }();
    d.ArrowStyle = Global(in, "ARROWSTYLE", 0);
}

std::vector<TacOutEffData> LoadOuterEffects(const SkinDataInputs& in, const OuterMaskFactory& makeMask) {
    std::vector<TacOutEffData> oe(2);
    auto rgb = [&](TColor c) { return ColorToRgb(c, in.SysColor); };

    TacOutEffData& lo = oe[0];
    lo.ColorL = rgb(Global(in, "LO_COLORL", 0xFFFFFF));
    lo.ColorT = rgb(Global(in, "LO_COLORT", 0));
    lo.ColorR = rgb(Global(in, "LO_COLORR", 0xFFFFFF));
    lo.ColorB = rgb(Global(in, "LO_COLORB", 0xFFFFFF));
    lo.WidthL = Scaled(in, GlobalMargin(in, "LO_WIDTHL", -1));
    lo.WidthT = Scaled(in, GlobalMargin(in, "LO_WIDTHT", -1));
    lo.WidthR = Scaled(in, GlobalMargin(in, "LO_WIDTHR", -1));
    lo.WidthB = Scaled(in, GlobalMargin(in, "LO_WIDTHB", -1));
    lo.OffsetL = Scaled(in, GlobalMargin(in, "LO_OFFSETL", 2));
    lo.OffsetT = Scaled(in, GlobalMargin(in, "LO_OFFSETT", 2));
    lo.OffsetR = Scaled(in, GlobalMargin(in, "LO_OFFSETR", 2));
    lo.OffsetB = Scaled(in, GlobalMargin(in, "LO_OFFSETB", 4));
    lo.Radius = Scaled(in, GlobalIn(in, "LO_RADIUS_OE", 9, 0, MaxShadowRadius));
    lo.Blur = Scaled(in, GlobalIn(in, "LO_BLUR_OE", 5, 0, MaxShadowBlur));
    lo.Source = Global(in, "LO_SOURCE", 2);
    lo.Opacity = GlobalIn(in, "LO_OPACITY", 200, 0, MaxOpacity);

    TacOutEffData& sh = oe[1];
    sh.ColorL = rgb(Global(in, "SH_COLORL", 0));
    sh.ColorT = KeyColor;
    sh.WidthL = Scaled(in, GlobalMargin(in, "SH_WIDTHL", -1));
    sh.WidthT = Scaled(in, GlobalMargin(in, "SH_WIDTHT", -1));
    sh.WidthR = Scaled(in, GlobalMargin(in, "SH_WIDTHR", -1));
    sh.WidthB = Scaled(in, GlobalMargin(in, "SH_WIDTHB", -1));
    sh.OffsetL = Scaled(in, GlobalMargin(in, "SH_OFFSETL", 3));
    sh.OffsetT = Scaled(in, GlobalMargin(in, "SH_OFFSETT", 2));
    sh.OffsetR = Scaled(in, GlobalMargin(in, "SH_OFFSETR", 3));
    sh.OffsetB = Scaled(in, GlobalMargin(in, "SH_OFFSETB", 5));
    sh.Radius = Scaled(in, GlobalIn(in, "SH_RADIUS_OE", 9, 0, MaxShadowRadius));
    sh.Blur = Scaled(in, GlobalIn(in, "SH_BLUR_OE", 5, 0, MaxShadowBlur));
    sh.Source = Global(in, "SH_SOURCE", 2);
    sh.Opacity = GlobalIn(in, "SH_OPACITY", 60, 0, MaxOpacity);

    const char* maskKeys[2] = {"LO_MASK", "SH_MASK"};
    for (int i = 0; i < 2; ++i) {
        oe[i].Mask = -1;
        if (oe[i].Source != 0 && makeMask) {
            const auto text = in.Value ? in.Value(GlobalInfo, maskKeys[i]) : std::nullopt;
            oe[i].Mask = makeMask(i, oe[i], text);
        }
    }
    return oe;
}

}  // namespace skin
