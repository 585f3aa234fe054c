#include "ModelDump.h"

#include <cstdio>
#include <sstream>

namespace skintest {
namespace {

using namespace skin;

std::string Hex(std::int64_t v) {
    char buf[32];
    if (v < 0) {
        std::snprintf(buf, sizeof buf, "-1");
        if (v != -1) std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(static_cast<std::uint32_t>(v)));
    } else {
        std::snprintf(buf, sizeof buf, "0x%06X", static_cast<unsigned>(v));
    }
    return buf;
}

std::string Rect(const TRect& r) {
    return "(" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
           std::to_string(r.Bottom) + ")";
}

const char* ImgTypeName(TacImgType t) {
    switch (t) {
    case itisaBorder: return "border";
    case itisaTexture: return "texture";
    case itisaGlyph: return "glyph";
    case itisaGlow: return "glow";
    case itisaPngGlyph: return "pngglyph";
    }
    return "?";
}

void Element(std::ostream& o, const char* name, const TacConstElementData& e) {
    o << name << ": section=" << e.SkinIndex << " border=" << e.MaskIndex << " glyph=" << e.GlyphIndex
      << " bg=" << e.BGIndex[0] << "," << e.BGIndex[1] << "," << e.BGIndex[2] << " name=" << e.SkinSection << "\n";
}

template <std::size_t N>
std::string List(const std::array<int, N>& a) {
    std::string s;
    for (std::size_t i = 0; i < N; ++i) s += (i ? "," : "") + std::to_string(a[i]);
    return s;
}

}  // namespace

std::string DumpLoadedSkin(const LoadedSkin& skin) {
    std::ostringstream o;
    const SkinModel& m = *skin.Model;
    const TsSkinData& c = skin.Common;
    o << "== skin-wide data\n";
    o << "Version=" << SkinVersionText(c.Version) << " Author=\"" << c.Author << "\" Description=\"" << c.Description
      << "\" MainFont=\"" << c.MainFont << "\" SkinPath=\"" << c.SkinPath << "\"\n";
    o << "Shadow1 Color=" << Hex(c.Shadow1Color) << " Offset=" << c.Shadow1Offset << " Blur=" << c.Shadow1Blur
      << " Transparency=" << c.Shadow1Transparency << "\n";
    o << "ExBorderWidth=" << c.ExBorderWidth << " ExTitleHeight=" << c.ExTitleHeight << " ExMaxHeight=" << c.ExMaxHeight
      << " ExContentOffs=" << c.ExContentOffs << " ExCenterOffs=" << c.ExCenterOffs << " ExDrawMode=" << c.ExDrawMode
      << " ExShadowOffs=" << c.ExShadowOffs << "," << c.ExShadowOffsR << "," << c.ExShadowOffsT << "," << c.ExShadowOffsB
      << "\n";
    o << "BISpacing=" << c.BISpacing << " BIVAlign=" << c.BIVAlign << " BIMargins=" << c.BILeftMargin << ","
      << c.BITopMargin << "," << c.BIRightMargin << " BIKeepHUE=" << c.BIKeepHUE << " ComboBoxMargin=" << c.ComboBoxMargin
      << " SliderMargin=" << c.SliderMargin << " Bright=" << c.BrightMin << ".." << c.BrightMax
      << " ArrowStyle=" << c.ArrowStyle << " TabsCovering=" << c.TabsCovering << " RibbonCovering=" << c.RibbonCovering
      << " UseAeroBluring=" << c.UseAeroBluring << "\n";
    o << "WndShadow Radius=" << c.WndShadowRadius << " Size=" << c.WndShadowSize << " Offset=" << c.WndShadowOffset
      << " ColorN=" << Hex(c.WndShadowColorN) << " ColorA=" << Hex(c.WndShadowColorA) << "\n";
    o << "MasterBitmap=" << m.MasterBitmap->Width << "x" << m.MasterBitmap->Height << "\n";

    o << "== sections (" << m.gd.size() << ")\n";
    for (std::size_t i = 0; i < m.gd.size(); ++i) {
        const TsGeneralData& g = m.gd[i];
        o << "[" << i << "] " << g.ClassName << " parent=\"" << g.ParentClass << "\" states=" << g.States
          << " state2=" << g.UseState2 << " ownfont=" << g.GiveOwnFont << " shift=" << g.ShiftOnClick
          << " glow=" << g.GlowCount << "/" << g.GlowMargin << " border=" << g.BorderIndex << " corners=" << g.ImgTL << ","
          << g.ImgTR << "," << g.ImgBL << "," << g.ImgBR << " scrolloffs=" << g.ScrollBorderOffset << "\n";
        o << "    outer mode=" << g.OuterMode << " mask=" << g.OuterMask << " opacity=" << g.OuterOpacity
          << " offset=" << Rect(g.OuterOffset) << " blur=" << g.OuterBlur << " radius=" << g.OuterRadius
          << " colors=" << Hex(g.OuterColorL) << "," << Hex(g.OuterColorT) << "," << Hex(g.OuterColorR) << ","
          << Hex(g.OuterColorB) << "\n";
        for (int s = 0; s < 3; ++s) {
            const TsGenState& st = g.Props[static_cast<std::size_t>(s)];
            o << "    s" << s << " color=" << Hex(st.Color) << " font=" << Hex(st.FontColor.Color) << " outline="
              << Hex(st.FontColor.Left) << "," << Hex(st.FontColor.Top) << "," << Hex(st.FontColor.Right) << ","
              << Hex(st.FontColor.Bottom) << " glow=" << Hex(st.GlowColor) << "/" << st.GlowSize
              << " transparency=" << st.Transparency << " gradient=" << st.GradientPercent << "%/"
              << st.GradientArray.size() << " image=" << st.ImagePercent << "% texture=" << st.TextureIndex << "\n";
        }
    }

    o << "== images (" << m.ma.size() << ")\n";
    for (std::size_t i = 0; i < m.ma.size(); ++i) {
        const TsMaskData& e = m.ma[i];
        o << "[" << i << "] " << e.ClassName << "." << e.PropertyName << " " << ImgTypeName(e.ImgType)
          << " section=" << e.SkinIndex << " R=" << Rect(e.R) << " count=" << e.ImageCount << " mask=" << e.MaskType
          << " draw=" << e.DrawMode << " borderwidth=" << e.BorderWidth << " margins=" << e.WL << "," << e.WT << ","
          << e.WR << "," << e.WB << " corner=" << e.CornerType << " cell=" << e.Width << "x" << e.Height;
        if (e.Bmp) o << " own=" << e.Bmp->Width << "x" << e.Bmp->Height;
        o << "\n";
    }

    o << "== outer effects\n";
    for (std::size_t i = 0; i < skin.oe.size(); ++i) {
        const TacOutEffData& r = skin.oe[i];
        o << "[" << i << "] colors=" << Hex(r.ColorL) << "," << Hex(r.ColorT) << "," << Hex(r.ColorR) << ","
          << Hex(r.ColorB) << " offsets=" << r.OffsetL << "," << r.OffsetT << "," << r.OffsetR << "," << r.OffsetB
          << " widths=" << r.WidthL << "," << r.WidthT << "," << r.WidthR << "," << r.WidthB << " blur=" << r.Blur
          << " radius=" << r.Radius << " mask=" << r.Mask << " source=" << r.Source << " opacity=" << r.Opacity << "\n";
    }

    o << "== palette\n";
    for (int i = 0; i < PaletteColorCount; ++i) {
        o << PaletteColorName(i) << "=" << Hex(skin.Palette[static_cast<std::size_t>(i)]) << "\n";
    }

    const TConstantSkinData& d = skin.ConstData;
    o << "== cached indexes\n";
    o << "IndexGLobalInfo=" << d.IndexGLobalInfo << "\n";
    for (int s = 0; s < SectionCount; ++s) o << SectionEnumName(s) << "=" << d.Sections[static_cast<std::size_t>(s)] << "\n";
    o << "CheckBox=" << List(d.CheckBox) << " SmallCheckBox=" << List(d.SmallCheckBox)
      << " RadioButton=" << List(d.RadioButton) << "\n";
    o << "ExBorder=" << d.ExBorder << " Grips=" << d.GripRightBottom << "," << d.GripHorizontal << "," << d.GripVertical
      << "\n";
    Element(o, "MenuItem", d.MenuItem);
    Element(o, "ComboBtn", d.ComboBtn);
    static const char* layouts[4] = {"First", "Last", "Middle", "Single"};
    static const char* sides[4] = {"Left", "Top", "Right", "Bottom"};
    for (int l = 0; l < 4; ++l) {
        for (int s = 0; s < 4; ++s) {
            Element(o, (std::string("Tabs.") + layouts[l] + "." + sides[s]).c_str(), d.Tabs[l][s]);
        }
    }
    for (int s = 0; s < 4; ++s) {
        Element(o, (std::string("Scrolls.") + std::to_string(s)).c_str(), d.Scrolls[s]);
        Element(o, (std::string("ScrollBtns.") + sides[s]).c_str(), d.ScrollBtns[s]);
        Element(o, (std::string("UpDownBtns.") + sides[s]).c_str(), d.UpDownBtns[s]);
    }
    Element(o, "Sliders.H", d.Sliders[0]);
    Element(o, "Sliders.V", d.Sliders[1]);
    for (int i = 0; i < 2; ++i) {
        const TacTrackBarData& t = d.TrackBar[i];
        o << "TrackBar." << i << ": section=" << t.SkinIndex << " border=" << t.MaskIndex << " channel=" << t.ChannelIndex
          << " bg=" << t.BGIndex[0] << "," << t.BGIndex[1] << " prog=" << t.ProgIndex << " tick=" << t.TickIndex
          << " slider=" << t.SliderIndex << "\n";
    }
    o << "TitleGlyphs=" << List(d.TitleGlyphs) << "\n";
    for (int g = 0; g < TitleGlowCount; ++g) {
        o << "TitleGlows." << g << "=";
        for (std::size_t f = 0; f < d.TitleGlows[g].size(); ++f) o << (f ? "," : "") << d.TitleGlows[g][f];
        o << " margin=" << d.GlowMargins[g] << "\n";
    }
    o << "== fonts (" << skin.Fonts.size() << ")\n";
    for (const auto& f : skin.Fonts) o << f.FileName << " \"" << f.FontName << "\" " << f.Data.size() << " bytes\n";
    return o.str();
}

}  // namespace skintest
