#include "gui/html_view.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeDatabase>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineView>

#include "gui/qt_text.h"

namespace fennel {
namespace {

const QByteArray kScheme = QByteArrayLiteral("fennel-mail");

}  // namespace

void RegisterMailScheme() {
  static bool done = false;
  if (done) return;
  done = true;
  QWebEngineUrlScheme scheme(kScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
  scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
  QWebEngineUrlScheme::registerScheme(scheme);
}

// Every request of the page passes here before it is made.
class MailHtmlView::Interceptor : public QWebEngineUrlRequestInterceptor {
 public:
  explicit Interceptor(MailHtmlView& view) : QWebEngineUrlRequestInterceptor(&view), view_(view) {}
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QString scheme = info.requestUrl().scheme();
    if (scheme == QLatin1String(kScheme) || scheme == QStringLiteral("data") || scheme == QStringLiteral("about"))
      return;
    if (view_.remoteAllowed_ && (scheme == QStringLiteral("http") || scheme == QStringLiteral("https"))) {
      QMetaObject::invokeMethod(&view_, [v = &view_] { ++v->allowed_; }, Qt::QueuedConnection);
      return;
    }
    info.block(true);
    // Told from Qt's I/O side: the count and the bar change on the window's.
    QMetaObject::invokeMethod(&view_, [v = &view_] {
      ++v->blocked_;
      v->barText_->setText(Qs("このメールの外部の画像などは、プライバシー保護のため読み込んでいません。"));
      v->bar_->show();
    }, Qt::QueuedConnection);
  }

 private:
  MailHtmlView& view_;
};

// The mail's own files, from the mail directory only.
class MailHtmlView::FileScheme : public QWebEngineUrlSchemeHandler {
 public:
  explicit FileScheme(MailHtmlView& view) : QWebEngineUrlSchemeHandler(&view), view_(view) {}
  void requestStarted(QWebEngineUrlRequestJob* job) override {
    const QString path = QDir::cleanPath(job->requestUrl().path());
    const QString root = QDir::cleanPath(view_.root_);
    if (root.isEmpty() || !(path + u'/').startsWith(root + u'/') || !QFileInfo(path).isFile()) {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    auto* file = new QFile(path, job);
    if (!file->open(QIODevice::ReadOnly)) {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    job->reply(QMimeDatabase().mimeTypeForFile(path).name().toUtf8(), file);
    ++view_.served_;
  }

 private:
  MailHtmlView& view_;
};

// Links leave the view for the desktop's browser.
class MailHtmlView::Page : public QWebEnginePage {
 public:
  Page(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
    if (type == NavigationTypeLinkClicked) {
      QDesktopServices::openUrl(url);
      return false;
    }
    // Forms of a mail send nothing; redirects and the like are requests
    // that the interceptor judges.
    return type != NavigationTypeFormSubmitted && isMainFrame;
  }
};

MailHtmlView::MailHtmlView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("htmlView"));
  // A profile of its own, kept in memory: no cookies or cache on disk.
  profile_ = new QWebEngineProfile(this);
  interceptor_ = new Interceptor(*this);
  profile_->setUrlRequestInterceptor(interceptor_);
  scheme_ = new FileScheme(*this);
  profile_->installUrlSchemeHandler(kScheme, scheme_);
  page_ = new Page(profile_, this);
  QWebEngineSettings* s = page_->settings();
  s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
  // The page has the origin of the program's scheme; its remote requests
  // must reach the interceptor (which blocks them) to be counted and, when
  // the person asks, let through.
  s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
  s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
  view_ = new QWebEngineView(this);
  view_->setPage(page_);
  view_->setAccessibleName(Qs("本文"));
  view_->setContextMenuPolicy(Qt::NoContextMenu);

  bar_ = new QWidget(this);
  bar_->setObjectName(QStringLiteral("remoteContentBar"));
  bar_->setAutoFillBackground(true);
  QPalette pal = bar_->palette();
  pal.setColor(QPalette::Window, QColor(255, 244, 200));
  bar_->setPalette(pal);
  barText_ = new QLabel(bar_);
  barButton_ = new QPushButton(Qs("このメールだけ読み込む"), bar_);
  barButton_->setObjectName(QStringLiteral("loadRemoteContent"));
  auto* barLayout = new QHBoxLayout(bar_);
  barLayout->setContentsMargins(6, 2, 6, 2);
  barLayout->addWidget(barText_, 1);
  barLayout->addWidget(barButton_);
  bar_->hide();
  connect(barButton_, &QPushButton::clicked, this, [this] { AllowRemote(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar_);
  layout->addWidget(view_, 1);
}

MailHtmlView::~MailHtmlView() {
  // The view, then the page, then (with the children) the profile: a page
  // never outlives its profile, and no view makes a page of its own.
  delete view_;
  view_ = nullptr;
  delete page_;
  page_ = nullptr;
}

QWebEnginePage* MailHtmlView::page() const { return page_; }
QWidget* MailHtmlView::remoteBar() const { return bar_; }

void MailHtmlView::ShowPage(const std::string& page, const std::string& mailDir) {
  html_ = Qs(page);
  root_ = Qs(mailDir);
  remoteAllowed_ = false;  // asked again for every mail
  Load();
}

void MailHtmlView::Clear() {
  html_.clear();
  root_.clear();
  remoteAllowed_ = false;
  Load();
}

void MailHtmlView::AllowRemote() {
  remoteAllowed_ = true;
  Load();
}

void MailHtmlView::Load() {
  blocked_ = 0;
  served_ = 0;
  allowed_ = 0;
  bar_->hide();
  // Relative names in the page (the saved parts) resolve inside the mail
  // directory, through the program's own scheme.
  QUrl base;
  base.setScheme(QLatin1String(kScheme));
  base.setPath(root_.isEmpty() ? QStringLiteral("/") : root_ + u'/');
  page_->triggerAction(QWebEnginePage::Stop);  // what the last page still fetches ends first
  page_->setHtml(html_, base);
}

}  // namespace fennel
