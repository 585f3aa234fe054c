#pragma once
// TsMemo: the framework's memo skinned through an edit adapter. The window
// keeps drawing its own text; its border, colours and scroll bars come from
// the skin's "EDIT" section.
#include <memory>

#include "framework/StdCtrls.h"
#include "skinctrl/adapters/EditAdapter.h"

namespace skinctrl {

class TsMemo : public fw::TMemo {
public:
  explicit TsMemo(fw::TComponent* owner);
  ~TsMemo() override;
  const wchar_t* ClassName() const override { return L"TsMemo"; }

  TsScrollWndData& SkinData() noexcept { return *FCommonData; }
  int DisabledKind() const noexcept { return FDisabledKind; }
  void SetDisabledKind(int value);
  // The edit adapter while skinned (none otherwise).
  TacEditWnd* Adapter() const noexcept { return ListSW && !ListSW->Destroyed ? ListSW.get() : nullptr; }
  // Makes the adapter when skinned and there is none, frees it when not.
  void RefreshEditScrolls();

  fw::TNotifyEvent OnVScroll;
  fw::TNotifyEvent OnScrollCaret;

protected:
  void WndProc(fw::TMessage& m) override;
  void KeyDown(WORD& key, fw::TShiftState shift) override;
  void Loaded() override;
  void CreateHandleDone() override;

private:
  void PushStateColors();

  std::unique_ptr<TsScrollWndData> FCommonData;
  int FDisabledKind = dkBlended;
  std::unique_ptr<TacEditWnd> ListSW;
};

}  // namespace skinctrl
