#include "platform/event_loop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace fennel {

void TimerTable::Set(TimerTarget* target, unsigned id, int64_t periodMs, int64_t now) {
  if (periodMs < 1) periodMs = 1;
  timers_[{target, id}] = Timer{periodMs, now + periodMs, ++seq_};
}

void TimerTable::Kill(TimerTarget* target, unsigned id) { timers_.erase({target, id}); }

void TimerTable::KillAll(TimerTarget* target) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first == target)
      it = timers_.erase(it);
    else
      ++it;
  }
}

int64_t TimerTable::NextDue() const {
  int64_t best = -1;
  for (const auto& [key, t] : timers_)
    if (best < 0 || t.due < best) best = t.due;
  return best;
}

int TimerTable::FireDue(int64_t now) {
  struct Due {
    int64_t due;
    uint64_t seq;
    std::pair<TimerTarget*, unsigned> key;
  };
  std::vector<Due> due;
  for (const auto& [key, t] : timers_)
    if (t.due <= now) due.push_back({t.due, t.seq, key});
  std::sort(due.begin(), due.end(),
            [](const Due& a, const Due& b) { return a.due != b.due ? a.due < b.due : a.seq < b.seq; });
  int fired = 0;
  for (const Due& d : due) {
    auto it = timers_.find(d.key);
    // A callback may have killed or re-armed this timer meanwhile.
    if (it == timers_.end() || it->second.seq != d.seq || it->second.due > now) continue;
    it->second.due += it->second.period;
    if (it->second.due <= now) it->second.due = now + it->second.period;  // no burst after a stall
    ++fired;
    d.key.first->OnTimer(d.key.second);
  }
  return fired;
}

// ---- PollEventLoop

void PollEventLoop::SetTimer(TimerTarget* target, unsigned id, int64_t periodMs) {
  timers_.Set(target, id, periodMs, clock_.MonotonicMs());
}
void PollEventLoop::KillTimer(TimerTarget* target, unsigned id) { timers_.Kill(target, id); }
void PollEventLoop::KillTimers(TimerTarget* target) { timers_.KillAll(target); }
void PollEventLoop::WatchFd(int fd, int events, IoCallback callback) {
  watches_[fd] = Watch{events, std::move(callback)};
}
void PollEventLoop::UnwatchFd(int fd) { watches_.erase(fd); }
void PollEventLoop::Post(std::function<void()> fn) { posted_.push_back(std::move(fn)); }

void PollEventLoop::RunOnce(int64_t maxWaitMs) {
  if (!posted_.empty()) {
    std::vector<std::function<void()>> now;
    now.swap(posted_);
    for (auto& fn : now) fn();
    return;
  }
  int64_t wait = maxWaitMs;
  int64_t due = timers_.NextDue();
  if (due >= 0) wait = std::min(wait, std::max<int64_t>(0, due - clock_.MonotonicMs()));
  std::vector<pollfd> fds;
  for (const auto& [fd, w] : watches_) {
    short ev = 0;
    if (w.events & kReadable) ev |= POLLIN;
    if (w.events & kWritable) ev |= POLLOUT;
    fds.push_back(pollfd{fd, ev, 0});
  }
  int n = poll(fds.data(), fds.size(), static_cast<int>(std::max<int64_t>(0, wait)));
  if (n > 0) {
    for (const pollfd& p : fds) {
      if (!p.revents) continue;
      auto it = watches_.find(p.fd);
      if (it == watches_.end()) continue;  // unwatched by an earlier callback
      int ev = 0;
      if (p.revents & (POLLIN | POLLHUP)) ev |= kReadable;
      if (p.revents & POLLOUT) ev |= kWritable;
      if (p.revents & (POLLERR | POLLNVAL)) ev |= kError;
      IoCallback cb = it->second.callback;  // the callback may unwatch itself
      cb(ev);
    }
  }
  timers_.FireDue(clock_.MonotonicMs());
}

bool PollEventLoop::RunUntil(const std::function<bool()>& done, int64_t timeoutMs) {
  quit_ = false;
  const int64_t end = clock_.MonotonicMs() + timeoutMs;
  while (!quit_ && !(done && done())) {
    int64_t left = end - clock_.MonotonicMs();
    if (left <= 0) return false;
    RunOnce(left);
  }
  return true;
}

bool PollEventLoop::Wait(const std::function<bool()>& done, int64_t timeoutMs) {
  const int64_t end = clock_.MonotonicMs() + timeoutMs;
  while (!done()) {
    int64_t left = end - clock_.MonotonicMs();
    if (left <= 0) return false;
    RunOnce(std::min<int64_t>(left, 50));
  }
  return true;
}

// ---- ManualEventLoop

bool ManualEventLoop::Wait(const std::function<bool()>& done, int64_t) {
  RunPosted();
  return done();
}

void ManualEventLoop::SetTimer(TimerTarget* target, unsigned id, int64_t periodMs) {
  timers_.Set(target, id, periodMs, clock_.MonotonicMs());
}
void ManualEventLoop::KillTimer(TimerTarget* target, unsigned id) { timers_.Kill(target, id); }
void ManualEventLoop::KillTimers(TimerTarget* target) { timers_.KillAll(target); }
void ManualEventLoop::WatchFd(int fd, int events, IoCallback) { fds_[fd] = events; }
void ManualEventLoop::UnwatchFd(int fd) { fds_.erase(fd); }
void ManualEventLoop::Post(std::function<void()> fn) { posted_.push_back(std::move(fn)); }

void ManualEventLoop::Advance(int64_t ms) {
  const int64_t end = clock_.MonotonicMs() + ms;
  RunPosted();
  while (true) {
    int64_t due = timers_.NextDue();
    if (due < 0 || due > end) break;
    if (due > clock_.MonotonicMs()) clock_.AdvanceMs(due - clock_.MonotonicMs());
    timers_.FireDue(clock_.MonotonicMs());
    RunPosted();
  }
  if (end > clock_.MonotonicMs()) clock_.AdvanceMs(end - clock_.MonotonicMs());
}

void ManualEventLoop::RunPosted() {
  for (int round = 0; round < 10000 && !posted_.empty(); ++round) {
    std::vector<std::function<void()>> now;
    now.swap(posted_);
    for (auto& fn : now) fn();
  }
}

}  // namespace fennel
