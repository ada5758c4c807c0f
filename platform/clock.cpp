#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace fennel {

int64_t SystemClock::Now() const {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

int64_t SystemClock::MonotonicMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string FormatLocalTime(int64_t t, const char* format) {
  time_t tt = static_cast<time_t>(t);
  struct tm tm {};
  localtime_r(&tt, &tm);
  char buf[128];
  size_t n = strftime(buf, sizeof buf, format, &tm);
  return std::string(buf, n);
}

namespace {
SystemClock g_system;
Clock* g_current = &g_system;
}  // namespace

Clock& CurrentClock() { return *g_current; }
void SetCurrentClock(Clock* clock) { g_current = clock ? clock : &g_system; }

}  // namespace fennel
