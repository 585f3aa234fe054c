#pragma once
// The edit adapter: a window adapter for edit-like windows (a memo, the list
// of a combo box) that paints the skin's border image around the window,
// pushes the section's colours into the control and keeps the window's own
// client painting untouched: the border is copied from a cache as a frame.
#include "framework/Menus.h"
#include "skinctrl/adapters/WindowAdapters.h"

#include <memory>

namespace skinctrl {

enum TacCtrlStateFlag : unsigned { csPaintNeeded = 1, csNCPaintNeeded = 2 };

class TacEditWnd : public TacBaseWnd {
public:
  TacEditWnd(HWND wnd, TsCommonData* skinData, skin::TsSkinManager* manager, const TacSkinParams& params);
  ~TacEditWnd() override { ReleaseAdapter(); }

  void SaveStdParams() override;
  void RestoreStdParams() noexcept override;
  void SetSkinParams() override;
  void acWndProc(fw::TMessage& m) override;

  // Builds the border cache when the background changed; false while the
  // parent's background is not ready.
  bool PrepareEditCache();
  bool HotStateAllowed(bool forMouseHover) const;

  TColor FrameColor = 0;
  unsigned CtrlState = 0;
  bool SingleLineEdit = false;
  TColor Color = NoColor;

protected:
  // The window's frame from the cache, and its scroll bars.
  void PaintFrame(HDC dc);
  // A disabled single-line edit's text (or hint) into the cache.
  void PaintDisabledText(const ScanLines& lines);
  bool HandleSkinCmd(fw::TMessage& m);

private:
  // A read-only edit's context menu, skinned: copying and selecting only.
  void ShowContextMenu(LPARAM at);

  bool inSetSkinParams_ = false;
  std::unique_ptr<fw::TPopupMenu> contextMenu_;
};

}  // namespace skinctrl
