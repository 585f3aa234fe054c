#include "skinctrl/state/CommonData.h"

#include "framework/Application.h"
#include "framework/Exception.h"
#include "skin/SkinArchive.h"
#include "skin/SkinBroadcast.h"
#include "skin/sSkinManager.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skinctrl/state/ClassBrush.h"
#include "skinctrl/state/CommonDataDetail.h"
#include "skinctrl/state/HoverGlow.h"

#include <algorithm>
#include <exception>

namespace skinctrl {

using skin::Bitmap32;
using skin::TsGeneralData;
using skin::TsGenState;
using skin::TsSkinManager;

// --- Helpers ---

fw::TWinControl* WindowedOwner(const TsCommonData& data) noexcept {
  return data.FOwnerControl && data.FOwnerControl->IsWindowed() ? static_cast<fw::TWinControl*>(data.FOwnerControl)
                                                                : nullptr;
}

HWND OwnerWindow(const TsCommonData& data) noexcept {
  if (fw::TWinControl* w = WindowedOwner(data)) return w->HandleIfAllocated();
  return data.FOwnerControl ? nullptr : data.FSWHandle;
}

void SendToChildren(const TsCommonData& data, std::uint16_t command, LPARAM lParam, std::uint16_t sub) {
  if (fw::TWinControl* w = WindowedOwner(data)) {
    // Handlers may add or remove controls: walk by index against the live count.
    for (int i = 0; i < w->ControlCount(); ++i) SendSkinCommandToControl(w->Controls(i), command, lParam, sub);
    return;
  }
  if (data.FOwnerControl || !data.FSWHandle) return;
  for (HWND child = ::GetWindow(data.FSWHandle, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    skin::SendSkinCommand(child, command, lParam, sub);
  }
}

HWND OwnerParentWindow(const TsCommonData& data) noexcept {
  if (data.FOwnerControl) {
    fw::TWinControl* parent = data.FOwnerControl->Parent();
    return parent ? parent->HandleIfAllocated() : nullptr;
  }
  return data.FSWHandle ? ::GetParent(data.FSWHandle) : nullptr;
}

SIZE OwnerSize(const TsCommonData& data) noexcept {
  if (data.FOwnerControl) return {std::max(data.FOwnerControl->Width(), 0), std::max(data.FOwnerControl->Height(), 0)};
  RECT r{};
  if (data.FSWHandle) ::GetWindowRect(data.FSWHandle, &r);
  return {std::max<LONG>(r.right - r.left, 0), std::max<LONG>(r.bottom - r.top, 0)};
}

TColor OwnerColor(const TsCommonData& data) noexcept {
  if (data.FOwnerControl) return static_cast<TColor>(fw::ColorToRGB(data.FOwnerControl->Color()));
  return static_cast<TColor>(::GetSysColor(COLOR_BTNFACE));
}

RECT OwnerBounds(const TsCommonData& data) noexcept {
  if (data.FOwnerControl) return data.FOwnerControl->BoundsRect();
  RECT r{};
  if (data.FSWHandle && ::GetWindowRect(data.FSWHandle, &r)) {
    if (HWND parent = ::GetParent(data.FSWHandle)) ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  return r;
}

bool FullyTransparent(const TsGeneralData& section) noexcept {
  return section.Props[0].Transparency == 100 && section.Props[1].Transparency == 100;
}

void RecalcFrame(HWND wnd) noexcept {
  if (wnd) {
    ::SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

// --- TacOuterEffects ---

void TacOuterEffects::SetVisibility(TacOuterVisibility value) {
  if (FVisibility == value) return;
  FVisibility = value;
  if (!FOwner) return;
  OuterEffectChanged(*FOwner);
  FOwner->Invalidate(false);
}

// --- TsCommonData ---

TsCommonData::TsCommonData(fw::TControl* owner, std::uint8_t coc, bool createCacheBmp)
    : COC(coc), FOwnerObject(owner), FOwnerControl(owner) {
  FOuterEffects = std::make_unique<TacOuterEffects>(this);
  if (createCacheBmp) FCacheBmp = std::make_unique<Bitmap32>();
  // Graphic controls have no window to be reached through.
  if (owner && owner->IsWindowed()) WndProc = {&DeliverDirect, this};
  InitCommonProp();
}

TsCommonData::TsCommonData(fw::TObject* owner, HWND wnd, std::uint8_t coc, bool createCacheBmp)
    : COC(coc), FSWHandle(wnd), FOwnerObject(owner), FOwnerControl(nullptr) {
  FOuterEffects = std::make_unique<TacOuterEffects>(this);
  if (createCacheBmp) FCacheBmp = std::make_unique<Bitmap32>();
  InitCommonProp();
}

TsCommonData::~TsCommonData() {
  RemoveCommonProp();
  SkinIndex = -1;
  FSkinManager = nullptr;
  // The glow window goes before the links it is placed by.
  try {
    HideHoverGlow(*this, false);
  } catch (...) {
    fw::Application().HandleException(std::current_exception());
  }
  ClearLinks();
  // The timer may be freed from inside its own tick: it learns of it there.
  AnimTimer.reset();
}

LRESULT TsCommonData::DeliverDirect(void* self, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* data = static_cast<TsCommonData*>(self);
  fw::TMessage m{msg, wParam, lParam, 0};
  if (!data->FOwnerControl) return 0;
  // The direct call bypasses the framework's window procedure and with it its
  // exception barrier: nothing may unwind into the sender.
  try {
    data->FOwnerControl->WindowProc(m);
  } catch (...) {
    fw::Application().HandleException(std::current_exception());
  }
  return m.Result;
}

void TsCommonData::InitCommonProp() {
  const HWND wnd = OwnerHandle();
  if (!wnd) return;
  if (propertyWnd_ && propertyWnd_ != wnd) RemoveCommonProp();
  skin::SetSkinDataLink(wnd, &WndProc);
  propertyWnd_ = wnd;
}

void TsCommonData::RemoveCommonProp() noexcept {
  // Always, also while the application terminates: a link left behind would
  // send the next direct delivery into a freed object.
  if (propertyWnd_) skin::RemoveSkinDataLink(propertyWnd_, &WndProc);
  propertyWnd_ = nullptr;
}

void TsCommonData::ClearLinks() noexcept {
  FOwnerControl = nullptr;
  FOwnerObject = nullptr;
  FSWHandle = nullptr;
}

HWND TsCommonData::OwnerHandle() const noexcept {
  try {
    if (fw::TWinControl* w = WindowedOwner(*this); w && w->HandleAllocated()) return w->HandleIfAllocated();
    if (!FOwnerControl || FOwnerControl->Destroying()) return FSWHandle;
  } catch (...) {
  }
  return nullptr;
}

TsSkinManager* TsCommonData::SkinManager() const noexcept {
  return FSkinManager ? FSkinManager : TsSkinManager::DefaultManager();
}

bool TsCommonData::Skinned(bool checkSkinActive) const noexcept {
  try {
    const TsSkinManager* m = SkinManager();
    if (!m || m->Destroying()) return false;
    if (!m->Model().IsValidSkinIndex(SkinIndex)) return false;
    if (FOwnerControl && FOwnerControl->Destroying()) return false;
    return !checkSkinActive || m->CommonSkinData.Active;
  } catch (...) {
    return false;
  }
}

const TsGeneralData* TsCommonData::Section() const noexcept {
  return Skinned() ? &SkinManager()->gd()[static_cast<std::size_t>(SkinIndex)] : nullptr;
}

LRESULT TsCommonData::SendToOwner(std::uint16_t command, LPARAM lParam, std::uint16_t sub) {
  if (FOwnerControl) return SendSkinCommandToControl(FOwnerControl, command, lParam, sub);
  return FSWHandle ? skin::SendSkinCommand(FSWHandle, command, lParam, sub) : 0;
}

void TsCommonData::UpdateIndexes(bool updateMain) {
  BGChanged = true;
  TsSkinManager* m = SkinManager();
  // The manager is switched on before its skin data turns active: skin::SKC_SKINCHANGED
  // comes in between and must find the sections.
  const bool active = m && !m->Destroying() && m->Active();
  if (updateMain) {
    if (!active) {
      SkinIndex = -1;
    } else if (!FSkinSection.empty()) {
      SkinIndex = m->GetSkinIndex(FSkinSection);
    } else {
      SkinIndex = static_cast<int>(SendToOwner(skin::SKC_GETSKININDEX)) - 1;
    }
  }
  if (m && !m->Destroying() && m->Model().IsValidSkinIndex(SkinIndex)) {
    const TsGeneralData& section = m->gd()[static_cast<std::size_t>(SkinIndex)];
    BGType = BackgroundTypeOf(m->Model(), section);
    BorderIndex = m->Model().IsValidImgIndex(section.BorderIndex) ? section.BorderIndex : -1;
  } else {
    BGType = 0;
    BorderIndex = -1;
  }
}

void TsCommonData::SetSkinSection(std::string_view value) {
  std::string upper = skin::UpperCase(value);
  if (upper == FSkinSection) return;
  HideHoverGlow(*this, false);
  FSkinSection = std::move(upper);
  TsSkinManager* m = SkinManager();
  if (m && !m->Destroying() && !m->gd().empty()) {
    UpdateIndexes(true);
  } else {
    SkinIndex = -1;
    BGChanged = true;
  }
  if (!FOwnerControl || !FOwnerControl->Parent() || FOwnerControl->Loading() || FOwnerControl->Destroying()) return;
  if (WindowedOwner(*this)) {
    ClearCache(*this);
    SendToChildren(*this, skin::SKC_BGCHANGED, 0, 1);
  }
  if (FUpdating || Loading) {
    if (!Loading) ApplyStateColors(*this, false);
    return;
  }
  SendToOwner(Skinned() ? skin::SKC_REFRESH : skin::SKC_SKINREMOVED, reinterpret_cast<LPARAM>(m), 1);
}

void TsCommonData::SetSkinManager(TsSkinManager* value) {
  if (value == TsSkinManager::DefaultManager()) value = nullptr;
  if (value == FSkinManager) return;
  FSkinManager = value;
  if (FOwnerControl && FOwnerControl->Loading()) return;
  TsSkinManager* m = SkinManager();
  if (m && !m->Destroying() && !m->gd().empty()) {
    UpdateIndexes(true);
  } else {
    SkinIndex = -1;
  }
  if (!FOwnerControl || !FOwnerControl->Parent() || FOwnerControl->Destroying()) return;
  SendToOwner(Skinned() ? skin::SKC_REFRESH : skin::SKC_SKINREMOVED, reinterpret_cast<LPARAM>(m));
}

void TsCommonData::SetCustomColor(bool value) {
  if (FCustomColor == value) return;
  FCustomColor = value;
  if (Loading || !FOwnerControl) return;
  if (value) {
    if (SavedColor != NoColor) FOwnerControl->SetColor(SavedColor);
  } else {
    SavedColor = FOwnerControl->Color();
  }
  ApplySkinColors(*this, true);
}

void TsCommonData::SetCustomFont(bool value) {
  if (FCustomFont == value) return;
  FCustomFont = value;
  if (Loading || !FOwnerControl) return;
  if (value) {
    if (SavedFontColor != NoColor) FOwnerControl->Font().SetColor(SavedFontColor);
  } else {
    SavedFontColor = FOwnerControl->Font().Color();
  }
  ApplySkinColors(*this, true);
}

void TsCtrlSkinData::SetColorTone(TColor value) {
  if (FColorTone == value) return;
  FColorTone = value;
  Loaded(true);
  Invalidate(false);
}

void TsCtrlSkinData::SetHUEOffset(int value) {
  if (FHUEOffset == value) return;
  FHUEOffset = value;
  Loaded(true);
  Invalidate(false);
}

void TsCtrlSkinData::SetSaturation(int value) {
  if (FSaturation == value) return;
  FSaturation = value;
  Loaded(true);
  Invalidate(false);
}

void TsCommonData::Loaded(bool updateColors) {
  Loading = false;
  ChooseDefaultSection(*this);
  if (Skinned() && FOwnerControl && FOwnerControl->Parent() && !FOwnerControl->Loading()) {
    if (HWND wnd = OwnerWindow(*this)) {
      for (HWND child = ::GetWindow(wnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        skin::SendSkinCommand(child, SKC_CHILDCREATED);
      }
    }
    if (updateColors) ApplySkinColors(*this, false);
  }
  InitCommonProp();
}

void TsCommonData::Invalidate(bool updateNow) {
  BGChanged = true;
  if (Loading) return;
  const UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | (updateNow ? RDW_UPDATENOW : 0);
  if (!FOwnerControl) {
    if (FSWHandle) ::RedrawWindow(FSWHandle, nullptr, nullptr, flags);
    return;
  }
  if (FOwnerControl->Loading() || FOwnerControl->Destroying() || !FOwnerControl->Showing()) return;
  if (fw::TWinControl* w = WindowedOwner(*this)) {
    if (w->HandleAllocated()) ::RedrawWindow(w->HandleIfAllocated(), nullptr, nullptr, flags);
  } else if (COC == 92) {
    SendToOwner(skin::SKC_INVALIDATE);
  } else {
    FOwnerControl->Repaint();
  }
}

void TsCommonData::BeginUpdate() {
  ++FUpdateCount;
  FUpdating = true;
  CtrlSkinState |= ACS_LOCKED;
  SendToOwner(skin::SKC_BEGINUPDATE);
}

void TsCommonData::EndUpdate(bool repaint) {
  FUpdateCount = std::max(FUpdateCount - 1, 0);
  FUpdating = false;
  CtrlSkinState &= ~ACS_LOCKED;
  if (FUpdateCount > 0) return;
  SendToOwner(skin::SKC_ENDUPDATE);
  if (repaint) Invalidate(true);
}

bool TsCommonData::RepaintIfMoved() {
  if (!Skinned() || !FOwnerControl || !FOwnerControl->Enabled()) return true;
  const HWND parent = OwnerParentWindow(*this);
  if (Section()->Props[0].Transparency > 0 && parent)
    return skin::SendSkinCommand(parent, skin::SKC_REPAINTONMOVE) == 1;
  return false;
}

// --- Shared operations ---

void ChooseDefaultSection(TsCommonData& data) {
  if (!data.FSkinSection.empty()) {
    data.UpdateIndexes(true);
    return;
  }
  const TacDefaultSection rule = DefaultSectionOf(data.COC);
  switch (rule.Source) {
  case TacSectionSource::FixedName: data.SetSkinSection(rule.Name); break;
  case TacSectionSource::AskControl: data.UpdateIndexes(true); break;
  case TacSectionSource::ClassName:
    if (data.FOwnerControl) {
      data.SetSkinSection(fw::ToUtf8(data.FOwnerControl->ClassName()));
    } else if (data.FSWHandle) {
      wchar_t name[256] = {};
      ::GetClassNameW(data.FSWHandle, name, 256);
      data.SetSkinSection(fw::ToUtf8(name));
    }
    break;
  }
}

int CommonState(const TsCommonData& data) {
  const fw::TControl* owner = data.FOwnerControl;
  if (owner) {
    if (owner->Destroying() || !owner->Enabled()) return 0;
  } else if (!data.FSWHandle || !::IsWindowEnabled(data.FSWHandle)) {
    return 0;
  }
  if (data.FFocused) return 1;
  if (const HWND wnd = OwnerWindow(data); wnd && ::GetFocus() == wnd && data.COC != COC_Panel) return 1;
  const TsSkinManager* m = data.SkinManager();
  if (!data.FMouseAbove || (m && m->Options().NoMouseHover)) return 0;
  return !IsNoHoverCode(data.COC) && (!IsHoverColoringCode(data.COC) || HoverColoringEnabled) ? 1 : 0;
}

namespace {

// The background colour of a parent as it shows it to its children.
TColor ParentBackgroundColor(const TsCommonData& data) {
  fw::TWinControl* parent = data.FOwnerControl ? data.FOwnerControl->Parent() : nullptr;
  const HWND parentWnd = OwnerParentWindow(data);
  if (parentWnd && skin::IsSkinnedWindow(parentWnd))
    return static_cast<TColor>(skin::SendSkinCommand(parentWnd, skin::SKC_GETBGCOLOR));
  if (parent) return static_cast<TColor>(fw::ColorToRGB(parent->Color()));
  if (parentWnd) return static_cast<TColor>(::GetSysColor(COLOR_BTNFACE));
  return OwnerColor(data);
}

}  // namespace

TColor StateBackgroundColor(const TsCommonData& data, int state) {
  const TsGeneralData* section = data.Section();
  if (!section) return data.FOwnerControl ? OwnerColor(data) : static_cast<TColor>(::GetSysColor(COLOR_BTNFACE));
  const int s = state > 0 && section->States > 1 ? 1 : 0;
  const int t = section->Props[static_cast<std::size_t>(s)].Transparency;
  const TColor c = section->Props[static_cast<std::size_t>(s)].Color;
  if (t <= 0) return data.FCustomColor ? OwnerColor(data) : c;
  const TColor p = ParentBackgroundColor(data);
  if (t >= 100) return p;
  return MixColors(p, c, t * 255 / 100);
}

TColor BackgroundColorForChildren(TsCommonData& data) {
  const TsGeneralData* section = data.Section();
  if (!section) return OwnerColor(data);
  const int t = section->Props[0].Transparency;
  const TColor c = section->Props[0].Color;
  if (t <= 0) return c;
  const TColor p = OwnerParentWindow(data) || (data.FOwnerControl && data.FOwnerControl->Parent())
                       ? ParentBackgroundColor(data)
                       : OwnerColor(data);
  if (t >= 100) return p;
  // The transparency is a weight out of 256 here, unlike in painting.
  TColor mixed = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int cc = (c >> shift) & 0xFF, pc = (p >> shift) & 0xFF;
    mixed |= ((cc * (256 - t) + pc * t) >> 8) << shift;
  }
  return mixed;
}

void ApplyStateColors(TsCommonData& data, bool silent) {
  const TsGeneralData* section = data.Section();
  fw::TControl* owner = data.FOwnerControl;
  if (!section || !owner) return;
  const TsGenState& state = SectionState(*section, CommonState(data));
  const HWND wnd = OwnerWindow(data);
  const bool lockDrawing = !silent && wnd && owner->Visible();
  if (lockDrawing) ::SendMessageW(wnd, WM_SETREDRAW, FALSE, 0);
  SetSkinColors(data, *owner, state.Color, state.FontColor.Color);
  if (lockDrawing) ::SendMessageW(wnd, WM_SETREDRAW, TRUE, 0);
}

void SetSkinColors(TsCommonData& data, fw::TControl& control, TColor color, TColor fontColor) {
  if (!data.FCustomColor) control.SetColor(color);
  if (data.FCustomFont || control.Font().Color() == fontColor) return;
  data.CtrlSkinState |= ACS_FONTCHANGING;
  try {
    control.Font().SetColor(fontColor);
  } catch (...) {
    data.CtrlSkinState &= ~ACS_FONTCHANGING;
    throw;
  }
  data.CtrlSkinState &= ~ACS_FONTCHANGING;
}

void ApplySkinColors(TsCommonData& data, bool repaint) {
  if (!data.FOwnerControl && !data.FSWHandle) return;
  fw::TWinControl* windowed = WindowedOwner(data);
  if (windowed && !windowed->HandleAllocated()) return;
  const HWND wnd = OwnerWindow(data);
  if (const TsGeneralData* section = data.Section()) {
    if (IsEditLikeCode(data.COC) && !FullyTransparent(*section)) ApplyStateColors(data, false);
    if (wnd && data.SkinManager()->Brushes[0]) SetSkinClassBrush(wnd, data.SkinManager()->Brushes[0].get());
  } else if (wnd && data.COC != 142) {
    RestoreSkinClassBrush(wnd);
  }
  if (repaint) data.Invalidate(true);
}

bool CheckUpdating(TsCommonData& data, bool clearFirst) {
  if (clearFirst) data.FUpdating = false;
  const TsSkinManager* m = data.SkinManager();
  bool updating;
  if (!m) {
    updating = false;
  } else if (data.FUpdating) {
    updating = true;
  } else if (data.FOwnerControl && data.FOwnerControl->Destroying()) {
    updating = false;
  } else if (data.FOwnerControl && data.FOwnerControl->Parent()) {
    updating = SendSkinCommandToControl(data.FOwnerControl->Parent(), skin::SKC_GETUPDATING) == 1;
  } else {
    const HWND parent = OwnerParentWindow(data);
    updating = parent && skin::SendSkinCommand(parent, skin::SKC_GETUPDATING) == 1;
  }
  if (updating) data.FUpdating = true;
  return updating;
}

Bitmap32& EnsureCacheBitmap(TsCommonData& data) {
  if (!data.FCacheBmp) data.FCacheBmp = std::make_unique<Bitmap32>();
  const SIZE size = OwnerSize(data);
  if (data.FCacheBmp->Width != size.cx || data.FCacheBmp->Height != size.cy) {
    *data.FCacheBmp = Bitmap32(size.cx, size.cy);
  }
  return *data.FCacheBmp;
}

void ClearCache(TsCommonData& data) noexcept {
  if (data.FCacheBmp) *data.FCacheBmp = Bitmap32();
  data.BGChanged = true;
}

}  // namespace skinctrl
