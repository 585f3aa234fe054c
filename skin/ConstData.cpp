#include "skin/ConstData.h"

#include "skin/SkinLimits.h"

#include <algorithm>
#include <string>

namespace skin {
namespace {

struct SectionNames {
    std::string_view name;
    std::string_view enumName;
};

constexpr SectionNames Names[SectionCount] = {
    {"MENUITEM", "ssMenuItem"}, {"CHECKBOX", "ssCheckBox"}, {"SPEEDBUTTON", "ssSpeedButton"},
    {"SPEEDBUTTON_SMALL", "ssSpeedButton_Small"}, {"TOOLBUTTON", "ssToolButton"},
    {"TRANSPARENT", "ssTransparent"}, {"GROUPBOX", "ssGroupBox"}, {"DIVIDER", "ssDivider"},
    {"WEBBUTTON", "ssWebBtn"}, {"BUTTON", "ssButton"}, {"COMBONOEDIT", "ssComboNoEdit"},
    {"BUTTON_HUGE", "ssButtonHuge"}, {"TOOLBAR", "ssToolBar"}, {"EDIT", "ssEdit"},
    {"GAUGE", "ssGauge"}, {"SELECTION", "ssSelection"}, {"STATUSBAR", "ssStatusBar"},
    {"PANEL", "ssPanel"}, {"PANEL_LOW", "ssPanelLow"}, {"TRACKBAR", "ssTrackBar"},
    {"PROGRESSV", "ssProgressV"}, {"DRAGBAR", "ssDragBar"}, {"GRIPH", "ssGripH"},
    {"GRIPV", "ssGripV"}, {"PROGRESSH", "ssProgressH"}, {"TABSHEET", "ssTabSheet"},
    {"UPDOWNBTN", "ssUpDown"}, {"COMBOBOX", "ssComboBox"}, {"CAPTION", "ssCaption"},
    {"MAINMENU", "ssMainMenu"}, {"SPLITTER", "ssSplitter"}, {"COMBOBTN", "ssComboBtn"},
    {"FORMTITLE", "ssFormTitle"}, {"HINT", "ssHint"}, {"DIVIDERV", "ssDividerV"},
    {"PAGECONTROL", "ssPageControl"}, {"TABTOP", "ssTabTop"}, {"BARPANEL", "ssBarPanel"},
    {"BARTITLE", "ssBarTitle"}, {"MENUCAPTION", "ssMenuCaption"}, {"DIALOGTITLE", "ssDialogTitle"},
    {"MENUBTN", "ssMenuButton"}, {"MENULINE", "ssMenuLine"}, {"FORMHEADER", "ssFormHeader"},
    {"TB_BTN", "ssTBBtn"}, {"TB_MENUBTN", "ssTBMenuBtn"}, {"TB_TAB", "ssTBTab"},
    {"COLHEADER", "ssColHeader"}, {"COLHEADERA", "ssColHeaderA"}, {"COLHEADERL", "ssColHeaderL"},
    {"COLHEADERR", "ssColHeaderR"}, {"SLIDER_OFF", "ssSlider_Off"}, {"SLIDER_ON", "ssSlider_On"},
};

constexpr std::array<SectionSubstitution, SubstitutionCount> Substitutions = {{
    {ssMenuCaption, ssToolBar},
    {ssDialogTitle, ssFormTitle},
    {ssMenuButton, ssSpeedButton},
    {ssMenuLine, -1},
    {ssFormHeader, -1},
    {ssTBBtn, ssToolButton},
    {ssTBMenuBtn, -1},
    {ssTBTab, ssTabTop},
    {ssColHeader, ssButton},
    {ssColHeaderA, ssColHeader},
    {ssColHeaderL, ssColHeader},
    {ssColHeaderR, ssColHeader},
    {ssSlider_Off, ssPanelLow},
    {ssSlider_On, ssPanelLow},
}};

constexpr std::string_view TitleGlyphKeys[TitleGlyphCount - 1] = {
    "BICLOSEALONE", "BICONCLOSE", "BICONMAX", "BICONMIN", "BICONNORM", "BICONHELP",
    "SICONCLOSE", "SICONMAX", "SICONMIN", "SICONNORM", "SICONHELP", "TITLEBUTTON",
};

TacConstElementData Element(ConstDataModel& m, std::string_view section) {
    TacConstElementData e;
    e.SkinSection = std::string(section);
    e.SkinIndex = m.SkinIndex(section);
    if (e.SkinIndex >= 0) {
        e.MaskIndex = m.MaskIndex(e.SkinIndex, "BORDERSMASK");
        e.GlyphIndex = m.MaskIndex(e.SkinIndex, "GLYPHMASK");
        e.BGIndex[0] = m.TextureIndex(e.SkinIndex, "PATTERN");
        e.BGIndex[1] = m.TextureIndex(e.SkinIndex, "HOTPATTERN");
    }
    return e;
}

std::vector<int> GlowFrames(ConstDataModel& m, int global, std::string_view glyph) {
    std::vector<int> frames;
    const std::string base = std::string(glyph) + "GLOW";
    const int count = std::clamp(m.GlobalInt(base, 0), 0, MaxGlowFrames);
    for (int i = 0; i < count; ++i) {
        frames.push_back(m.ScaledGlyph(global, base + std::to_string(i), true));
    }
    return frames;
}

}  // namespace

std::string_view SectionName(int section) noexcept {
    return section >= 0 && section < SectionCount ? Names[section].name : std::string_view{};
}

std::string_view SectionEnumName(int section) noexcept {
    return section >= 0 && section < SectionCount ? Names[section].enumName : std::string_view{};
}

const std::array<SectionSubstitution, SubstitutionCount>& SectionSubstitutions() noexcept { return Substitutions; }

void InitConstantIndexes(ConstDataModel& m, TConstantSkinData& d) {
    d.Clear();
    const int global = m.SkinIndex("GLOBALINFO");
    d.IndexGLobalInfo = global;

    const std::string_view boxes[3] = {"BOXUNCHECKED", "BOXCHECKED", "BOXGRAYED"};
    const std::string_view smallBoxes[3] = {"SMALLUNCHECKED", "SMALLCHECKED", "SMALLGRAYED"};
    for (int i = 0; i < 3; ++i) {
        d.CheckBox[i] = m.ScaledGlyph(global, boxes[i], false);
        d.SmallCheckBox[i] = m.ScaledGlyph(global, smallBoxes[i], false);
    }
    d.RadioButton[0] = m.ScaledGlyph(global, "RADIOUNCHECKED", false);
    d.RadioButton[1] = m.ScaledGlyph(global, "RADIOCHECKED", false);
    d.ExBorder = m.ScaledGlyph(global, "EXBORDER", true);
    d.GripRightBottom = m.ScaledGlyph(global, "GRIPIMAGE", false);
    d.GripHorizontal = m.MaskIndex(global, "GRIPHORZ");
    d.GripVertical = m.MaskIndex(global, "GRIPVERT");

    d.MenuItem = Element(m, "MENUITEM");
    d.ComboBtn = Element(m, "COMBOBTN");
    const int combo = m.SkinIndex("COMBOBOX");
    d.ComboBtn.GlyphIndex = combo >= 0 ? m.MaskIndex(combo, "GLYPHMASK") : -1;

    const std::string_view layouts[4] = {"FIRST", "LAST", "MIDDLE", ""};
    const std::string_view sides[4] = {"LEFT", "TOP", "RIGHT", "BOTTOM"};
    for (int l = 0; l < 4; ++l) {
        for (int s = 0; s < 4; ++s) {
            d.Tabs[l][s] = Element(m, "TAB" + std::string(sides[s]) + std::string(layouts[l]));
        }
    }
    const std::string_view scrolls[4] = {"SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V"};
    const std::string_view scrollBtns[4] = {"SCROLLBTNLEFT", "SCROLLBTNTOP", "SCROLLBTNRIGHT", "SCROLLBTNBOTTOM"};
    const std::string_view upDowns[4] = {"UPDOWNBTN_LEFT", "UPDOWNBTN_TOP", "UPDOWNBTNRIGHT", "UPDOWNBTN_BOTTOM"};
    for (int s = 0; s < 4; ++s) {
        d.Scrolls[s] = Element(m, scrolls[s]);
        d.ScrollBtns[s] = Element(m, scrollBtns[s]);
        d.UpDownBtns[s] = Element(m, upDowns[s]);
        if (d.UpDownBtns[s].SkinIndex < 0) d.UpDownBtns[s] = Element(m, "UPDOWNBTN");
        if (d.UpDownBtns[s].SkinIndex < 0) d.UpDownBtns[s] = Element(m, "BUTTON");
    }
    d.Sliders[0] = Element(m, "SCROLLSLIDERH");
    d.Sliders[1] = Element(m, "SCROLLSLIDERV");

    const int track = m.SkinIndex("TRACKBAR");
    for (int i = 0; i < 2; ++i) {
        TacTrackBarData& t = d.TrackBar[i];
        t.SkinIndex = track;
        if (track < 0) continue;
        t.MaskIndex = m.MaskIndex(track, "BORDERSMASK");
        t.ChannelIndex = m.MaskIndex(track, "SLIDERCHANNEL");
        t.BGIndex[0] = m.TextureIndex(track, "PATTERN");
        t.BGIndex[1] = m.TextureIndex(track, "HOTPATTERN");
        if (i == 0) {
            t.ProgIndex = m.MaskIndex(track, "PROGVERT");
            t.TickIndex = m.MaskIndex(track, "TICKVERT");
            t.SliderIndex = m.MaskIndex(track, "SLIDERVMASK");
            if (t.SliderIndex < 0) t.SliderIndex = m.MaskIndex(track, "SLIDERMASK");
        } else {
            t.ProgIndex = m.MaskIndex(track, "PROGHORZ");
            t.TickIndex = m.MaskIndex(track, "TICKHORZ");
            t.SliderIndex = m.MaskIndex(track, "SLIDERMASK");
        }
    }

    std::array<std::string_view, TitleGlyphCount - 1> used{};
    for (int g = 0; g < TitleGlyphCount - 1; ++g) {
        used[g] = TitleGlyphKeys[g];
        d.TitleGlyphs[g] = m.ScaledGlyph(global, TitleGlyphKeys[g], false);
    }
    if (d.TitleGlyphs[tgCloseAlone] < 0) {
        d.TitleGlyphs[tgCloseAlone] = d.TitleGlyphs[tgClose];
        used[tgCloseAlone] = TitleGlyphKeys[tgClose];
    }
    for (int g = tgSmallClose; g <= tgSmallHelp; ++g) {
        const int big = g - tgSmallClose + tgClose;
        if (d.TitleGlyphs[g] < 0) d.TitleGlyphs[g] = d.TitleGlyphs[big];
    }
    for (int g = 0; g < TitleGlowCount; ++g) {
        d.TitleGlows[g] = GlowFrames(m, global, used[g]);
        d.GlowMargins[g] = ClampMargin(m.GlobalIntPerScale(std::string(used[g]) + "GLOWMARGIN", 0));
    }

    for (int s = 0; s < SectionCount; ++s) d.Sections[s] = m.SkinIndex(Names[s].name);
}

void ApplySectionSubstitutions(ConstDataModel& m, TConstantSkinData& d) {
    for (const auto& sub : Substitutions) {
        if (d.Sections[sub.missing] >= 0 || sub.substitute < 0) continue;
        const int index = d.Sections[sub.substitute];
        d.Sections[sub.missing] = index;
        if (index >= 0) m.AddNewSection(Names[sub.missing].name, index);
    }
}

}  // namespace skin
