// Notices a server that has sent nothing, and taken nothing, for a whole
// period: the sessions' guard once the logon is over (the probe only asks
// whether the server still takes connections, which a hung one does).
#pragma once

#include <cstdint>
#include <functional>

#include "platform/event_loop.h"

namespace fennel {

class SilenceWatch : public TimerTarget {
 public:
  SilenceWatch(EventLoop& loop, unsigned timerId, std::function<void()> onSilence)
      : loop_(loop), timerId_(timerId), onSilence_(std::move(onSilence)) {}
  ~SilenceWatch() override { loop_.KillTimers(this); }
  SilenceWatch(const SilenceWatch&) = delete;
  SilenceWatch& operator=(const SilenceWatch&) = delete;

  // Watches from now on, for silences of periodMs.
  void Start(int64_t periodMs) {
    periodMs_ = periodMs;
    Touch();
    loop_.SetTimer(this, timerId_, periodMs);
  }
  void Stop() { loop_.KillTimer(this, timerId_); }
  // Bytes went one way or the other.
  void Touch() { lastMs_ = loop_.clock().MonotonicMs(); }

  void OnTimer(unsigned id) override {
    if (id != timerId_) return;
    const int64_t quiet = loop_.clock().MonotonicMs() - lastMs_;
    if (quiet < periodMs_) {
      loop_.SetTimer(this, timerId_, periodMs_ - quiet);  // the rest of the period
      return;
    }
    Stop();
    onSilence_();  // told once
  }

 private:
  EventLoop& loop_;
  unsigned timerId_;
  std::function<void()> onSilence_;
  int64_t periodMs_ = 0;
  int64_t lastMs_ = 0;
};

}  // namespace fennel
