// TsPanel: the container painted from its skin section. Its cache is the
// background its transparent and partly transparent children take their
// pixels from.
#pragma once

#include <functional>
#include <memory>

#include "framework/ExtCtrls.h"
#include "skinctrl/state/CommonData.h"
#include "skinctrl/state/PaintGuard.h"

namespace skinctrl {

class TsPanel : public fw::TPanel {
public:
  explicit TsPanel(fw::TComponent* owner);
  ~TsPanel() override;
  const wchar_t* ClassName() const override { return L"TsPanel"; }

  TsCtrlSkinData& SkinData() noexcept { return *FCommonData; }
  // Called after the panel has painted, with the canvas it painted on.
  std::function<void(fw::TObject* sender, fw::TCanvas& canvas)> OnPaint;

  // Rebuilds the cache: the section over the parent's background, then the
  // caption. False when the parent cannot give its background yet.
  bool PrepareCache();
  // Paints the skinned panel into dc; with notify the children are released
  // (SKC_STOPUPDATING) afterwards.
  void PaintToDC(HDC dc, bool notify);

protected:
  void Loaded() override;
  void WndProc(fw::TMessage& m) override;
  void PaintWindow(HDC dc) override;

private:
  // The section the panel's bevel asks for (+1; 0 for none).
  int SectionForBevel() const;
  // The client rectangle inside the bevels and the border.
  RECT TextRect() const;
  // The caption into the cache.
  void WriteText(RECT r);
  // OnPaint with a canvas on the cache.
  void PaintOnCache();
  // Copies the cache to dc inside its clip box, leaving out the opaque
  // children, then paints the graphic children over it.
  void CopyCache(HDC dc, const RECT& clip);
  void TellChildren(std::uint16_t command, LPARAM lParam = 0);
  bool HandleSkinCommand(fw::TMessage& m);
  bool HandleSkinned(fw::TMessage& m);

  std::unique_ptr<TsCtrlSkinData> FCommonData;
  TPaintGuard paintGuard_;
  fw::TBevelCut FOldBevel = fw::TBevelCut::bvRaised;
};

}  // namespace skinctrl
