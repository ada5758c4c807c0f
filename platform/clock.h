// Time sources. Code that needs "now" asks the current clock, which tests
// replace with a manual one.
#pragma once

#include <cstdint>
#include <string>

namespace fennel {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since 1970-01-01 00:00 UTC.
  virtual int64_t Now() const = 0;
  // Milliseconds of a clock that never goes back (timers).
  virtual int64_t MonotonicMs() const = 0;
};

class SystemClock : public Clock {
 public:
  int64_t Now() const override;
  int64_t MonotonicMs() const override;
};

// A clock that moves only when told to.
class ManualClock : public Clock {
 public:
  explicit ManualClock(int64_t now = 1'700'000'000, int64_t monotonicMs = 0) : now_(now), mono_(monotonicMs) {}
  int64_t Now() const override { return now_ + mono_ / 1000; }
  int64_t MonotonicMs() const override { return mono_; }
  void SetNow(int64_t now) { now_ = now - mono_ / 1000; }
  void AdvanceMs(int64_t ms) { mono_ += ms; }

 private:
  int64_t now_;
  int64_t mono_;
};

// A time value in local time, by strftime's format.
std::string FormatLocalTime(int64_t t, const char* format);

Clock& CurrentClock();
// Replaces the clock of the process (nullptr restores the system clock).
void SetCurrentClock(Clock* clock);

}  // namespace fennel
