// The edit adapter's disabled look on real windows under Wine: a single-line
// edit shows its text, its password bullets or its hint from the cache in the
// "EDIT" section's colours, mixed with the panel behind it, never the
// system's grey text; a memo keeps its DisabledKind.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "framework/Forms.h"
#include "framework/Handles.h"
#include "framework/Subclass.h"
#include "skin/SkinManagerSetup.h"
#include "skinctrl/adapters/EditAdapter.h"
#include "skinctrl/adapters/sMemo.h"
#include "skinctrl/controls/sPanel.h"
#include "skinctrl/paint/PixelMath.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skins/OpusSkin.h"
#include "tests/support/Gui.h"
#include "tests/support/ScreenShot.h"

namespace {

using namespace std::chrono_literals;
using testsupport::CaptureClient;
using testsupport::CaptureWindow;
using testsupport::Rgb;
using testsupport::ScreenShot;

void Pump(std::chrono::milliseconds time) { testsupport::PumpUntil([] { return false; }, time); }

std::uint32_t Blend(std::uint32_t control, std::uint32_t parent) {
  return static_cast<std::uint32_t>(skinctrl::MixColors(static_cast<skin::TColor>(control),
                                                        static_cast<skin::TColor>(parent),
                                                        skinctrl::DisabledBlendWeight)) &
         0xFFFFFF;
}

const void* const kHintKey = &kHintKey;

class DisabledEdit : public ::testing::Test {
protected:
  void SetUp() override {
    form = std::make_unique<fw::TForm>(nullptr);
    form->BeginLoading();
    manager = new skin::TsSkinManager(form.get());
    skin::ConfigureMainSkinManager(*manager, skins::OpusSkinArchive());
    form->EndLoading();
    form->SetBorderStyle(fw::TFormBorderStyle::bsNone);
    form->SetBounds(60, 60, 320, 200);
    panel = new skinctrl::TsPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 320, 200);
    form->Show();
    Pump(200ms);
    const skin::TsGeneralData& edit = manager->gd()[static_cast<std::size_t>(manager->GetSkinIndex("EDIT"))];
    sectionColor = Rgb(skinctrl::SectionState(edit, 0).Color);
    fontColor = Rgb(skinctrl::SectionState(edit, 0).FontColor.Color);
    panelColor = CaptureClient(panel->Handle()).At(4, 4);
  }
  void TearDown() override {
    adapters.clear();
    form.reset();
  }

  HWND MakeEdit(const wchar_t* text, DWORD style, int top, bool font = true) {
    HWND edit = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | style, 20,
                                  top, 160, 24, panel->Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (font) ::SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    skinctrl::TacSkinParams params;
    params.SkinSection = "EDIT";
    adapters.push_back(skinctrl::MakeAdapter<skinctrl::TacEditWnd>(true, edit, nullptr, manager, params));
    ::RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
    Pump(100ms);
    return edit;
  }
  static ScreenShot Disabled(HWND edit) {
    ::EnableWindow(edit, FALSE);
    Pump(200ms);
    return CaptureClient(edit);
  }
  // Ink: the pixels that are not the disabled background.
  RECT Ink(const ScreenShot& shot) const {
    RECT r{shot.Width, shot.Height, 0, 0};
    const std::uint32_t paper = Blend(sectionColor, panelColor);
    for (int y = 0; y < shot.Height; ++y)
      for (int x = 0; x < shot.Width; ++x)
        if (shot.At(x, y) != paper) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1);
          r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    return r;
  }
  static int TextWidth(HWND edit, const std::wstring& text) {
    fw::WindowDc dc(edit);
    auto given = reinterpret_cast<HFONT>(::SendMessageW(edit, WM_GETFONT, 0, 0));
    fw::SelectObjectScope font(dc.get(), given ? given : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
  }

  std::unique_ptr<fw::TForm> form;
  skin::TsSkinManager* manager = nullptr;
  skinctrl::TsPanel* panel = nullptr;
  std::vector<std::unique_ptr<skinctrl::TacEditWnd>> adapters;
  std::uint32_t sectionColor = 0, fontColor = 0, panelColor = 0;
};

TEST_F(DisabledEdit, ItsTextComesFromTheCacheInTheSkinsColoursNotTheSystemsGrey) {
  HWND edit = MakeEdit(L"Quillon", 0, 20);
  const ScreenShot enabled = CaptureClient(edit);
  const ScreenShot shot = Disabled(edit);
  testsupport::Save(shot, "skinctrl-edit-disabled");
  EXPECT_FALSE(shot == enabled);
  EXPECT_EQ(shot.At(shot.Width - 3, shot.Height / 2), Blend(sectionColor, panelColor)) << "the section over the panel";
  EXPECT_GT(shot.Count(Blend(fontColor, panelColor)), 5) << "the section's text colour over the panel";
  EXPECT_EQ(shot.Count(Rgb(static_cast<skin::TColor>(::GetSysColor(COLOR_GRAYTEXT)))), 0);
  const RECT ink = Ink(shot);
  EXPECT_NEAR(ink.right - ink.left, TextWidth(edit, L"Quillon"), 2);

  // A new text while disabled is shown from the rebuilt cache.
  ::SetWindowTextW(edit, L"Quillon Quillon");
  Pump(200ms);
  const RECT longer = Ink(CaptureClient(edit));
  EXPECT_NEAR(longer.right - longer.left, TextWidth(edit, L"Quillon Quillon"), 2);

  // An edit without a font of its own writes in the system font, and so
  // does its disabled look.
  HWND plain = MakeEdit(L"Quillon", 0, 60, false);
  const RECT system = Ink(Disabled(plain));
  EXPECT_NEAR(system.right - system.left, TextWidth(plain, L"Quillon"), 2);

  ::EnableWindow(edit, TRUE);
  Pump(200ms);
  EXPECT_EQ(CaptureClient(edit).Count(Blend(fontColor, panelColor)), 0) << "enabled, the window draws its text";
}

TEST_F(DisabledEdit, APasswordShowsBulletsAndAnEmptyEditItsHintFaded) {
  HWND password = MakeEdit(L"abcd", ES_PASSWORD, 20);
  ::SendMessageW(password, EM_SETPASSWORDCHAR, L'*', 0);
  const ScreenShot bullets = Disabled(password);
  testsupport::Save(bullets, "skinctrl-edit-disabled-password");
  const RECT ink = Ink(bullets);
  EXPECT_NEAR(ink.right - ink.left, TextWidth(password, L"\x25CF\x25CF\x25CF\x25CF"), 2);
  ASSERT_NE(TextWidth(password, L"\x25CF\x25CF\x25CF\x25CF"), TextWidth(password, L"****"));

  HWND empty = MakeEdit(L"", 0, 60);
  // Wine's own edit class keeps no hint: where it refuses one, the window
  // is given a hint as a themed edit would answer it.
  const bool ownHint = ::SendMessageW(empty, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(L"Port name")) != 0;
  std::printf("the edit class %s hints\n", ownHint ? "keeps" : "keeps no");
  if (!ownHint) {
    fw::InstallSubclass(empty, kHintKey, [](HWND wnd, fw::TMessage& m) {
      if (m.Msg == EM_GETCUEBANNER && m.WParam) {
        lstrcpynW(reinterpret_cast<wchar_t*>(m.WParam), L"Port name", static_cast<int>(m.LParam));
        m.Result = TRUE;
        return;
      }
      fw::CallNextSubclass(wnd, kHintKey, m);
    });
  }
  const ScreenShot hint = Disabled(empty);
  testsupport::Save(hint, "skinctrl-edit-disabled-hint");
  const std::uint32_t faded = static_cast<std::uint32_t>(
      skinctrl::MixColors(static_cast<skin::TColor>(sectionColor), static_cast<skin::TColor>(fontColor), 180));
  EXPECT_GT(hint.Count(Blend(faded, panelColor)), 5) << "the hint, faded toward the background";
  EXPECT_EQ(hint.Count(Blend(fontColor, panelColor)), 0) << "not in the text colour";
  const RECT hintInk = Ink(hint);
  EXPECT_NEAR(hintInk.right - hintInk.left, TextWidth(empty, L"Port name"), 2);
}

TEST_F(DisabledEdit, AMemoKeepsItsDisabledKind) {
  auto* memo = new skinctrl::TsMemo(form.get());
  memo->SetParent(panel);
  memo->SetBounds(20, 100, 180, 60);
  memo->SetText(L"Device found");
  memo->HandleNeeded();
  memo->SkinData().Loaded(false);
  memo->RefreshEditScrolls();
  Pump(200ms);
  const int h = memo->Height();
  const std::uint32_t frame = CaptureWindow(memo->Handle()).At(0, h / 2);
  memo->SetEnabled(false);
  Pump(200ms);
  EXPECT_EQ(CaptureWindow(memo->Handle()).At(0, h / 2), Blend(frame, panelColor)) << "blended";
  memo->SetDisabledKind(0);
  Pump(200ms);
  EXPECT_EQ(CaptureWindow(memo->Handle()).At(0, h / 2), frame) << "no disabled look asked for";
}

}  // namespace
