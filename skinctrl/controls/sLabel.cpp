#include "skinctrl/controls/sLabel.h"

#include "framework/Menus.h"
#include "skin/SkinCommand.h"
#include "skinctrl/controls/ControlPaint.h"
#include "skinctrl/gdi/ParentBackground.h"
#include "skinctrl/menus/sPopupMenus.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skinctrl/state/CommonData.h"

namespace skinctrl {

using skin::SkinCommandOf;
using skin::WM_SKINCMD;

TsLabel::TsLabel(fw::TComponent* owner) : fw::TLabel(owner) { SetTransparent(true); }

skin::TsSkinManager* TsLabel::ActiveManager() const noexcept {
  skin::TsSkinManager* manager = FSkinManager ? FSkinManager : skin::TsSkinManager::DefaultManager();
  return manager && !manager->Destroying() && manager->CommonSkinData.Active ? manager : nullptr;
}

void TsLabel::SetSkinSection(const std::string& value) {
  if (value == FSkinSection) return;
  FSkinSection = value;
  FSkinIndex = -1;
  Invalidate();
}

void TsLabel::SetSkinManager(skin::TsSkinManager* value) {
  if (value == skin::TsSkinManager::DefaultManager()) value = nullptr;
  if (value == FSkinManager) return;
  FSkinManager = value;
  FSkinIndex = -1;
  Invalidate();
}

void TsLabel::SetUseSkinColor(bool value) {
  if (value == FUseSkinColor) return;
  FUseSkinColor = value;
  Invalidate();
}

TColor TsLabel::FontColorNow() {
  skin::TsSkinManager* manager = ActiveManager();
  const ColorSource colors = ColorsOf(manager);
  TColor color;
  if (FUseSkinColor && manager) {
    const skin::SkinModel& model = manager->Model();
    int index = FSkinIndex;
    const bool seeThrough = !model.IsValidSkinIndex(index) || model.gd[static_cast<std::size_t>(index)].States < 1 ||
                            model.gd[static_cast<std::size_t>(index)].Props[0].Transparency > 39;
    bool parentFont = false;
    if (seeThrough && Parent()) {
      TacSectionBehindQuery query;
      query.State = 0;
      query.Rect = BoundsRect();
      const LRESULT answered =
          SendSkinCommandToControl(Parent(), skin::SKC_QUERYSECTIONBEHIND, reinterpret_cast<LPARAM>(&query));
      if (answered == 0)
        parentFont = true;
      else if (query.SkinIndex >= 0)
        index = query.SkinIndex;
    }
    if (parentFont) {
      color = ResolveSkinColor(Parent()->Font().Color(), colors);
    } else if (model.IsValidSkinIndex(index)) {
      const skin::TsGeneralData& section = model.gd[static_cast<std::size_t>(index)];
      color = ResolveSkinColor(SectionState(section, 0).FontColor.Color, colors);
    } else {
      color = manager->GetGlobalFontColor();
    }
  } else {
    color = ResolveSkinColor(Font().Color(), colors);
  }
  if (!Enabled()) {
    TColor background = Parent() ? static_cast<TColor>(SendSkinCommandToControl(Parent(), skin::SKC_GETBGCOLOR)) : 0;
    if (background == 0 && Parent()) background = ResolveSkinColor(Parent()->Color(), colors);
    color = MixColors(color, background, DisabledBlendWeight);
  }
  return color;
}

void TsLabel::PaintSection(fw::TCanvas& canvas) {
  skin::TsSkinManager* manager = ActiveManager();
  if (!manager || FSkinSection.empty()) return;
  if (FSkinIndex < 0) FSkinIndex = manager->GetSkinIndex(FSkinSection);
  if (!manager->Model().IsValidSkinIndex(FSkinIndex)) return;
  TBackgroundRequest request;
  QueryParentBackground(request, Parent(), nullptr, false, manager);
  const TCacheInfo ci = BackgroundToCacheInfo(request, manager);
  skin::Bitmap32 bitmap(Width(), Height());
  if (bitmap.Empty()) return;
  PaintSkinSection(&manager->Model(), FSkinIndex, ci, -1, -1, LinesOf(bitmap), {Left(), Top()},
                   {0, 0, Width(), Height()}, 0);
  CopyBitmapToDc(bitmap, canvas.Handle());
}

void TsLabel::Paint(fw::TCanvas& canvas) {
  if (Destroying()) return;
  if (!ActiveManager()) {
    fw::TLabel::Paint(canvas);
    return;
  }
  PaintSection(canvas);
  RECT r = ClientRect();
  DoDrawText(canvas, r, DrawTextFlags());
  FSkinIndex = -1;
}

void TsLabel::DoDrawText(fw::TCanvas& canvas, RECT& rect, UINT flags) {
  std::wstring text = Text();
  if ((flags & DT_CALCRECT) && (text.empty() || (text == L"&" && ShowAccelChar()))) text = L" ";
  const fw::TEllipsisPosition ellipsis = EllipsisPosition();
  if (!(flags & DT_CALCRECT) && WordWrap() && !AutoSize() &&
      (ellipsis == fw::TEllipsisPosition::epPathEllipsis || ellipsis == fw::TEllipsisPosition::epWordEllipsis))
    text = ShortenedText(std::move(text), rect, flags);
  canvas.Font().Assign(Font());
  canvas.Font().SetColor(FontColorNow());
  canvas.DrawText(text, rect, flags);
}

std::wstring TsLabel::ShortenedText(std::wstring text, const RECT& rect, UINT flags) const {
  // GDI's ellipsis flags act on single lines only.
  const UINT measure = flags & ~static_cast<UINT>(DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS | DT_END_ELLIPSIS);
  const HFONT font = const_cast<TsLabel*>(this)->Font().Handle();
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  const int oneLine = MeasureText(font, L"Wg", width, measure).cy;
  for (;;) {
    const int needed = MeasureText(font, text, width, measure).cy;
    if (needed <= height || needed <= oneLine) return text;
    const std::size_t cut = text.find_last_of(L" \t");
    if (cut == std::wstring::npos) return text;
    text.erase(cut);
    text += L"...";
  }
}

void TsLabel::FontChanged(fw::TMessage& m) {
  const skin::TsSkinManager* manager = FSkinManager ? FSkinManager : skin::TsSkinManager::DefaultManager();
  constexpr unsigned skinAtWork = skin::msFontChanging | skin::msSkinLoading | skin::msScaleChanging;
  if (!manager || (manager->ManagerState & skinAtWork) == 0) FDefFontHeight = Font().Height();
  if (!AutoSize()) {
    fw::TLabel::WndProc(m);
    return;
  }
  // A larger font may need more room than the words had: the label is
  // widened first (a word-wrapped label measures its lines at its width),
  // then measured anew. A right-aligned label keeps its right edge.
  const RECT before = BoundsRect();
  SetBounds(before.left, before.top, (before.right - before.left) * 3 / 2, before.bottom - before.top);
  fw::TLabel::WndProc(m);
  if (Alignment() == fw::TAlignment::taRightJustify) SetBounds(before.right - Width(), Top(), Width(), Height());
  Invalidate();
}

void TsLabel::ContextMenu() {
  // The label's own menu is drawn by the skin wherever the label sits: the
  // request reaches it through its parent, which shows the menu.
  if (fw::TPopupMenu* menu = PopupMenu()) HookPopupMenu(*menu, ActiveManager() != nullptr);
}

void TsLabel::WndProc(fw::TMessage& m) {
  switch (m.Msg) {
  case fw::CM_MOUSEENTER:
    if (OnMouseEnter && CanFire()) OnMouseEnter(this);
    break;
  case fw::CM_MOUSELEAVE:
    if (OnMouseLeave && CanFire()) OnMouseLeave(this);
    break;
  case fw::CM_FONTCHANGED:
    if (Loading() || Destroying() || fontChanging_) break;
    fontChanging_ = true;
    try {
      FontChanged(m);
    } catch (...) {
      fontChanging_ = false;
      throw;
    }
    fontChanging_ = false;
    return;
  case WM_CONTEXTMENU: ContextMenu(); break;
  default:
    break;
  }
  fw::TLabel::WndProc(m);
  if (m.Msg != WM_SKINCMD || Destroying()) return;
  switch (SkinCommandOf(m.WParam)) {
  case skin::SKC_SKINREMOVED:
    if (reinterpret_cast<skin::TsSkinManager*>(m.LParam) == FSkinManager && FSkinManager->Destroying())
      FSkinManager = nullptr;
    FSkinIndex = -1;
    Invalidate();
    break;
  case skin::SKC_REFRESH:
    FSkinIndex = -1;
    Invalidate();
    break;
  case skin::SKC_QUERYSECTIONBEHIND:
    if (m.LParam && skin::IsTrustedSkinCommand() && ActiveManager() && Parent())
      m.Result = SendSkinCommandToControl(Parent(), skin::SKC_QUERYSECTIONBEHIND, m.LParam);
    break;
  default:
    break;
  }
}

}  // namespace skinctrl
