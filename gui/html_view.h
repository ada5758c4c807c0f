// The HTML view of a mail, safely: the mail's HTML is untrusted. Scripts
// never run; no request leaves the machine unless the person asks, for
// this one mail; the mail's own parts (cid: pictures, saved attachments)
// come from the mail directory through a scheme of the program's own;
// links open in the desktop's browser, never inside the view.
#pragma once

#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlSchemeHandler>
#include <QWidget>
#include <string>

class QLabel;
class QPushButton;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace fennel {

// "fennel-mail": the scheme of the mail's own files. Registered before the
// application object exists (RegisterMailScheme).
void RegisterMailScheme();

class MailHtmlView : public QWidget {
 public:
  explicit MailHtmlView(QWidget* parent = nullptr);
  ~MailHtmlView() override;

  // Shows a page (CP932) whose own files lie in mailDir. Remote content
  // stays blocked until AllowRemote() for this page.
  void ShowPage(const std::string& page, const std::string& mailDir);
  void Clear();
  // Loads what was blocked, for the page shown now only.
  void AllowRemote();

  // For tests: requests blocked for the current page, and the page.
  int blockedRequests() const { return blocked_; }
  int servedFiles() const { return served_; }
  // Remote requests let through (after AllowRemote) for the current page.
  int allowedRequests() const { return allowed_; }
  QWebEnginePage* page() const;
  QWidget* remoteBar() const;

 private:
  class Interceptor;
  class FileScheme;
  class Page;
  void Load();

  QWebEngineProfile* profile_;
  Page* page_;
  QWebEngineView* view_;
  Interceptor* interceptor_;
  FileScheme* scheme_;
  QWidget* bar_;
  QLabel* barText_;
  QPushButton* barButton_;
  QString html_;
  QString root_;  // the mail directory (UTF-8 path) the scheme serves from
  bool remoteAllowed_ = false;
  int blocked_ = 0;
  int served_ = 0;
  int allowed_ = 0;
};

}  // namespace fennel
