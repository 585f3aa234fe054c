#pragma once
// Panel and timer.
#include <memory>

#include "framework/Controls.h"
#include "framework/Thread.h"

namespace fw {

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A container with optional bevels and a centred caption.
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* owner);
    ~TPanel() override;
    const wchar_t* ClassName() const override { return L"TPanel"; }

    TBevelCut BevelOuter() const noexcept { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut BevelInner() const noexcept { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    int BevelWidth() const noexcept { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const noexcept { return borderWidth_; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TAlignment value);
    bool ShowCaption() const noexcept { return showCaption_; }
    void SetShowCaption(bool value);

protected:
    void Paint() override;
    void WndProc(TMessage& message) override;

private:
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
    TBevelCut bevelInner_ = TBevelCut::bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TAlignment alignment_ = TAlignment::taCenter;
    bool showCaption_ = true;
};

// Calls OnTimer every Interval milliseconds on the GUI thread while Enabled.
// Ticks arrive as messages of a hidden "TPUtilWindow" window; the timer may
// be freed from inside its own OnTimer.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value);
    unsigned Interval() const noexcept { return interval_; }
    void SetInterval(unsigned value);
    const TNotifyEvent& OnTimer() const noexcept { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);

protected:
    void Loaded() override;
    virtual void Timer();

private:
    void UpdateTimer();

    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
    std::unique_ptr<TUtilWindow> window_;
};

}  // namespace fw
