#include "platform/event_loop.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace fennel {
namespace {

struct Tick {
  std::string who;
  unsigned id;
  int64_t at;
  bool operator==(const Tick&) const = default;
};

void PrintTo(const Tick& t, std::ostream* os) { *os << t.who << "#" << t.id << "@" << t.at; }

// Records every tick with the time it saw; onTick runs after recording.
class Recorder : public TimerTarget {
 public:
  Recorder(std::string name, const Clock& clock, std::vector<Tick>& log) : name_(std::move(name)), clock_(clock), log_(log) {}
  void OnTimer(unsigned id) override {
    log_.push_back({name_, id, clock_.MonotonicMs()});
    if (onTick) onTick(id);
  }
  std::function<void(unsigned)> onTick;

 private:
  std::string name_;
  const Clock& clock_;
  std::vector<Tick>& log_;
};

class ManualLoopTest : public ::testing::Test {
 protected:
  ManualClock clock_{1'700'000'000, 0};
  ManualEventLoop loop_{clock_};
  std::vector<Tick> log_;
  Recorder a_{"a", clock_, log_};
  Recorder b_{"b", clock_, log_};
};

TEST_F(ManualLoopTest, TwoTimersFireInOrderWhateverTheSteps) {
  const std::vector<Tick> want = {
      {"b", 1, 30000},  {"a", 5, 60000},  {"b", 1, 60000},  {"b", 1, 90000}, {"a", 5, 120000},
      {"b", 1, 120000}, {"b", 1, 150000}, {"a", 5, 180000}, {"b", 1, 180000},
  };
  for (int64_t step : {180000, 60000, 45000, 1000, 7}) {
    SCOPED_TRACE("step " + std::to_string(step));
    ManualClock clock;
    ManualEventLoop loop(clock);
    std::vector<Tick> log;
    Recorder a("a", clock, log), b("b", clock, log);
    loop.SetTimer(&a, 5, 60000);  // set first: wins ties
    loop.SetTimer(&b, 1, 30000);
    int64_t moved = 0;
    for (int guard = 0; moved + step <= 180000 && guard < 200000; ++guard) {
      loop.Advance(step);
      moved += step;
    }
    if (moved < 180000) loop.Advance(180000 - moved);
    EXPECT_EQ(log, want);
    EXPECT_EQ(clock.MonotonicMs(), 180000);
  }
}

TEST_F(ManualLoopTest, ArmingAgainRestartsTheTimer) {
  loop_.SetTimer(&a_, 1, 60000);
  loop_.Advance(50000);
  loop_.SetTimer(&a_, 1, 60000);
  loop_.Advance(59999);  // t = 109999: the first due time (60000) has passed without a tick
  EXPECT_TRUE(log_.empty());
  loop_.Advance(1);
  EXPECT_EQ(log_, (std::vector<Tick>{{"a", 1, 110000}}));

  // Armed again from its own tick with another period.
  a_.onTick = [&](unsigned id) { loop_.SetTimer(&a_, id, 5000); a_.onTick = nullptr; };
  loop_.Advance(65000);
  ASSERT_EQ(log_.size(), 3u);
  EXPECT_EQ(log_[1], (Tick{"a", 1, 170000}));
  EXPECT_EQ(log_[2], (Tick{"a", 1, 175000}));
}

TEST_F(ManualLoopTest, KillTimerFromTheTickStopsIt) {
  a_.onTick = [&](unsigned id) { loop_.KillTimer(&a_, id); };
  loop_.SetTimer(&a_, 1, 1000);
  loop_.Advance(100000);
  EXPECT_EQ(log_.size(), 1u);
  EXPECT_FALSE(loop_.HasTimer());
}

TEST_F(ManualLoopTest, KillingATimerDueAtTheSameMomentKeepsItFromFiring) {
  a_.onTick = [&](unsigned) { loop_.KillTimer(&b_, 2); };
  loop_.SetTimer(&a_, 1, 1000);
  loop_.SetTimer(&b_, 2, 1000);
  loop_.Advance(5000);
  for (const Tick& t : log_) EXPECT_EQ(t.who, "a");
  EXPECT_EQ(log_.size(), 5u);
}

TEST_F(ManualLoopTest, ArmingATimerDueAtTheSameMomentRestartsIt) {
  a_.onTick = [&](unsigned) { loop_.SetTimer(&b_, 2, 1000); };
  loop_.SetTimer(&a_, 1, 1000);
  loop_.SetTimer(&b_, 2, 1000);
  loop_.Advance(1000);
  EXPECT_EQ(log_, (std::vector<Tick>{{"a", 1, 1000}}));
  a_.onTick = nullptr;
  loop_.Advance(1000);
  EXPECT_EQ(log_, (std::vector<Tick>{{"a", 1, 1000}, {"a", 1, 2000}, {"b", 2, 2000}}));
}

TEST_F(ManualLoopTest, KillTimersRemovesEveryTimerOfOneTarget) {
  loop_.SetTimer(&a_, 1, 1000);
  loop_.SetTimer(&a_, 7, 1500);
  loop_.SetTimer(&b_, 1, 2000);
  loop_.KillTimers(&a_);
  loop_.Advance(4000);
  EXPECT_EQ(log_, (std::vector<Tick>{{"b", 1, 2000}, {"b", 1, 4000}}));
  loop_.KillTimers(&b_);
  EXPECT_FALSE(loop_.HasTimer());
  loop_.KillTimer(&b_, 99);  // unknown: no effect
}

TEST_F(ManualLoopTest, PostedCallsRunFromTheLoop) {
  std::vector<std::string> ran;
  loop_.Post([&] {
    ran.push_back("1");
    loop_.Post([&] { ran.push_back("3"); });
  });
  loop_.Post([&] { ran.push_back("2"); });
  EXPECT_TRUE(ran.empty());
  loop_.RunPosted();
  EXPECT_EQ(ran, (std::vector<std::string>{"1", "2", "3"}));

  // Advance runs them too, and a call posted from a tick runs at that tick's time.
  ran.clear();
  loop_.Post([&] { ran.push_back("before@" + std::to_string(clock_.MonotonicMs())); });
  a_.onTick = [&](unsigned) {
    loop_.Post([&] { ran.push_back("tick@" + std::to_string(clock_.MonotonicMs())); });
  };
  loop_.SetTimer(&a_, 1, 30000);
  loop_.Advance(70000);
  EXPECT_EQ(ran, (std::vector<std::string>{"before@0", "tick@30000", "tick@60000"}));
}

TEST_F(ManualLoopTest, CallThatPostsItselfForeverDoesNotHangRunPosted) {
  int count = 0;
  std::function<void()> again = [&] {
    ++count;
    loop_.Post(again);
  };
  loop_.Post(again);
  loop_.RunPosted();
  EXPECT_GT(count, 1);
}

TEST_F(ManualLoopTest, ZeroPeriodTimerStillMovesOn) {
  loop_.SetTimer(&a_, 1, 0);
  loop_.Advance(10);
  EXPECT_EQ(log_.size(), 10u);
}

TEST(TimerTableTest, StallFiresOnceAndDoesNotBurst) {
  ManualClock clock;
  std::vector<Tick> log;
  Recorder a("a", clock, log);
  TimerTable t;
  EXPECT_EQ(t.NextDue(), -1);
  t.Set(&a, 1, 1000, 0);
  EXPECT_EQ(t.NextDue(), 1000);
  EXPECT_EQ(t.FireDue(999), 0);
  EXPECT_EQ(t.FireDue(10500), 1);
  EXPECT_EQ(t.NextDue(), 11500);
  EXPECT_EQ(t.FireDue(10500), 0);
  t.Kill(&a, 1);
  EXPECT_TRUE(t.empty());
}

// ---- PollEventLoop: real fds and the real monotonic clock, kept short.

class Pipe {
 public:
  Pipe() { EXPECT_EQ(pipe2(fd_, O_CLOEXEC | O_NONBLOCK), 0); }
  ~Pipe() {
    close(fd_[0]);
    close(fd_[1]);
  }
  int r() const { return fd_[0]; }
  int w() const { return fd_[1]; }

 private:
  int fd_[2] = {-1, -1};
};

TEST(PollEventLoopTest, ReadablePipeRunsTheCallback) {
  SystemClock clock;
  PollEventLoop loop(clock);
  Pipe p;
  std::string got;
  int calls = 0;
  loop.WatchFd(p.r(), EventLoop::kReadable, [&](int events) {
    ++calls;
    EXPECT_TRUE(events & EventLoop::kReadable);
    char buf[16];
    ssize_t n = read(p.r(), buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<size_t>(n));
    loop.UnwatchFd(p.r());
  });
  ASSERT_EQ(write(p.w(), "hi", 2), 2);
  EXPECT_TRUE(loop.RunUntil([&] { return !got.empty(); }, 2000));
  EXPECT_EQ(got, "hi");

  // Unwatched from its own callback: more data does not call it again.
  ASSERT_EQ(write(p.w(), "x", 1), 1);
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 20));
  EXPECT_EQ(calls, 1);
}

TEST(PollEventLoopTest, RunUntilGivesUpAtItsTimeLimit) {
  SystemClock clock;
  PollEventLoop loop(clock);
  Pipe p;
  loop.WatchFd(p.r(), EventLoop::kReadable, [](int) { ADD_FAILURE() << "nothing was written"; });
  const int64_t start = clock.MonotonicMs();
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 50));
  const int64_t took = clock.MonotonicMs() - start;
  EXPECT_GE(took, 50);
  EXPECT_LT(took, 2000);
}

TEST(PollEventLoopTest, PostedCallsTimersAndQuit) {
  SystemClock clock;
  PollEventLoop loop(clock);
  std::vector<Tick> log;
  Recorder a("a", clock, log);
  const int64_t start = clock.MonotonicMs();
  loop.SetTimer(&a, 1, 5);
  a.onTick = [&](unsigned) {
    if (log.size() == 2) loop.Post([&] { loop.Quit(); });
  };
  EXPECT_TRUE(loop.RunUntil(nullptr, 2000));
  ASSERT_EQ(log.size(), 2u);
  EXPECT_GE(log[1].at - start, 10);
}

}  // namespace
}  // namespace fennel
