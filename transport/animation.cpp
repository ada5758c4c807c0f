#include "transport/animation.h"

namespace fennel {

std::string Announcement(int count, const std::string& notice) {
  if (count == 1) return "あなたにメッセージが１通届いています。\n\n" + notice;
  return "あなたにメッセージが" + std::to_string(count) + "通届いています。\n\n" + notice;
}

void AnimationWindow::Show(int mode, int count, const std::string& text, bool enabled) {
  if (open_ || !enabled) return;
  open_ = true;
  mode_ = mode;
  count_ = count;
  text_ = text;
  cycles_ = 0;
  // Receive mode shows frames 31 to 61, send mode 0 to 30.
  frame_ = mode == kReceive ? 31 : 0;
  if (view_) {
    view_->Open(mode);
    view_->ShowFrame(frame_);
  }
  loop_.SetTimer(this, kTimer, kFrameMs);
}

void AnimationWindow::Close() {
  if (!open_) return;
  open_ = false;
  loop_.KillTimer(this, kTimer);
  if (view_) view_->Close();
}

void AnimationWindow::OnTimer(unsigned id) {
  if (id != kTimer || !open_) return;
  const int first = mode_ == kReceive ? 31 : 0;
  const int last = mode_ == kReceive ? 61 : 30;
  if (++frame_ > last) {
    frame_ = first;
    if (mode_ == kReceive && count_ > 0 && ++cycles_ == count_) {
      // As many cycles as messages: the delayed announcement.
      std::string text = Announcement(count_, text_);
      Close();
      prompter_.Show(text, MbIcon::Information);
      return;
    }
  }
  if (view_) view_->ShowFrame(frame_);
}

}  // namespace fennel
