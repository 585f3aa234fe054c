#include "skinctrl/adapters/EditAdapter.h"

#include "framework/Handles.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/adapters/sMemo.h"
#include "skinctrl/gdi/ParentBackground.h"
#include "skinctrl/gdi/SkinTextGdi.h"
#include "skinctrl/menus/sPopupMenus.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skinctrl/state/CommonDataDetail.h"

namespace skinctrl {

namespace {

bool IsEditWindow(HWND wnd) {
  wchar_t name[16] = {};
  ::RealGetWindowClassW(wnd, name, 16);
  return ::lstrcmpiW(name, L"EDIT") == 0;
}

// Copies a frame of the given thickness from the cache to the window DC.
void CopyFrame(const skin::Bitmap32& cache, HDC dc, int thickness) {
  const int w = cache.Width, h = cache.Height;
  if (thickness <= 0 || w <= 0 || h <= 0) return;
  CopyBitmapToDc(cache, dc, RECT{0, 0, thickness, h}, POINT{0, 0});
  CopyBitmapToDc(cache, dc, RECT{w - thickness, 0, w, h}, POINT{w - thickness, 0});
  CopyBitmapToDc(cache, dc, RECT{thickness, 0, w - thickness, thickness}, POINT{thickness, 0});
  CopyBitmapToDc(cache, dc, RECT{thickness, h - thickness, w - thickness, h}, POINT{thickness, h - thickness});
}

// The text a disabled edit shows: its own, with a password character shown
// as itself (the usual "*" as a bullet), or none.
std::wstring DisabledText(HWND wnd) {
  const int length = ::GetWindowTextLengthW(wnd);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(wnd, text.data(), length + 1)));
  const auto password = static_cast<wchar_t>(::SendMessageW(wnd, EM_GETPASSWORDCHAR, 0, 0));
  if (password != 0) text.assign(text.size(), password == L'*' ? L'\x25CF' : password);
  return text;
}

std::wstring CueBanner(HWND wnd) {
  wchar_t hint[256] = {};
  return ::SendMessageW(wnd, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(hint), std::size(hint)) ? hint : L"";
}

}  // namespace

TacEditWnd::TacEditWnd(HWND wnd, TsCommonData* skinData, skin::TsSkinManager* manager, const TacSkinParams& params)
    : TacBaseWnd(wnd, skinData, manager, params, COC_EditAdapter) {
  if (OwnSkinData && SkinData->SkinSection().empty()) SkinData->SetSkinSection("EDIT");
  SingleLineEdit = IsEditWindow(wnd) && (::GetWindowLongPtrW(wnd, GWL_STYLE) & ES_MULTILINE) == 0;
}

void TacEditWnd::SaveStdParams() {
  if (fw::TControl* control = OwnerControl()) {
    StdColor = control->Color();
    StdFontColor = control->Font().Color();
  }
}

void TacEditWnd::RestoreStdParams() noexcept {
  TacBaseWnd::RestoreStdParams();
  fw::TControl* control = OwnerControl();
  if (!control || control->Destroying()) return;
  try {
    SetSkinColors(*SkinData, *control, fw::clWindow, fw::clWindowText);
  } catch (...) {
    // Giving the system's colours back is best effort while letting go.
  }
  if (::IsWindow(CtrlHandle)) RecalcFrame(CtrlHandle);
}

bool TacEditWnd::HotStateAllowed(bool forMouseHover) const {
  const skin::TsGeneralData* section = SkinData->Section();
  if (!SkinManager || !section || SkinData->BorderIndex < 0) return false;
  (void)forMouseHover;  // the manager has no option against mouse hover
  const skin::TsMaskData& border = SkinManager->ma()[static_cast<std::size_t>(SkinData->BorderIndex)];
  return !(border.ImageCount <= 1 && section->States <= 1);
}

void TacEditWnd::SetSkinParams() {
  if (inSetSkinParams_) return;
  inSetSkinParams_ = true;
  const bool preventing = bPreventStyleChange;
  const bool updating = SkinData->FUpdating;
  bPreventStyleChange = true;
  SkinData->FUpdating = true;
  try {
    TacBaseWnd::SetSkinParams();
    const skin::TsGeneralData* section = SkinData->Section();
    fw::TControl* control = OwnerControl();
    if (section && control) {
      const bool hot = CommonState(*SkinData) == 1 && section->States > 1;
      if (hot) CtrlState |= csNCPaintNeeded;
      if (!SkinData->FCustomColor) {
        const TColor color = StateBackgroundColor(*SkinData, hot ? 1 : 0);
        if (control->Color() != color) {
          control->SetColor(color);
          CtrlState |= csPaintNeeded;
        }
        Color = color;
      }
      if (!SkinData->FCustomFont) {
        const TColor font = SectionState(*section, hot ? 1 : 0).FontColor.Color;
        if (control->Font().Color() != font) {
          SkinData->CtrlSkinState |= ACS_FONTCHANGING;
          control->Font().SetColor(font);
          SkinData->CtrlSkinState &= ~ACS_FONTCHANGING;
          CtrlState |= csPaintNeeded;
        }
      }
    } else if (section) {
      Color = DlgMode ? static_cast<TColor>(::GetSysColor(COLOR_WINDOW)) : SectionState(*section, 0).Color;
    }
    FrameColor = SkinData->Skinned() ? SkinManager->Palette[skin::pcBorder] : 0;
  } catch (...) {
    SkinData->CtrlSkinState &= ~ACS_FONTCHANGING;
    bPreventStyleChange = preventing;
    SkinData->FUpdating = updating;
    inSetSkinParams_ = false;
    throw;
  }
  bPreventStyleChange = preventing;
  SkinData->FUpdating = updating;
  inSetSkinParams_ = false;
}

bool TacEditWnd::PrepareEditCache() {
  if (!SkinData->BGChanged) return true;
  MeasureWindow();
  const skin::TsGeneralData* section = SkinData->Section();
  if (!SkinData->FCacheBmp) SkinData->FCacheBmp = std::make_unique<skin::Bitmap32>();
  skin::Bitmap32& cache = *SkinData->FCacheBmp;
  if (cache.Width != WndSize.cx || cache.Height != WndSize.cy) cache = skin::Bitmap32(WndSize.cx, WndSize.cy);
  if (cache.Empty()) return false;
  fw::TControl* control = OwnerControl();
  fw::TControl* parentControl = control ? control->Parent() : nullptr;
  TBackgroundRequest request;
  QueryParentBackground(request, parentControl, parentControl ? nullptr : ParentWnd, false, SkinManager);
  if (request.BgType == btNotReady) {
    SkinData->FUpdating = true;
    return false;
  }
  TCacheInfo ci = BackgroundToCacheInfo(request, SkinManager);
  const ScanLines lines = LinesOf(cache);
  const skin::TRect whole{0, 0, cache.Width, cache.Height};
  if (DlgMode) {
    FillSectionLayers(lines, whole, TSectionLayers{0, 0, static_cast<TColor>(::GetSysColor(COLOR_WINDOW))}, nullptr);
  } else if (section) {
    const bool hot = SkinData->FFocused || (SkinData->FMouseAbove && HotStateAllowed(true));
    TControlLook look;
    look.SkinIndex = SkinData->SkinIndex;
    PaintSkinControl(&SkinManager->Model(), look, ci, -1, -1, true, lines, {WndPos.x, WndPos.y}, whole, hot ? 1 : 0);
  }
  if (!::IsWindowEnabled(CtrlHandle)) {
    if (SingleLineEdit) PaintDisabledText(lines);
    int kind = dkBlended;
    if (const auto* memo = dynamic_cast<const TsMemo*>(control)) kind = memo->DisabledKind();
    const TColor parentColor = ci.FillColor != KeyColor ? ci.FillColor : SkinManager->GetGlobalColor();
    PaintDisabled(lines, kind, {WndPos.x, WndPos.y}, ci, parentColor);
  }
  SkinData->BGChanged = false;
  return true;
}

void TacEditWnd::PaintDisabledText(const ScanLines& lines) {
  // The system would grey the text out itself; a disabled single-line edit
  // is shown whole from the cache instead, its text in the skin's colours
  // at the place the edit gives its text.
  const skin::TsGeneralData* section = SkinData->Section();
  if (!section) return;
  RECT r{};
  ::SendMessageW(CtrlHandle, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  ::OffsetRect(&r, cxLeftEdge, cyTopEdge);
  const LONG_PTR style = ::GetWindowLongPtrW(CtrlHandle, GWL_STYLE);
  UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;
  if (style & ES_CENTER)
    format |= DT_CENTER;
  else if (style & ES_RIGHT)
    format |= DT_RIGHT;
  // An edit that was given no font writes in the system font.
  auto font = reinterpret_cast<HFONT>(::SendMessageW(CtrlHandle, WM_GETFONT, 0, 0));
  if (!font) font = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
  const std::wstring text = DisabledText(CtrlHandle);
  if (!text.empty()) {
    TSkinTextRequest request;
    request.Model = &SkinManager->Model();
    request.ConstData = &SkinManager->ConstData;
    request.SkinIndex = SkinData->SkinIndex;
    request.Colors = ColorsOf(SkinManager);
    DrawSkinText(lines, font, text, r, format, request);
    return;
  }
  // An empty edit shows its hint faded toward its background.
  const std::wstring hint = CueBanner(CtrlHandle);
  if (hint.empty()) return;
  const fw::TControl* control = OwnerControl();
  const TColor fontColor = control ? control->Font().Color() : SectionState(*section, 0).FontColor.Color;
  const TColor background = Color != NoColor ? Color : SectionState(*section, 0).Color;
  const ColorSource colors = ColorsOf(SkinManager);
  DrawPlainText(lines, font, hint, r, format,
                MixColors(ResolveSkinColor(background, colors), ResolveSkinColor(fontColor, colors), 180));
}

void TacEditWnd::PaintFrame(HDC dc) {
  PaintScrollBars(dc);
  if (SkinData->FCacheBmp) CopyFrame(*SkinData->FCacheBmp, dc, cxLeftEdge < 0 ? 2 : cxLeftEdge);
}

bool TacEditWnd::HandleSkinCmd(fw::TMessage& m) {
  switch (skin::SkinCommandOf(m.WParam)) {
  case skin::SKC_REFRESH:
    if (!OwnManager(m.LParam)) return false;
    TacBaseWnd::acWndProc(m);
    if (!Destroyed) SetSkinParams();
    return true;
  case skin::SKC_ISSKINNED: m.Result = 1; return true;
  case skin::SKC_PREPARECACHE:
    MeasureWindow();
    PrepareEditCache();
    m.Result = 0;
    return true;
  case skin::SKC_GETSKINSTATE: return false;
  case skin::SKC_BEFORESCROLL:
    if ((::GetWindowLongPtrW(CtrlHandle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) == 0) return false;
    ::SendMessageW(CtrlHandle, WM_SETREDRAW, FALSE, 0);
    m.Result = 0;
    return true;
  case skin::SKC_AFTERSCROLL:
    if ((::GetWindowLongPtrW(CtrlHandle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) == 0) return false;
    ::SendMessageW(CtrlHandle, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(CtrlHandle, nullptr, TRUE);
    m.Result = 0;
    return true;
  default: return false;
  }
}

void TacEditWnd::ShowContextMenu(LPARAM at) {
  if (!contextMenu_) {
    contextMenu_ = std::make_unique<fw::TPopupMenu>(nullptr);
    const HWND wnd = CtrlHandle;
    const auto add = [&](const wchar_t* caption, std::function<void()> action) {
      auto* item = new fw::TMenuItem(contextMenu_.get());
      item->SetCaption(caption);
      item->OnClick = [action = std::move(action)](fw::TObject*) { action(); };
      contextMenu_->Items().Add(item);
    };
    add(L"&Copy", [wnd] { ::SendMessageW(wnd, WM_COPY, 0, 0); });
    add(L"-", nullptr);
    add(L"Select &All", [wnd] { ::SendMessageW(wnd, EM_SETSEL, 0, -1); });
  }
  DWORD start = 0, end = 0;
  ::SendMessageW(CtrlHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  contextMenu_->Items().Items(0)->SetEnabled(end > start);
  contextMenu_->Items().Items(2)->SetEnabled(::GetWindowTextLengthW(CtrlHandle) > 0);
  POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (at == -1) {
    // From the keyboard: at the control's top-left corner.
    p = POINT{0, 0};
    ::ClientToScreen(CtrlHandle, &p);
  }
  HookPopupMenu(*contextMenu_, true);
  contextMenu_->Popup(p.x, p.y);
}

void TacEditWnd::acWndProc(fw::TMessage& m) {
  if (!SkinData->Skinned() || Destroyed) {
    TacBaseWnd::acWndProc(m);
    return;
  }
  const bool visible = ::IsWindowVisible(CtrlHandle) != FALSE;
  switch (m.Msg) {
  case skin::WM_SKINCMD:
    if (HandleSkinCmd(m)) return;
    break;
  case WM_CONTEXTMENU:
    // A read-only edit gets the skinned menu; an editable one keeps the system's.
    if ((::GetWindowLongPtrW(CtrlHandle, GWL_STYLE) & ES_READONLY) && SkinManager && SkinManager->SkinnedPopups()) {
      ShowContextMenu(m.LParam);
      m.Result = 0;
      return;
    }
    break;
  case WM_SIZE:
    TacBaseWnd::acWndProc(m);
    if (visible && !Destroyed) ProcessMessage(WM_NCPAINT, 1, 0);
    return;
  case WM_SETFOCUS:
  case WM_KILLFOCUS: {
    auto* windowed = dynamic_cast<fw::TWinControl*>(OwnerControl());
    if (!HotStateAllowed(false) || !windowed || !windowed->CanFocus() || !windowed->TabStop()) {
      CallPrevWndProc(m);
      return;
    }
    SkinData->BGChanged = true;
    SkinData->FFocused = m.Msg == WM_SETFOCUS;
    TacBaseWnd::acWndProc(m);
    SetSkinParams();
    if (CtrlState & csPaintNeeded)
      ::RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
    else if (CtrlState & csNCPaintNeeded)
      ::SendMessageW(CtrlHandle, WM_NCPAINT, 1, 0);
    return;
  }
  case WM_SETTEXT:
    // The window writes its new text itself; the border does not depend on
    // it, except in the disabled look, which the cache draws the text into.
    if (::IsWindowEnabled(CtrlHandle)) break;
    [[fallthrough]];
  case fw::CM_ENABLEDCHANGED:
  case fw::CM_FONTCHANGED:
    SkinData->BGChanged = true;
    if ((SkinData->CtrlSkinState & 0x20) == 0 && !SkinData->FUpdating)
      ::RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
    break;
  case WM_ENABLE:
    SkinData->BGChanged = true;
    TacBaseWnd::acWndProc(m);
    if (!Destroyed && visible) ::RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
    return;
  case WM_PAINT:
    if (visible && !bPreventStyleChange && SingleLineEdit && !::IsWindowEnabled(CtrlHandle) &&
        !(m.WParam && reinterpret_cast<HDC>(m.WParam) != SkinData->PrintDC)) {
      // The whole disabled look, text included, comes from the cache.
      fw::PaintDc paint(CtrlHandle);
      MeasureWindow();
      if (SkinData->BGChanged) {
        if (!ParamsChanged) SetSkinParams();
        PrepareEditCache();
      }
      if (SkinData->FCacheBmp) {
        fw::NonClientDc dc(CtrlHandle);
        CopyBitmapToDc(*SkinData->FCacheBmp, dc.get());
      }
      m.Result = 0;
      return;
    }
    [[fallthrough]];
  case WM_ERASEBKGND:
    if (m.Msg == WM_ERASEBKGND && visible && SingleLineEdit && !::IsWindowEnabled(CtrlHandle)) {
      m.Result = 1;
      return;
    }
    if (visible && !bPreventStyleChange) {
      CtrlState &= ~csPaintNeeded;
      if (!ParamsChanged) SetSkinParams();
    }
    break;
  case WM_PRINT: {
    // The window prints itself first (its client, and its own frame when
    // asked for), then the skin's frame and bars go over that frame. Wine's
    // printing leaves the DC clipped to the client area: it is restored.
    const HDC dc = reinterpret_cast<HDC>(m.WParam);
    {
      SavedDC saved(dc);
      CallPrevWndProc(m);
    }
    if (m.Result == 2 || Destroyed) return;
    MeasureWindow();
    SkinData->FUpdating = false;
    SkinData->BGChanged = true;
    if (!ParamsChanged) SetSkinParams();
    if ((m.LParam & PRF_NONCLIENT) != 0 && PrepareEditCache()) PaintFrame(dc);
    return;
  }
  case WM_NCPAINT: {
    if (!visible || bPreventStyleChange) break;
    MeasureWindow();
    CtrlState &= ~csNCPaintNeeded;
    if (CheckUpdating(*SkinData)) {
      m.Result = 0;
      return;
    }
    fw::NonClientDc dc(CtrlHandle);
    if (SkinData->BGChanged) {
      if (!ParamsChanged) SetSkinParams();
      PrepareEditCache();
    }
    PaintFrame(dc.get());
    m.Result = 0;
    return;
  }
  default: break;
  }
  TacBaseWnd::acWndProc(m);
  if (Destroyed) return;
  switch (m.Msg) {
  case WM_KEYDOWN:
  case WM_KEYUP:
  case WM_LBUTTONDOWN:
  case fw::CN_KEYDOWN:
  case fw::CN_KEYUP:
    if (!DontRepaint) UpdateScrolls(true);
    break;
  case WM_SETFONT:
  case EM_REPLACESEL:
  case LB_ADDSTRING:
  case LB_INSERTSTRING:
  case LB_RESETCONTENT:
  case LB_SETTOPINDEX: UpdateScrolls(true); break;
  case WM_MOUSEMOVE:
    if (::GetCapture() == CtrlHandle && !CheckUpdating(*SkinData)) UpdateScrolls(true);
    break;
  default: break;
  }
}

}  // namespace skinctrl
