#include "gui/app.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>
#include <unistd.h>

#include <cstdlib>
#include <QSocketNotifier>
#include <QStringList>

#include "config/mail_app.h"
#include "gui/artwork.h"
#include "gui/dialogs.h"
#include "gui/html_view.h"
#include "gui/main_window.h"
#include "gui/qt_services.h"
#include "gui/qt_text.h"
#include "platform/app_dirs.h"
#include "platform/messages.h"

namespace fennel {
namespace {

struct CommandLine {
  std::string fileArgument;  // CP932
  bool splash = true;
};

// The file (or mailto) argument and the splash choice.
CommandLine ParseCommandLine(const QStringList& args) {
  CommandLine c;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == QStringLiteral("--no-splash") || a.compare(QStringLiteral("-nologo"), Qt::CaseInsensitive) == 0 ||
        a.compare(QStringLiteral("/nologo"), Qt::CaseInsensitive) == 0) {
      c.splash = false;
    } else if (!a.startsWith(u'-') && c.fileArgument.empty()) {
      c.fileArgument = Cp(a);
    }
  }
  return c;
}

// The windows name the face "ＭＳ ゴシック"; IPAGothic has its metrics.
void SetUpFonts() {
  const QString face = Qs("ＭＳ ゴシック");
  QFont::insertSubstitution(face, QStringLiteral("IPAGothic"));
  QFont font(face, 10);
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
}

}  // namespace

bool InstallQtJapanese() {
  static QTranslator texts;
  if (!texts.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
  return QApplication::installTranslator(&texts);
}

void PrepareQt() {
  // Chromium's sandbox refuses to start as root; a normal user keeps it.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  // The HTML view renders with the windows' own contexts.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  RegisterMailScheme();
}

int RunGui(int argc, char** argv) {
  PrepareQt();
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Fennel"));
  QApplication::setWindowIcon(AppIcon());
  SetUpFonts();
  // Qt's own buttons and dialogs in Japanese, next to the program's texts.
  InstallQtJapanese();

  const CommandLine cmd = ParseCommandLine(QApplication::arguments());
  Profile profile(Profile::DefaultPath());
  QtPrompter prompter;
  CMailApp app(CMailApp::Services{profile, prompter, AppDataDirectory()});

  switch (app.Start(cmd.fileArgument, ProfileDirectory())) {
    case CMailApp::StartResult::Owner:
      break;
    case CMailApp::StartResult::HandedOver:
      return 0;
    case CMailApp::StartResult::GuardFailed:
      return 1;
  }

  {
    LogonWindow logon(app);
    prompter.setParent(&logon);
    int result = logon.exec();
    prompter.setParent(nullptr);
    if (result != QDialog::Accepted) {
      app.ExitInstance();
      return 0;
    }
  }
  if (!app.InitSocketLayer()) {
    app.ExitInstance();
    return 1;
  }

  QtEventLoop loop;
  MainWindow window(app, &loop);
  prompter.setParent(&window);
  window.show();
  int fd = app.PublishMainWindow();
  QSocketNotifier* notifier = nullptr;
  if (fd >= 0) {
    notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&app, &window] {
      for (int n = app.TakeOpenParameterMessages(); n > 0; --n) window.frame().SendMessage(WM_OPEN_PARAMETER, 0, 0);
    });
  }
  // 10. The mailbox window.
  window.frame().OnCommand(ID_FILE_OPEN_MAILBOX);
  if (cmd.splash) window.ShowSplash();
  if (!app.commandLineParameter.empty() && app.commandLineParameter != kProfileNull)
    window.frame().OnCommand(ID_FILE_NEW_MAIL);

  int rc = qapp.exec();
  if (notifier) notifier->setEnabled(false);
  prompter.setParent(nullptr);
  app.ExitInstance();
  return rc;
}

}  // namespace fennel
