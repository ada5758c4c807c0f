// The platform services as Qt provides them: message boxes, pickers, the
// desktop shell and the event loop.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>

#include "platform/event_loop.h"
#include "platform/prompter.h"

class QTimer;
class QSocketNotifier;

namespace fennel {

class QtPrompter : public Prompter {
 public:
  using Prompter::Show;
  MbAnswer Show(const std::string& text, const std::string& caption, MbIcon icon, MbButtons buttons) override;
  // Boxes open over this window (may be null).
  void setParent(QWidget* parent) { parent_ = parent; }

 private:
  QPointer<QWidget> parent_;
};

class QtFilePicker : public FilePicker {
 public:
  std::optional<std::string> PickFolder(const std::string& title, const std::string& start) override;
  std::optional<std::string> PickFile(bool save, const std::string& defaultName, const std::string& defaultExt,
                                      const std::string& filter) override;
  void setParent(QWidget* parent) { parent_ = parent; }

 private:
  QPointer<QWidget> parent_;
};

class QtShell : public Shell {
 public:
  bool Open(const std::string& target) override;
};

// Timers and socket readiness on Qt's own loop.
class QtEventLoop : public QObject, public EventLoop {
 public:
  QtEventLoop();
  ~QtEventLoop() override;
  void SetTimer(TimerTarget* target, unsigned id, int64_t periodMs) override;
  void KillTimer(TimerTarget* target, unsigned id) override;
  void KillTimers(TimerTarget* target) override;
  void WatchFd(int fd, int events, IoCallback callback) override;
  void UnwatchFd(int fd) override;
  void Post(std::function<void()> fn) override;
  bool Wait(const std::function<bool()>& done, int64_t timeoutMs) override;
  const Clock& clock() const override { return CurrentClock(); }

 private:
  std::map<std::pair<TimerTarget*, unsigned>, QTimer*> timers_;
  struct Watch {
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
  };
  std::map<int, Watch> watches_;
};

}  // namespace fennel
