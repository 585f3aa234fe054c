#pragma once
// TsComboBox: the framework's combo box painted from the skin. The closed box
// (frame, background, the selected item's text and the drop-down button) is
// rendered into a cache and copied to the window; while a skin is active the
// list items are owner-drawn from the skin; the drop-down list window gets an
// edit adapter of its own that paints its frame, background and scroll bar.
#include <functional>
#include <memory>

#include "framework/StdCtrls.h"
#include "skinctrl/adapters/EditAdapter.h"
#include "skinctrl/state/PaintGuard.h"

namespace skinctrl {

// The adapter of a combo box's drop-down list window.
class TacComboListWnd : public TacEditWnd {
public:
  TacComboListWnd(HWND list, skin::TsSkinManager* manager, bool simply);

  void SetSkinParams() override;
  void acWndProc(fw::TMessage& m) override;
  // The frame (one pixel of the palette's border colour) around the list's colour.
  void PrepareListCache();

  bool Showed = false;
  bool SimplyBox = false;

protected:
  bool KeepsCaptureOnRelease() const override { return !SimplyBox; }
};

enum class TVerticalAlignment { taAlignTop, taAlignBottom, taVerticalCenter };

// What an application may change before one item is drawn: the font it is
// drawn with.
struct TacItemDrawData {
  fw::TFont* Font = nullptr;
  int ItemIndex = -1;
  fw::TOwnerDrawState State = 0;
};
using TacGetItemDrawData = std::function<void(fw::TObject* sender, TacItemDrawData& itemDrawData)>;

class TsComboBox : public fw::TComboBox {
public:
  explicit TsComboBox(fw::TComponent* owner);
  ~TsComboBox() override;
  const wchar_t* ClassName() const override { return L"TsComboBox"; }

  TsCtrlSkinData& SkinData() noexcept { return *FCommonData; }
  bool ReadOnly() const noexcept { return FReadOnly; }
  void SetReadOnly(bool value) noexcept { FReadOnly = value; }
  bool ShowButton() const noexcept { return FShowButton; }
  void SetShowButton(bool value);
  bool AllowMouseWheel() const noexcept { return FAllowMouseWheel; }
  void SetAllowMouseWheel(bool value) noexcept { FAllowMouseWheel = value; }
  // Of the item texts, in the list and in the closed box.
  fw::TAlignment Alignment() const noexcept { return FAlignment; }
  void SetAlignment(fw::TAlignment value);
  TVerticalAlignment VerticalAlignment() const noexcept { return FVerticalAlignment; }
  void SetVerticalAlignment(TVerticalAlignment value);
  int DisabledKind() const noexcept { return FDisabledKind; }
  void SetDisabledKind(int value);

  TacGetItemDrawData OnGetItemDrawData;
  // After the framework's scaling, a shown box that draws its own items sets
  // its selection field and its items to the scaled height less 6.
  void ChangeScale(int m, int d) override;

  // Client coordinates of the drop-down button.
  RECT ButtonRect() const;
  int ButtonHeight() const;
  void UpdateIndexes();
  int IndexOf(const std::wstring& text);
  // The drop-down list's adapter once the list has been seen (none before).
  TacComboListWnd* ListAdapter() const noexcept { return ListSW.get(); }
  // The box has the look of a button: a list style with no section of its own.
  bool IsButtonLook() const;
  // The box's own opening, when the native list is not used: the focus, and
  // OnDropDown for the application's list.
  void DoDropDown();

  bool FReadOnly = false;
  bool FShowButton = true;
  bool FAllowMouseWheel = true;
  fw::TAlignment FAlignment = fw::TAlignment::taLeftJustify;
  int FDisabledKind = dkBlended;
  TVerticalAlignment FVerticalAlignment = TVerticalAlignment::taAlignTop;
  int State = 0;  // 0 normal, 1 the mouse is over the button, 2 the list is dropped
  int FGlyphIndex = -1;
  HWND lboxhandle = nullptr;
  bool FDropDown = false;
  bool AllowDropDown = true;

protected:
  void CreateParams(fw::TCreateParams& params) override;
  void CreateHandleDone() override;
  void Loaded() override;
  void WndProc(fw::TMessage& m) override;
  void DrawItem(int index, const RECT& rect, fw::TOwnerDrawState state) override;

private:
  bool HandleSkinCmd(fw::TMessage& m);
  bool SwallowedKey(const fw::TMessage& m) const;
  int VisualState() const;
  void PrepareCache();
  void OurPaint(HDC dc);
  void PaintButton(const ScanLines& cache);
  // Draws one item (or the closed box's text) into dc at rect; the closed
  // box's text over the cache, whose point under the rectangle's corner is at.
  void DrawSkinnedItem(HDC dc, int index, const RECT& rect, fw::TOwnerDrawState state, const skin::Bitmap32* under,
                       POINT at = {0, 0});
  // The item's text flags by the alignments.
  UINT ItemTextFlags() const;
  void ComboStateChanged(int code);
  void Repaint();
  void ReleaseListBox() noexcept;
  bool Focused() const;
  int CurrentIndex() const;

  std::unique_ptr<TsCtrlSkinData> FCommonData;
  TPaintGuard paintGuard_;
  std::unique_ptr<TacComboListWnd> ListSW;
  bool skinnedAtCreation_ = false;
};

}  // namespace skinctrl
