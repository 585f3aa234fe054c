// Skin-wide data, palette, index cache, colour adjustments, the preview record and whole
// loads of small skins made here, through the portable interfaces.
#include "TestSkins.h"
#include "skin/CommonSkinData.h"
#include "skin/ConstData.h"
#include "skin/Palette.h"
#include "skin/SkinColors.h"
#include "skin/SkinLimits.h"
#include "skin/SkinLoad.h"
#include "skin/SkinPreview.h"
#include "skin/SkinShadow.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <set>

namespace skin {
namespace {

using skintest::TestArchive;
using skintest::TestOptions;

TColor FakeSysColor(int index) { return 0x010101 * (index + 1); }

// A file system of a few files and directories in memory.
class FakeFiles final : public SkinFileSystem {
public:
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::set<std::string> dirs;
    bool FileExists(const std::string& p) const override { return files.count(p) > 0; }
    bool DirectoryExists(const std::string& p) const override { return dirs.count(p) > 0; }
    std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& p) const override {
        auto it = files.find(p);
        return it == files.end() ? std::nullopt : std::optional(it->second);
    }
    std::vector<std::string> ListFiles(const std::string&) const override { return {}; }
    bool ForceDirectories(const std::string&) override { return false; }
    bool WriteFile(const std::string&, std::span<const std::uint8_t>) override { return false; }
    std::string ProgramDirectory() const override { return "C:\\prog\\bin\\"; }
};

TsStoredSkins OneStored(const std::vector<std::uint8_t>& data, const std::string& name = "Opus (internal)") {
    TsStoredSkins s;
    auto& item = s.Add();
    item.Name = name;
    item.PackedData = data;
    return s;
}

LoadSettings Settings(const SkinFileSystem* fs) {
    LoadSettings s;
    s.SysColor = FakeSysColor;
    s.Files = fs;
    return s;
}

std::unique_ptr<LoadedSkin> LoadStored(const std::string& options, int hue = 0, int sat = 0, int bright = 0) {
    static FakeFiles fs;
    const TsStoredSkins stored = OneStored(TestArchive(options));
    const SkinResolution where = ResolveSkinName("Opus (internal)", "c:\\Skins", stored, fs, false);
    LoadSettings s = Settings(&fs);
    s.HueOffset = hue;
    s.Saturation = sat;
    s.Brightness = bright;
    return LoadResolvedSkin(where, stored, std::nullopt, s);
}

// --- Palette ---

TEST(Palette, KeyTableKeepsEverySpellingAndCount) {
    EXPECT_EQ(PaletteColorCount, 55);
    EXPECT_EQ(PaletteKey(pcBtnBlueTextActive), "COLORTONEBLUETEXTActive");
    EXPECT_EQ(PaletteKey(pcBtnRedTextActive), "COLORTONEREDTEXTACTIVE");
    EXPECT_EQ(PaletteKey(pcEditText_Caution), "EDITTEXT_ALERT");
    EXPECT_EQ(PaletteKey(pcEditBG_Bypassed), "EDITBG_ALERT");
    EXPECT_EQ(PaletteKey(pcWebText), "TCBOTTOM");
    EXPECT_EQ(PaletteKey(pcWebTextHot), "TCTOP");
    EXPECT_EQ(PaletteColorName(pcHintText), "pcHintText");
    EXPECT_FALSE(IsAdjustablePaletteColor(pcWebTextHot));
    EXPECT_TRUE(IsAdjustablePaletteColor(pcGrid));
}

TEST(Palette, DefaultsWithoutSkinValuesComeFromSystemAndMixes) {
    PaletteInputs in;
    in.SysColor = FakeSysColor;
    const auto p = BuildPalette(in);
    EXPECT_EQ(p[pcMainColor], FakeSysColor(15));
    EXPECT_EQ(p[pcEditText], FakeSysColor(8));
    EXPECT_EQ(p[pcEditBG], FakeSysColor(5));
    EXPECT_EQ(p[pcSelectionBG], FakeSysColor(13));
    EXPECT_EQ(p[pcSelectionText_Focused], FakeSysColor(14));
    EXPECT_EQ(p[pcHintBG], FakeSysColor(24));
    EXPECT_EQ(p[pcHintText], FakeSysColor(23));
    EXPECT_EQ(p[pcWebText], 0xFF0000);
    EXPECT_EQ(p[pcWebTextHot], 0x0000FF);
    EXPECT_EQ(p[pcEditBG_Inverted], p[pcEditText]);
    EXPECT_EQ(p[pcEditText_Inverted], p[pcEditBG]);
    EXPECT_EQ(p[pcEditBG_EvenRow], MixColors(p[pcEditText], p[pcEditBG], 13));
    EXPECT_EQ(p[pcGrid], MixColors(p[pcEditText], p[pcEditBG], 30));
    EXPECT_EQ(static_cast<std::uint32_t>(p[pcBtnColor1Active]),
              static_cast<std::uint32_t>(MixColors(p[pcMainColor], 0xFFFFFF, 177)) | 0xFF000000u);
    EXPECT_EQ(static_cast<std::uint32_t>(p[pcBtnColor2Normal]),
              static_cast<std::uint32_t>(MixColors(p[pcMainColor], 0, 244)) | 0xFF000000u);
    EXPECT_EQ(p[pcBtnToneRed], 14013951);
    EXPECT_EQ(p[pcBtnBlueTextActive], 11432960);
    EXPECT_EQ(p[pcEditText_Bypassed], 0x6C);
}

TEST(Palette, SkinValuesSelectionFallbackAndNegativeButtonColours) {
    std::map<std::string, std::string> global = {
        {"COLOR", "255"}, {"BTNCOLOR1ACTIVE", "-2762018"}, {"GRIDLINE", "-1"}, {"COLORTONEBLUETEXTActive", "77"}};
    std::map<std::string, PaletteSectionLook> sections;
    PaletteSectionLook menu;
    menu.Color[1] = 0x112233;
    menu.FontColor[1] = -1;
    sections["MENUITEM"] = menu;
    PaletteSectionLook sel;  // text colour 0xFF00FF: the selection falls back to MENUITEM
    sel.FontColor[0] = KeyColor;
    sections["SELECTION"] = sel;
    PaletteInputs in;
    in.SysColor = FakeSysColor;
    in.Global = [&](std::string_view k) -> std::optional<std::string> {
        auto it = global.find(std::string(k));
        return it == global.end() ? std::nullopt : std::optional(it->second);
    };
    in.Section = [&](std::string_view n) -> std::optional<PaletteSectionLook> {
        auto it = sections.find(std::string(n));
        return it == sections.end() ? std::nullopt : std::optional(it->second);
    };
    const auto p = BuildPalette(in);
    EXPECT_EQ(p[pcMainColor], 255);
    EXPECT_EQ(p[pcBtnColor1Active], -2762018);
    EXPECT_EQ(p[pcBtnBlueTextActive], 77);
    EXPECT_EQ(p[pcGrid], MixColors(p[pcEditText], p[pcEditBG], 30));  // -1 means the default
    EXPECT_EQ(p[pcSelectionBG], 0x112233);
    EXPECT_EQ(p[pcSelectionBG_Focused], 0x112233);
    EXPECT_EQ(p[pcSelectionText], FakeSysColor(14));
}

// --- Skin-wide data ---

SkinDataInputs Inputs(std::map<std::string, std::string> values, int scale) {
    SkinDataInputs in;
    auto shared = std::make_shared<std::map<std::string, std::string>>(std::move(values));
    in.Value = [shared](std::string_view s, std::string_view k) -> std::optional<std::string> {
        auto it = shared->find(std::string(s) + "/" + std::string(k));
        return it == shared->end() ? std::nullopt : std::optional(it->second);
    };
    in.ScaleIndex = scale;
    in.Scale = [](int v) { return v; };
    in.SystemFrameWidth = 7;
    return in;
}

TEST(CommonSkinData, PerScaleKeysAtHundredPercentAndAbove) {
    TsSkinData d;
    LoadCommonSkinData(Inputs({{"GLOBALINFO/VERSION", "10.25"}}, 0), d);
    EXPECT_EQ(d.ExCenterOffs, -1);   // missing at 100 %: -1, not the default
    EXPECT_EQ(d.ExTitleHeight, 30);  // -1 becomes 30
    EXPECT_EQ(d.ExMaxHeight, 30);
    EXPECT_EQ(d.ExContentOffs, 7);
    EXPECT_DOUBLE_EQ(d.Version, 10.25);
    EXPECT_EQ(SkinVersionText(d.Version), "10.25");

    LoadCommonSkinData(Inputs({{"GLOBALINFO/TITLEHEIGHT", "20"}, {"GLOBALINFO/CENTEROFFSET*150", "5"}}, 2), d);
    EXPECT_EQ(d.ExTitleHeight, 30);  // 20 * 150 / 100
    EXPECT_EQ(d.ExCenterOffs, 5);
    EXPECT_EQ(d.ExMaxHeight, 30 * 150 / 100);  // the default (the title height) scaled
}

TEST(CommonSkinData, ShadowOffsetsDefaultToAlignOffsetAndCoveringComesFromSections) {
    TsSkinData d;
    LoadCommonSkinData(Inputs({{"GLOBALINFO/ALIGNOFFSET", "3"}, {"GLOBALINFO/ALIGNOFFSETT", "1"},
                               {"TABTOP/TABSCOVERING", "2"}, {"RIBBONTAB/TABSCOVERING", "4"},
                               {"GLOBALINFO/MainFont", "Segoe UI"}},
                              0),
                       d);
    EXPECT_EQ(d.ExShadowOffsR, 3);
    EXPECT_EQ(d.ExShadowOffsT, 1);
    EXPECT_EQ(d.ExShadowOffsB, 3);
    EXPECT_EQ(d.TabsCovering, 2);
    EXPECT_EQ(d.RibbonCovering, 4);
    EXPECT_EQ(d.MainFont, "Segoe UI");
    EXPECT_EQ(d.WndShadowColorA, static_cast<TColor>(0x99000000u));
}

TEST(OuterEffects, DefaultsOfBothRecordsAndMaskBySource) {
    std::vector<int> asked;
    auto oe = LoadOuterEffects(Inputs({{"GLOBALINFO/SH_SOURCE", "0"}}, 0),
                               [&](int entry, const TacOutEffData&, const std::optional<std::string>&) {
                                   asked.push_back(entry);
                                   return 42;
                               });
    ASSERT_EQ(oe.size(), 2u);
    EXPECT_EQ(oe[0].ColorL, 0xFFFFFF);
    EXPECT_EQ(oe[0].ColorT, 0);
    EXPECT_EQ(oe[0].OffsetB, 4);
    EXPECT_EQ(oe[0].Opacity, 200);
    EXPECT_EQ(oe[0].Mask, 42);
    EXPECT_EQ(oe[1].ColorT, KeyColor);
    EXPECT_EQ(oe[1].OffsetL, 3);
    EXPECT_EQ(oe[1].OffsetB, 5);
    EXPECT_EQ(oe[1].Opacity, 60);
    EXPECT_EQ(oe[1].Mask, -1);  // source 0: no image
    EXPECT_EQ(asked, std::vector<int>{0});
}

// --- Index cache ---

// A model of named sections without images.
class FakeModel final : public ConstDataModel {
public:
    std::vector<std::string> sections;
    std::map<std::string, int> globals;
    std::vector<std::pair<std::string, int>> added;
    int SkinIndex(std::string_view s) const override {
        for (std::size_t i = 0; i < sections.size(); ++i) {
            if (sections[i] == s) return static_cast<int>(i);
        }
        return -1;
    }
    int MaskIndex(int, std::string_view) const override { return -1; }
    int TextureIndex(int, std::string_view) const override { return -1; }
    int ScaledGlyph(int, std::string_view key, bool) override { return key == "BICONCLOSE" ? 7 : key.starts_with("BICONCLOSEGLOW") ? 9 : -1; }
    int GlobalInt(std::string_view k, int def) const override {
        auto it = globals.find(std::string(k));
        return it == globals.end() ? def : it->second;
    }
    int GlobalIntPerScale(std::string_view, int) const override { return -1; }
    int AddNewSection(std::string_view name, int parent) override {
        added.emplace_back(std::string(name), parent);
        sections.emplace_back(name);
        return static_cast<int>(sections.size()) - 1;
    }
};

TEST(ConstData, SectionTableOrderAndSubstitutes) {
    EXPECT_EQ(SectionCount, 53);
    EXPECT_EQ(SectionName(ssMenuItem), "MENUITEM");
    EXPECT_EQ(SectionName(ssButtonHuge), "BUTTON_HUGE");
    EXPECT_EQ(SectionName(ssSlider_On), "SLIDER_ON");
    EXPECT_EQ(SectionEnumName(ssWebBtn), "ssWebBtn");

    FakeModel m;
    m.sections = {"GLOBALINFO", "BUTTON", "TOOLBAR", "PANEL_LOW", "FORMTITLE"};
    TConstantSkinData d;
    InitConstantIndexes(m, d);
    ApplySectionSubstitutions(m, d);
    EXPECT_EQ(d.IndexGLobalInfo, 0);
    EXPECT_EQ(d.Sections[ssButton], 1);
    EXPECT_EQ(d.Sections[ssComboNoEdit], -1);
    EXPECT_EQ(d.Sections[ssMenuCaption], 2);  // TOOLBAR stands in
    EXPECT_EQ(d.Sections[ssDialogTitle], 4);
    EXPECT_EQ(d.Sections[ssColHeader], 1);    // BUTTON
    EXPECT_EQ(d.Sections[ssColHeaderA], 1);   // COLHEADER after its own substitution
    EXPECT_EQ(d.Sections[ssSlider_Off], 3);
    EXPECT_EQ(d.Sections[ssMenuLine], -1);
    EXPECT_EQ(d.Sections[ssTBBtn], -1);       // TOOLBUTTON missing too: nothing to copy
    // Copies were appended under the missing names, in table order.
    const std::vector<std::pair<std::string, int>> expected = {
        {"MENUCAPTION", 2}, {"DIALOGTITLE", 4}, {"COLHEADER", 1}, {"COLHEADERA", 1},
        {"COLHEADERL", 1},  {"COLHEADERR", 1},  {"SLIDER_OFF", 3}, {"SLIDER_ON", 3}};
    EXPECT_EQ(m.added, expected);
}

TEST(ConstData, TitleGlyphFallbacksAndCappedGlowFrames) {
    FakeModel m;
    m.sections = {"GLOBALINFO"};
    m.globals["BICONCLOSEGLOW"] = 1000000;  // a skin claiming absurdly many frames
    TConstantSkinData d;
    InitConstantIndexes(m, d);
    EXPECT_EQ(d.TitleGlyphs[tgClose], 7);
    EXPECT_EQ(d.TitleGlyphs[tgCloseAlone], 7);  // BICLOSEALONE missing: BICONCLOSE
    EXPECT_EQ(d.TitleGlyphs[tgSmallClose], 7);  // small missing: the big one
    EXPECT_EQ(d.TitleGlyphs[tgLast], -1);
    EXPECT_EQ(d.TitleGlows[tgCloseAlone].size(), static_cast<std::size_t>(MaxGlowFrames));
    EXPECT_EQ(d.TitleGlows[tgClose].size(), static_cast<std::size_t>(MaxGlowFrames));
    d.Clear();
    for (int s = 0; s < SectionCount; ++s) EXPECT_EQ(d.Sections[s], -1);
}

// --- Colour adjustments ---

TEST(ColorAdjust, BrightnessSaturationAndHueFormulas) {
    EXPECT_EQ(ChangeBrightness(0x00804020u, 100), 0x00B2592Cu);  // c + (100 c >> 8)
    EXPECT_EQ(ChangeBrightness(0x00804020u, -100), 0x004E2714u);
    EXPECT_EQ(ChangeBrightness(0xFFFFFFFFu, 100), 0xFFFFFFFFu);
    // Saturation -100 (s = -255) gives every channel (255 * gray) >> 8; gray of byte 2 = 255
    // is round(76.245) = 76, and 76 * 255 >> 8 = 75.
    EXPECT_EQ(ChangeSaturation(0x00FF0000u, -100), 0x004B4B4Bu);
    EXPECT_EQ(AdjustColor(0x00123456, 0, 0, 0), 0x00123456);  // 0 does nothing
    EXPECT_EQ(RotateHue(0x000000FFu, 120), 0x0000FF00u);  // red -> green
    EXPECT_EQ(RotateHue(0x00808080u, 77), 0x00808080u);   // grey has no hue
    EXPECT_EQ(AdjustColor(-1, 90, 50, 50), -1);
}

// --- Preview record ---

TEST(PreviewRecord, SizeMagicAndUnterminatedFields) {
    const std::string rec = MakePreviewRecord("Name", "c:\\Dir", "[GLOBALINFO]");
    ASSERT_EQ(rec.size(), 30645u);
    auto bytes = std::as_bytes(std::span(rec));
    const auto parsed = ParsePreviewRecord(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->SkinName, "Name");
    EXPECT_EQ(parsed->SkinDir, "c:\\Dir");
    EXPECT_EQ(parsed->Data, "[GLOBALINFO]");
    EXPECT_FALSE(ParsePreviewRecord(bytes.first(30644)));
    const std::string wrongMagic = MakePreviewRecord("N", "D", "X", 0xA401);
    EXPECT_FALSE(ParsePreviewRecord(std::as_bytes(std::span(wrongMagic))));
    // Fields filled to the brim end at their field, not in the next one.
    const std::string full = MakePreviewRecord(std::string(200, 'n'), std::string(600, 'd'), std::string(40000, 'x'));
    const auto p = ParsePreviewRecord(std::as_bytes(std::span(full)));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->SkinName, std::string(128, 'n'));
    EXPECT_EQ(p->SkinDir, std::string(512, 'd'));
    EXPECT_EQ(p->Data, std::string(30001, 'x'));
}

// --- Name resolution ---

TEST(ResolveSkinName, PackedThenDirectoryThenStored) {
    FakeFiles fs;
    const TsStoredSkins stored = OneStored({});
    auto r = ResolveSkinName("Opus (internal).ASZ", "c:\\Skins", stored, fs, false);
    EXPECT_EQ(r.Kind, SkinKind::Stored);
    EXPECT_EQ(r.Name, "Opus (internal)");

    fs.files["c:\\Skins\\Opus (internal)\\Options.dat"] = {};
    r = ResolveSkinName("Opus (internal)", "c:\\Skins", stored, fs, false);
    EXPECT_EQ(r.Kind, SkinKind::Directory);
    EXPECT_EQ(r.SkinPath, "c:\\Skins\\Opus (internal)\\");

    fs.files["c:\\Skins\\Opus (internal).asz"] = {};
    r = ResolveSkinName("Opus (internal)", "c:\\Skins", stored, fs, false);
    EXPECT_EQ(r.Kind, SkinKind::Packed);
    EXPECT_EQ(r.PackedFile, "c:\\Skins\\Opus (internal).asz");

    // After a live preview, a directory of the name wins over the packed file.
    fs.dirs.insert("c:\\Skins\\Opus (internal)");
    r = ResolveSkinName("Opus (internal)", "c:\\Skins", stored, fs, true);
    EXPECT_EQ(r.Kind, SkinKind::Directory);

    r = ResolveSkinName("Unknown", "c:\\Skins", stored, fs, false);
    EXPECT_EQ(r.Kind, SkinKind::Stored);
    EXPECT_EQ(r.Name, "Opus (internal)");
    EXPECT_EQ(ResolveSkinName("Unknown", "c:\\Skins", TsStoredSkins{}, fs, false).Kind, SkinKind::None);
}

TEST(ResolveSkinName, DirectoryNormalisingAndFullDirectory) {
    EXPECT_EQ(NormalizeDir(""), "");
    EXPECT_EQ(NormalizeDir("c"), "c:\\");
    EXPECT_EQ(NormalizeDir("c:"), "c:\\");
    EXPECT_EQ(NormalizeDir("c:/x/"), "c:/x\\");
    EXPECT_EQ(NormalizeDir("c:\\x\\"), "c:\\x\\");
    EXPECT_EQ(FullSkinDirectory("..\\Skins", "C:\\prog\\bin\\"), "C:\\prog\\Skins");
    EXPECT_EQ(FullSkinDirectory(".\\Skins", "C:\\prog\\bin\\"), "C:\\prog\\bin\\Skins");
    EXPECT_EQ(FullSkinDirectory(".", "C:\\prog\\bin\\"), "C:\\prog\\bin\\");
    EXPECT_EQ(FullSkinDirectory("Skins", "C:\\prog\\bin\\"), "C:\\prog\\bin\\Skins");
    EXPECT_EQ(FullSkinDirectory("c:\\Skins", "C:\\prog\\bin\\"), "c:\\Skins");
}

// --- Whole loads ---

TEST(SkinLoad, StoredSkinBuildsModelPaletteAndCache) {
    const auto skin = LoadStored(TestOptions());
    const SkinModel& m = *skin->Model;
    EXPECT_DOUBLE_EQ(skin->Common.Version, 10.25);
    EXPECT_EQ(skin->Common.Author, "Tests");
    EXPECT_EQ(skin->Palette[pcMainColor], 14344676);
    EXPECT_EQ(skin->Palette[pcEditBG], 16777215);
    EXPECT_EQ(skin->Palette[pcEditText], 2105376);
    EXPECT_EQ(skin->Palette[pcSelectionBG], 13395456);
    EXPECT_EQ(skin->Palette[pcSelectionBG_Focused], 10040064);
    EXPECT_EQ(skin->Palette[pcSelectionText_Focused], 16776960);
    EXPECT_EQ(skin->Palette[pcBtnBorderNormal], 8421504);
    EXPECT_EQ(skin->Palette[pcHintBG], FakeSysColor(24));  // no HINT section
    EXPECT_GE(m.GetSkinIndex("TRANSPARENT"), 0);
    EXPECT_GE(m.GetSkinIndex("MAINCOLOR"), 0);
    const auto& c = skin->ConstData;
    EXPECT_EQ(c.Sections[ssComboNoEdit], -1);
    EXPECT_EQ(c.Sections[ssTransparent], m.GetSkinIndex("TRANSPARENT"));
    EXPECT_EQ(c.Sections[ssButton], m.GetSkinIndex("BUTTON"));
    EXPECT_EQ(c.Sections[ssMenuCaption], m.GetSkinIndex("TOOLBAR"));
    EXPECT_GE(m.GetSkinIndex("MENUCAPTION"), 0);  // the copy appended under the missing name
    EXPECT_GE(c.CheckBox[1], 0);
    EXPECT_EQ(m.ma[static_cast<std::size_t>(c.CheckBox[1])].PropertyName, "BOXCHECKED");
    EXPECT_GE(c.TitleGlyphs[tgClose], 0);
    EXPECT_EQ(c.TitleGlyphs[tgCloseAlone], c.TitleGlyphs[tgClose]);
    EXPECT_EQ(c.TitleGlows[tgClose].size(), 2u);
    EXPECT_GE(c.ComboBtn.GlyphIndex, 0);  // GLYPHMASK of COMBOBOX
    ASSERT_EQ(skin->oe.size(), 2u);
    EXPECT_GE(skin->oe[0].Mask, 0);       // source 2: a generated image
    const auto& mask = m.ma[static_cast<std::size_t>(skin->oe[0].Mask)];
    ASSERT_TRUE(mask.Bmp);
    EXPECT_EQ(mask.Bmp->Height, 2 * mask.Height);
}

TEST(SkinLoad, CorruptAndWrongMagicStoredSkinsThrowWithoutResult) {
    FakeFiles fs;
    auto bytes = TestArchive();
    bytes[bytes.size() / 2] ^= 0x55;
    bytes[bytes.size() / 2 + 1] ^= 0x55;
    const TsStoredSkins corrupt = OneStored(bytes);
    const auto where = ResolveSkinName("Opus (internal)", "c:\\Skins", corrupt, fs, false);
    EXPECT_ANY_THROW(LoadResolvedSkin(where, corrupt, std::nullopt, Settings(&fs)));

    const TsStoredSkins wrong = OneStored(skintest::Bytes("NOPE0000000000000000"));
    try {
        LoadResolvedSkin(where, wrong, std::nullopt, Settings(&fs));
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Internal format error in the \"Opus (internal)\" skin. Please, update this skin to latest version.");
    }
}

TEST(SkinLoad, EmptyStoredDataLoadsDefaultsAndPreviewTextReplacesOptions) {
    FakeFiles fs;
    const TsStoredSkins empty = OneStored({});
    const auto where = ResolveSkinName("Opus (internal)", "c:\\Skins", empty, fs, false);
    auto skin = LoadResolvedSkin(where, empty, std::nullopt, Settings(&fs));
    EXPECT_DOUBLE_EQ(skin->Common.Version, 0);
    EXPECT_EQ(skin->Palette[pcMainColor], FakeSysColor(15));
    skin = LoadResolvedSkin(where, empty, std::string("[GLOBALINFO]\r\nVERSION=12.5\r\nCOLOR=255\r\n"), Settings(&fs));
    EXPECT_DOUBLE_EQ(skin->Common.Version, 12.5);
    EXPECT_EQ(skin->Palette[pcMainColor], 255);
}

TEST(SkinLoad, NewerSkinWarnsAndStillLoads) {
    FakeFiles fs;
    const TsStoredSkins stored = OneStored(TestArchive(TestOptions("14.5")));
    const auto where = ResolveSkinName("x", "c:\\Skins", stored, fs, false);
    LoadSettings s = Settings(&fs);
    std::vector<std::string> warnings;
    s.VersionWarning = [&](const std::string& t) { warnings.push_back(t); };
    auto skin = LoadResolvedSkin(where, stored, std::nullopt, s);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], NewerSkinWarning);
    EXPECT_GE(skin->Model->GetSkinIndex("BUTTON"), 0);
}

TEST(SkinLoad, FontCountIsCapped) {
    FakeFiles fs;
    std::vector<ArchiveMember> members = {
        {"OPTIONS.DAT", skintest::Bytes(TestOptions("10.25", "FontCount=2000000000\r\nFontFile0=a.ttf\r\nFontName0=A\r\n"))},
        {"MASTER COPY.BMP", skintest::MasterBitmap()},
        {"a.ttf", skintest::Bytes("not really a font")}};
    const TsStoredSkins stored = OneStored(WriteSkinArchive(members));
    const auto where = ResolveSkinName("x", "c:\\Skins", stored, fs, false);
    auto skin = LoadResolvedSkin(where, stored, std::nullopt, Settings(&fs));
    ASSERT_EQ(skin->Fonts.size(), 1u);
    EXPECT_EQ(skin->Fonts[0].FileName, "a.ttf");
    EXPECT_EQ(skin->Fonts[0].FontName, "A");
}

TEST(SkinLoad, AdjustmentsChangeColoursPaletteAndMasterButNotMaskBands) {
    const auto plain = LoadStored(TestOptions());
    const auto bright = LoadStored(TestOptions(), 0, 0, 100);
    const int button = plain->Model->GetSkinIndex("BUTTON");
    const TColor before = plain->Model->gd[static_cast<std::size_t>(button)].Props[0].Color;
    const TColor after = bright->Model->gd[static_cast<std::size_t>(button)].Props[0].Color;
    EXPECT_EQ(static_cast<std::uint32_t>(after), ChangeBrightness(static_cast<std::uint32_t>(before), 100));
    // The master bitmap brightens; the palette is left to hue and saturation.
    EXPECT_NE(plain->Model->MasterBitmap->At(5, 2), bright->Model->MasterBitmap->At(5, 2));
    EXPECT_EQ(plain->Palette[pcMainColor], bright->Palette[pcMainColor]);
    // BUTTON's border image has one mask band: its lower half keeps its pixels.
    EXPECT_EQ(plain->Model->MasterBitmap->At(5, 15), bright->Model->MasterBitmap->At(5, 15));

    const auto turned = LoadStored(TestOptions(), 120);
    EXPECT_EQ(static_cast<std::uint32_t>(turned->Palette[pcMainColor]),
              RotateHue(static_cast<std::uint32_t>(plain->Palette[pcMainColor]), 120));
}

// --- Scaled, brightened and hostile images ---

using skintest::Bytes;
using skintest::MasterBitmap;

std::unique_ptr<LoadedSkin> LoadMembers(const std::vector<ArchiveMember>& members, LoadSettings s) {
    static FakeFiles fs;
    const TsStoredSkins stored = OneStored(WriteSkinArchive(members));
    const SkinResolution where = ResolveSkinName("Opus (internal)", "c:\\Skins", stored, fs, false);
    s.Files = &fs;
    s.SysColor = FakeSysColor;
    return LoadResolvedSkin(where, stored, std::nullopt, s);
}

LoadSettings AtScale(TacScaleMode mode) {
    LoadSettings s;
    s.ScaleMode = mode;
    return s;
}

TEST(SkinLoad, GlowFramesThatCloseAloneBorrowsAreScaledOnce) {
    // No "BICLOSEALONE": its slot takes "BICONCLOSE" with its two 10 x 8 glow frames.
    const auto skin = LoadMembers({{"OPTIONS.DAT", Bytes(TestOptions())}, {"MASTER COPY.BMP", MasterBitmap()}},
                                  AtScale(sm150));
    const auto& c = skin->ConstData;
    const auto& ma = skin->Model->ma;
    ASSERT_EQ(c.TitleGlows[tgClose].size(), 2u);
    EXPECT_EQ(c.TitleGlows[tgCloseAlone], c.TitleGlows[tgClose]);
    for (int frame : c.TitleGlows[tgClose]) {
        const TsMaskData& e = ma[static_cast<std::size_t>(frame)];
        ASSERT_TRUE(e.Bmp);
        EXPECT_EQ(e.Bmp->Width, 15);
        EXPECT_EQ(e.Bmp->Height, 12);
        EXPECT_EQ(e.R, (TRect{0, 0, 15, 12}));
    }
    // The close glyph fills three slots (alone, big, small): three cells of 6 x 10 become 9 x 15.
    const TsMaskData& close = ma[static_cast<std::size_t>(c.TitleGlyphs[tgClose])];
    EXPECT_EQ(close.R, (TRect{0, 0, 27, 15}));
    EXPECT_EQ(close.Width, 9);
}

// PNG images come from this decoder: the same four pixels for every name.
class FixedPngDecoder final : public ImageDecoder {
public:
    std::shared_ptr<Bitmap32> Decode(std::span<const std::uint8_t>, std::string_view ext) override {
        if (ext != ".PNG") return nullptr;
        auto bmp = std::make_shared<Bitmap32>(2, 2);
        bmp->Pixels = Pixels();
        return bmp;
    }
    // Semi-transparent, transparent white, the key colour, opaque.
    static std::vector<std::uint32_t> Pixels() { return {0x80402010u, 0x00FFFFFFu, KeyColorPixel, 0xFF102030u}; }
};

TEST(SkinLoad, BrightenedImagesArePremultipliedInNewerSkinsAndClearedInOlder) {
    Bitmap32 image(2, 2);
    image.Pixels = FixedPngDecoder::Pixels();
    FixedPngDecoder decoder;
    auto load = [&](const std::string& version, int brightness) {
        LoadSettings s;
        s.Brightness = brightness;
        s.Decoder = &decoder;
        const std::string options = "[GLOBALINFO]\r\nVERSION=" + version +
                                    "\r\n[PANEL]\r\nBMP=!IMG.BMP!1!0!1\r\nPNG=!IMG.PNG!1!0!1\r\nBANDS=!BANDS.PNG!1!1!1\r\n";
        auto skin = LoadMembers({{"OPTIONS.DAT", Bytes(options)},
                                 {"IMG.BMP", EncodeBmp32(image)},
                                 {"IMG.PNG", Bytes("png")},
                                 {"BANDS.PNG", Bytes("png")}},
                                s);
        std::map<std::string, std::vector<std::uint32_t>> pixels;
        for (const char* key : {"BMP", "PNG", "BANDS"}) {
            const int i = skin->Model->GetMaskIndex("PANEL", key);
            EXPECT_GE(i, 0) << key;
            if (i >= 0) pixels[key] = skin->Model->ma[static_cast<std::size_t>(i)].Bmp->Pixels;
        }
        return pixels;
    };
    // Each channel c becomes c + 50c/256, then (newer skins) c * alpha / 255 rounded.
    const std::uint32_t brightened = 0x804C2613u, premultiplied = 0x8026130Au, opaque = 0xFF132639u;

    auto newer = load("10.25", 50);
    EXPECT_EQ(newer["BMP"], (std::vector<std::uint32_t>{premultiplied, 0, KeyColorPixel, opaque}));
    EXPECT_EQ(newer["PNG"], newer["BMP"]);
    EXPECT_EQ(newer["BANDS"][0], premultiplied);  // only the upper band brightens; PNGs premultiply whole

    auto older = load("7.0", 50);
    EXPECT_EQ(older["BMP"], (std::vector<std::uint32_t>{brightened, 0, KeyColorPixel, opaque}));
    EXPECT_EQ(older["PNG"], older["BMP"]);

    // Without brightening newer PNGs are premultiplied when decoded, BMPs are left alone.
    auto plain = load("10.25", 0);
    EXPECT_EQ(plain["BMP"], FixedPngDecoder::Pixels());
    EXPECT_EQ(plain["PNG"][0], 0x80201008u);
}

TEST(SkinLoad, HostileNumbersGiveDefinedResults) {
    // Values at the ends of the integer ranges wherever a load scales or sizes something,
    // and a glyph rectangle whose scaled copy would be 21,996 pixels wide.
    const std::string global =
        "LO_RADIUS_OE=2147483647\r\nLO_BLUR_OE=2147483647\r\nSH_RADIUS_OE=2147483647\r\n"
        "WSHRAD=2147483647\r\nWSHSIZE=-2147483648\r\nBISPACE=1500000000\r\n"
        "TITLEHEIGHT=9223372036854775807\r\nMAXHEIGHT=-9223372036854775808\r\n"
        "GRIPIMAGE=@-999@0000@9999@0001@1@0\r\n"
        "COMBOMARGIN=-3000\r\nBIRIGHT=1000000000\r\nBILEFT=2147483647\r\nSHADOW1TRANSPARENCY=-5\r\n";
    const auto skin = LoadMembers({{"OPTIONS.DAT", Bytes(TestOptions("10.25", global))}, {"MASTER COPY.BMP", MasterBitmap()}},
                                  AtScale(sm200));
    // Brought into their ranges as read, then scaled to 200 %.
    EXPECT_EQ(skin->Common.WndShadowRadius, 2 * MaxWindowShadow);
    EXPECT_EQ(skin->Common.WndShadowSize, 0);
    EXPECT_EQ(skin->Common.BISpacing, 2 * MaxSkinMargin);
    EXPECT_EQ(skin->Common.ExTitleHeight, MaxTitleHeight);
    EXPECT_EQ(skin->Common.ComboBoxMargin, -MaxSkinMargin);
    EXPECT_EQ(skin->Common.BIRightMargin, MaxSkinMargin);
    EXPECT_EQ(skin->Common.BILeftMargin, MaxSkinMargin);
    EXPECT_EQ(skin->Common.Shadow1Transparency, 0);
    EXPECT_EQ(skin->Common.ExMaxHeight, skin->Common.ExTitleHeight);  // negative: the title height
    const auto& ma = skin->Model->ma;
    for (const auto& rec : skin->oe) {
        ASSERT_GE(rec.Mask, 0);
        const TsMaskData& mask = ma[static_cast<std::size_t>(rec.Mask)];
        EXPECT_LE(mask.Width, MaxShadowSide);
        EXPECT_GE(mask.Width, 1);
    }
    const TsMaskData& grip = ma[static_cast<std::size_t>(skin->ConstData.GripRightBottom)];
    EXPECT_FALSE(grip.Bmp);  // too large to scale: it stays the plain glyph
    EXPECT_EQ(grip.R, (TRect{-999, 0, 9999, 1}));
}

TEST(SkinLoad, GlyphsOfAMissingMasterScaleToTransparentCopies) {
    const auto skin = LoadMembers({{"OPTIONS.DAT", Bytes("[GLOBALINFO]\r\nBOXCHECKED=@0000@0000@0012@0012@1@0\r\n")}},
                                  AtScale(sm150));
    ASSERT_TRUE(skin->Model->MasterBitmap->Empty());
    const TsMaskData& box = skin->Model->ma[static_cast<std::size_t>(skin->ConstData.CheckBox[1])];
    ASSERT_TRUE(box.Bmp);
    EXPECT_EQ(box.R, (TRect{0, 0, 18, 18}));
    for (std::uint32_t p : box.Bmp->Pixels) EXPECT_EQ(p >> 24, 0u);
}

}  // namespace
}  // namespace skin
