#include "skinctrl/adapters/sMemo.h"

#include "framework/Trace.h"
#include "skin/SkinCommand.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skinctrl/state/CommonDataDetail.h"

namespace skinctrl {

TsMemo::TsMemo(fw::TComponent* owner)
    : fw::TMemo(owner), FCommonData(std::make_unique<TsScrollWndData>(this, COC_Memo)) {
  SetControlStyle(ControlStyle() & ~fw::csOpaque);
}

TsMemo::~TsMemo() {
  DestroyHandle();
  ListSW.reset();
}

void TsMemo::SetDisabledKind(int value) {
  if (value == FDisabledKind) return;
  FDisabledKind = value;
  FCommonData->Invalidate();
}

void TsMemo::Loaded() {
  fw::TMemo::Loaded();
  FCommonData->Loaded(false);
  if (HandleAllocated()) RefreshEditScrolls();
}

void TsMemo::CreateHandleDone() {
  fw::TMemo::CreateHandleDone();
  FCommonData->InitCommonProp();
  if (Loading()) return;
  // A memo made before its manager's skin was active finds its section now.
  if (!FCommonData->Skinned()) FCommonData->UpdateIndexes(true);
  RefreshEditScrolls();
}

void TsMemo::RefreshEditScrolls() {
  if (ListSW && ListSW->Destroyed) ListSW.reset();
  if (FCommonData->Skinned() && HandleAllocated()) {
    if (!ListSW)
      ListSW = MakeAdapter<TacEditWnd>(true, HandleIfAllocated(), FCommonData.get(), FCommonData->SkinManager(),
                                       TacSkinParams{});
  } else {
    ListSW.reset();
  }
}

// The section's colours for the memo's look (hot: focused, or hovered where
// the hot state is allowed), unless the application chose its own.
void TsMemo::PushStateColors() {
  const skin::TsGeneralData* section = FCommonData->Section();
  if (!section) return;
  const bool hot = FCommonData->FFocused || (FCommonData->FMouseAbove && ListSW && ListSW->HotStateAllowed(true));
  const skin::TsGenState& state = SectionState(*section, hot ? 1 : 0);
  if (!FCommonData->FCustomColor && Color() != state.Color) {
    FCommonData->SavedColor = Color();
    SetColor(state.Color);
    FCommonData->BGChanged = true;
  }
  if (!FCommonData->FCustomFont && Font().Color() != state.FontColor.Color) {
    FCommonData->SavedFontColor = Font().Color();
    FCommonData->CtrlSkinState |= ACS_FONTCHANGING;
    Font().SetColor(state.FontColor.Color);
    FCommonData->CtrlSkinState &= ~ACS_FONTCHANGING;
    FCommonData->BGChanged = true;
  }
}

void TsMemo::WndProc(fw::TMessage& m) {
  TsScrollWndData& data = *FCommonData;
  using fw::trace::TPoint;
  struct PaintMark {
    TPoint end;
    ~PaintMark() {
      if (end != TPoint{}) fw::trace::Mark(end);
    }
  } paintMark{m.Msg == WM_PAINT ? TPoint::MemoPainted : m.Msg == WM_NCPAINT ? TPoint::MemoFramePainted : TPoint{}};
  if (m.Msg == WM_PAINT) fw::trace::Mark(TPoint::MemoPaintBegin);
  if (m.Msg == skin::WM_SKINCMD) {
    if (RefuseUntrustedSkinCommand(m)) return;
    const bool own = m.LParam != 0 && reinterpret_cast<skin::TsSkinManager*>(m.LParam) == data.SkinManager();
    switch (skin::SkinCommandOf(m.WParam)) {
    case skin::SKC_GETSKININDEX: {
      skin::TsSkinManager* manager = data.SkinManager();
      m.Result = manager ? manager->GetSkinIndex("EDIT") + 1 : 0;
      return;
    }
    case skin::SKC_SKINCHANGED:
      if (!own) break;
      HandleSkinCommand(m, data);
      RefreshEditScrolls();
      return;
    case skin::SKC_SKINREMOVED:
      if (!own) break;
      // The adapter lets go now; the object itself goes at the next refresh
      // or with the memo, never from inside one of its own messages.
      if (ListSW) ListSW->ReleaseAdapter();
      data.SkinIndex = -1;
      data.BorderIndex = -1;
      SetSkinColors(data, *this, fw::clWindow, fw::clWindowText);
      if (HandleAllocated()) RecreateWnd();
      m.Result = 0;
      return;
    case skin::SKC_REFRESH:
      if (!own) break;
      RefreshEditScrolls();
      HandleSkinCommand(m, data);
      if (HandleAllocated() && IsWindowVisible(HandleIfAllocated()))
        ::RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
      return;
    case skin::SKC_ISSKINNED: m.Result = 1; return;
    default: break;
    }
  }
  if (m.Msg == fw::CM_FONTCHANGED && Showing() && HandleAllocated())
    ::RedrawWindow(HandleIfAllocated(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
  if (m.Msg == WM_PAINT && data.Skinned() && !Loading()) {
    PushStateColors();
    if (CheckUpdating(data)) {
      PAINTSTRUCT ps;
      ::BeginPaint(HandleIfAllocated(), &ps);
      ::EndPaint(HandleIfAllocated(), &ps);
      return;
    }
  }
  if (HandleCommonMessage(m, data)) return;
  fw::TMemo::WndProc(m);
  switch (m.Msg) {
  case WM_SETFONT:
  case fw::CM_FONTCHANGED:
  case fw::CM_VISIBLECHANGED:
  case fw::CM_ENABLEDCHANGED: data.Invalidate(); break;
  case EM_SETSEL:
    if (OnScrollCaret && CanFire()) OnScrollCaret(this);
    break;
  case WM_VSCROLL:
    if (OnVScroll && CanFire()) OnVScroll(this);
    break;
  case fw::CM_TEXTCHANGED:
  case fw::CM_CHANGED:
    if (TacEditWnd* adapter = Adapter()) adapter->UpdateScrolls(true);
    break;
  case fw::CM_SHOWINGCHANGED: RefreshEditScrolls(); break;
  default: break;
  }
}

void TsMemo::KeyDown(WORD& key, fw::TShiftState shift) {
  fw::TMemo::KeyDown(key, shift);
  if (key == 'A' && (shift & (fw::ssCtrl | fw::ssAlt | fw::ssShift)) == fw::ssCtrl && HandleAllocated()) {
    ::SendMessageW(HandleIfAllocated(), EM_SETSEL, 0, -1);
    key = 0;
    // The character Ctrl+A translated into is already queued.
    MSG pending;
    ::PeekMessageW(&pending, HandleIfAllocated(), WM_CHAR, WM_CHAR, PM_REMOVE);
  }
}

}  // namespace skinctrl
