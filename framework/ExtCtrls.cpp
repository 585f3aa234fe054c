#include "framework/ExtCtrls.h"

#include "framework/Exception.h"

namespace fw {

// ---------------------------------------------------------------- TPanel

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) { SetControlStyle(ControlStyle() | csOpaque); }

TPanel::~TPanel() { DestroyHandle(); }

void TPanel::SetBevelOuter(TBevelCut value) {
    bevelOuter_ = value;
    Invalidate();
}

void TPanel::SetBevelInner(TBevelCut value) {
    bevelInner_ = value;
    Invalidate();
}

void TPanel::SetBevelWidth(int value) {
    bevelWidth_ = value;
    Invalidate();
}

void TPanel::SetBorderWidth(int value) {
    borderWidth_ = value;
    Invalidate();
}

void TPanel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TPanel::SetShowCaption(bool value) {
    showCaption_ = value;
    Invalidate();
}

void TPanel::Paint() {
    TCanvas& canvas = Canvas();
    RECT r = ClientRect();
    canvas.SetBrushColor(Color());
    canvas.FillRect(r);
    auto bevel = [&](TBevelCut cut) {
        if (cut == TBevelCut::bvNone) return;
        if (cut == TBevelCut::bvSpace) {
            ::InflateRect(&r, -bevelWidth_, -bevelWidth_);
            return;
        }
        const bool raised = cut == TBevelCut::bvRaised;
        canvas.Frame3D(r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, bevelWidth_);
    };
    bevel(bevelOuter_);
    ::InflateRect(&r, -borderWidth_, -borderWidth_);
    bevel(bevelInner_);
    const std::wstring caption = Caption();
    if (showCaption_ && !caption.empty()) {
        UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
        if (alignment_ == TAlignment::taCenter) flags |= DT_CENTER;
        if (alignment_ == TAlignment::taRightJustify) flags |= DT_RIGHT;
        canvas.DrawText(caption, r, flags);
    }
}

void TPanel::WndProc(TMessage& m) {
    if (m.Msg == CM_TEXTCHANGED) {
        Invalidate();
        return;
    }
    TCustomControl::WndProc(m);
}

// ---------------------------------------------------------------- TTimer

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
    // From inside our own tick this destroys the window under its own
    // procedure; TUtilWindow keeps the procedure alive until it returns.
    if (window_ && window_->Handle()) ::KillTimer(window_->Handle(), kTimerId);
}

void TTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
    if (value == interval_) return;
    interval_ = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (Loading() || Destroying()) return;
    if (window_) ::KillTimer(window_->Handle(), kTimerId);
    if (!enabled_ || interval_ == 0 || !onTimer_) return;
    if (!window_) {
        window_ = std::make_unique<TUtilWindow>([this](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (msg == WM_TIMER) {
                // Nothing of this object may be used after Timer(): it may be gone.
                Timer();
                return 0;
            }
            return TUtilWindow::DefaultHandler(msg, wParam, lParam);
        });
    }
    if (!::SetTimer(window_->Handle(), kTimerId, interval_, nullptr)) {
        throw EOSError(L"Not enough timers available", ::GetLastError());
    }
}

void TTimer::Timer() {
    if (onTimer_ && !Destroying()) onTimer_(this);
}

}  // namespace fw
