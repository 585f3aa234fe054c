#include "skinctrl/adapters/sComboBox.h"

#include <algorithm>

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "skin/SkinCommand.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/gdi/ParentBackground.h"
#include "skinctrl/gdi/SkinTextGdi.h"
#include "skinctrl/paint/ArrowPaint.h"
#include "skinctrl/paint/ComboGeometry.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skinctrl/paint/SkinImages.h"
#include "skinctrl/state/CommonDataDetail.h"
#include "skinctrl/state/HoverGlow.h"

namespace skinctrl {

namespace {

bool PointerOverWindow(HWND wnd) noexcept {
  POINT p;
  RECT w;
  ::GetCursorPos(&p);
  ::GetWindowRect(wnd, &w);
  return ::PtInRect(&w, p) != 0;
}

// The list window's "start tracking" and "end tracking" notifications: the
// system sends them when the list drops and when it closes.
constexpr UINT LBCB_STARTTRACK = 0x1AE;
constexpr UINT LBCB_ENDTRACK = 0x1AF;

COLORREF Rgb(TColor color, const skin::TsSkinManager* manager) {
  return static_cast<COLORREF>(ResolveSkinColor(color, manager)) & 0xFFFFFF;
}

bool IsOwnerDrawStyle(fw::TComboBoxStyle style) {
  return style == fw::TComboBoxStyle::csOwnerDrawFixed || style == fw::TComboBoxStyle::csOwnerDrawVariable;
}

bool IsListStyle(fw::TComboBoxStyle style) {
  return style == fw::TComboBoxStyle::csDropDownList || style == fw::TComboBoxStyle::csOwnerDrawFixed ||
         style == fw::TComboBoxStyle::csOwnerDrawVariable;
}

}  // namespace

// ------------------------------------------------------------ the list

TacComboListWnd::TacComboListWnd(HWND list, skin::TsSkinManager* manager, bool simply)
    : TacEditWnd(list, nullptr, manager, [] {
        TacSkinParams params;
        params.SkinSection = "EDIT";
        return params;
      }()),
      SimplyBox(simply) {}

void TacComboListWnd::SetSkinParams() {
  TacEditWnd::SetSkinParams();
  const skin::TsGeneralData* section = SkinData->Section();
  if (!SkinData->FCustomColor)
    Color = DlgMode ? static_cast<TColor>(::GetSysColor(COLOR_WINDOW))
                    : (section ? StateBackgroundColor(*SkinData, CommonState(*SkinData)) : Color);
  FrameColor = section ? SkinManager->Palette[skin::pcBorder] : 0;
}

void TacComboListWnd::PrepareListCache() {
  MeasureWindow();
  if (SimplyBox) {
    SkinData->SendToOwner(skin::SKC_PREPARECACHE);
    return;
  }
  SkinData->UpdateIndexes(true);
  SetSkinParams();
  if (!SkinData->FCacheBmp) SkinData->FCacheBmp = std::make_unique<skin::Bitmap32>();
  skin::Bitmap32& cache = *SkinData->FCacheBmp;
  if (cache.Width != WndSize.cx || cache.Height != WndSize.cy) cache = skin::Bitmap32(WndSize.cx, WndSize.cy);
  const std::uint32_t fill = ColorToPixel(ResolveSkinColor(Color, SkinManager)) | 0xFF000000u;
  const std::uint32_t frame = ColorToPixel(ResolveSkinColor(FrameColor, SkinManager)) | 0xFF000000u;
  for (int y = 0; y < cache.Height; ++y)
    for (int x = 0; x < cache.Width; ++x) {
      const bool edge = x == 0 || y == 0 || x == cache.Width - 1 || y == cache.Height - 1;
      cache.At(x, y) = edge ? frame : fill;
    }
  SkinData->BGChanged = false;
}

void TacComboListWnd::acWndProc(fw::TMessage& m) {
  if (!SkinData->Skinned() || Destroyed) {
    TacEditWnd::acWndProc(m);
    return;
  }
  switch (m.Msg) {
  case WM_SIZE:
    SkinData->BGChanged = true;
    CallPrevWndProc(m);
    if (!DontRepaint) UpdateScrolls(true);
    return;
  case WM_ERASEBKGND:
    if (m.WParam == 0) break;
    {
      RECT r{0, 0, 0, 0};
      ::GetClientRect(CtrlHandle, &r);
      const HDC dc = reinterpret_cast<HDC>(m.WParam);
      const COLORREF previous = ::SetDCBrushColor(dc, Rgb(Color, SkinManager));
      ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
      ::SetDCBrushColor(dc, previous);
    }
    m.Result = 1;
    return;
  case WM_NCPAINT: {
    if (DontRepaint) {
      m.Result = 0;
      return;
    }
    PrepareListCache();
    fw::NonClientDc dc(CtrlHandle);
    if (SkinData->FCacheBmp) {
      const skin::Bitmap32& cache = *SkinData->FCacheBmp;
      const int w = cache.Width, h = cache.Height;
      CopyBitmapToDc(cache, dc.get(), RECT{0, 0, w, 1}, POINT{0, 0});
      CopyBitmapToDc(cache, dc.get(), RECT{0, h - 1, w, h}, POINT{0, h - 1});
      CopyBitmapToDc(cache, dc.get(), RECT{0, 0, 1, h}, POINT{0, 0});
      CopyBitmapToDc(cache, dc.get(), RECT{w - 1, 0, w, h}, POINT{w - 1, 0});
    }
    PaintScrollBars(dc.get());
    m.Result = 0;
    return;
  }
  case WM_HSCROLL:
  case WM_VSCROLL: CallPrevWndProc(m); return;
  case LBCB_STARTTRACK:
  case LBCB_ENDTRACK:
    Showed = m.Msg == LBCB_STARTTRACK;
    if (!Showed) SkinData->BGChanged = true;
    break;
  default: break;
  }
  TacEditWnd::acWndProc(m);
  if (m.Msg == WM_WINDOWPOSCHANGED && !Destroyed) UpdateScrolls(true);
}

// ------------------------------------------------------------ the combo box

TsComboBox::TsComboBox(fw::TComponent* owner)
    : fw::TComboBox(owner), FCommonData(std::make_unique<TsCtrlSkinData>(this, COC_ComboBox)) {
  SetDropDownCount(16);
}

TsComboBox::~TsComboBox() {
  ReleaseListBox();
  DestroyHandle();
}

void TsComboBox::SetAlignment(fw::TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  FCommonData->Invalidate();
}

void TsComboBox::SetVerticalAlignment(TVerticalAlignment value) {
  if (value == FVerticalAlignment) return;
  FVerticalAlignment = value;
  Repaint();
}

void TsComboBox::SetDisabledKind(int value) {
  if (value == FDisabledKind) return;
  FDisabledKind = value;
  FCommonData->Invalidate();
}

void TsComboBox::SetShowButton(bool value) {
  if (value == FShowButton) return;
  FShowButton = value;
  FCommonData->Invalidate();
}

bool TsComboBox::IsButtonLook() const {
  return IsListStyle(Style()) && (FCommonData->SkinSection().empty() || !FCommonData->Skinned());
}

void TsComboBox::UpdateIndexes() {
  FGlyphIndex = -1;
  skin::TsSkinManager* manager = FCommonData->SkinManager();
  if (manager && manager->Active() && FCommonData->Skinned())
    FGlyphIndex = manager->GetMaskIndex(FCommonData->SkinIndex, "GLYPHMASK");
}

RECT TsComboBox::ButtonRect() const {
  const skin::TsSkinManager* manager = FCommonData->SkinManager();
  int w = 0;
  if (Style() != fw::TComboBoxStyle::csSimple && FShowButton) {
    const int system = fw::SystemMetricForDpi(SM_CXVSCROLL, manager ? manager->MetricsDpi() : fw::SystemDpi());
    const int scroll = manager && manager->ScrollsOptions().ScrollSize >= 0 ? manager->ScrollsOptions().ScrollSize
                                                                             : system;
    w = std::max(system, scroll) - 1;
    if (manager) w = manager->ScaleInt(w);
  }
  const int m = manager ? manager->CommonSkinData.ComboBoxMargin : 2;
  const TRect r = ComboButtonRect(Width(), Height(), w, m);
  return RECT{r.Left, r.Top, r.Right, r.Bottom};
}

void TsComboBox::ChangeScale(int m, int d) {
  const int height = Height();
  fw::TComboBox::ChangeScale(m, d);
  const HWND wnd = HandleIfAllocated();
  if (m == d || !wnd || !Showing() || IsOwnerDrawStyle(Style())) return;
  const int field = ::MulDiv(height, m, d) - 6;
  ::SendMessageW(wnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  ::SendMessageW(wnd, CB_SETITEMHEIGHT, 0, field);
  UpdateBounds();
}

int TsComboBox::ButtonHeight() const {
  const skin::TsSkinManager* manager = FCommonData->SkinManager();
  if (FCommonData->Skinned() && FGlyphIndex >= 0 && manager)
    return manager->ma()[static_cast<std::size_t>(FGlyphIndex)].Height;
  return 16;
}

int TsComboBox::IndexOf(const std::wstring& text) {
  for (int i = 0; i < Items().Count(); ++i)
    if (Items().Get(i) == text) return i;
  return -1;
}

int TsComboBox::CurrentIndex() const {
  const HWND wnd = HandleIfAllocated();
  return wnd ? static_cast<int>(::SendMessageW(wnd, CB_GETCURSEL, 0, 0)) : -1;
}

bool TsComboBox::Focused() const {
  const HWND wnd = HandleIfAllocated();
  if (!wnd) return false;
  const HWND focus = ::GetFocus();
  return focus == wnd || (focus && focus == lboxhandle) || FCommonData->FFocused;
}

void TsComboBox::CreateParams(fw::TCreateParams& params) {
  fw::TComboBox::CreateParams(params);
  if (!Loading()) FCommonData->UpdateIndexes(true);
  if (Style() == fw::TComboBoxStyle::csDropDown || Style() == fw::TComboBoxStyle::csDropDownList) {
    // Owner-drawn exactly while skinned: the items are drawn from the skin.
    skinnedAtCreation_ = FCommonData->Skinned();
    if (skinnedAtCreation_)
      params.Style |= CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
    else
      params.Style &= ~static_cast<DWORD>(CBS_OWNERDRAWFIXED | CBS_HASSTRINGS);
  }
}

void TsComboBox::CreateHandleDone() {
  fw::TComboBox::CreateHandleDone();
  FCommonData->Loaded(true);
  UpdateIndexes();
}

void TsComboBox::Loaded() {
  fw::TComboBox::Loaded();
  UpdateIndexes();
}

void TsComboBox::DoDropDown() {
  if (CanFocus()) SetFocus();
  if (!OnDropDown) return;
  FDropDown = true;
  State = 2;
  Repaint();
  if (CanFire()) OnDropDown(this);
}

void TsComboBox::ReleaseListBox() noexcept {
  if (!lboxhandle) return;
  if (::IsWindow(lboxhandle)) {
    const LONG_PTR style = ::GetWindowLongPtrW(lboxhandle, GWL_STYLE);
    ::SetWindowLongPtrW(lboxhandle, GWL_STYLE, (style & ~static_cast<LONG_PTR>(0x40000)) | WS_BORDER);
  }
  if (ListSW) ListSW->ReleaseAdapter();
  ListSW.reset();
  lboxhandle = nullptr;
}

int TsComboBox::VisualState() const {
  // A skin's own face for the focused box without an edit field, when it
  // has a fourth state.
  if (const skin::TsGeneralData* section = FCommonData->Section();
      section && Focused() && section->States > 3 &&
      FCommonData->SkinIndex == FCommonData->SkinManager()->GetSkinIndex("COMBONOEDIT"))
    return 3;
  if (FDropDown && IsButtonLook()) return 2;
  if (CommonState(*FCommonData) == 1 || (IsButtonLook() && FCommonData->FMouseAbove)) return 1;
  return 0;
}

// Every change of the look goes through here: 0 the mouse left, 1 the mouse
// is over the box but not its button, 2 the list opened, 3 the mouse is over
// the button. The look fades to the new state where the manager allows it.
void TsComboBox::ComboStateChanged(int code) {
  TsCtrlSkinData& data = *FCommonData;
  data.BGChanged = false;
  data.FMouseAbove = code != 0;
  if (code == 1 && !IsButtonLook() && HandleAllocated()) {
    const RECT b = ButtonRect();
    const TRect t = ComboTextRect(TRect{b.left, b.top, b.right, b.bottom}, Width(), Height(), 2, 2);
    const RECT text{t.Left, t.Top, t.Right, t.Bottom};
    data.BGChanged = true;
    ::RedrawWindow(HandleIfAllocated(), &text, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  const skin::TsSkinManager* manager = data.SkinManager();
  const bool animate = manager && manager->Effects().AllowAnimation;
  const bool buttonLook = IsButtonLook();
  // The box with a button's look glows as a button does: its glow comes up
  // with the hover and its alpha follows the fade.
  if ((code == 1 || code == 3) && buttonLook && data.GlowID < 0) ShowHoverGlow(data, animate ? 0 : 255);
  StateChanged(data, code, &FadeStep, !buttonLook && data.GlowID < 0, code == 2 || code == 4, animate);
}

void TsComboBox::Repaint() {
  FCommonData->BGChanged = true;
  if (HWND wnd = HandleIfAllocated(); wnd && Showing()) ::InvalidateRect(wnd, nullptr, FALSE);
}

void TsComboBox::PrepareCache() {
  skin::Bitmap32& cache = EnsureCacheBitmap(*FCommonData);
  if (cache.Empty()) return;
  const ScanLines lines = LinesOf(cache);
  TControlLook look;
  look.SkinIndex = FCommonData->SkinIndex;
  if (FCommonData->FCustomColor) look.CustomColor = ResolveSkinColor(Color(), FCommonData->SkinManager());
  const RECT bounds = BoundsRect();
  if (!PaintSkinControlOnParent(look, Parent(), nullptr, {0, 0}, -1, -1, true, lines, {bounds.left, bounds.top},
                                {0, 0, cache.Width, cache.Height}, VisualState(), FCommonData->SkinManager()))
    return;
  if (Style() != fw::TComboBoxStyle::csSimple) {
    const RECT button = ButtonRect();
    const TRect t =
        ComboTextRect(TRect{button.left, button.top, button.right, button.bottom}, cache.Width, cache.Height, 3, 2);
    const RECT text{t.Left, t.Top, t.Right, t.Bottom};
    fw::TOwnerDrawState state = fw::odComboBoxEdit;
    if (Focused() && IsListStyle(Style())) state |= fw::odFocused | fw::odSelected;
    if (text.right > text.left && text.bottom > text.top) {
      TDibBitmap item(text.right - text.left, text.bottom - text.top);
      DrawSkinnedItem(item.DC(), CurrentIndex(), RECT{0, 0, item.Width(), item.Height()}, state, &cache,
                      POINT{text.left, text.top});
      const ScanLines drawn = item.Lines();
      for (int y = 0; y < drawn.Height; ++y)
        for (int x = 0; x < drawn.Width; ++x) cache.At(text.left + x, text.top + y) = drawn.At(x, y) | 0xFF000000u;
    }
    if (FShowButton) PaintButton(lines);
  }
  if (!Enabled()) {
    TBackgroundRequest request;
    QueryParentBackground(request, Parent(), nullptr, false, FCommonData->SkinManager());
    PaintDisabled(lines, FDisabledKind, {bounds.left, bounds.top}, BackgroundToCacheInfo(request), fw::clBtnFace);
  }
  FCommonData->BGChanged = false;
}

void TsComboBox::PaintButton(const ScanLines& cache) {
  const skin::TsSkinManager* manager = FCommonData->SkinManager();
  const skin::TsGeneralData* section = FCommonData->Section();
  const RECT r = ButtonRect();
  const int a = FDropDown ? 2 : (State == 1 || (IsButtonLook() && (FCommonData->FMouseAbove || Focused())) ? 1 : 0);
  if (!manager) return;
  const int comboBtn = manager->GetSkinIndex("COMBOBTN");
  if (!IsButtonLook() && comboBtn >= 0)
    PaintSkinSection(&manager->Model(), comboBtn, CacheInfoOfBitmap(cache, 0, 0), -1, -1, cache, {r.left, r.top},
                     {r.left, r.top, r.right, r.bottom}, a);
  if ((section && section->GiveOwnFont) || FGlyphIndex < 0) {
    TColor color = static_cast<TColor>(::GetSysColor(COLOR_WINDOWTEXT));
    if (IsButtonLook()) {
      if (section) color = SectionState(*section, a).FontColor.Color;
    } else if (comboBtn >= 0) {
      color = SectionState(manager->gd()[static_cast<std::size_t>(comboBtn)], a).FontColor.Color;
    }
    DrawSolidArrow(cache, ResolveSkinColor(color, manager), {r.left, r.top, r.right, r.bottom}, TacArrowDirection::Down,
                   manager->ScaleInt(DefaultArrowSize), ArrowStyleOf(*manager));
  } else {
    const skin::TsMaskData& image = manager->ma()[static_cast<std::size_t>(FGlyphIndex)];
    PutSkinImage(cache, {r.left + (r.right - r.left - image.Width) / 2, (Height() - ButtonHeight()) / 2}, a, {},
                 &manager->Model(), image, true);
  }
}

UINT TsComboBox::ItemTextFlags() const {
  UINT flags = DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP | DT_NOPREFIX;
  if (FVerticalAlignment == TVerticalAlignment::taAlignBottom) flags |= DT_BOTTOM;
  if (FVerticalAlignment == TVerticalAlignment::taVerticalCenter) flags |= DT_VCENTER;
  if (FAlignment == fw::TAlignment::taRightJustify) flags |= DT_RIGHT;
  if (FAlignment == fw::TAlignment::taCenter) flags |= DT_CENTER;
  return flags;
}

void TsComboBox::DrawSkinnedItem(HDC dc, int index, const RECT& rect, fw::TOwnerDrawState state,
                                 const skin::Bitmap32* under, POINT at) {
  skin::TsSkinManager* manager = FCommonData->SkinManager();
  const skin::TsGeneralData* section = FCommonData->Section();
  if (!manager) return;
  const bool edit = (state & fw::odComboBoxEdit) != 0;
  const bool e = IsButtonLook() && edit;
  const bool selected = (state & fw::odSelected) != 0 && !e;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  TDibBitmap item(w, h);
  if (item.Empty()) return;
  const ScanLines lines = item.Lines();
  const skin::TRect whole{0, 0, w, h};
  const int t = edit && (CommonState(*FCommonData) == 1 || Focused() || (e && FCommonData->FMouseAbove)) ? 1 : 0;

  // The background: the closed box's picture under its text, else the
  // list's colour.
  TColor background = FCommonData->FCustomColor ? Color()
                      : edit && section      ? SectionState(*section, t).Color
                                             : manager->Palette[skin::pcEditBG];
  if (edit && under) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int sx = at.x + x, sy = at.y + y;
        lines.At(x, y) = sx < under->Width && sy < under->Height ? under->At(sx, sy) : 0;
      }
  } else {
    FillSectionLayers(lines, whole, TSectionLayers{0, 0, ResolveSkinColor(background, manager)}, nullptr);
  }
  TColor fontColor = Font().Color();
  const int selection = manager->GetSkinIndex("SELECTION");
  const bool skinSelection = selected && selection >= 0;
  if (selected) {
    if (skinSelection) {
      PaintSkinSection(&manager->Model(), selection, CacheInfoOfBitmap(lines, 0, 0), -1, -1, lines, {0, 0}, whole, 1);
      const skin::TsGenState& s2 = SectionState(manager->gd()[static_cast<std::size_t>(selection)], 2);
      background = s2.Color;
      fontColor = s2.FontColor.Color;
    } else {
      background = manager->GetHighLightColor(true);
      FillSectionLayers(lines, whole, TSectionLayers{0, 0, ResolveSkinColor(background, manager)}, nullptr);
      fontColor = manager->GetHighLightFontColor(true);
    }
  } else if (FCommonData->FCustomFont) {
    fontColor = Font().Color();
  } else if (!edit) {
    fontColor = manager->Palette[skin::pcEditText];
  } else if (section) {
    fontColor = SectionState(*section, t).FontColor.Color;
  }

  const bool inItems = index >= 0 && index < Items().Count();
  fw::TFont itemFont(Font());
  const auto askForFont = [&] {
    if (!OnGetItemDrawData || !CanFire()) return;
    TacItemDrawData drawData{&itemFont, index, state};
    OnGetItemDrawData(this, drawData);
  };
  const UINT flags = ItemTextFlags();
  if (IsOwnerDrawStyle(Style()) && OnDrawItem) {
    if (inItems && CanFire()) {
      // The handler draws on the item's bitmap at the item's rectangle.
      fw::TCanvas& canvas = Canvas();
      const HDC previous = canvas.Handle();
      POINT origin{};
      ::SetViewportOrgEx(item.DC(), -rect.left, -rect.top, &origin);
      canvas.SetHandle(item.DC());
      canvas.SetBrushColor(ResolveSkinColor(background, manager));
      canvas.Font().Assign(Font());
      canvas.Font().SetColor(ResolveSkinColor(fontColor, manager));
      OnDrawItem(this, index, rect, state);
      ::GdiFlush();
      canvas.SetHandle(previous);
      ::SetViewportOrgEx(item.DC(), origin.x, origin.y, nullptr);
    }
  } else if (edit && Style() == fw::TComboBoxStyle::csDropDown) {
    askForFont();
    const std::wstring text = Text();
    RECT r{0, 0, w, h};
    const fw::SelectObjectScope font(item.DC(), itemFont.Handle());
    ::SetBkMode(item.DC(), TRANSPARENT);
    ::SetTextColor(item.DC(), Rgb(fontColor, manager));
    ::DrawTextW(item.DC(), text.c_str(), static_cast<int>(text.size()), &r, flags);
    ::GdiFlush();
  } else {
    RECT r{2, 0, w - 2, h};
    askForFont();
    if (inItems) {
      const std::wstring text = Items().Get(index);
      if (skinSelection) {
        // In the selection's own text colours, hot for the selected item.
        TSkinTextRequest request;
        request.Model = &manager->Model();
        request.ConstData = &manager->ConstData;
        request.SkinIndex = selection;
        request.State = selected || t > 0 ? 1 : 0;
        request.Colors = ColorsOf(manager);
        DrawSkinText(lines, itemFont.Handle(), text, r, flags, request);
      } else {
        const fw::SelectObjectScope font(item.DC(), itemFont.Handle());
        ::SetBkMode(item.DC(), TRANSPARENT);
        ::SetTextColor(item.DC(), Rgb(fontColor, manager));
        ::DrawTextW(item.DC(), text.c_str(), static_cast<int>(text.size()), &r, flags);
        ::GdiFlush();
      }
    }
    if ((state & fw::odFocused) && !skinSelection && !IsButtonLook()) {
      const RECT focus{0, 0, w, h};
      ::SetTextColor(item.DC(), RGB(0, 0, 0));
      ::SetBkColor(item.DC(), RGB(255, 255, 255));
      ::DrawFocusRect(item.DC(), &focus);
      ::GdiFlush();
    }
  }
  ::BitBlt(dc, rect.left, rect.top, w, h, item.DC(), 0, 0, SRCCOPY);
}

void TsComboBox::DrawItem(int index, const RECT& rect, fw::TOwnerDrawState state) {
  if (!FCommonData->Skinned()) {
    fw::TComboBox::DrawItem(index, rect, state);
    return;
  }
  DrawSkinnedItem(Canvas().Handle(), index, rect, state, nullptr);
}

void TsComboBox::OurPaint(HDC dc) {
  const HWND wnd = HandleIfAllocated();
  if (!wnd || !Showing() || CheckUpdating(*FCommonData) || Animating(*FCommonData)) return;
  if (FCommonData->BGChanged || !FCommonData->FCacheBmp || FCommonData->FCacheBmp->Width != Width() ||
      FCommonData->FCacheBmp->Height != Height())
    PrepareCache();
  if (!FCommonData->FCacheBmp || FCommonData->FCacheBmp->Empty()) return;
  if (dc) {
    CopyBitmapToDc(*FCommonData->FCacheBmp, dc);
  } else {
    fw::WindowDc own(wnd);
    CopyBitmapToDc(*FCommonData->FCacheBmp, own.get());
  }
}

bool TsComboBox::SwallowedKey(const fw::TMessage& m) const {
  if (!FReadOnly && AllowDropDown) return false;
  switch (m.Msg) {
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
  case WM_SYSCHAR:
  case fw::CN_KEYDOWN:
  case fw::CN_SYSKEYDOWN:
  case fw::CN_SYSCHAR: {
    const WPARAM k = m.WParam;
    return (k >= 0x20 && k <= 0x28) || k == 0x39 || (k >= 0x41 && k <= 0x5A) || k == VK_F4;
  }
  case WM_CHAR: return true;
  default: return false;
  }
}

bool TsComboBox::HandleSkinCmd(fw::TMessage& m) {
  if (RefuseUntrustedSkinCommand(m)) return true;
  TsCtrlSkinData& data = *FCommonData;
  const bool own = m.LParam != 0 && reinterpret_cast<skin::TsSkinManager*>(m.LParam) == data.SkinManager();
  switch (skin::SkinCommandOf(m.WParam)) {
  case skin::SKC_GETSKININDEX: {
    skin::TsSkinManager* manager = data.SkinManager();
    if (!manager) {
      m.Result = 0;
      return true;
    }
    int index = -1;
    if (IsListStyle(Style()) && (data.SkinSection().empty() || !data.Skinned())) {
      index = manager->GetSkinIndex("COMBONOEDIT");
      if (index < 0) index = manager->GetSkinIndex("BUTTON");
    } else {
      index = manager->GetSkinIndex("COMBOBOX");
    }
    m.Result = index + 1;
    return true;
  }
  case skin::SKC_SKINCHANGED:
    if (!own) break;
    HideHoverGlow(data, false);
    HandleSkinCommand(m, data);
    UpdateIndexes();
    // The owner-draw style follows the skin: a box made unskinned is made anew.
    if (HandleAllocated() && data.Skinned() != skinnedAtCreation_) RecreateWnd();
    if (ListSW) ListSW->ProcessMessage(m.Msg, m.WParam, m.LParam);
    Repaint();
    return true;
  case skin::SKC_SKINREMOVED:
    if (!own) break;
    HideHoverGlow(data, false);
    HandleSkinCommand(m, data);
    ReleaseListBox();
    data.SkinIndex = -1;
    SetSkinColors(data, *this, fw::clWindow, fw::clWindowText);
    if (HandleAllocated()) RecreateWnd();
    return true;
  case skin::SKC_REFRESH:
    if (!own) break;
    HideHoverGlow(data, false);
    if (HandleAllocated()) {
      const int index = CurrentIndex();
      ::SendMessageW(HandleIfAllocated(), CB_SHOWDROPDOWN, FALSE, 0);
      if (CurrentIndex() != index) SetItemIndex(index);
    }
    HandleSkinCommand(m, data);
    Repaint();
    return true;
  case skin::SKC_STOPUPDATING:
    if (data.FUpdating) {
      data.FUpdating = false;
      Repaint();
    }
    return true;
  case skin::SKC_PREPARECACHE: PrepareCache(); return true;
  case skin::SKC_HOTDEACTIVATED: Perform(fw::CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(this)); return true;
  case skin::SKC_SETSCALE: ReleaseListBox(); break;
  case skin::SKC_ISDROPPEDDOWN: m.Result = DroppedDown() ? 1 : 0; return true;
  default: break;
  }
  HandleSkinCommand(m, data);
  return true;
}

void TsComboBox::WndProc(fw::TMessage& m) {
  TsCtrlSkinData& data = *FCommonData;
  if (SwallowedKey(m)) {
    m.Result = m.Msg >= fw::CN_BASE ? 1 : 0;
    return;
  }
  if ((m.Msg == WM_COMMAND || m.Msg == fw::CN_COMMAND) && HIWORD(m.WParam) == CBN_DROPDOWN) {
    if (FReadOnly || !AllowDropDown) return;
    if (!data.Skinned()) FDropDown = true;
  }
  if (m.Msg == WM_MOUSEWHEEL && !FAllowMouseWheel) return;
  if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && (FReadOnly || !AllowDropDown)) {
    // A read-only box only takes the focus; one that may not drop its own
    // list leaves the opening to the application.
    if (FReadOnly) {
      if (CanFocus()) SetFocus();
    } else {
      DoDropDown();
    }
    m.Result = 0;
    return;
  }
  if (m.Msg == skin::WM_SKINCMD) {
    HandleSkinCmd(m);
    return;
  }
  if (m.Msg == fw::CN_MEASUREITEM && data.Skinned() && !IsOwnerDrawStyle(Style())) {
    // List items as high as the font's text plus 2 (the selection field keeps
    // the framework's measure).
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
    if (mis->itemID != static_cast<UINT>(-1) && (data.CtrlSkinState & 0x20) == 0) {
      HDC dc = ::GetDC(nullptr);
      {
        const fw::SelectObjectScope font(dc, Font().Handle());
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc, &tm);
        mis->itemHeight = static_cast<UINT>(tm.tmHeight + 2);
      }
      ::ReleaseDC(nullptr, dc);
      m.Result = TRUE;
      return;
    }
  }
  const bool ready = Parent() && HandleAllocated() && !Loading() && !Destroying() && data.Skinned();
  if (ready) {
    switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (m.Msg == WM_SETFOCUS) {
        FinishAnimation(data);
      } else {
        AbortAnimation(data);
        if (!data.FMouseAbove) HideHoverGlow(data, false);
      }
      data.FFocused = m.Msg == WM_SETFOCUS;
      data.BGChanged = true;
      fw::TComboBox::WndProc(m);
      Repaint();
      return;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HWND wnd = HandleIfAllocated();
      const HDC dc = ::BeginPaint(wnd, &ps);
      const HDC target = m.WParam ? reinterpret_cast<HDC>(m.WParam) : dc;
      if (!paintGuard_.Run(data.SkinManager(), wnd, [&] { OurPaint(target); })) PaintPlainLook(wnd, target, true);
      ::EndPaint(wnd, &ps);
      m.Result = 0;
      return;
    }
    case WM_ERASEBKGND: m.Result = 1; return;
    case WM_NCPAINT: m.Result = 0; return;
    case WM_PRINT:
      data.FUpdating = false;
      OurPaint(reinterpret_cast<HDC>(m.WParam));
      return;
    case WM_CTLCOLORLISTBOX:
      if (!lboxhandle && m.LParam) {
        lboxhandle = reinterpret_cast<HWND>(m.LParam);
        ListSW = MakeAdapter<TacComboListWnd>(true, lboxhandle, data.SkinManager(),
                                              Style() == fw::TComboBoxStyle::csSimple);
      }
      break;
    case fw::CN_DRAWITEM: {
      // Owner-drawn from the skin: the selection is the skin's, with no
      // system focus rectangle over it.
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      fw::TOwnerDrawState state = 0;
      if (dis->itemState & ODS_SELECTED) state |= fw::odSelected;
      if (dis->itemState & ODS_FOCUS) state |= fw::odFocused;
      if (dis->itemState & ODS_COMBOBOXEDIT) state |= fw::odComboBoxEdit;
      DrawSkinnedItem(dis->hDC, static_cast<int>(dis->itemID), dis->rcItem, state, nullptr);
      m.Result = TRUE;
      return;
    }
    case WM_MOUSEMOVE:
      if (!FDropDown && !IsButtonLook()) {
        POINT p{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
        const RECT b = ButtonRect();
        const int state = ::PtInRect(&b, p) ? 1 : 0;
        if (state != State) {
          State = state;
          ComboStateChanged(State * 2 + 1);
        }
      }
      break;
    case fw::CM_MOUSEENTER:
      if (!FDropDown && !data.FMouseAbove) {
        data.FMouseAbove = true;
        data.SkinManager()->TrackActiveControl(HandleIfAllocated());
        POINT p;
        ::GetCursorPos(&p);
        ::ScreenToClient(HandleIfAllocated(), &p);
        RECT b = ButtonRect();
        ::InflateRect(&b, 1, 1);
        State = ::PtInRect(&b, p) ? 1 : 0;
        ComboStateChanged(State * 2 + 1);
      }
      fw::TComboBox::WndProc(m);
      return;
    case fw::CM_MOUSELEAVE:
      if (!FDropDown && data.FMouseAbove) {
        if (!PointerOverWindow(HandleIfAllocated())) {
          data.FMouseAbove = false;
          State = 0;
          ComboStateChanged(0);
        }
      }
      fw::TComboBox::WndProc(m);
      return;
    case fw::CN_COMMAND:
      if (HIWORD(m.WParam) == CBN_DROPDOWN) {
        FDropDown = true;
        State = 2;
        ComboStateChanged(2);
        fw::TComboBox::WndProc(m);
        return;
      } else if (HIWORD(m.WParam) == CBN_CLOSEUP) {
        FDropDown = false;
        data.BGChanged = true;
        if (!PointerOverWindow(HandleIfAllocated())) {
          data.FMouseAbove = false;
          State = 0;
        }
        AbortAnimation(data);
        OurPaint(nullptr);
        if (IsButtonLook()) ComboStateChanged(data.FMouseAbove ? 1 : 0);
      }
      break;
    default: break;
    }
    if (HandleCommonMessage(m, data)) return;
  }
  fw::TComboBox::WndProc(m);
  if (!ready) {
    if ((m.Msg == fw::CN_COMMAND || m.Msg == WM_COMMAND) && HIWORD(m.WParam) == CBN_CLOSEUP) FDropDown = false;
    return;
  }
  if (m.Msg == CB_SETCURSEL) AbortAnimation(data);
  switch (m.Msg) {
  case CB_SETCURSEL:
  case fw::CM_TEXTCHANGED:
  case fw::CM_CHANGED:
  case CB_RESETCONTENT:
  case CB_ADDSTRING:
  case CB_DELETESTRING:
  case WM_SETFONT:
  case fw::CM_FONTCHANGED:
  case fw::CM_VISIBLECHANGED:
  case fw::CM_ENABLEDCHANGED: Repaint(); break;
  default: break;
  }
}

}  // namespace skinctrl
