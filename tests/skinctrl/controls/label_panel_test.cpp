// The skinned panel and label on a form of their own, with a small skin of
// the test's: the panel's picture holding its children's shadows, the
// label's accelerator marks, ellipses and its widening for a larger font.
// Texts are compared with what GDI itself draws for the same string, font,
// flags and colours (the label's colour from the panel section's record).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/Handles.h"
#include "skin/SkinManagerSetup.h"
#include "skinctrl/controls/sButton.h"
#include "skinctrl/controls/sLabel.h"
#include "skinctrl/controls/sPanel.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "tests/skinctrl/state/EffectsSkin.h"
#include "tests/support/Gui.h"
#include "tests/support/ScreenShot.h"

namespace {

using namespace std::chrono_literals;
using testsupport::CaptureClient;
using testsupport::Rgb;
using testsupport::ScreenShot;

void Pump(std::chrono::milliseconds time) { testsupport::PumpUntil([] { return false; }, time); }

class LabelAndPanel : public ::testing::Test {
protected:
  void SetUp() override {
    form = std::make_unique<fw::TForm>(nullptr);
    form->BeginLoading();
    manager = new skin::TsSkinManager(form.get());
    skin::ConfigureMainSkinManager(*manager, skintest::EffectsSkinArchive());
    form->EndLoading();
    form->SetBorderStyle(fw::TFormBorderStyle::bsNone);
    form->SetBounds(50, 50, 320, 200);
    panel = new skinctrl::TsPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 320, 200);
    panel->SetCaption(L"");
    label = new skinctrl::TsLabel(form.get());
    label->SetParent(panel);
    label->SetLeft(20);
    label->SetTop(20);
    form->Show();
    Pump(200ms);
    const skin::TsGeneralData& section = PanelSection();
    panelColor = Rgb(section.Props[0].Color);
    textColor = Rgb(section.Props[0].FontColor.Color);
  }
  void TearDown() override { form.reset(); }

  const skin::TsGeneralData& PanelSection() const {
    return manager->gd()[static_cast<std::size_t>(manager->GetSkinIndex("PANEL"))];
  }
  ScreenShot LabelShot() {
    label->Invalidate();
    Pump(150ms);
    const RECT b = label->BoundsRect();
    return CaptureClient(panel->Handle()).Part(b.left, b.top, b.right - b.left, b.bottom - b.top);
  }
  // What GDI draws for the text with the label's font in the label's
  // rectangle: the panel's colour under the section's text colour.
  ScreenShot Drawn(const std::wstring& text, UINT flags) {
    const int w = label->Width(), h = label->Height();
    skinctrl::TDibBitmap drawing(w, h);
    const skinctrl::ScanLines lines = drawing.Lines();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) lines.At(x, y) = panelColor;
    {
      fw::SelectObjectScope font(drawing.DC(), label->Font().Handle());
      ::SetBkMode(drawing.DC(), TRANSPARENT);
      ::SetTextColor(drawing.DC(), RGB((textColor >> 16) & 0xFF, (textColor >> 8) & 0xFF, textColor & 0xFF));
      RECT r{0, 0, w, h};
      ::DrawTextW(drawing.DC(), text.c_str(), static_cast<int>(text.size()), &r, flags);
      ::GdiFlush();
    }
    ScreenShot shot;
    shot.Width = w;
    shot.Height = h;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) shot.Pixels.push_back(lines.At(x, y) & 0xFFFFFF);
    return shot;
  }
  SIZE Measured(const std::wstring& text, UINT flags, int width = 0) {
    fw::WindowDc screen(nullptr);
    fw::SelectObjectScope font(screen.get(), label->Font().Handle());
    RECT r{0, 0, width, 0};
    ::DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
    return {r.right, r.bottom};
  }

  std::unique_ptr<fw::TForm> form;
  skin::TsSkinManager* manager = nullptr;
  skinctrl::TsPanel* panel = nullptr;
  skinctrl::TsLabel* label = nullptr;
  std::uint32_t panelColor = 0, textColor = 0;
};

// ------------------------------------------------------------ the panel

// A child that casts its shadow always has it painted into the panel's
// picture around its bounds: the skin's shadow image over the panel's colour
// at the section's opacity; moved, the shadow moves; hidden, it goes.
TEST_F(LabelAndPanel, ThePanelPaintsItsChildrensShadowsIntoItsPicture) {
  auto* button = new skinctrl::TsButton(form.get());
  button->SetParent(panel);
  button->SkinData().SetSkinSection("SHADOWED");
  button->SetBounds(100, 60, 75, 25);
  Pump(200ms);
  const skin::TsGeneralData& shadowed = manager->gd()[static_cast<std::size_t>(manager->GetSkinIndex("SHADOWED"))];
  ASSERT_TRUE(manager->Model().IsValidImgIndex(shadowed.OuterMask));
  const skin::TsMaskData& image = manager->ma()[static_cast<std::size_t>(shadowed.OuterMask)];
  const skin::Bitmap32& bitmap = image.Bmp ? *image.Bmp : *manager->Model().MasterBitmap;
  const int reach = shadowed.OuterOffset.Left;
  ASSERT_GT(reach, 1);
  // The column of the image's left edge one pixel out of the button, over
  // the panel's colour; the opacity is the image's share out of 256 + 1.
  const std::uint32_t shade = bitmap.At(image.R.Left + reach - 1, image.R.Top + image.Height / 2) & 0xFFFFFF;
  const int w = 255 - shadowed.OuterOpacity;
  std::uint32_t expected = 0;
  for (int shift : {0, 8, 16})
    expected |= ((((shade >> shift) & 0xFF) * (256 - w) + ((panelColor >> shift) & 0xFF) * w) >> 8) << shift;

  ScreenShot shot = CaptureClient(panel->Handle());
  EXPECT_EQ(shot.At(99, 72), panelColor) << "no shadow unless shown always";

  button->SkinData().OuterEffects().SetVisibility(skinctrl::ovAlways);
  Pump(200ms);
  shot = CaptureClient(panel->Handle());
  testsupport::Save(shot, "skinctrl-panel-child-shadow");
  EXPECT_EQ(shot.At(99, 72), expected);
  EXPECT_EQ(shot.At(100 - reach - 1, 72), panelColor) << "nothing beyond the shadow's reach";
  EXPECT_EQ(shot.At(110, 72), Rgb(shadowed.Props[0].Color)) << "the button itself";

  button->SetBounds(140, 100, 75, 25);
  Pump(300ms);
  shot = CaptureClient(panel->Handle());
  EXPECT_EQ(shot.At(99, 72), panelColor) << "the old shadow is gone";
  EXPECT_EQ(shot.At(139, 112), expected) << "the shadow moved with the button";

  button->SkinData().OuterEffects().SetVisibility(skinctrl::ovNone);
  Pump(300ms);
  EXPECT_EQ(CaptureClient(panel->Handle()).At(139, 112), panelColor);
}

// ------------------------------------------------------------ the label

// "&" marks the accelerator: underlined and not drawn, unless ShowAccelChar
// is off, when the label shows it as it stands and measures it too.
TEST_F(LabelAndPanel, TheAcceleratorMarkIsDrawnOnlyWithShowAccelCharOff) {
  label->SetCaption(L"&Port:");
  Pump(100ms);
  EXPECT_EQ(label->Width(), Measured(L"&Port:", DT_SINGLELINE | DT_EXPANDTABS).cx);
  const ScreenShot marked = LabelShot();
  EXPECT_TRUE(marked == Drawn(L"&Port:", DT_SINGLELINE | DT_EXPANDTABS));

  label->SetShowAccelChar(false);
  Pump(100ms);
  EXPECT_EQ(label->Width(), Measured(L"&Port:", DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX).cx);
  const ScreenShot plain = LabelShot();
  testsupport::Save(plain, "skinctrl-label-no-prefix");
  EXPECT_TRUE(plain == Drawn(L"&Port:", DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX));
  const auto ink = [&](const ScreenShot& shot) {
    return static_cast<int>(shot.Pixels.size()) - shot.Count(panelColor);
  };
  EXPECT_GT(ink(plain), ink(marked) + 10) << "the ampersand is ink";
  EXPECT_FALSE(plain == marked);
}

// A label that does not size itself shortens a long text with an ellipsis
// where EllipsisPosition says; AutoSize leaves the text whole.
TEST_F(LabelAndPanel, ALongTextEndsInAnEllipsisWhereAsked) {
  const std::wstring text = L"Portable adapter on COM3";
  label->SetAutoSize(false);
  label->SetBounds(20, 20, 70, 16);
  label->SetCaption(text);
  label->SetEllipsisPosition(fw::TEllipsisPosition::epEndEllipsis);
  const ScreenShot end = LabelShot();
  testsupport::Save(end, "skinctrl-label-end-ellipsis");
  EXPECT_TRUE(end == Drawn(text, DT_SINGLELINE | DT_EXPANDTABS | DT_END_ELLIPSIS));
  EXPECT_FALSE(end == Drawn(text, DT_SINGLELINE | DT_EXPANDTABS)) << "the cut text differs";

  label->SetEllipsisPosition(fw::TEllipsisPosition::epPathEllipsis);
  EXPECT_TRUE(LabelShot() == Drawn(text, DT_SINGLELINE | DT_EXPANDTABS | DT_PATH_ELLIPSIS));

  label->SetEllipsisPosition(fw::TEllipsisPosition::epNone);
  EXPECT_TRUE(LabelShot() == Drawn(text, DT_SINGLELINE | DT_EXPANDTABS));
}

// Word-wrapped with a word ellipsis in room for one line: words come off the
// end, "..." in their place, until what is left fits.
TEST_F(LabelAndPanel, AWrappedTextLosesWholeWordsUntilItFits) {
  const std::wstring text = L"alpha beta gamma delta epsilon";
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  const int line = Measured(L"Wg", DT_SINGLELINE).cy;
  label->SetBounds(20, 20, Measured(L"alpha beta gam", DT_SINGLELINE).cx, line + line / 2);
  label->SetCaption(text);
  label->SetEllipsisPosition(fw::TEllipsisPosition::epWordEllipsis);
  // The longest run of whole words with "..." that takes one line.
  const std::vector<std::wstring> tries{L"alpha beta gamma delta...", L"alpha beta gamma...", L"alpha beta..."};
  std::wstring fits;
  for (const std::wstring& t : tries)
    if (Measured(t, DT_WORDBREAK | DT_EXPANDTABS, label->Width()).cy <= label->Height()) {
      fits = t;
      break;
    }
  ASSERT_EQ(fits, L"alpha beta...");
  const ScreenShot shot = LabelShot();
  testsupport::Save(shot, "skinctrl-label-word-ellipsis");
  EXPECT_TRUE(shot == Drawn(fits, DT_WORDBREAK | DT_EXPANDTABS | DT_WORD_ELLIPSIS));

  // With room for all lines nothing is cut.
  label->SetHeight(6 * line);
  EXPECT_TRUE(LabelShot() == Drawn(text, DT_WORDBREAK | DT_EXPANDTABS | DT_WORD_ELLIPSIS));
}

// A larger font widens an auto-sized label by half before it is measured
// anew, so a wrapped text takes the new room; a right-aligned label keeps its
// right edge; the font's height is remembered.
TEST_F(LabelAndPanel, ALargerFontWidensTheLabelAndKeepsARightAlignedEdge) {
  label->SetWordWrap(true);
  label->SetCaption(L"one two three four five");
  label->SetBounds(20, 20, 60, 20);
  Pump(100ms);
  const int narrow = label->Width();
  label->Font().SetSize(label->Font().Size() + 4);
  Pump(100ms);
  const SIZE wide = Measured(L"one two three four five", DT_WORDBREAK | DT_EXPANDTABS, narrow * 3 / 2);
  EXPECT_EQ(label->Width(), wide.cx);
  EXPECT_EQ(label->Height(), wide.cy);
  EXPECT_EQ(label->Left(), 20);
  EXPECT_EQ(label->DefFontHeight(), label->Font().Height());
  EXPECT_TRUE(LabelShot() == Drawn(L"one two three four five", DT_WORDBREAK | DT_EXPANDTABS));

  auto* right = new skinctrl::TsLabel(form.get());
  right->SetParent(panel);
  right->SetAlignment(fw::TAlignment::taRightJustify);
  right->SetCaption(L"COM3");
  right->SetBounds(200, 120, 30, 16);
  Pump(100ms);
  const int edge = right->Left() + right->Width();
  right->Font().SetSize(right->Font().Size() * 2);
  Pump(100ms);
  EXPECT_EQ(right->Left() + right->Width(), edge);
  EXPECT_GT(right->Width(), 30);
}

}  // namespace
