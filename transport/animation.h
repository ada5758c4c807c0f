// The transfer animation window: a small picture that moves while mail goes
// out or comes in. During an automatic check it also carries the
// announcement of new mail, shown once the animation has run as many cycles
// as messages arrived.
#pragma once

#include <string>

#include "platform/event_loop.h"
#include "platform/prompter.h"
#include "platform/window.h"

namespace fennel {

// Draws the window (the Qt layer); the command line has none.
class AnimationView {
 public:
  virtual ~AnimationView() = default;
  virtual void Open(int mode) = 0;
  virtual void ShowFrame(int frame) = 0;
  virtual void Close() = 0;
};

class AnimationWindow : public TimerTarget {
 public:
  enum Mode { kSend = 1, kReceive = 2 };
  static constexpr unsigned kTimer = 0xF007;
  static constexpr int64_t kFrameMs = 160;

  AnimationWindow(EventLoop& loop, Prompter& prompter, AnimationView* view = nullptr)
      : loop_(loop), prompter_(prompter), view_(view) {}
  ~AnimationWindow() override { Close(); }

  // Does nothing when the window is open already or animation is off.
  void Show(int mode, int count, const std::string& text, bool enabled = true);
  void Close();
  void OnTimer(unsigned id) override;
  bool isOpen() const { return open_; }
  int frame() const { return frame_; }

 private:
  EventLoop& loop_;
  Prompter& prompter_;
  AnimationView* view_;
  bool open_ = false;
  int mode_ = kReceive;
  int count_ = 0;
  std::string text_;
  int frame_ = 0;
  int cycles_ = 0;
};

// "あなたにメッセージが…通届いています。" and the notice lines.
std::string Announcement(int count, const std::string& notice);

}  // namespace fennel
