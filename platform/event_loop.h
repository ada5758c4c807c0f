// The event loop the core runs on: repeating timers owned by a target and
// an id (armed again with the same pair, a timer restarts), socket readiness
// and posted calls. One thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/window.h"

namespace fennel {

class EventLoop {
 public:
  enum : int { kReadable = 1, kWritable = 2, kError = 4 };
  using IoCallback = std::function<void(int events)>;

  virtual ~EventLoop() = default;
  virtual void SetTimer(TimerTarget* target, unsigned id, int64_t periodMs) = 0;
  virtual void KillTimer(TimerTarget* target, unsigned id) = 0;
  // Removes every timer of a target (a window that goes away).
  virtual void KillTimers(TimerTarget* target) = 0;
  virtual void WatchFd(int fd, int events, IoCallback callback) = 0;
  virtual void UnwatchFd(int fd) = 0;
  // Runs fn later, from the loop.
  virtual void Post(std::function<void()> fn) = 0;
  // Keeps the loop running (timers, sockets, posted calls) until done() is
  // true or timeoutMs has passed; true when done. Used by a caller that must
  // wait without freezing the program (a connect, a long send).
  virtual bool Wait(const std::function<bool()>& done, int64_t timeoutMs) = 0;
  virtual const Clock& clock() const = 0;
};

// Timers by due time; shared by the loops that keep their own timers.
class TimerTable {
 public:
  void Set(TimerTarget* target, unsigned id, int64_t periodMs, int64_t now);
  void Kill(TimerTarget* target, unsigned id);
  void KillAll(TimerTarget* target);
  bool empty() const { return timers_.empty(); }
  // The period of a running timer, or -1 when it does not run.
  int64_t PeriodOf(TimerTarget* target, unsigned id) const {
    auto it = timers_.find({target, id});
    return it == timers_.end() ? -1 : it->second.period;
  }
  // Due time of the earliest timer, or -1.
  int64_t NextDue() const;
  // Fires, in due order, every timer due at or before now (each at most once).
  // Returns the number fired.
  int FireDue(int64_t now);

 private:
  struct Timer {
    int64_t period;
    int64_t due;
    uint64_t seq;  // ties fire in the order the timers were set
  };
  std::map<std::pair<TimerTarget*, unsigned>, Timer> timers_;
  uint64_t seq_ = 0;
};

// The loop of the command line and of integration tests, over poll().
class PollEventLoop : public EventLoop {
 public:
  explicit PollEventLoop(const Clock& clock = CurrentClock()) : clock_(clock) {}

  void SetTimer(TimerTarget* target, unsigned id, int64_t periodMs) override;
  void KillTimer(TimerTarget* target, unsigned id) override;
  void KillTimers(TimerTarget* target) override;
  void WatchFd(int fd, int events, IoCallback callback) override;
  void UnwatchFd(int fd) override;
  void Post(std::function<void()> fn) override;
  bool Wait(const std::function<bool()>& done, int64_t timeoutMs) override;
  const Clock& clock() const override { return clock_; }

  // Runs until Quit() or until done() is true, at most timeoutMs.
  // Returns true when it ended by Quit() or done(), false on the time limit.
  bool RunUntil(const std::function<bool()>& done, int64_t timeoutMs);
  // One round: waits at most maxWaitMs for something to do, then does it.
  void RunOnce(int64_t maxWaitMs);
  void Quit() { quit_ = true; }

 private:
  struct Watch {
    int events;
    IoCallback callback;
  };
  const Clock& clock_;
  TimerTable timers_;
  std::map<int, Watch> watches_;
  std::vector<std::function<void()>> posted_;
  bool quit_ = false;
};

// The loop of unit tests: time moves only by Advance(), so a time-out of a
// minute is tested in microseconds. Sockets are not watched here.
class ManualEventLoop : public EventLoop {
 public:
  explicit ManualEventLoop(ManualClock& clock) : clock_(clock) {}

  void SetTimer(TimerTarget* target, unsigned id, int64_t periodMs) override;
  void KillTimer(TimerTarget* target, unsigned id) override;
  void KillTimers(TimerTarget* target) override;
  void WatchFd(int fd, int events, IoCallback callback) override;
  void UnwatchFd(int fd) override;
  void Post(std::function<void()> fn) override;
  // Runs what is posted; the clock does not move, so only done() decides.
  bool Wait(const std::function<bool()>& done, int64_t timeoutMs) override;
  const Clock& clock() const override { return clock_; }

  // Moves the clock forward by ms, firing every timer on its way in order.
  void Advance(int64_t ms);
  // Runs the posted calls (and those they post), at most a bounded number.
  void RunPosted();
  bool HasTimer() const { return !timers_.empty(); }
  bool HasTimer(TimerTarget* target, unsigned id) const { return timers_.PeriodOf(target, id) >= 0; }
  int64_t TimerPeriod(TimerTarget* target, unsigned id) const { return timers_.PeriodOf(target, id); }
  const std::map<int, int>& watchedFds() const { return fds_; }

 private:
  ManualClock& clock_;
  TimerTable timers_;
  std::vector<std::function<void()>> posted_;
  std::map<int, int> fds_;
};

}  // namespace fennel
