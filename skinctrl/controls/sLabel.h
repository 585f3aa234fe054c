// TsLabel: a window-less caption drawn in the font colour of the skin section
// that lies behind it.
#pragma once

#include <string>

#include "framework/StdCtrls.h"
#include "skin/sSkinManager.h"
#include "skinctrl/paint/CacheInfo.h"

namespace skinctrl {

class TsLabel : public fw::TLabel {
public:
  explicit TsLabel(fw::TComponent* owner);
  const wchar_t* ClassName() const override { return L"TsLabel"; }

  // A section painted under the text; empty: no background.
  const std::string& SkinSection() const noexcept { return FSkinSection; }
  void SetSkinSection(const std::string& value);
  // None: the default manager.
  skin::TsSkinManager* SkinManager() const noexcept { return FSkinManager; }
  void SetSkinManager(skin::TsSkinManager* value);
  bool UseSkinColor() const noexcept { return FUseSkinColor; }
  void SetUseSkinColor(bool value);

  fw::TNotifyEvent OnMouseEnter;
  fw::TNotifyEvent OnMouseLeave;

  // The colour the text is drawn in now (RGB).
  virtual TColor FontColorNow();
  // The font's height before any scaling, remembered at each font change
  // that is not the skin's own.
  int DefFontHeight() const noexcept { return FDefFontHeight; }

protected:
  void Paint(fw::TCanvas& canvas) override;
  void WndProc(fw::TMessage& m) override;
  void DoDrawText(fw::TCanvas& canvas, RECT& rect, UINT flags);

private:
  skin::TsSkinManager* ActiveManager() const noexcept;
  void PaintSection(fw::TCanvas& canvas);
  // A word-wrapped text with path or word ellipsis, shortened word by word
  // with "..." until it fits the label's height or one line.
  std::wstring ShortenedText(std::wstring text, const RECT& rect, UINT flags) const;
  void FontChanged(fw::TMessage& m);
  void ContextMenu();

  std::string FSkinSection;
  int FSkinIndex = -1;
  skin::TsSkinManager* FSkinManager = nullptr;
  bool FUseSkinColor = true;
  int FDefFontHeight = 0;
  bool fontChanging_ = false;
};

}  // namespace skinctrl
