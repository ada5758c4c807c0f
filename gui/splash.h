// The splash window: a borderless picture centred over the main window. It
// goes after 750 ms, or at once on any key or mouse button anywhere in the
// program. At most one exists.
#pragma once

#include <QLabel>
#include <QPointer>

namespace fennel {

class SplashWindow : public QLabel {
 public:
  static void ShowOver(QWidget* owner);
  static SplashWindow* Current();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit SplashWindow(QWidget* owner);
  ~SplashWindow() override;
  static QPointer<SplashWindow> current_;
};

}  // namespace fennel
