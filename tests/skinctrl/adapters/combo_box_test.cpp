// The skinned combo box with a skin of the test's own that has what the
// built-in skin lacks: a "COMBONOEDIT" section with four states, a border
// image with four frames and a hover glow, and a "SELECTION" section. The
// closed box's face when focused, its glow under the pointer, the list's
// items drawn from "SELECTION" with the alignments, the item events and an
// owner-draw handler, read back from the screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "skin/SkinManagerSetup.h"
#include "skinctrl/adapters/sComboBox.h"
#include "skinctrl/controls/sButton.h"
#include "skinctrl/controls/sPanel.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skinctrl/state/HoverGlow.h"
#include "tests/skinctrl/state/EffectsSkin.h"
#include "tests/support/Gui.h"
#include "tests/support/ScreenShot.h"

namespace {

using namespace std::chrono_literals;
using testsupport::CaptureClient;
using testsupport::PumpUntil;
using testsupport::Rgb;
using testsupport::ScreenShot;

void Pump(std::chrono::milliseconds time) { PumpUntil([] { return false; }, time); }

// The frames of the box's border image, one colour each (0xRRGGBB).
constexpr std::uint32_t FrameColours[4] = {0x4060A0, 0x40A060, 0xA06040, 0xA040A0};
constexpr int FrameSide = 8;

std::vector<std::uint8_t> ComboSkin() {
  skin::Bitmap32 frames(4 * FrameSide, FrameSide);
  for (int y = 0; y < FrameSide; ++y)
    for (int x = 0; x < 4 * FrameSide; ++x) frames.At(x, y) = 0xFF000000u | FrameColours[x / FrameSide];
  const std::string sections =
      "[COMBONOEDIT]\r\n"
      "STATES=4\r\n"
      "COLOR=15790320\r\n"
      "HOTCOLOR=16777215\r\n"
      "FONTCOLOR=0\r\n"
      "HOTFONTCOLOR=0\r\n"
      "BORDERSMASK=!FRAMES.BMP!4!0!0!0002!0002!0002!0002!0\r\n"
      "GLOW=1\r\n"
      "GLOWMARGIN=4\r\n"
      "GLOW0=!GLOW.BMP!1!1!3!0004!0004!0004!0004!0\r\n"
      "[SELECTION]\r\n"
      "STATES=2\r\n"
      "COLOR=12632256\r\n"
      "HOTCOLOR=8421376\r\n"
      "FONTCOLOR=0\r\n"
      "HOTFONTCOLOR=16777215\r\n";
  return skintest::EffectsSkinArchive("", sections, {{"FRAMES.BMP", skin::EncodeBmp32(frames)}});
}

void MoveTo(POINT screen) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    ::SetCursorPos(screen.x, screen.y);
    testsupport::SendPointerInput(screen, 0);
    Pump(30ms);
    POINT p;
    ::GetCursorPos(&p);
    if (p.x == screen.x && p.y == screen.y) return;
  }
}

class SkinnedComboBox : public ::testing::Test {
protected:
  void SetUp() override {
    MoveTo({0, 0});
    form = std::make_unique<fw::TForm>(nullptr);
    form->BeginLoading();
    manager = new skin::TsSkinManager(form.get());
    skin::ConfigureMainSkinManager(*manager, ComboSkin());
    form->EndLoading();
    form->SetBorderStyle(fw::TFormBorderStyle::bsNone);
    form->SetBounds(60, 60, 320, 240);
    panel = new skinctrl::TsPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 320, 240);
    other = new skinctrl::TsButton(form.get());
    other->SetParent(panel);
    other->SetBounds(200, 200, 75, 25);
    combo = MakeCombo(fw::TComboBoxStyle::csDropDownList, 20);
    form->Show();
    ::SetForegroundWindow(form->Handle());
    other->SetFocus();
    Pump(300ms);
  }
  void TearDown() override {
    if (combo->HandleAllocated()) ::SendMessageW(combo->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    form.reset();
  }

  skinctrl::TsComboBox* MakeCombo(fw::TComboBoxStyle style, int top) {
    auto* c = new skinctrl::TsComboBox(form.get());
    c->SetStyle(style);
    c->SetParent(panel);
    c->SetBounds(20, top, 140, 22);
    for (const wchar_t* port : {L"COM1", L"COM2", L"COM3", L"COM4", L"COM5"}) c->Items().Add(port);
    return c;
  }
  const skin::TsGeneralData& Section(const char* name) const {
    return manager->gd()[static_cast<std::size_t>(manager->GetSkinIndex(name))];
  }
  ScreenShot Box() {
    Pump(200ms);
    return CaptureClient(combo->Handle());
  }
  // The open list and its items' rectangles.
  HWND Drop(skinctrl::TsComboBox& c) {
    ::SendMessageW(c.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    Pump(300ms);
    return c.lboxhandle;
  }
  static RECT ItemRect(HWND list, int index) {
    RECT r{};
    ::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return r;
  }
  // Pixels of a part of a shot that differ from a colour: the ink on it.
  static RECT InkOf(const ScreenShot& shot, const RECT& part, std::uint32_t paper) {
    RECT ink{part.right, part.bottom, part.left, part.top};
    for (int y = part.top; y < part.bottom; ++y)
      for (int x = part.left; x < part.right; ++x)
        if (shot.At(x, y) != paper) {
          ink.left = std::min<LONG>(ink.left, x);
          ink.top = std::min<LONG>(ink.top, y);
          ink.right = std::max<LONG>(ink.right, x + 1);
          ink.bottom = std::max<LONG>(ink.bottom, y + 1);
        }
    return ink;
  }

  std::unique_ptr<fw::TForm> form;
  skin::TsSkinManager* manager = nullptr;
  skinctrl::TsPanel* panel = nullptr;
  skinctrl::TsButton* other = nullptr;
  skinctrl::TsComboBox* combo = nullptr;
};

// Without an edit field the box is painted from "COMBONOEDIT": its normal
// frame at rest, and its fourth frame while it has the focus.
TEST_F(SkinnedComboBox, TheFocusedBoxShowsTheFourthStateOfCombonoedit) {
  ASSERT_EQ(combo->SkinData().SkinIndex, manager->GetSkinIndex("COMBONOEDIT"));
  const int h = combo->Height();
  EXPECT_EQ(Box().At(0, h / 2), FrameColours[0]);
  combo->SetFocus();
  const ScreenShot focused = Box();
  testsupport::Save(focused, "skinctrl-combo-focused");
  EXPECT_EQ(focused.At(0, h / 2), FrameColours[3]);
  other->SetFocus();
  EXPECT_EQ(Box().At(0, h / 2), FrameColours[0]);
}

// Under the pointer the box takes the hot frame and its glow comes up around
// it, the section's margin wide, its alpha rising with the fade to full; it
// goes when the pointer leaves. (Under Xvfb nothing composites the layered
// glow window: its place and alpha are what is checked.)
TEST_F(SkinnedComboBox, TheBoxWithAButtonsLookGlowsUnderThePointer) {
  skinctrl::TsCommonData& data = combo->SkinData();
  RECT box{};
  ::GetWindowRect(combo->Handle(), &box);
  MoveTo({box.left + 10, (box.top + box.bottom) / 2});
  ASSERT_TRUE(PumpUntil([&] { return data.GlowID >= 0; }, 2s)) << "a glow under the pointer";
  skinctrl::TacGlowForm* glow = skinctrl::HoverGlowWindow(data.GlowID);
  ASSERT_NE(glow, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return glow->Alpha() == 255; }, 2s)) << glow->Alpha();
  RECT place{};
  ::GetWindowRect(glow->Handle(), &place);
  const int margin = Section("COMBONOEDIT").GlowMargin;
  ASSERT_GT(margin, 0);
  EXPECT_EQ(place.left, box.left - margin);
  EXPECT_EQ(place.top, box.top - margin);
  EXPECT_EQ(place.right, box.right + margin);
  EXPECT_EQ(place.bottom, box.bottom + margin);
  EXPECT_EQ(Box().At(0, combo->Height() / 2), FrameColours[1]) << "the hot frame";

  MoveTo({box.right + 60, box.bottom + 60});
  EXPECT_TRUE(PumpUntil([&] { return data.GlowID < 0; }, 3s)) << "the glow goes with the pointer";
  EXPECT_EQ(Box().At(0, combo->Height() / 2), FrameColours[0]);
}

// The open list: the selected item in "SELECTION"'s hot look and text colour,
// the others in the palette's edit colours; the texts placed by Alignment.
TEST_F(SkinnedComboBox, ListItemsAreDrawnFromTheSelectionSectionWithTheirAlignment) {
  const std::uint32_t paper = Rgb(manager->Palette[skin::pcEditBG]);
  const std::uint32_t ink = Rgb(manager->Palette[skin::pcEditText]);
  const skin::TsGenState& selection = skinctrl::SectionState(Section("SELECTION"), 1);
  combo->SetItemIndex(2);
  HWND list = Drop(*combo);
  ASSERT_NE(list, nullptr);
  ScreenShot shot = CaptureClient(list);
  testsupport::Save(shot, "skinctrl-combo-list-selection");
  const RECT selected = ItemRect(list, 2), plain = ItemRect(list, 0);
  const int mid = (selected.top + selected.bottom) / 2;
  EXPECT_EQ(shot.At(selected.right - 3, mid), Rgb(selection.Color)) << "the selection's hot colour";
  EXPECT_GT(shot.Part(selected.left, selected.top, selected.right - selected.left, selected.bottom - selected.top)
                .Count(Rgb(selection.FontColor.Color)),
            5)
      << "its hot text colour";
  EXPECT_EQ(shot.At(plain.right - 3, (plain.top + plain.bottom) / 2), paper);
  EXPECT_GT(shot.Part(plain.left, plain.top, plain.right - plain.left, plain.bottom - plain.top).Count(ink), 5);
  const RECT left = InkOf(shot, plain, paper);
  EXPECT_LE(left.left, plain.left + 3);
  ::SendMessageW(combo->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
  Pump(200ms);

  combo->SetAlignment(fw::TAlignment::taRightJustify);
  list = Drop(*combo);
  shot = CaptureClient(list);
  const RECT right = InkOf(shot, ItemRect(list, 0), paper);
  EXPECT_GE(right.right, plain.right - 3);
  EXPECT_EQ(right.right - right.left, left.right - left.left) << "the same text, moved";
  ::SendMessageW(combo->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
  Pump(200ms);

  combo->SetAlignment(fw::TAlignment::taCenter);
  list = Drop(*combo);
  shot = CaptureClient(list);
  const RECT centre = InkOf(shot, ItemRect(list, 0), paper);
  EXPECT_NEAR((centre.left + centre.right) / 2, (plain.left + plain.right) / 2, 2);
}

// OnGetItemDrawData is asked for every item drawn and its font is the one
// the item is drawn with.
TEST_F(SkinnedComboBox, TheItemEventChangesTheFontOfOneItem) {
  std::vector<int> asked;
  combo->OnGetItemDrawData = [&](fw::TObject*, skinctrl::TacItemDrawData& d) {
    asked.push_back(d.ItemIndex);
    if (d.ItemIndex == 1) d.Font->SetHeight(d.Font->Height() * 2);
  };
  HWND list = Drop(*combo);
  ASSERT_NE(list, nullptr);
  const ScreenShot shot = CaptureClient(list);
  const std::uint32_t paper = Rgb(manager->Palette[skin::pcEditBG]);
  for (int i = 0; i < 5; ++i) EXPECT_NE(std::find(asked.begin(), asked.end(), i), asked.end()) << i;
  const RECT big = InkOf(shot, ItemRect(list, 1), paper), normal = InkOf(shot, ItemRect(list, 3), paper);
  EXPECT_GT(big.right - big.left, normal.right - normal.left + 4) << "the doubled font is wider";
}

// An owner-draw box calls OnDrawItem for the items only, with the canvas on
// the item and the rectangle where the item lies.
TEST_F(SkinnedComboBox, AnOwnerDrawHandlerDrawsEachItemAtItsPlace) {
  skinctrl::TsComboBox* drawn = MakeCombo(fw::TComboBoxStyle::csOwnerDrawFixed, 60);
  std::vector<int> indexes;
  drawn->OnDrawItem = [&](fw::TObject*, int index, const RECT& rect, fw::TOwnerDrawState) {
    indexes.push_back(index);
    fw::TCanvas& canvas = drawn->Canvas();
    canvas.SetBrushColor(index == 1 ? 0x0000FF : 0x00FF00);
    canvas.FillRect(rect);
  };
  Pump(300ms);
  EXPECT_TRUE(indexes.empty()) << "no item in the closed box";
  HWND list = Drop(*drawn);
  ASSERT_NE(list, nullptr);
  const ScreenShot shot = CaptureClient(list);
  testsupport::Save(shot, "skinctrl-combo-owner-draw");
  ::SendMessageW(drawn->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
  for (int index : indexes) {
    EXPECT_GE(index, 0);
    EXPECT_LT(index, 5);
  }
  for (int i = 0; i < 5; ++i) {
    const RECT r = ItemRect(list, i);
    EXPECT_EQ(shot.At((r.left + r.right) / 2, (r.top + r.bottom) / 2), i == 1 ? 0xFF0000u : 0x00FF00u) << i;
    EXPECT_EQ(shot.At(r.left + 1, r.top), i == 1 ? 0xFF0000u : 0x00FF00u) << i;
  }
}

}  // namespace
