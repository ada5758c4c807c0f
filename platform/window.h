// A "window" of the core: something that takes synchronous messages and
// timer ticks. The Qt layer, the command line and the tests each provide
// their own.
#pragma once

#include <cstdint>

namespace fennel {

class TimerTarget {
 public:
  virtual ~TimerTarget() = default;
  virtual void OnTimer(unsigned id) = 0;
};

class Window : public TimerTarget {
 public:
  // Delivered synchronously (sent, not posted).
  virtual intptr_t SendMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) = 0;
  void OnTimer(unsigned) override {}
};

}  // namespace fennel
