// Lint of the built-in skin over the loaded section model: everything the
// main window's controls, frame, title buttons, scroll bars and menus look up
// is there (or deliberately left to the defaults), images fit their bitmaps,
// every state has its own values, and the key colour marks transparency only.
#include "SkinDesign.h"
#include "SkinTestSupport.h"
#include "skin/SkinIni.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

namespace {

using skin::LoadedSkin;
using skin::SkinModel;
using skin::TsMaskData;

// The first is the mode the program runs in (100 %, no scaled keys).
constexpr std::array<skin::TacScaleMode, 4> AllScales = {skin::smOldMode, skin::sm125, skin::sm150, skin::sm200};

class SkinLint : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    const auto archive = skintest::CommittedArchive();
    for (std::size_t i = 0; i < AllScales.size(); ++i) skins_[i] = skintest::LoadStoredSkin(archive, AllScales[i]);
    skin::TacSkinConvertor reader;
    reader.BorrowPackedData(archive);
    ASSERT_TRUE(reader.ReadArchive());
    ini_ = new skin::SkinIni(skin::SkinIni::FromBytes(reader.Options->Bytes()));
  }
  static void TearDownTestSuite() {
    for (auto& s : skins_) s.reset();
    delete ini_;
  }
  static const LoadedSkin& At100() { return *skins_[0]; }
  // Images the options file names (the loader also makes images of its own,
  // such as the generated outer shadows).
  static bool FromSkinFile(const TsMaskData& e) { return Ini().ValueExists(e.ClassName, e.PropertyName); }
  static const skin::SkinIni& Ini() { return *ini_; }

  static std::array<std::unique_ptr<LoadedSkin>, 4> skins_;
  static skin::SkinIni* ini_;
};
std::array<std::unique_ptr<LoadedSkin>, 4> SkinLint::skins_;
skin::SkinIni* SkinLint::ini_ = nullptr;

const skin::Bitmap32& BitmapOf(const SkinModel& model, const TsMaskData& m) {
  return m.Bmp ? *m.Bmp : *model.MasterBitmap;
}

int Section(const SkinModel& model, const char* name) {
  const int index = model.GetSkinIndex(name);
  EXPECT_GE(index, 0) << name;
  return index;
}

TEST_F(SkinLint, SectionsTheWindowUsesArePresentAndTheOthersDeliberatelyAbsent) {
  for (const char* name :
       {"GLOBALINFO", "FORM", "FORMTITLE", "PANEL", "BUTTON", "BUTTON_HUGE", "EDIT", "COMBOBOX", "SELECTION",
        "MAINMENU", "MENUITEM", "ICOLINE", "DIVIDERV", "SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V",
        "SCROLLBTNLEFT", "SCROLLBTNTOP", "SCROLLBTNRIGHT", "SCROLLBTNBOTTOM", "SCROLLSLIDERH", "SCROLLSLIDERV"})
    EXPECT_TRUE(Ini().SectionExists(name)) << name;
  // Left to the defaults: the drop-down list falls back to BUTTON, the loader
  // adds TRANSPARENT, menus draw a plain separator line without MENULINE,
  // and the port list's editable-style button, hints and grips never show.
  for (const char* name : {"COMBONOEDIT", "MENULINE", "TRANSPARENT", "COMBOBTN", "HINT", "MAINCOLOR"})
    EXPECT_FALSE(Ini().SectionExists(name)) << name;

  const LoadedSkin& s = At100();
  EXPECT_EQ(s.ConstData.Sections[skin::ssComboNoEdit], -1);
  EXPECT_GE(s.Model->GetSkinIndex("TRANSPARENT"), 0);
  EXPECT_GE(s.Model->GetSkinIndex("MAINCOLOR"), 0);
  for (int section : {skin::ssButton, skin::ssEdit, skin::ssSelection, skin::ssPanel, skin::ssComboBox,
                      skin::ssMainMenu, skin::ssFormTitle, skin::ssButtonHuge, skin::ssMenuItem, skin::ssDividerV})
    EXPECT_GE(s.ConstData.Sections[section], 0) << skin::SectionName(section);
}

TEST_F(SkinLint, ImagesTheWindowUsesAreFound) {
  const LoadedSkin& s = At100();
  const SkinModel& m = *s.Model;
  for (int glyph : {skin::tgCloseAlone, skin::tgClose, skin::tgMin, skin::tgMax, skin::tgNorm})
    EXPECT_TRUE(m.IsValidImgIndex(s.ConstData.TitleGlyphs[glyph])) << "title glyph " << glyph;
  // The main window has no help button; the place of a missing glyph stays empty.
  EXPECT_EQ(s.ConstData.TitleGlyphs[skin::tgHelp], -1);
  EXPECT_GE(m.GetMaskIndex(Section(m, "GLOBALINFO"), "GLOBALINFO", "CHECK"), 0);
  for (const char* name : {"FORM", "FORMTITLE", "BUTTON", "BUTTON_HUGE", "EDIT", "MAINMENU", "MENUITEM", "DIVIDERV",
                           "SCROLLSLIDERH", "SCROLLSLIDERV"})
    EXPECT_TRUE(m.IsValidImgIndex(m.gd[Section(m, name)].BorderIndex)) << name << " has no BORDERSMASK";
  for (const auto& button : s.ConstData.ScrollBtns) EXPECT_GE(button.GlyphIndex, 0) << button.SkinSection;
  for (const auto& bar : s.ConstData.Scrolls) EXPECT_GE(bar.SkinIndex, 0);
  for (const auto& slider : s.ConstData.Sliders) EXPECT_GE(slider.MaskIndex, 0);
  // No backdrop behind the title buttons.
  EXPECT_EQ(m.GetMaskIndex(Section(m, "FORM"), "FORM", "TITLEBAR"), -1);
}

// Skin-wide keys the frame, title buttons and drop-down box read; the rest of
// GLOBALINFO (extended borders, window shadows, outer effects) keeps its defaults.
TEST_F(SkinLint, SkinWideKeysTheWindowReadsAreWritten) {
  for (const char* key : {"VERSION", "MASTERBITMAP", "COLOR", "FONTCOLOR", "BORDERCOLOR", "ARROWSTYLE", "COMBOMARGIN",
                          "BISPACE", "BIRIGHT", "BILEFT", "BITOP", "BIVALIGN", "BICONCLOSE", "BICONMIN"})
    EXPECT_TRUE(Ini().ValueExists("GLOBALINFO", key)) << key;
  const LoadedSkin& s = At100();
  EXPECT_EQ(s.Common.ComboBoxMargin, 2);
  EXPECT_EQ(s.Common.BIVAlign, 0) << "title buttons are centred on the caption";
  EXPECT_EQ(s.Palette[skin::pcMainColor], s.Model->gd[Section(*s.Model, "PANEL")].Props[0].Color);
  EXPECT_EQ(s.Palette[skin::pcLabelText], s.Model->gd[Section(*s.Model, "PANEL")].Props[0].FontColor.Color);
  // The list's selection: accent when focused, a tint when not.
  EXPECT_NE(s.Palette[skin::pcSelectionBG], s.Palette[skin::pcSelectionBG_Focused]);
}

TEST_F(SkinLint, KeepsTheFactsOtherPartsStateAboutTheStoredSkin) {
  const LoadedSkin& s = At100();
  const SkinModel& m = *s.Model;
  EXPECT_EQ(Ini().ReadString("GLOBALINFO", "VERSION", ""), "10.25");
  EXPECT_DOUBLE_EQ(s.Common.Version, 10.25);
  EXPECT_EQ(Ini().ReadString("GLOBALINFO", "MASTERBITMAP", ""), "MASTER COPY.BMP");

  const auto& edit = m.gd[Section(m, "EDIT")];
  EXPECT_EQ(edit.States, 1);
  EXPECT_EQ(edit.Props[0].Color, 16777215);
  EXPECT_EQ(edit.Props[0].FontColor.Color, 4276545);
  const TsMaskData& border = m.ma[edit.BorderIndex];
  EXPECT_EQ(border.ImageCount, 1);
  EXPECT_EQ(border.WL, 2);
  EXPECT_EQ(border.WT, 2);
  EXPECT_EQ(border.WR, 2);
  EXPECT_EQ(border.WB, 2);
  EXPECT_EQ(s.Palette[skin::pcEditBG], 16777215);
  EXPECT_EQ(s.Palette[skin::pcEditText], 4276545);

  const int combo = Section(m, "COMBOBOX"), button = Section(m, "BUTTON");
  EXPECT_GE(m.GetMaskIndex(combo, "COMBOBOX", "GLYPHMASK"), 0);
  EXPECT_EQ(m.GetMaskIndex(button, "BUTTON", "GLYPHMASK"), -1);
  EXPECT_EQ(s.ConstData.ComboBtn.GlyphIndex, m.GetMaskIndex(combo, "COMBOBOX", "GLYPHMASK"));

  EXPECT_EQ(Ini().ReadString("BUTTON_HUGE", "BORDERSMASK", ""), "!BUTTONHUGE.BMP!3!1!0!0032!0032!0032!0032!0");
  const TsMaskData& huge = m.ma[m.gd[Section(m, "BUTTON_HUGE")].BorderIndex];
  ASSERT_TRUE(huge.Bmp);
  EXPECT_EQ(huge.ImageCount, 3);
  EXPECT_EQ(huge.MaskType, 1);
  EXPECT_EQ(huge.WL, 32);
  EXPECT_EQ(huge.WB, 32);
  EXPECT_EQ(huge.DrawMode, 0);
}

TEST_F(SkinLint, EveryImageFitsItsBitmapAndItsMarginsFitItsCell) {
  for (const auto& loaded : skins_) {
    const SkinModel& m = *loaded->Model;
    for (const TsMaskData& e : m.ma) {
      const std::string what = e.ClassName + "." + e.PropertyName;
      if (!FromSkinFile(e)) continue;
      const skin::Bitmap32& bmp = BitmapOf(m, e);
      EXPECT_FALSE(e.R.IsEmpty()) << what;
      EXPECT_TRUE(e.R.Left >= 0 && e.R.Top >= 0 && e.R.Right <= bmp.Width && e.R.Bottom <= bmp.Height) << what;
      EXPECT_EQ(e.R.Width() % e.ImageCount, 0) << what << ": cells of unequal width";
      EXPECT_EQ(e.R.Height(), e.Height * (e.MaskType + 1)) << what << ": mask bands must have the image's height";
      if (e.ImgType == skin::itisaBorder) {
        EXPECT_LE(e.WL + e.WR, e.Width) << what;
        EXPECT_LE(e.WT + e.WB, e.Height) << what;
      }
    }
  }
}

// The states the loader reads from keys: 0; 1 with STATES >= 2; 2 with USESTATE2.
TEST_F(SkinLint, EverySectionWithSeveralStatesGivesEachStateItsOwnValues) {
  for (const auto& section : Ini().Sections()) {
    const std::string& name = section.Name;
    EXPECT_TRUE(Ini().ValueExists(name, "STATES")) << name << " leaves its state count to the default of 3";
    const int states = Ini().ReadInteger(name, "STATES", 3);
    const bool state2 = Ini().ReadInteger(name, "USESTATE2", 0) == 1;
    for (const char* key : {"COLOR", "FONTCOLOR", "TRANSPARENCY"}) {
      EXPECT_TRUE(Ini().ValueExists(name, key)) << name << "." << key;
      if (states >= 2) EXPECT_TRUE(Ini().ValueExists(name, std::string("HOT") + key)) << name << ".HOT" << key;
      if (states >= 3 && state2) EXPECT_TRUE(Ini().ValueExists(name, std::string(key) + "2")) << name << "." << key << "2";
    }
    if (state2) EXPECT_GE(states, 3) << name;
  }
}

// Key colour: glyphs may be transparent anywhere; border images only in their
// corner pieces; mask bands and the images drawn on their own known colour never.
TEST_F(SkinLint, KeyColourMarksOnlyTransparentPlaces) {
  for (const auto& loaded : skins_) {
    const SkinModel& m = *loaded->Model;
    for (const TsMaskData& e : m.ma) {
      if (!FromSkinFile(e)) continue;
      const std::string what = e.ClassName + "." + e.PropertyName;
      const bool opaque = e.ClassName == "SCROLLSLIDERH" || e.ClassName == "SCROLLSLIDERV" ||
                          e.ClassName == "MENUITEM" || e.ClassName == "DIVIDERV";
      const skin::Bitmap32& bmp = BitmapOf(m, e);
      int stray = 0, keys = 0;
      for (int cell = 0; cell < e.ImageCount; ++cell) {
        const int x0 = e.R.Left + cell * e.Width;
        int cellKeys = 0;
        for (int y = 0; y < e.R.Height(); ++y)
          for (int x = 0; x < e.Width; ++x) {
            if (!bmp.IsKey(x0 + x, e.R.Top + y)) continue;
            ++keys;
            ++cellKeys;
            const bool maskBand = y >= e.Height;
            const bool corner = (x < e.WL || x >= e.Width - e.WR) && (y < e.WT || y >= e.Height - e.WB);
            if (maskBand || opaque || (e.ImgType == skin::itisaBorder && !corner)) ++stray;
          }
        if (e.ImgType == skin::itisaGlyph)
          EXPECT_LT(cellKeys, e.Width * e.Height) << what << " cell " << cell << " is empty";
      }
      EXPECT_EQ(stray, 0) << what << ": key colour where nothing is transparent";
      if (e.ImgType == skin::itisaBorder && !opaque && e.ClassName != "EDIT" && e.ClassName != "DIVIDERV")
        EXPECT_GT(keys, 0) << what << ": rounded corners need the key colour";
    }
  }
}

TEST_F(SkinLint, ScaledVariantsExistForEveryScaleAndAreDrawnAtTheirSize) {
  for (const auto& section : Ini().Sections())
    for (const auto& entry : section.Entries) {
      const auto star = entry.Key.find('*');
      if (star == std::string::npos) continue;
      EXPECT_TRUE(Ini().ValueExists(section.Name, entry.Key.substr(0, star))) << section.Name << "." << entry.Key;
    }
  const std::array<int, 4> percent = {100, 125, 150, 200};
  for (std::size_t i = 0; i < skins_.size(); ++i) {
    const LoadedSkin& s = *skins_[i];
    const SkinModel& m = *s.Model;
    const std::string suffix = i == 0 ? "" : "*" + std::to_string(percent[i]);
    for (const char* key : {"BICONCLOSE", "BICONMIN", "BICONMAX", "BICONNORM"})
      EXPECT_TRUE(Ini().ValueExists("GLOBALINFO", key + suffix)) << key << suffix;
    const TsMaskData& close = m.ma[s.ConstData.TitleGlyphs[skin::tgClose]];
    const skingen::Design& d = skingen::TheDesign;
    EXPECT_EQ(close.Width, (d.titleButtonWidth * percent[i] + 50) / 100) << "close glyph at " << percent[i] << " %";
    EXPECT_EQ(close.Height, (d.titleButtonHeight * percent[i] + 50) / 100);
    const TsMaskData& button = m.ma[m.gd[Section(m, "BUTTON")].BorderIndex];
    const int r = (d.controlRadius * percent[i] + 50) / 100;
    EXPECT_EQ(button.WL, r + 1) << "button margins at " << percent[i] << " %";
    EXPECT_EQ(button.Width, 2 * (r + 1) + 4);
    for (const char* name : {"FORM", "FORMTITLE", "EDIT", "MAINMENU", "MENUITEM", "SCROLLSLIDERV"})
      if (i > 0) {
        const auto& base = skins_[0]->Model->ma[skins_[0]->Model->gd[Section(*skins_[0]->Model, name)].BorderIndex];
        EXPECT_FALSE(m.ma[m.gd[Section(m, name)].BorderIndex].R == base.R) << name << " has no own image at "
                                                                            << percent[i] << " %";
      }
  }
}

// The window region is cut from the key pixels of the frame's corners; they
// must stay inside the 3-pixel frame so the client area is never cut, and the
// title bar's corners must cut the same pixels as the frame's.
TEST_F(SkinLint, WindowCornersStayInsideTheFrameAndAgreeWithTheTitle) {
  const std::array<int, 4> percent = {100, 125, 150, 200};
  for (std::size_t i = 0; i < skins_.size(); ++i) {
    const SkinModel& m = *skins_[i]->Model;
    const TsMaskData& form = m.ma[m.gd[Section(m, "FORM")].BorderIndex];
    const TsMaskData& title = m.ma[m.gd[Section(m, "FORMTITLE")].BorderIndex];
    const skin::Bitmap32& bmp = *m.MasterBitmap;
    // The fixed dialog frame: 3 pixels at 96 DPI, scaled with the DPI.
    const int frame = (3 * percent[i] + 50) / 100;
    for (int cell = 0; cell < 2; ++cell) {
      const int fx = form.R.Left + cell * form.Width, tx = title.R.Left + cell * title.Width;
      for (int y = 0; y < form.Height; ++y)
        for (int x = 0; x < form.Width; ++x) {
          if (!bmp.IsKey(fx + x, form.R.Top + y)) continue;
          const int dx = std::min(x, form.Width - 1 - x), dy = std::min(y, form.Height - 1 - y);
          EXPECT_TRUE(dx < frame || dy < frame)
              << "key pixel at " << x << "," << y << " reaches into the client at " << percent[i] << " %";
          EXPECT_TRUE(bmp.IsKey(fx + form.Width - 1 - x, form.R.Top + y) &&
                      bmp.IsKey(fx + x, form.R.Top + form.Height - 1 - y))
              << "the corners are not mirror images at " << x << "," << y;
        }
      for (int y = 0; y < form.WT; ++y)
        for (int x = 0; x < form.WL; ++x) {
          EXPECT_EQ(bmp.IsKey(fx + x, form.R.Top + y), bmp.IsKey(tx + x, title.R.Top + y)) << x << "," << y;
          EXPECT_EQ(bmp.IsKey(fx + form.Width - 1 - x, form.R.Top + y),
                    bmp.IsKey(tx + title.Width - 1 - x, title.R.Top + y));
        }
    }
  }
}

}  // namespace
