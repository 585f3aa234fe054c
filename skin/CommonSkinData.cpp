#include "skin/CommonSkinData.h"

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
    d.Shadow1Offset = Global(in, "SHADOW1OFFSET", 0);
    d.Shadow1Blur = Global(in, "SHADOW1BLUR", -1);
    d.Shadow1Transparency = Global(in, "SHADOW1TRANSPARENCY", 0);
    d.Shadow1Color = Global(in, "SHADOW1COLOR", 0);
    d.ExBorderWidth = Global(in, "BORDERWIDTH", 4);
    d.ExTitleHeight = ReadPerScaleGlobal(in, "TITLEHEIGHT", 30);
    if (d.ExTitleHeight <= 0) d.ExTitleHeight = 30;
    d.ExMaxHeight = ReadPerScaleGlobal(in, "MAXHEIGHT", d.ExTitleHeight);
    if (d.ExMaxHeight <= 0) d.ExMaxHeight = d.ExTitleHeight;
    d.ExContentOffs = Global(in, "FORMOFFSET", in.SystemFrameWidth);
    d.ExCenterOffs = ReadPerScaleGlobal(in, "CENTEROFFSET", 0);
    d.ExDrawMode = Global(in, "BORDERMODE", 0);
    d.ExShadowOffs = Global(in, "ALIGNOFFSET", 0);
    d.ExShadowOffsR = Global(in, "ALIGNOFFSETR", d.ExShadowOffs);
    d.ExShadowOffsT = Global(in, "ALIGNOFFSETT", d.ExShadowOffs);
    d.ExShadowOffsB = Global(in, "ALIGNOFFSETB", d.ExShadowOffs);
    d.BISpacing = Scaled(in, Global(in, "BISPACE", 0));
    d.BIVAlign = Global(in, "BIVALIGN", 0);
    d.BIRightMargin = Global(in, "BIRIGHT", 0);
    d.BILeftMargin = Global(in, "BILEFT", 0);
    d.BITopMargin = Global(in, "BITOP", 0);
    d.BIKeepHUE = Global(in, "BIKEEPHUE", 0);
    d.ComboBoxMargin = Global(in, "COMBOMARGIN", 2);
    d.SliderMargin = Global(in, "SLIDERMARGIN", 1);
    d.BrightMin = Global(in, "BRIGHTMIN", -50);
    d.BrightMax = Global(in, "BRIGHTMAX", 50);
    d.WndShadowRadius = Scaled(in, Global(in, "WSHRAD", 17));
    d.WndShadowSize = Scaled(in, Global(in, "WSHSIZE", 13));
    d.WndShadowOffset = Scaled(in, Global(in, "WSHOFFS", 2));
    d.WndShadowColorN = Global(in, "WSHCOLN", 0x44000000);
    d.WndShadowColorA = Global(in, "WSHCOLA", static_cast<int>(0x99000000u));
    d.TabsCovering = [&] {
        const auto v = ReadInt(in, "TABTOP", "TABSCOVERING");
        return v ? static_cast<int>(*v) : 0;
    }();
    d.RibbonCovering = [&] {
        const auto v = ReadInt(in, "RIBBONTAB", "TABSCOVERING");
        return v ? static_cast<int>(*v) : 0;
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
    lo.WidthL = Scaled(in, Global(in, "LO_WIDTHL", -1));
    lo.WidthT = Scaled(in, Global(in, "LO_WIDTHT", -1));
    lo.WidthR = Scaled(in, Global(in, "LO_WIDTHR", -1));
    lo.WidthB = Scaled(in, Global(in, "LO_WIDTHB", -1));
    lo.OffsetL = Scaled(in, Global(in, "LO_OFFSETL", 2));
    lo.OffsetT = Scaled(in, Global(in, "LO_OFFSETT", 2));
    lo.OffsetR = Scaled(in, Global(in, "LO_OFFSETR", 2));
    lo.OffsetB = Scaled(in, Global(in, "LO_OFFSETB", 4));
    lo.Radius = Scaled(in, Global(in, "LO_RADIUS_OE", 9));
    lo.Blur = Scaled(in, Global(in, "LO_BLUR_OE", 5));
    lo.Source = Global(in, "LO_SOURCE", 2);
    lo.Opacity = Global(in, "LO_OPACITY", 200);

    TacOutEffData& sh = oe[1];
    sh.ColorL = rgb(Global(in, "SH_COLORL", 0));
    sh.ColorT = KeyColor;
    sh.WidthL = Scaled(in, Global(in, "SH_WIDTHL", -1));
    sh.WidthT = Scaled(in, Global(in, "SH_WIDTHT", -1));
    sh.WidthR = Scaled(in, Global(in, "SH_WIDTHR", -1));
    sh.WidthB = Scaled(in, Global(in, "SH_WIDTHB", -1));
    sh.OffsetL = Scaled(in, Global(in, "SH_OFFSETL", 3));
    sh.OffsetT = Scaled(in, Global(in, "SH_OFFSETT", 2));
    sh.OffsetR = Scaled(in, Global(in, "SH_OFFSETR", 3));
    sh.OffsetB = Scaled(in, Global(in, "SH_OFFSETB", 5));
    sh.Radius = Scaled(in, Global(in, "SH_RADIUS_OE", 9));
    sh.Blur = Scaled(in, Global(in, "SH_BLUR_OE", 5));
    sh.Source = Global(in, "SH_SOURCE", 2);
    sh.Opacity = Global(in, "SH_OPACITY", 60);

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
