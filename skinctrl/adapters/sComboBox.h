#pragma once
// TsComboBox: the framework's combo box painted from the skin. The closed box
// (frame, background, the selected item's text and the drop-down button) is
// rendered into a cache and copied to the window; while a skin is active the
// list items are owner-drawn from the skin; the drop-down list window gets an
// edit adapter of its own that paints its frame, background and scroll bar.
#include <memory>

#include "framework/StdCtrls.h"
#include "skinctrl/adapters/EditAdapter.h"

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
  // Draws one item (or the closed box's text) into dc at rect.
  void DrawSkinnedItem(HDC dc, int index, const RECT& rect, fw::TOwnerDrawState state, const skin::Bitmap32* under);
  void ComboStateChanged(int code);
  void Repaint();
  void ReleaseListBox() noexcept;
  bool Focused() const;
  int CurrentIndex() const;

  std::unique_ptr<TsCtrlSkinData> FCommonData;
  std::unique_ptr<TacComboListWnd> ListSW;
  bool skinnedAtCreation_ = false;
};

}  // namespace skinctrl
