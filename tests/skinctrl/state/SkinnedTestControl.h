#pragma once
// A skinned control for the tests: it follows the calling order of skinned
// controls, answers SKC_GETSKININDEX with a section of its choice and rebuilds its
// cache as a plain fill of its state's colour, under its children's outer effects.
#include "framework/Controls.h"
#include "skin/sSkinManager.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skinctrl/state/CommonData.h"

#include <memory>
#include <string>
#include <vector>

namespace skintest {

class TsTestControl : public fw::TCustomControl {
public:
  TsTestControl(fw::TComponent* owner, std::uint8_t coc, std::string defaultSection)
      : fw::TCustomControl(owner),
        SkinData(std::make_unique<skinctrl::TsCtrlSkinData>(this, coc)),
        defaultSection_(std::move(defaultSection)) {
    SetTabStop(true);
  }
  ~TsTestControl() override { DestroyHandle(); }
  const wchar_t* ClassName() const override { return L"TsTestControl"; }

  std::unique_ptr<skinctrl::TsCtrlSkinData> SkinData;
  int VisualState = 0;                     // the state PrepareCache paints
  std::vector<std::uint16_t> OwnCommands;  // commands that reached this control
  int Prepared = 0;

protected:
  void WndProc(fw::TMessage& m) override {
    if (!SkinData) {
      fw::TCustomControl::WndProc(m);
      return;
    }
    if (m.Msg == skin::WM_SKINCMD) {
      OwnCommands.push_back(skin::SkinCommandOf(m.WParam));
      switch (skin::SkinCommandOf(m.WParam)) {
      case skin::SKC_GETSKININDEX: {
        skin::TsSkinManager* manager = SkinData->SkinManager();
        m.Result = manager ? manager->GetSkinIndex(defaultSection_) + 1 : 0;
        return;
      }
      case skin::SKC_PREPARECACHE: m.Result = PrepareCache() ? 0 : 1; return;
      default: break;
      }
    }
    if (SkinData->Skinned()) {
      if (m.Msg == WM_ERASEBKGND) {
        m.Result = 1;
        return;
      }
      if (m.Msg == WM_PAINT) {
        PAINTSTRUCT ps;
        const HDC dc = ::BeginPaint(HandleIfAllocated(), &ps);
        if (SkinData->BGChanged) PrepareCache();
        skinctrl::CopyBitmapToDc(*SkinData->FCacheBmp, dc);
        ::EndPaint(HandleIfAllocated(), &ps);
        return;
      }
    }
    if (skinctrl::HandleCommonMessage(m, *SkinData)) return;
    fw::TCustomControl::WndProc(m);
  }

private:
  bool PrepareCache() {
    const skin::TsGeneralData* section = SkinData->Section();
    if (!section) return false;
    ++Prepared;
    skin::Bitmap32& cache = skinctrl::EnsureCacheBitmap(*SkinData);
    const skin::TColor c = skinctrl::SectionState(*section, VisualState).Color;
    const std::uint32_t pixel = 0xFF000000u | (skinctrl::ColorToPixel(c) & 0xFFFFFF);
    std::fill(cache.Pixels.begin(), cache.Pixels.end(), pixel);
    SkinData->PaintOuterEffects(this, {0, 0});
    SkinData->BGChanged = false;
    return !cache.Empty();
  }

  std::string defaultSection_;
};

}  // namespace skintest
