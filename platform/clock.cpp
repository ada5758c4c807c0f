#include "platform/clock.h"

#include <chrono>

namespace fennel {

int64_t SystemClock::Now() const {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

int64_t SystemClock::MonotonicMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

namespace {
SystemClock g_system;
Clock* g_current = &g_system;
}  // namespace

Clock& CurrentClock() { return *g_current; }
void SetCurrentClock(Clock* clock) { g_current = clock ? clock : &g_system; }

}  // namespace fennel
