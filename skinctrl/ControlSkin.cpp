#include "skinctrl/ControlSkin.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/Thread.h"
#include "skin/ConstData.h"
#include "skinctrl/ControlClasses.h"
#include "skinctrl/SectionQueries.h"
#include "skinctrl/SkinTextGdi.h"

namespace skinctrl {

using skin::SkinCommandOf;
using skin::TsSkinManager;

TsSkinManager* ManagerOf(TsSkinManager* own) noexcept { return own ? own : TsSkinManager::DefaultManager(); }

LRESULT SendSkinCommandTo(fw::TControl* control, std::uint16_t command, LPARAM lParam, std::uint16_t sub) {
  if (!control) return 0;
  if (auto* windowed = dynamic_cast<fw::TWinControl*>(control)) {
    if (windowed->Destroying()) return 0;
    if (HWND wnd = windowed->HandleIfAllocated()) return skin::SendSkinCommand(wnd, command, lParam, sub);
  }
  skin::SkinCommandDelivery delivery;
  return control->Perform(skin::WM_SKINCMD, skin::MakeSkinWParam(command, sub), lParam);
}

// ---------------------------------------------------------------- TControlSkin

TControlSkin::TControlSkin(fw::TWinControl& owner, std::uint8_t coc) : Owner(owner), COC(coc) {
  link_.WndProc = &TControlSkin::DeliverCommand;
  link_.Self = this;
}

TControlSkin::~TControlSkin() {
  if (HWND wnd = Owner.HandleIfAllocated()) Detach(wnd);
  AbortAnimation();
}

bool TControlSkin::Skinned(bool checkActive) const noexcept {
  const TsSkinManager* manager = SkinManager();
  if (!manager || manager->Destroying() || Owner.Destroying()) return false;
  if (SkinIndex < 0 || !manager->Model().IsValidSkinIndex(SkinIndex)) return false;
  return !checkActive || manager->CommonSkinData.Active;
}

const skin::SkinModel* TControlSkin::Model() const noexcept {
  const TsSkinManager* manager = SkinManager();
  return manager ? &manager->Model() : nullptr;
}

const skin::TsGeneralData* TControlSkin::Section() const noexcept {
  if (!Skinned(false)) return nullptr;
  return &Model()->gd[static_cast<std::size_t>(SkinIndex)];
}

TControlLook TControlSkin::Look() const noexcept {
  TControlLook look;
  look.SkinIndex = SkinIndex;
  return look;
}

void TControlSkin::Loaded() {
  Loading = false;
  UpdateIndexes();
}

void TControlSkin::UpdateIndexes() {
  BGChanged = true;
  SkinIndex = -1;
  BorderIndex = -1;
  const TsSkinManager* manager = SkinManager();
  if (!manager || !manager->Active() || manager->Destroying()) return;
  const LRESULT answer = Owner.Perform(skin::WM_SKINCMD, skin::MakeSkinWParam(skin::SKC_GETSKININDEX), 0);
  const int index = static_cast<int>(answer) - 1;
  if (!manager->Model().IsValidSkinIndex(index)) return;
  SkinIndex = index;
  BorderIndex = manager->gd()[static_cast<std::size_t>(index)].BorderIndex;
}

void TControlSkin::Invalidate(bool updateNow) {
  BGChanged = true;
  if (Loading || Owner.Loading() || Owner.Destroying() || !Owner.Showing()) return;
  if (HWND wnd = Owner.HandleIfAllocated()) {
    ::RedrawWindow(wnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | (updateNow ? RDW_UPDATENOW : 0));
  }
}

bool TControlSkin::CheckUpdating(bool clearFirst) {
  if (clearFirst) FUpdating = false;
  bool updating;
  if (!SkinManager()) {
    updating = false;
  } else if (FUpdating) {
    updating = true;
  } else if (Owner.Destroying()) {
    updating = false;
  } else {
    updating = SendSkinCommandTo(Owner.Parent(), skin::SKC_GETUPDATING) == 1;
  }
  if (updating) FUpdating = true;
  return updating;
}

void TControlSkin::EnsureCacheBitmap() { FCacheBmp.SetSize(Owner.Width(), Owner.Height()); }

void TControlSkin::ClearCache() noexcept { FCacheBmp = TDibBitmap(); }

void TControlSkin::AbortAnimation() noexcept {
  if (AnimTimer) AnimTimer->Reset();
}

void TControlSkin::Attach(HWND wnd) noexcept { ::SetPropW(wnd, skin::SkinDataProperty, &link_); }

void TControlSkin::Detach(HWND wnd) noexcept {
  if (::GetPropW(wnd, skin::SkinDataProperty) == &link_) ::RemovePropW(wnd, skin::SkinDataProperty);
}

LRESULT TControlSkin::DeliverCommand(void* self, UINT msg, WPARAM wParam, LPARAM lParam) {
  // SendSkinCommand calls this with the window procedure's protection.
  return static_cast<TControlSkin*>(self)->Owner.Perform(msg, wParam, lParam);
}

TColor TControlSkin::StateBackgroundColor(int state) const {
  const TsSkinManager* manager = SkinManager();
  const ColorSource colors = Colors();
  if (!Skinned()) return ResolveSkinColor(Owner.Color(), colors);
  const skin::TsGeneralData& section = *Section();
  const int s = state > 0 && section.States > 1 ? 1 : 0;
  const skin::TsGenState& record = section.Props[static_cast<std::size_t>(s)];
  auto parentColor = [&] {
    if (fw::TWinControl* parent = Owner.Parent()) {
      const LRESULT c = SendSkinCommandTo(parent, skin::SKC_GETBGCOLOR);
      return c != 0 ? static_cast<TColor>(c) : ResolveSkinColor(parent->Color(), colors);
    }
    return manager->GetGlobalColor();
  };
  if (record.Transparency <= 0) return ResolveSkinColor(record.Color, colors);
  if (record.Transparency >= 100) return parentColor();
  return MixColors(parentColor(), ResolveSkinColor(record.Color, colors), PercentToWeight(record.Transparency));
}

void TControlSkin::AnswerBackgroundRequest(TBackgroundRequest& request, int state) {
  const TsSkinManager* manager = SkinManager();
  auto cacheValid = [&] {
    return !FCacheBmp.Empty() && FCacheBmp.Width() == Owner.Width() && FCacheBmp.Height() == Owner.Height() &&
           !BGChanged;
  };
  auto rebuild = [&] {
    Owner.Perform(skin::WM_SKINCMD, skin::MakeSkinWParam(skin::SKC_PREPARECACHE), 0);
  };
  auto answerCache = [&] {
    request.BgType = btBitmap;
    request.Bmp = FCacheBmp.Lines();
    request.X = request.Y = 0;
  };
  if (request.PleaseDraw) {
    if (!cacheValid()) rebuild();
    if (!BGChanged && request.DrawDC) {
      const RECT& r = request.DrawRect;
      ::BitBlt(request.DrawDC, r.left, r.top, r.right - r.left, r.bottom - r.top, FCacheBmp.DC(), r.left + request.X,
               r.top + request.Y, SRCCOPY);
      request.BgType = btBitmap;
    }
    return;
  }
  if (!Skinned()) {
    request.BgType = btColor;
    request.Color = ResolveSkinColor(Owner.Color(), SkinManager());
    return;
  }
  const skin::TsGeneralData& section = *Section();
  const int s = std::min({state, std::max(section.States - 1, 0), 2});
  const skin::TsGenState& record = section.Props[static_cast<std::size_t>(s)];
  const bool outerEffects = manager->Effects().AllowOuterEffects;
  const bool corners = section.ImgTL >= 0 || section.ImgTR >= 0 || section.ImgBL >= 0 || section.ImgBR >= 0;
  if (record.Transparency == 0) {
    if (record.GradientPercent < 1 && record.ImagePercent < 1 && !corners && !outerEffects) {
      request.BgType = btColor;
      request.Color = StateBackgroundColor(state);
      if (Model()->IsValidImgIndex(BorderIndex)) {
        const skin::TsMaskData& image = Model()->ma[static_cast<std::size_t>(BorderIndex)];
        if ((image.DrawMode & 2) == 0 && !FCacheBmp.Empty()) {
          request.FillRect = {image.WL, image.WT, image.WR, image.WB};
          request.Bmp = FCacheBmp.Lines();
          request.X = request.Y = 0;
        }
      }
      return;
    }
    if (!cacheValid()) {
      ClearCache();
      rebuild();
    }
    if (FCacheBmp.Empty()) {
      request.BgType = btNotReady;
      return;
    }
    answerCache();
    return;
  }
  if (record.Transparency >= 100 && FCacheBmp.Empty()) {
    // A see-through container: the background is the one behind it.
    if (fw::TWinControl* parent = Owner.Parent()) {
      SendSkinCommandTo(parent, skin::SKC_GETBACKGROUND, reinterpret_cast<LPARAM>(&request));
      if (request.BgType == btBitmap) {
        request.X += Owner.Left();
        request.Y += Owner.Top();
        request.FillRect.Left -= Owner.Left();
        request.FillRect.Top -= Owner.Top();
      }
      return;
    }
    request.BgType = btColor;
    request.Color = manager->GetGlobalColor();
    return;
  }
  if (record.Transparency >= 100) {
    if (BGChanged) rebuild();
    if (BGChanged) {
      request.BgType = btColor;
      request.Color = StateBackgroundColor(0);
    } else {
      answerCache();
    }
    return;
  }
  if (FCacheBmp.Empty()) {
    rebuild();
    if (FCacheBmp.Empty()) {
      FUpdating = true;
      request.BgType = btNotReady;
      return;
    }
  }
  answerCache();
}

bool TControlSkin::HandleSkinCommand(fw::TMessage& m) {
  const std::uint16_t command = SkinCommandOf(m.WParam);
  if (skin::SkinCommandCarriesPointer(command) && m.LParam != 0 && !skin::IsTrustedSkinCommand()) {
    // An address from a posted message or another process: not ours to read.
    m.Result = 0;
    return true;
  }
  const bool forManager = reinterpret_cast<TsSkinManager*>(m.LParam) == SkinManager();
  switch (command) {
  case skin::SKC_SKINCHANGED:
    if (forManager) {
      AbortAnimation();
      UpdateIndexes();
      ClearCache();
    }
    return true;
  case skin::SKC_SKINREMOVED:
    if (forManager) {
      AbortAnimation();
      SkinIndex = BorderIndex = -1;
      FUpdating = true;
      ClearCache();
      BGChanged = true;
    }
    return false;
  case skin::SKC_REFRESH:
    if (forManager) {
      AbortAnimation();
      BGChanged = true;
      FUpdating = false;
    }
    return true;
  case skin::SKC_STOPUPDATING:
    if (FUpdating && !CheckUpdating(true)) {
      if (HWND wnd = Owner.HandleIfAllocated())
        ::RedrawWindow(wnd, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    return true;
  case skin::SKC_ISSKINNED:
    m.Result = 1;
    return true;
  case skin::SKC_SETUPDATING:
    FUpdating = (m.WParam & 0xFFFF) == 1;
    return true;
  case skin::SKC_GETUPDATING:
    if (CheckUpdating(false)) {
      m.Result = 1;
    } else if (!Skinned()) {
      m.Result = 0;
    } else {
      if (FCacheBmp.Empty() || BGChanged)
        Owner.Perform(skin::WM_SKINCMD, skin::MakeSkinWParam(skin::SKC_PREPARECACHE), 0);
      m.Result = FCacheBmp.Empty() || FCacheBmp.Width() != Owner.Width() || FCacheBmp.Height() != Owner.Height();
    }
    return true;
  case skin::SKC_GETHALFVISIBLE:
    m.Result = HalfVisible;
    return true;
  case skin::SKC_SETHALFVISIBLE:
    HalfVisible = true;
    return true;
  case skin::SKC_STOPANIMATION:
    AbortAnimation();
    return true;
  case skin::SKC_BGCHANGED:
    BGChanged = true;
    return true;
  case skin::SKC_INVALIDATE:
    Invalidate();
    return true;
  case skin::SKC_REPAINTONMOVE:
    m.Result = 1;
    return true;
  case skin::SKC_PARENTMOVED:
    BGChanged = true;
    AbortAnimation();
    return true;
  case skin::SKC_GETBGCOLOR:
    m.Result = static_cast<LRESULT>(static_cast<std::uint32_t>(StateBackgroundColor(0)));
    return true;
  case skin::SKC_PREPARECACHE:
    BGChanged = false;
    return true;
  case skin::SKC_CLEARCACHE:
    if (!FCacheBmp.Empty()) {
      ClearCache();
      BGChanged = true;
    }
    return true;
  case skin::SKC_GETBACKGROUND:
    if (m.LParam) {
      const bool hot = (FFocused || FMouseAbove) && !skin::IsBackgroundWithoutHoverCode(COC);
      AnswerBackgroundRequest(*reinterpret_cast<TBackgroundRequest*>(m.LParam), hot ? 1 : 0);
    }
    return true;
  case skin::SKC_QUERYSECTIONBEHIND:
    if (m.LParam && Skinned()) {
      auto& query = *reinterpret_cast<TacSectionBehind*>(m.LParam);
      if (skin::SectionSeeThrough(*Model(), SkinIndex, query.State) && Owner.Parent()) {
        TacSectionBehind up = query;
        up.R = {query.R.Left + Owner.Left(), query.R.Top + Owner.Top(), query.R.Right + Owner.Left(),
                query.R.Bottom + Owner.Top()};
        m.Result = SendSkinCommandTo(Owner.Parent(), skin::SKC_QUERYSECTIONBEHIND, reinterpret_cast<LPARAM>(&up));
        query.SkinIndex = up.SkinIndex;
      } else {
        query.SkinIndex = SkinIndex;
        m.Result = 1;
      }
    }
    return true;
  case skin::SKC_SETSCALE:
    ScalePercent = static_cast<int>(m.LParam);
    return false;
  case skin::SKC_GETSCALE:
    m.Result = ScalePercent;
    return true;
  case skin::SKC_GETBOUNDS:
    if (m.LParam) {
      const RECT b = Owner.BoundsRect();
      *reinterpret_cast<TRect*>(m.LParam) = {b.left, b.top, b.right, b.bottom};
    }
    return true;
  default:
    return false;
  }
}

// ---------------------------------------------------------------- text

void DrawControlText(const TControlSkin& data, HFONT font, std::wstring_view text, bool outline, int state,
                     UINT format, const RECT& rect) {
  if (text.empty() || data.FCacheBmp.Empty()) return;
  const skin::TsSkinManager* manager = data.SkinManager();
  if (!data.Skinned()) {
    DrawPlainText(data.FCacheBmp, font, text, rect, format, ResolveSkinColor(data.Owner.Font().Color(), manager));
    return;
  }
  int index = data.SkinIndex;
  bool overOthers = false;
  for (int c = skin::ssMenuItem; c <= skin::ssButton; ++c)
    overOthers = overOthers || manager->ConstData.Sections[static_cast<std::size_t>(c)] == index;
  if (overOthers && data.Owner.Parent()) {
    TacSectionBehind query;
    query.State = state;
    query.R = {0, 0, data.Owner.Width(), data.Owner.Height()};
    SendSkinCommandTo(&data.Owner, skin::SKC_QUERYSECTIONBEHIND, reinterpret_cast<LPARAM>(&query));
    if (!manager->Model().IsValidSkinIndex(query.SkinIndex)) {
      DrawPlainText(data.FCacheBmp, font, text, rect, format,
                    ResolveSkinColor(data.Owner.Parent()->Font().Color(), manager));
      return;
    }
    index = query.SkinIndex;
  }
  TSkinTextRequest request;
  request.Model = &manager->Model();
  request.ConstData = &manager->ConstData;
  request.SkinIndex = index;
  request.State = std::clamp(state, 0, 2);
  request.UseOutline = outline;
  request.AllowGlow = true;
  request.Look = data.Look();
  request.Colors = data.Colors();
  DrawSkinText(data.FCacheBmp, font, text, rect, format, request);
}

// ---------------------------------------------------------------- fade ticks

namespace {

class FrameworkTicks : public skin::TacTickSource {
public:
  explicit FrameworkTicks(std::function<void()> tick) : tick_(std::move(tick)) {}
  ~FrameworkTicks() override { Stop(); }
  void Start(unsigned intervalMs) override {
    if (!window_) {
      window_ = std::make_unique<fw::TUtilWindow>([this](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == WM_TIMER) {
          // The tick may free this source with its timer: nothing of it is
          // used after the call.
          const std::function<void()> tick = tick_;
          try {
            tick();
          } catch (...) {
            fw::Application().HandleException(std::current_exception());
          }
          return 0;
        }
        return fw::TUtilWindow::DefaultHandler(msg, wParam, lParam);
      });
    }
    ::SetTimer(window_->Handle(), 1, intervalMs, nullptr);
  }
  void Stop() noexcept override {
    if (window_ && window_->Handle()) ::KillTimer(window_->Handle(), 1);
  }

private:
  std::function<void()> tick_;
  std::unique_ptr<fw::TUtilWindow> window_;
};

}  // namespace

void UseFrameworkTicks() {
  static const bool installed = [] {
    skin::TacTickSourceFactory previous = skin::SetTickSourceFactory(
        [](std::function<void()> tick) -> std::unique_ptr<skin::TacTickSource> {
          return std::make_unique<FrameworkTicks>(std::move(tick));
        });
    // A factory installed before (a test's clock) stays in charge.
    if (previous) skin::SetTickSourceFactory(std::move(previous));
    return true;
  }();
  (void)installed;
}

}  // namespace skinctrl
