#pragma once
// A clock the fade tests move by hand, and the tick sources it drives.
#include "skinctrl/fade/FadeTimer.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace skintest {

class FakeClock {
public:
  struct Tick {
    long long at;
    unsigned interval;
  };

  FakeClock() {
    previous_ = skinctrl::SetTickSourceFactory([this](std::function<void()> tick) {
      return std::unique_ptr<skinctrl::TacTickSource>(new Source(*this, std::move(tick)));
    });
  }
  ~FakeClock() { skinctrl::SetTickSourceFactory(std::move(previous_)); }
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  long long Now() const noexcept { return now_; }
  // Every tick delivered so far: when, and at which interval.
  const std::vector<Tick>& Ticks() const noexcept { return ticks_; }
  int RunningSources() const {
    return static_cast<int>(std::count_if(sources_.begin(), sources_.end(), [](Source* s) { return s->running; }));
  }

  // Moves the clock forward, delivering every tick that falls due on the way in
  // time order. A tick may stop, restart or destroy any source.
  void Advance(long long ms) {
    const long long end = now_ + ms;
    for (;;) {
      Source* due = nullptr;
      for (Source* s : sources_) {
        if (s->running && s->next <= end && (!due || s->next < due->next)) due = s;
      }
      if (!due) break;
      now_ = due->next;
      due->next += due->interval;
      ticks_.push_back({now_, due->interval});
      auto tick = due->tick;  // the source may go away inside
      tick();
    }
    now_ = end;
  }

private:
  struct Source : skinctrl::TacTickSource {
    Source(FakeClock& c, std::function<void()> t) : clock(c), tick(std::move(t)) { clock.sources_.push_back(this); }
    ~Source() override { std::erase(clock.sources_, this); }
    void Start(unsigned intervalMs) override {
      running = true;
      interval = std::max(intervalMs, 1u);
      next = clock.now_ + interval;
    }
    void Stop() noexcept override { running = false; }
    FakeClock& clock;
    std::function<void()> tick;
    bool running = false;
    unsigned interval = 0;
    long long next = 0;
  };

  long long now_ = 0;
  std::vector<Source*> sources_;
  std::vector<Tick> ticks_;
  skinctrl::TacTickSourceFactory previous_;
};

}  // namespace skintest
