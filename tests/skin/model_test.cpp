// Options file and section model: value forms, inheritance, scaled variants,
// gradients, lookups and their fallbacks.
#include "skin/SkinLoader.h"
#include "skin/SkinText.h"

#include <gtest/gtest.h>

#include <limits>

namespace skin {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

// A master bitmap: 200 × 60, opaque grey with key-coloured pixels where asked.
Bitmap32 Master() {
  Bitmap32 b(200, 60, 0xFF808080u);
  b.At(54, 12) = KeyColorPixel;  // the top-left corner of the border image below
  return b;
}

struct Loaded {
  TacSkinConvertor archive;
  SkinIni ini;
  std::unique_ptr<SkinModel> model;
};

std::unique_ptr<Loaded> Load(std::string_view options, int scaleMode = smOldMode,
                             std::vector<ArchiveMember> extra = {}, std::string_view common = {}) {
  auto l = std::make_unique<Loaded>();
  std::vector<ArchiveMember> members = {{"OPTIONS.DAT", Bytes(options)},
                                        {"MASTER COPY.BMP", EncodeBmp32(Master())}};
  for (auto& m : extra) members.push_back(std::move(m));
  l->archive.SetPackedData(WriteSkinArchive(members));
  EXPECT_TRUE(l->archive.ReadArchive());
  l->ini = SkinIni::FromBytes(l->archive.Options->Bytes());
  SkinSource source;
  source.Options = &l->ini;
  source.Archive = &l->archive;
  SkinModel settings;
  settings.ScaleMode = static_cast<TacScaleMode>(scaleMode);
  l->model = BuildSkinModel(source, settings, common);
  return l;
}

const TsMaskData& Image(const SkinModel& m, std::string_view section, std::string_view key) {
  const int i = m.GetMaskIndex(section, key);
  EXPECT_GE(i, 0) << section << "." << key;
  static TsMaskData none;
  return i >= 0 ? m.ma[static_cast<std::size_t>(i)] : none;
}

TEST(SkinIni, CaseSensitiveOrderedAndForgiving) {
  const SkinIni ini("junk=1\r\n[A]\r\nKey=v1\r\nkey=v2\r\n; comment\n\n  [B]  \nX = 7 \rno equals\n[A]\nZ=3\nKey=late\n");
  ASSERT_EQ(ini.Sections().size(), 2u);
  EXPECT_EQ(ini.Sections()[0].Name, "A");
  EXPECT_EQ(ini.Sections()[0].Entries.size(), 4u);
  EXPECT_EQ(ini.ReadString("A", "Key", "-"), "v1");
  EXPECT_EQ(ini.ReadString("A", "key", "-"), "v2");
  EXPECT_EQ(ini.ReadString("A", "KEY", "-"), "-");
  EXPECT_EQ(ini.ReadString("a", "Key", "-"), "-");
  EXPECT_EQ(ini.ReadInteger("B", "X", 0), 7);
  EXPECT_EQ(ini.ReadInteger("A", "Key", 5), 5);
  EXPECT_EQ(ini.ReadInteger("A", "Z", 0), 3);
  EXPECT_FALSE(ini.ValueExists("B", "no equals"));
}

TEST(SkinIni, ValueForms) {
  const SkinIni ini(
      "[S]\nC=14344676\nN=-2762018\nT1=TRUE\nT2=1\nF1=true\nF2=yes\nF3=0\nH=$FF\nX=0x10\nV=10.25\nBAD=12a\n"
      "BIG=-4294967296\n");
  struct Case {
    const char* key;
    int def;
    int want;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"C", 0, 14344676}, {"N", 0, -2762018}, {"H", 0, 255}, {"X", 0, 16}, {"BAD", -9, -9},
           {"BIG", -9, -9}, {"MISSING", 42, 42}}) {
    EXPECT_EQ(ini.ReadInteger("S", c.key, c.def), c.want) << c.key;
  }
  EXPECT_EQ(ini.ReadInt64("S", "BIG", 0), -4294967296ll);
  for (auto key : {"T1", "T2"}) EXPECT_TRUE(ini.ReadBool("S", key, false)) << key;
  for (auto key : {"F1", "F2", "F3"}) EXPECT_FALSE(ini.ReadBool("S", key, true)) << key;
  EXPECT_TRUE(ini.ReadBool("S", "MISSING", true));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "V", 0), 10.25);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "BAD", -1), -1);
}

TEST(SkinModel, ReferenceFormsDecodedFieldByField) {
  const auto l = Load(
      "[GLOBALINFO]\nVERSION=10.25\nMASTERBITMAP=MASTER COPY.BMP\nBOXCHECKED=@0106@0000@0145@0013@3@0\n"
      "[BUTTON]\nBORDERSMASK=^0054^0012^0062^0021^0002^0002^0002^0002^1^0^1^1\n"
      "PATTERN=~0067~0141~0069~0145~10~1\n"
      "[BUTTON_HUGE]\nBORDERSMASK=!BUTTONHUGE.BMP!3!1!0!0032!0032!0032!0032!0\nGLYPH=@0000@0000@0010@0010@1@0\n"
      "FOCUS=^0000^0000^0030^0030^0000^0000^0000^0000^1^0^0^0\n"
      "[PANEL]\nBORDERSMASK=^0000^0000^0030^0030^0000^0000^0000^0000^1^0^0^4\n"
      "HOTPATTERN=^0000^0000^0060^0040^0000^0000^0000^0000^2^1^0^0\n"
      "TILE=tile.bmp\n",
      smOldMode, {{"ButtonHuge.bmp", EncodeBmp32(Bitmap32(300, 200, 0xFF000000u))},
                  {"TILE.BMP", EncodeBmp32(Bitmap32(9, 6, 0xFF123456u))}});
  const SkinModel& m = *l->model;
  EXPECT_DOUBLE_EQ(m.Version, 10.25);
  EXPECT_EQ(m.MasterBitmap->Width, 200);
  EXPECT_TRUE(m.MasterBitmap->Transparent);

  const TsMaskData& glyph = Image(m, "GLOBALINFO", "BOXCHECKED");
  EXPECT_EQ(glyph.R, (TRect{106, 0, 145, 13}));
  EXPECT_EQ(glyph.ImageCount, 3);
  EXPECT_EQ(glyph.MaskType, 0);
  EXPECT_EQ(glyph.ImgType, itisaGlyph);
  EXPECT_EQ(glyph.Width, 13);
  EXPECT_EQ(glyph.Height, 13);
  EXPECT_EQ(glyph.SkinIndex, 0);
  EXPECT_FALSE(glyph.Bmp);

  const TsMaskData& border = Image(m, "BUTTON", "BORDERSMASK");
  EXPECT_EQ(border.R, (TRect{54, 12, 62, 21}));
  EXPECT_EQ((std::array{border.WL, border.WT, border.WR, border.WB}), (std::array{2, 2, 2, 2}));
  EXPECT_EQ(border.ImageCount, 1);
  EXPECT_EQ(border.MaskType, 0);
  EXPECT_EQ(border.DrawMode, 1);
  EXPECT_EQ(border.BorderWidth, 1);
  EXPECT_EQ(border.ImgType, itisaBorder);
  EXPECT_EQ(border.CornerType, 1);  // the key pixel at (54, 12)
  EXPECT_EQ(border.SkinIndex, 1);

  const TsMaskData& texture = Image(m, "BUTTON", "PATTERN");
  EXPECT_EQ(texture.R, (TRect{67, 141, 69, 145}));
  EXPECT_EQ(texture.DrawMode, 10);
  EXPECT_EQ(texture.MaskType, 1);
  EXPECT_EQ(texture.ImageCount, 1);
  EXPECT_EQ(texture.ImgType, itisaTexture);

  const TsMaskData& huge = Image(m, "BUTTON_HUGE", "BORDERSMASK");
  ASSERT_TRUE(huge.Bmp);
  EXPECT_EQ(huge.R, (TRect{0, 0, 300, 200}));
  EXPECT_EQ(huge.ImageCount, 3);
  EXPECT_EQ(huge.MaskType, 1);
  EXPECT_EQ(huge.ImgType, itisaBorder);
  EXPECT_EQ((std::array{huge.WL, huge.WT, huge.WR, huge.WB}), (std::array{32, 32, 32, 32}));
  EXPECT_EQ(huge.DrawMode, 0);
  EXPECT_EQ(huge.Width, 100);
  EXPECT_EQ(huge.Height, 100);
  EXPECT_EQ(huge.CornerType, 0);
  // Its other border images always take the parent background at the corners.
  EXPECT_EQ(Image(m, "BUTTON_HUGE", "FOCUS").CornerType, 2);
  EXPECT_EQ(Image(m, "BUTTON_HUGE", "GLYPH").CornerType, 0);  // glyphs get no corner type

  const TsMaskData& uniform = Image(m, "PANEL", "BORDERSMASK");
  EXPECT_EQ((std::array{uniform.WL, uniform.WT, uniform.WR, uniform.WB}), (std::array{4, 4, 4, 4}));
  const TsMaskData& thirds = Image(m, "PANEL", "HOTPATTERN");
  EXPECT_EQ((std::array{thirds.WL, thirds.WT, thirds.WR, thirds.WB}), (std::array{10, 6, 10, 6}));

  const TsMaskData& tile = Image(m, "PANEL", "TILE");
  ASSERT_TRUE(tile.Bmp);
  EXPECT_EQ(tile.R, (TRect{0, 0, 9, 6}));
  EXPECT_EQ(tile.ImgType, itisaTexture);
  EXPECT_EQ((std::array{tile.WL, tile.WT}), (std::array{3, 2}));
  EXPECT_EQ(m.ExtArray.size(), 2u);
}

TEST(SkinModel, HostileReferencesAreSafe) {
  // Zero counts, negative mask types, rectangles outside the master bitmap
  // and references naming missing images load without faults.
  const auto l = Load(
      "[GLOBALINFO]\nMASTERBITMAP=MASTER COPY.BMP\n"
      "[A]\nZERO=^0190^0050^0900^0900^0000^0000^0000^0000^0^0^0^0\n"
      "NEG=!IMG.BMP!0!-4!9\nLOST=!NOWHERE.BMP!1!0!0\nNOTHING=!\nTEX=~0000~0000~0010~0010~01~0~MISSING.BMP\n"
      "G0=@0000@0000@0030@0010@0@0\n",
      smOldMode, {{"IMG.BMP", EncodeBmp32(Bitmap32(30, 12, KeyColorPixel))}});
  const SkinModel& m = *l->model;
  const TsMaskData& zero = Image(m, "A", "ZERO");
  EXPECT_EQ(zero.ImageCount, 1);
  EXPECT_EQ(zero.WL, 236);  // width 710 / 3
  EXPECT_EQ(zero.CornerType, 0);
  const TsMaskData& neg = Image(m, "A", "NEG");
  EXPECT_EQ(neg.ImageCount, 1);
  EXPECT_EQ(neg.MaskType, 0);
  EXPECT_EQ(neg.ImgType, itisaPngGlyph);
  EXPECT_EQ((std::array{neg.WL, neg.WT}), (std::array{10, 4}));
  EXPECT_LT(m.GetMaskIndex("A", "LOST"), 0);
  EXPECT_LT(m.GetMaskIndex("A", "NOTHING"), 0);
  EXPECT_FALSE(Image(m, "A", "TEX").Bmp);
  const TsMaskData& g0 = Image(m, "A", "G0");
  EXPECT_EQ(g0.ImageCount, 1);
  EXPECT_EQ(g0.Width, 30);
  EXPECT_EQ(g0.WL, 30);  // a zero count takes its margins from the cell
  EXPECT_EQ(g0.WT, 10);
}

TEST(SkinModel, FixedColumnFieldThatIsNotANumberEndsTheLoad) {
  TacSkinConvertor archive;
  const SkinIni ini("[A]\nX=@01x6@0000@0145@0013@3@0\n");
  SkinSource source;
  source.Options = &ini;
  EXPECT_THROW(BuildSkinModel(source, SkinModel{}), EConvertError);
  const SkinIni shortText("[A]\nX=@0106@00\n");
  source.Options = &shortText;
  EXPECT_THROW(BuildSkinModel(source, SkinModel{}), EConvertError);
}

TEST(SkinModel, ScaledVariantsBySelectedScale) {
  const std::string options =
      "[GLOBALINFO]\nBOXCHECKED=@0000@0000@0039@0013@3@0\nBOXCHECKED*150=@0000@0020@0060@0040@3@0\n"
      "[THUMB_OFF]\nBORDERSMASK=^0000^0000^0010^0010^0002^0002^0002^0002^1^0^0^0\n"
      "BORDERSMASK*150=^0000^0000^0015^0015^0003^0003^0003^0003^1^0^0^0\n"
      "EXT=!SMALL.BMP!1!0!0\nEXT*200=!BIG.BMP!1!0!0\n";
  const std::vector<ArchiveMember> images = {{"SMALL.BMP", EncodeBmp32(Bitmap32(10, 10))},
                                             {"BIG.BMP", EncodeBmp32(Bitmap32(20, 20))}};
  struct Case {
    TacScaleMode mode;
    int borderRight;
    int border_wl;
    const char* extKey;
    int extWidth;
  };
  for (const Case& c : {Case{smOldMode, 10, 2, "EXT", 10}, Case{sm125, 10, 2, "EXT", 10},
                        Case{sm150, 15, 3, "EXT", 10}, Case{sm200, 10, 2, "EXT*200", 20}}) {
    SCOPED_TRACE(c.mode);
    const auto l = Load(options, c.mode, images);
    const SkinModel& m = *l->model;
    // Scaled glyphs are entries of their own; the controls pick the suffix.
    EXPECT_GE(m.GetMaskIndex("GLOBALINFO", "BOXCHECKED*150"), 0);
    EXPECT_EQ(Image(m, "GLOBALINFO", "BOXCHECKED").R.Bottom, 13);
    // Borders keep the plain key name but take the scaled value.
    const TsMaskData& border = Image(m, "THUMB_OFF", "BORDERSMASK");
    EXPECT_EQ(border.R.Right, c.borderRight);
    EXPECT_EQ(border.WL, c.border_wl);
    EXPECT_LT(m.GetMaskIndex("THUMB_OFF", "BORDERSMASK*150"), 0);
    // External images take the suffix into their key.
    EXPECT_EQ(Image(m, "THUMB_OFF", c.extKey).R.Right, c.extWidth);
  }
}

TEST(SkinModel, ScaleIndexAndScaleInt) {
  SkinModel m;
  EXPECT_EQ(m.GetScale(), 0);
  EXPECT_EQ(m.ScaleInt(37), 37);
  struct Case {
    TacScaleMode mode;
    int sys;
    int scale;
    int scaled;
  };
  for (const Case& c : {Case{sm100, 0, 0, 10}, Case{sm125, 0, 1, 12}, Case{sm150, 0, 2, 15}, Case{sm200, 0, 3, 20},
                        Case{smAuto, 2, 2, 10}, Case{sm200, 1, 3, 12}, Case{sm125, 3, 1, 10}, Case{smOldMode, 3, 0, 10}}) {
    m.ScaleMode = c.mode;
    m.SysFontScale = c.sys;
    EXPECT_EQ(m.GetScale(), c.scale) << c.mode << "/" << c.sys;
    EXPECT_EQ(m.ScaleInt(10), c.scaled) << c.mode << "/" << c.sys;
  }
  m.ScaleMode = sm150;
  m.SysFontScale = 0;
  EXPECT_EQ(m.ScaleInt(-7), -10);  // -7 + -7 / 2, truncating toward zero
  m.DesignTime = true;
  EXPECT_EQ(m.GetScale(), 0);
  for (auto [dpi, index] : {std::pair{96L, 0}, {119L, 0}, {120L, 1}, {143L, 1}, {144L, 2}, {191L, 2}, {192L, 3}, {400L, 3}})
    EXPECT_EQ(ScaleIndexFromDpi(dpi), index) << dpi;
}

// A manager that follows a DPI scales by the DPI exactly: at the four steps
// the same numbers as the percent table, in between the DPI's own; the
// system's scale index plays no part (the metrics it scales are read at 96).
TEST(SkinModel, ScaleIntAtADpi) {
  SkinModel m;
  m.ScaleMode = sm200;
  m.Dpi = 192;
  m.SysFontScale = 0;
  EXPECT_EQ(m.ScaleInt(21), 42);
  EXPECT_EQ(m.ScaleInt(21, 3), 21);  // a value the system already scaled to 200 %
  for (int v : {-9, -7, -1, 0, 1, 3, 7, 13, 16, 21, 101}) {
    for (const auto& [mode, dpi] : {std::pair{sm100, 96}, {sm125, 120}, {sm150, 144}, {sm200, 192}}) {
      SkinModel steps;
      steps.ScaleMode = mode;
      const int table = steps.ScaleInt(v);
      steps.Dpi = dpi;
      EXPECT_EQ(steps.ScaleInt(v), table) << v << " at " << dpi;
    }
  }
  m.ScaleMode = sm150;
  m.Dpi = 168;  // 175 %
  EXPECT_EQ(m.ScaleInt(16), 28);
  EXPECT_EQ(m.ScaleInt(-11), -19);  // -19.25, truncated toward zero
  m.ScaleMode = smOldMode;  // the old mode stays as it was
  EXPECT_EQ(m.ScaleInt(16), 16);
  for (auto [dpi, index] : {std::pair{72, 0}, {96, 0}, {107, 0}, {108, 0}, {109, 1}, {120, 1}, {132, 1}, {133, 2},
                            {144, 2}, {168, 2}, {169, 3}, {192, 3}, {288, 3}})
    EXPECT_EQ(NearestScaleIndex(dpi), index) << dpi;
}

TEST(SkinModel, StatesDefaultsAndInheritance) {
  const auto l = Load(
      "[BASE]\nCOLOR=111\nHOTCOLOR=222\nFONTCOLOR=5\nGIVEOWNFONT=TRUE\nOUTOFFSL=7\nOUTBLUR=99\nTRANSPARENCY=250\n"
      "GLOW=300\nBORDERSMASK=@0000@0000@0010@0010@1@0\n"
      "[CHILD]\nPARENTCLASS=BASE\nCOLOR=-5\nSTATES=1\nHOTCOLOR=333\n"
      "[LOOSE]\nPARENTCLASS=?\n"
      "[SELF]\nPARENTCLASS=SELF\nCOLOR=9\n"
      "[C1]\nPARENTCLASS=C2\n[C2]\nPARENTCLASS=C3\n[C3]\nPARENTCLASS=C1\nGLOW=4\n"
      "[ZERO]\nSTATES=0\nTRANSPARENCY=-20\nIMAGEPERCENT=40\n"
      "[TWO]\nUSESTATE2=1\nCOLOR2=77\nFONTCOLOR2=88\nHOTFONTCOLOR=66\n");
  const SkinModel& m = *l->model;
  const auto& base = m.gd[static_cast<std::size_t>(m.GetSkinIndex("BASE"))];
  EXPECT_EQ(base.Props[0].Color, 111);
  EXPECT_EQ(base.Props[1].Color, 222);
  EXPECT_EQ(base.Props[0].Transparency, 100);
  EXPECT_EQ(base.GlowCount, 255);
  EXPECT_EQ(base.OuterBlur, 30);
  EXPECT_EQ(base.OuterOffset, (TRect{7, -1, -1, -1}));
  // With the default three states and no hot keys the hot look is white on black.
  const auto& loose = m.gd[static_cast<std::size_t>(m.GetSkinIndex("LOOSE"))];
  EXPECT_EQ(loose.States, 3);
  EXPECT_EQ(loose.Props[1].Color, 0xFFFFFF);
  EXPECT_EQ(loose.Props[1].FontColor.Color, 0);
  EXPECT_EQ(loose.Props[1].FontColor.Left, -1);
  EXPECT_EQ(loose.OuterOffset, (TRect{-1, -1, -1, -1}));
  EXPECT_EQ(loose.OuterMode, 2);
  EXPECT_EQ(loose.OuterOpacity, 200);
  EXPECT_EQ(loose.OuterRadius, 9);

  const auto& child = m.gd[static_cast<std::size_t>(m.GetSkinIndex("CHILD"))];
  EXPECT_EQ(child.ParentClass, "BASE");
  EXPECT_EQ(child.Props[0].Color, 111);  // negative counts as missing
  EXPECT_EQ(child.Props[0].FontColor.Color, 5);
  EXPECT_TRUE(child.GiveOwnFont);
  EXPECT_EQ(child.OuterOffset.Left, 7);
  EXPECT_EQ(child.States, 1);
  EXPECT_EQ(child.Props[1].Color, 111);  // one state: the hot look copies the normal one
  EXPECT_EQ(child.Props[2].Color, 111);
  // Images are not copied to the child: they are found through the parent.
  EXPECT_LT(m.GetMaskIndex("CHILD", "BORDERSMASK"), 0);
  const int childIndex = m.GetSkinIndex("CHILD");
  EXPECT_EQ(m.GetMaskIndex(childIndex, "CHILD", "BORDERSMASK"), m.GetMaskIndex("BASE", "BORDERSMASK"));
  EXPECT_EQ(child.BorderIndex, m.GetMaskIndex("BASE", "BORDERSMASK"));

  const auto& self = m.gd[static_cast<std::size_t>(m.GetSkinIndex("SELF"))];
  EXPECT_EQ(self.Props[0].Color, 9);
  EXPECT_EQ(m.GetMaskIndex(m.GetSkinIndex("SELF"), "NONE"), -1);
  // A cycle of parents ends: C1 finds C3's value through C2, then stops.
  const auto& c1 = m.gd[static_cast<std::size_t>(m.GetSkinIndex("C1"))];
  EXPECT_EQ(c1.GlowCount, 4);
  EXPECT_EQ(c1.OuterOffset.Left, -1);
  EXPECT_EQ(m.GetMaskIndex(m.GetSkinIndex("C1"), "C1", "NONE"), -1);
  EXPECT_EQ(m.GetTextureIndex(m.GetSkinIndex("C2"), "NONE"), -1);

  const auto& zero = m.gd[static_cast<std::size_t>(m.GetSkinIndex("ZERO"))];
  EXPECT_EQ(zero.States, 1);
  EXPECT_EQ(zero.Props[0].Transparency, 0);
  EXPECT_EQ(zero.Props[0].ImagePercent, 40);

  const auto& two = m.gd[static_cast<std::size_t>(m.GetSkinIndex("TWO"))];
  EXPECT_TRUE(two.UseState2);
  EXPECT_EQ(two.Props[2].Color, 77);
  EXPECT_EQ(two.Props[2].FontColor.Color, 88);
  EXPECT_EQ(two.Props[1].FontColor.Color, 66);
  EXPECT_EQ(two.Props[1].Color, 0xFFFFFF);
}

TEST(SkinModel, Gradients) {
  struct Case {
    const char* text;
    std::vector<TsGradPoint> want;
  };
  const std::vector<Case> cases = {
      {"15002349;16777215;97;0;0;16777215;16777215;0;0;0",
       {{0, 0, 0xFFE4EAEDu, 0}, {1, 0, 0xFFFFFFFFu, 100}}},
      {"1;0;60;2;0;2;0;70;16;0;3;0;10;0;0",  // lengths add up and are capped at 100
       {{0, 2, 0xFF000001u, 0}, {1, 0, 0xFF000002u, 60}, {2, 0, 0xFF000003u, 100},
        {2, 0, 0xFF000003u, 100}, {2, 0, 0xFF000003u, 100}}},
      {"255;0;0;65280;150;16;B", {{0, 0x20, 0xFF0000FFu, 0}, {1, 16, 0xFF00FF00u, 100}}},
      {"N/A", {}},
      {"1;2", {}},
      {"1;2;3;4", {}},                // neither five words nor a letter
      {"1;2;3;Z", {}},                // 26 points promised, one given
      {"1;2;3;4;5;6;7;8;0", {}},      // fewer than five words per point... one point
      {"1;2;3;a", {}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].text);
    const auto got = ParseGradient(cases[i].text);
    if (i == 7) {
      ASSERT_EQ(got.size(), 1u);
      EXPECT_EQ(got[0].Percent, 100);
      continue;
    }
    EXPECT_EQ(got, cases[i].want);
  }
  const auto l = Load("[P]\nGRADIENTPERCENT=80\nGRADIENTDATA=N/A\nHOTGRADIENTPERCENT=120\n"
                      "HOTGRADIENTDATA=255;50;0;65280;50;0;B\n[Q]\nPARENTCLASS=P\nHOTGRADIENTDATA=?\n");
  const auto& p = l->model->gd[0];
  EXPECT_EQ(p.Props[0].GradientPercent, 0);
  EXPECT_TRUE(p.Props[0].GradientArray.empty());
  EXPECT_EQ(p.Props[1].GradientPercent, 100);
  EXPECT_EQ(p.Props[1].GradientArray.size(), 2u);
  EXPECT_EQ(l->model->gd[1].Props[1].GradientArray.size(), 2u);  // "?" inherits
}

TEST(SkinModel, LookupsAndTheirFallbacks) {
  const auto l = Load(
      "[EDIT]\nBORDERSMASK=^0000^0000^0010^0010^0001^0001^0001^0001^1^0^0^0\nPATTERN=~0000~0000~0002~0002~00~0\n"
      "HOTPATTERN=~0000~0000~0004~0004~00~0\n"
      "[COMBOBOX]\nPARENTCLASS=EDIT\nGLYPHMASK=@0000@0000@0010@0010@1@0\nSTATES=1\n"
      "[BUTTON]\nPATTERN=@0000@0000@0004@0004@1@0\n");
  const SkinModel& m = *l->model;
  const int edit = m.GetSkinIndex("EDIT"), combo = m.GetSkinIndex("COMBOBOX"), button = m.GetSkinIndex("BUTTON");
  EXPECT_EQ(m.GetSkinIndex(""), -1);
  EXPECT_EQ(m.GetSkinIndex("edit"), -1);
  EXPECT_EQ(m.GetSkinIndex("NOPE"), -1);
  const int border = m.GetMaskIndex("EDIT", "BORDERSMASK");
  EXPECT_EQ(m.GetMaskIndex(combo, "COMBOBOX", "BORDERSMASK"), border);
  EXPECT_EQ(m.GetMaskIndex(combo, "EDIT", "BORDERSMASK"), -1);  // the parent is the given section
  EXPECT_EQ(m.GetMaskIndex(combo, "BORDERSMASK"), border);
  EXPECT_EQ(m.GetMaskIndex("COMBOBOX", "BORDERSMASK"), -1);
  EXPECT_EQ(m.GetMaskIndex(-1, "BORDERSMASK"), -1);
  EXPECT_EQ(m.GetMaskIndex(99, "X", "BORDERSMASK"), -1);
  const int pattern = m.GetMaskIndex("EDIT", "PATTERN");
  EXPECT_EQ(m.GetTextureIndex(combo, "COMBOBOX", "PATTERN"), pattern);
  EXPECT_EQ(m.GetTextureIndex(combo, "PATTERN"), pattern);
  EXPECT_EQ(m.GetTextureIndex(button, "PATTERN"), -1);  // a glyph is not a texture
  EXPECT_EQ(m.gd[edit].ScrollBorderOffset, -1);
  EXPECT_EQ(m.gd[button].ScrollBorderOffset, -2);
  EXPECT_EQ(m.gd[edit].Props[0].TextureIndex, pattern);
  EXPECT_EQ(m.gd[edit].Props[1].TextureIndex, m.GetMaskIndex("EDIT", "HOTPATTERN"));
  EXPECT_EQ(m.gd[edit].Props[2].TextureIndex, m.gd[edit].Props[1].TextureIndex);
  EXPECT_EQ(m.gd[combo].Props[1].TextureIndex, pattern);
  EXPECT_TRUE(m.IsValidSkinIndex(2));
  EXPECT_FALSE(m.IsValidSkinIndex(3));
  EXPECT_FALSE(m.IsValidImgIndex(-1));
  EXPECT_EQ(m.GetSkinSections(), (std::vector<std::string>{"EDIT", "COMBOBOX", "BUTTON"}));
}

TEST(SkinModel, NewItemsAndSections) {
  SkinModel m;
  const int base = m.AddNewSection("BASE", -1, 0x123, 0xABCDEF, 40, 2);
  EXPECT_EQ(m.gd[base].States, 2);
  for (const auto& s : m.gd[base].Props) {
    EXPECT_EQ(s.Color, 0xABCDEF);
    EXPECT_EQ(s.FontColor.Color, 0x123);
    EXPECT_EQ(s.FontColor.Top, -1);
    EXPECT_EQ(s.Transparency, 40);
  }
  m.gd[base].Props[0].GradientArray = ParseGradient("1;0;50;0;0;2;0;50;0;0");
  m.gd[base].ParentClass = "SOMETHING";
  const int copy = m.AddNewSection("COPY", base, 0, 0, 0, 1);
  EXPECT_EQ(m.gd[copy].ClassName, "COPY");
  EXPECT_EQ(m.gd[copy].ParentClass, "");
  EXPECT_EQ(m.gd[copy].States, 2);
  m.gd[base].Props[0].GradientArray.clear();
  EXPECT_EQ(m.gd[copy].Props[0].GradientArray.size(), 2u);
  const int item = m.MakeNewItem(copy, "KEY", -3, 1, 0, TRect{0, 0, 30, 20}, itisaGlow, "COPY");
  EXPECT_EQ(m.ma[item].ImageCount, 1);
  EXPECT_EQ(m.ma[item].MaskType, 0);
  EXPECT_EQ(m.ma[item].Width, 30);
  EXPECT_EQ(m.GetMaskIndex(copy, "KEY"), item);
}

TEST(SkinModel, CommonSectionsMerge) {
  const auto l = Load("[EDIT]\nCOLOR=100\nHOTCOLOR=200\nSTATES=2\n", smOldMode, {},
                      "[EDIT]\nCOLOR=1\n[MyEdit]\nparentclass=edit\ncolor=0x10\nHotColor=-4\nGLOW=$2\n"
                      "; note\n[Orphan]\nSTATES=1\nTRANSPARENCY=500\nGIVEOWNFONT=true\n");
  const SkinModel& m = *l->model;
  ASSERT_EQ(m.gd.size(), 3u);
  EXPECT_EQ(m.gd[0].Props[0].Color, 100);  // an existing section stays
  const auto& mine = m.gd[1];
  EXPECT_EQ(mine.ClassName, "MyEdit");
  EXPECT_EQ(mine.ParentClass, "EDIT");
  EXPECT_EQ(mine.Props[0].Color, 16);
  EXPECT_EQ(mine.Props[1].Color, 200);  // negative: the parent's
  EXPECT_EQ(mine.States, 2);
  EXPECT_EQ(mine.GlowCount, 2);
  const auto& orphan = m.gd[2];
  EXPECT_EQ(orphan.ParentClass, "-1");
  EXPECT_EQ(orphan.States, 1);
  EXPECT_EQ(orphan.Props[0].Transparency, 100);
  EXPECT_EQ(orphan.Props[1].Transparency, 100);
  EXPECT_TRUE(orphan.GiveOwnFont);
  EXPECT_EQ(orphan.Props[0].Color, 0xFFFFFF);
}

TEST(SkinModel, CommonSectionWithoutParentBesideASectionNamedMinusOne) {
  const auto l = Load("[-1]\nCOLOR=5\nSTATES=1\n", smOldMode, {}, "[LONE]\nFONTCOLOR=7\n");
  const SkinModel& m = *l->model;
  ASSERT_EQ(m.gd.size(), 2u);
  EXPECT_EQ(m.gd[1].ParentClass, "-1");
  EXPECT_EQ(m.gd[1].States, 3);                   // the defaults, not the "-1" section's
  EXPECT_EQ(m.gd[1].Props[0].Color, 0xFFFFFF);
  EXPECT_EQ(m.gd[1].Props[0].FontColor.Color, 7);
}

TEST(SkinModel, SkinWithoutOptionsHasDefaultsOnly) {
  SkinSource source;
  const auto m = BuildSkinModel(source, SkinModel{});
  EXPECT_TRUE(m->gd.empty());
  EXPECT_TRUE(m->ma.empty());
  EXPECT_TRUE(m->MasterBitmap->Empty());
}

TEST(Bitmap32, BmpDecoding) {
  Bitmap32 src(3, 2);
  src.Pixels = {0xFF010203u, KeyColorPixel, 0x80FFFFFFu, 0xFF000000u, 0xFF0A0B0Cu, 0xFFFFFFFFu};
  const auto decoded = DecodeBmp(EncodeBmp32(src));
  ASSERT_TRUE(decoded.Bitmap);
  EXPECT_EQ(decoded.SourceBits, 32);
  EXPECT_EQ(decoded.Bitmap->Pixels, src.Pixels);

  // A 24-bit bottom-up 2 × 2 image, rows padded to 4 bytes.
  std::vector<std::uint8_t> bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,
                                   1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0xFF, 0x00, 0xFF, 1, 2, 3, 0, 0,   // bottom row: key colour, then (3,2,1)
                                   9, 8, 7, 4, 5, 6, 0, 0};           // top row
  const auto d24 = DecodeBmp(bmp);
  ASSERT_TRUE(d24.Bitmap);
  EXPECT_EQ(d24.SourceBits, 24);
  EXPECT_EQ(d24.Bitmap->At(0, 0), 0xFF070809u);
  EXPECT_EQ(d24.Bitmap->At(1, 0), 0xFF060504u);
  EXPECT_EQ(d24.Bitmap->At(0, 1), KeyColorPixel);  // the key colour stays transparent
  EXPECT_EQ(d24.Bitmap->At(1, 1), 0xFF030201u);
  auto cut = bmp;
  cut.resize(60);
  EXPECT_FALSE(DecodeBmp(cut).Bitmap);
  auto wide = bmp;
  wide[18] = 0xFF, wide[19] = 0xFF, wide[20] = 0xFF, wide[21] = 0x7F;
  EXPECT_FALSE(DecodeBmp(wide).Bitmap);
  EXPECT_FALSE(DecodeBmp(Bytes("BM")).Bitmap);

  // A 1-bit image of 16384 × 4096 pixels: 8 MiB of file, 256 MiB of pixels.
  std::vector<std::uint8_t> huge(bmp.begin(), bmp.begin() + 54);
  huge.insert(huge.end(), {0, 0, 0, 0, 255, 255, 255, 0});  // two palette entries
  huge[10] = 62;
  huge[18] = 0, huge[19] = 0x40, huge[22] = 0, huge[23] = 0x10;
  huge[28] = 1;
  huge.resize(62 + 2048 * 4096);
  EXPECT_FALSE(DecodeBmp(huge).Bitmap);
  huge[23] = 0x02;  // 16384 × 512 fits
  const auto fits = DecodeBmp(huge);
  ASSERT_TRUE(fits.Bitmap);
  EXPECT_EQ(fits.SourceBits, 1);
  EXPECT_EQ(fits.Bitmap->At(0, 0), 0xFF000000u);
}

// A bottom-up BMP with a 40-byte header, the palette (grey levels 0, 17, 34 ... as
// 0xAARRGGBB = index * 0x111111) and the given pixel data.
std::vector<std::uint8_t> PaletteBmp(int width, int height, int bits, std::uint32_t compression,
                                     const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> f;
  auto u16 = [&](std::uint32_t v) { f.push_back(v & 0xFF), f.push_back((v >> 8) & 0xFF); };
  auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  const std::uint32_t colors = 1u << bits, offset = 14 + 40 + 4 * colors;
  f.push_back('B'), f.push_back('M');
  u32(offset + static_cast<std::uint32_t>(data.size())), u32(0), u32(offset);
  u32(40), u32(static_cast<std::uint32_t>(width)), u32(static_cast<std::uint32_t>(height));
  u16(1), u16(static_cast<std::uint32_t>(bits)), u32(compression), u32(static_cast<std::uint32_t>(data.size()));
  u32(2835), u32(2835), u32(colors), u32(0);
  for (std::uint32_t i = 0; i < colors; ++i) u32((i % 16) * 0x111111u);
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

std::uint32_t Grey(int index) { return 0xFF000000u | static_cast<std::uint32_t>(index % 16) * 0x111111u; }

TEST(Bitmap32, RunLengthImages) {
  // RLE8, 4 × 3: a run, a line end, an absolute run (padded to a word), a line end,
  // a move right, a run, the bitmap end.
  const auto rle8 = DecodeBmp(PaletteBmp(4, 3, 8, 1,
                                         {3, 5, 0, 0,            // bottom row: 5 5 5 .
                                          0, 3, 1, 2, 3, 0, 0, 0,  // middle row: 1 2 3 .
                                          0, 2, 1, 0, 2, 9,        // top row: . 9 9 .
                                          0, 1}));
  ASSERT_TRUE(rle8.Bitmap);
  EXPECT_EQ(rle8.Bitmap->Pixels, (std::vector<std::uint32_t>{Grey(0), Grey(9), Grey(9), Grey(0),  //
                                                             Grey(1), Grey(2), Grey(3), Grey(0),  //
                                                             Grey(5), Grey(5), Grey(5), Grey(0)}));

  // RLE4, 6 × 1: a run alternating two indexes, then three in absolute mode.
  const auto rle4 = DecodeBmp(PaletteBmp(6, 1, 4, 2, {3, 0x12, 0, 3, 0x34, 0x50, 0, 1}));
  ASSERT_TRUE(rle4.Bitmap);
  EXPECT_EQ(rle4.Bitmap->Pixels,
            (std::vector<std::uint32_t>{Grey(1), Grey(2), Grey(1), Grey(3), Grey(4), Grey(5)}));

  // Runs and moves far past the right edge (here 2^31 pixels and more) are dropped:
  // nothing is written outside the image, nothing wraps into the next row.
  std::vector<std::uint8_t> hostile = {1, 7, 0, 0, 255, 3};
  for (int i = 0; i < 8'500'000; ++i) hostile.insert(hostile.end(), {0, 2, 255, 0});
  hostile.insert(hostile.end(), {255, 6, 0, 1});
  const auto far = DecodeBmp(PaletteBmp(2, 2, 8, 1, hostile));
  ASSERT_TRUE(far.Bitmap);
  EXPECT_EQ(far.Bitmap->Pixels, (std::vector<std::uint32_t>{Grey(3), Grey(3), Grey(7), Grey(0)}));
}

TEST(SkinModel, MasterBitmapValueInAnyLetterCase) {
  for (const char* value : {"Master Copy.bmp", "MASTER COPY.BMP", "master copy.BMP"}) {
    const auto l = Load(std::string("[GLOBALINFO]\nMASTERBITMAP=") + value + "\n[BUTTON]\nGLYPH=@0000@0000@0010@0010@1@0\n");
    EXPECT_EQ(l->model->MasterBitmap->Width, 200) << value;
    EXPECT_EQ(l->model->MasterBitmap->Height, 60) << value;
  }
}

TEST(SkinIni, ByteOrderMarkBeforeTheFirstSection) {
  const SkinIni ini("\xEF\xBB\xBF[GLOBALINFO]\r\nVERSION=10.25\r\n[BUTTON]\r\nCOLOR=1\r\n");
  ASSERT_EQ(ini.Sections().size(), 2u);
  EXPECT_EQ(ini.Sections()[0].Name, "GLOBALINFO");
  EXPECT_DOUBLE_EQ(ini.ReadFloat("GLOBALINFO", "VERSION", 0), 10.25);
  const auto fromFile = SkinIni::FromBytes(Bytes("\xEF\xBB\xBF[A]\nK=v\n"));
  EXPECT_EQ(fromFile.ReadString("A", "K", "-"), "v");
}

TEST(SkinModel, ExternalImagesWithOutlandishCountsAndMargins) {
  // Counts and margins are 16-bit fields: larger values stop at their end.
  const auto l = Load("[PANEL]\nA=!TILE.BMP!2147483647!2147483647!1\nB=!TILE.BMP!1!0!0!0!0!-2147483648!2147483647\n",
                      smOldMode, {{"TILE.BMP", EncodeBmp32(Bitmap32(9, 6, 0xFF123456u))}});
  const TsMaskData& a = Image(*l->model, "PANEL", "A");
  EXPECT_EQ(a.ImageCount, 0x7FFF);
  EXPECT_EQ(a.MaskType, 0x7FFF);
  EXPECT_EQ(a.Width, 0);
  EXPECT_EQ(a.Height, 0);
  const TsMaskData& b = Image(*l->model, "PANEL", "B");
  EXPECT_EQ(b.WR, -0x7FFF);
  EXPECT_EQ(b.WB, 0x7FFF);
  EXPECT_EQ(b.CornerType, 0);
}

TEST(SkinModel, ScaleIntStopsAtTheEndsOfTheIntRange) {
  SkinModel m;
  const int max = std::numeric_limits<int>::max(), min = std::numeric_limits<int>::min();
  for (auto mode : {sm125, sm150, sm200}) {
    m.ScaleMode = mode;
    EXPECT_EQ(m.ScaleInt(max), max) << mode;
    EXPECT_EQ(m.ScaleInt(min), min) << mode;
  }
  m.ScaleMode = sm200;
  EXPECT_EQ(m.ScaleInt(21), 42);
  EXPECT_EQ(m.ScaleInt(max, 1), max);  // by the system's 125 %
  m.ScaleMode = sm150;
  EXPECT_EQ(m.ScaleInt(-7), -10);
}

}  // namespace
}  // namespace skin
