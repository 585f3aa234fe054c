// The window messages every skinned control handles alike: window life, size and
// position, focus, hover, visibility.
#include "skin/sSkinManager.h"
#include "skinctrl/menus/sPopupMenus.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skinctrl/state/CommonData.h"
#include "skinctrl/state/CommonDataDetail.h"
#include "skinctrl/state/HoverGlow.h"

#include <windowsx.h>

namespace skinctrl {

using skin::Bitmap32;
using skin::TsGeneralData;
using skin::TsSkinManager;

namespace {

constexpr UINT RedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW;

bool NoMouseHover(const TsCommonData& data) {
  const TsSkinManager* m = data.SkinManager();
  return m && m->Options().NoMouseHover;
}

// Focus changes of windowed controls that take the focus by tabbing.
void FocusChanged(TsCommonData& data, bool focused) {
  fw::TWinControl* owner = WindowedOwner(data);
  const TsGeneralData* section = data.Section();
  if (!owner || !section || !owner->CanFocus() || !owner->TabStop() || FullyTransparent(*section)) return;
  data.BGChanged = true;
  data.FFocused = focused;
  if (!IsEditLikeCode(data.COC)) return;
  if (focused && section->States < 2) return;
  if (!focused && !owner->Visible()) return;
  const fw::TColor color = owner->Color(), fontColor = owner->Font().Color();
  if (focused || CommonState(data) == 0) ApplyStateColors(data, true);
  const HWND wnd = owner->HandleIfAllocated();
  if (!wnd) return;
  if (owner->Color() != color || owner->Font().Color() != fontColor) ::RedrawWindow(wnd, nullptr, nullptr, RedrawAll);
  ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

// Hover moved from a sibling straight onto this control: siblings that still
// think themselves hovered are told the mouse left them (each checks the
// cursor itself).
void LeaveHotSiblings(const TsCommonData& data) {
  fw::TControl* owner = data.FOwnerControl;
  fw::TWinControl* parent = owner ? owner->Parent() : nullptr;
  if (!parent) return;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    fw::TControl* sibling = parent->Controls(i);
    if (sibling == owner) continue;
    const auto* other =
        reinterpret_cast<const TsCommonData*>(SendSkinCommandToControl(sibling, skin::SKC_GETSKINDATA));
    if (other && other->FMouseAbove && !IsNoHoverCode(other->COC))
      sibling->Perform(fw::CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(sibling));
  }
}

// The glow of a control the mouse entered: faded in when animation is allowed,
// from where a glow that is still fading stands.
void GlowOnHover(TsCommonData& data) {
  if (!data.SkinManager()->Effects().AllowAnimation) {
    ShowHoverGlow(data, 255);
    return;
  }
  TacThreadedTimer* timer = data.AnimTimer.get();
  if (timer && data.GlowID < 0 && !Animating(data)) timer->Glow = 0;
  if (!ShowHoverGlow(data, timer ? timer->GlowValue() : 0)) return;
  // A running fade of the look carries the glow along.
  if (!Animating(data) || data.AnimTimer->ThreadType == 1) FadeHoverGlow(data, 1);
}

void MouseEnter(TsCommonData& data) {
  const TsGeneralData* section = data.Section();
  if (!section || data.FMouseAbove || NoMouseHover(data)) return;
  TsSkinManager* m = data.SkinManager();
  const HWND wnd = OwnerWindow(data);
  const bool fullHover = wnd && !FullyTransparent(*section);
  if (fullHover) LeaveHotSiblings(data);
  if (!IsNoHoverCode(data.COC)) data.FMouseAbove = true;
  if (wnd) m->TrackActiveControl(wnd);
  if (!fullHover) return;
  if (!IsBackgroundWithoutHoverCode(data.COC) && !IsHoverByControlCode(data.COC)) GlowOnHover(data);
  if (IsEditLikeCode(data.COC) && section->States >= 2 && IsHoverColoringCode(data.COC) && HoverColoringEnabled) {
    ApplyStateColors(data, false);
    data.Invalidate(false);
  }
}

// The framework reports leaving late or early around child windows and scroll
// bars: the cursor itself decides. A cursor over a child window of the control is
// still over the control.
bool CursorOutside(const TsCommonData& data) {
  POINT p{};
  if (!::GetCursorPos(&p)) return true;
  if (const HWND wnd = OwnerWindow(data)) {
    RECT r{};
    if (!::IsWindowVisible(wnd) || !::GetWindowRect(wnd, &r) || !::PtInRect(&r, p)) return true;
    const HWND hit = ::WindowFromPoint(p);
    return hit != wnd && !::IsChild(wnd, hit);
  }
  fw::TControl* owner = data.FOwnerControl;
  if (!owner || !owner->Parent() || !owner->Parent()->HandleAllocated()) return true;
  const POINT origin = owner->Parent()->ClientOrigin();
  RECT r = owner->BoundsRect();
  ::OffsetRect(&r, origin.x, origin.y);
  return !::PtInRect(&r, p);
}

void MouseLeave(TsCommonData& data) {
  if (!data.Skinned() || NoMouseHover(data) || !CursorOutside(data)) return;
  if (!IsNoHoverCode(data.COC)) data.FMouseAbove = false;
  HideHoverGlow(data, true);
  if (IsEditLikeCode(data.COC) && CommonState(data) == 0) {
    ApplyStateColors(data, false);
    data.Invalidate(false);
  }
}

void Sized(TsCommonData& data) {
  data.BGChanged = true;
  const std::uint32_t sizeBits = ACS_WIDTHCHANGED | ACS_HEIGHTCHANGED;
  // Gradients and stretched textures change with the size, and so does what
  // children see through a see-through section.
  const TsGeneralData* section = data.Section();
  const bool dependsOnSize = data.BGType != 0 || (section && section->Props[0].Transparency > 0);
  if ((data.CtrlSkinState & sizeBits) && dependsOnSize) {
    SendToChildren(data, skin::SKC_BGCHANGED, 0, 1);
    if (const HWND wnd = OwnerWindow(data)) ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
  data.CtrlSkinState &= ~sizeBits;
  OuterEffectChanged(data);
  if (!Animating(data)) HideHoverGlow(data, false);
}

void SizeChanging(TsCommonData& data, const WINDOWPOS& pos) {
  const HWND wnd = OwnerWindow(data);
  RECT r{};
  if (!wnd || (pos.flags & SWP_NOSIZE) || !::GetWindowRect(wnd, &r)) return;
  if (pos.cx != r.right - r.left) data.CtrlSkinState |= ACS_WIDTHCHANGED;
  if (pos.cy != r.bottom - r.top) data.CtrlSkinState |= ACS_HEIGHTCHANGED;
}

// The standard frame of an unskinned control printed into a DC; its client area is
// then printed as usual.
void PrintFrame(TsCommonData& data, fw::TMessage& message) {
  const HWND wnd = OwnerWindow(data);
  const HDC dc = reinterpret_cast<HDC>(message.WParam);
  if (!wnd || !(message.LParam & PRF_NONCLIENT)) return;
  RECT r{};
  ::GetWindowRect(wnd, &r);
  ::OffsetRect(&r, -r.left, -r.top);
  const LONG_PTR exStyle = ::GetWindowLongPtrW(wnd, GWL_EXSTYLE);
  if (exStyle & WS_EX_CLIENTEDGE) {
    ::DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
  } else if (::GetWindowLongPtrW(wnd, GWL_STYLE) & WS_BORDER) {
    ::FrameRect(dc, &r, ::GetSysColorBrush(COLOR_WINDOWFRAME));
  }
  message.LParam &= ~static_cast<LPARAM>(PRF_NONCLIENT);
}

// The menus the framework may show for a context-menu request to the control:
// its own, and that of a graphic child under the pointer. They are drawn by the
// skin while the manager is active and natively otherwise; the framework then
// shows the menu.
void HandOverContextMenu(const TsCommonData& data, LPARAM at) {
  fw::TControl* owner = data.FOwnerControl;
  if (!owner) return;
  const TsSkinManager* m = data.SkinManager();
  const bool active = m && m->Active();
  if (fw::TPopupMenu* menu = owner->PopupMenu()) HookPopupMenu(*menu, active);
  const auto* windowed = dynamic_cast<const fw::TWinControl*>(owner);
  const HWND wnd = windowed ? windowed->HandleIfAllocated() : nullptr;
  POINT client{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  // (-1, -1): from the keyboard, for the control itself.
  if (!wnd || (client.x == -1 && client.y == -1)) return;
  ::ScreenToClient(wnd, &client);
  if (const fw::TControl* child = windowed->ControlAtPos(client); child && child->PopupMenu())
    HookPopupMenu(*child->PopupMenu(), active);
}

}  // namespace

bool HandleCommonMessage(fw::TMessage& message, TsCommonData& data) {
  switch (message.Msg) {
  case WM_NCCREATE:
  case WM_CREATE: data.InitCommonProp(); return false;
  case WM_DESTROY: data.RemoveCommonProp(); return false;
  case WM_MOVE:
    if (!data.Skinned()) return false;
    OuterEffectChanged(data);
    if (data.RepaintIfMoved()) {
      data.BGChanged = true;
      data.SendToOwner(skin::SKC_PARENTMOVED, 0, 1);
    }
    HideHoverGlow(data, false);
    return false;
  case WM_SIZE:
    if (data.Skinned()) Sized(data);
    return false;
  case WM_SETFOCUS:
  case WM_KILLFOCUS: FocusChanged(data, message.Msg == WM_SETFOCUS); return false;
  case WM_SHOWWINDOW: AbortAnimation(data); return false;
  case WM_FONTCHANGE:
  case fw::CM_ENABLEDCHANGED:
    data.FMouseAbove = false;
    data.FFocused = false;
    data.BGChanged = true;
    if (data.FOwnerControl ? !data.FOwnerControl->Enabled() : data.FSWHandle && !::IsWindowEnabled(data.FSWHandle))
      HideHoverGlow(data, false);
    return false;
  case WM_WINDOWPOSCHANGING:
    if (message.LParam) SizeChanging(data, *reinterpret_cast<const WINDOWPOS*>(message.LParam));
    return false;
  case WM_CONTEXTMENU: HandOverContextMenu(data, message.LParam); return false;
  case WM_UPDATEUISTATE: return data.Skinned();
  case WM_PARENTNOTIFY:
    if (LOWORD(message.WParam) == WM_CREATE && OwnerWindow(data)) {
      skin::SendSkinCommand(reinterpret_cast<HWND>(message.LParam), SKC_CHILDCREATED);
    }
    return false;
  case WM_PRINT:
    if (!data.Skinned() && message.WParam) PrintFrame(data, message);
    return false;
  case skin::WM_SKINCMD: return HandleSkinCommand(message, data);
  case fw::CM_VISIBLECHANGED: {
    if (!message.WParam) HideHoverGlow(data, false);
    const TsSkinManager* m = data.SkinManager();
    if (m && m->Options().OptimizingPriority == skin::TacOptimizingPriority::opMemory && data.FOwnerControl &&
        !data.FOwnerControl->Destroying()) {
      if (message.WParam) {
        data.FUpdating = false;
      } else {
        if (data.FCacheBmp) *data.FCacheBmp = Bitmap32();
        SendToChildren(data, skin::SKC_CLEARCACHE);
      }
    }
    data.BGChanged = true;
    return false;
  }
  case fw::CM_MOUSEENTER:
    if (data.Skinned()) MouseEnter(data);
    return false;
  case fw::CM_MOUSELEAVE: MouseLeave(data); return false;
  case fw::CM_SHOWINGCHANGED:
    if (data.FOwnerControl && data.FOwnerControl->Visible()) data.Loaded(true);
    return false;
  default: return false;
  }
}

}  // namespace skinctrl
