// The mailbox window over a store of 100,000 mails (one folder of 100,000
// and 50 folders of 2,000), offscreen: opening it and selecting the big
// folder until its first rows are painted, a column sort, the thread view,
// selecting a typical mail, a 10 MB mail and an HTML mail. Figures only.
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QWebEnginePage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bench/bench_timing.h"
#include "gui/app.h"
#include "gui/html_view.h"
#include "gui/mailbox_window.h"
#include "platform/fs.h"

using namespace fennel;

namespace {

std::string Message(const std::string& id, const std::string& subject, const std::string& body,
                    const std::string& type = "text/plain; charset=ISO-2022-JP") {
  return "Message-ID: " + id + "\r\nFrom: jiro@example.jp\r\nTo: taro@example.jp\r\nSubject: " + subject +
         "\r\nDate: Thu, 10 Dec 2026 09:00:00 +0900\r\nMIME-Version: 1.0\r\nContent-Type: " + type + "\r\n\r\n" + body;
}

void Paint(QWidget* w) {
  w->repaint();
  QApplication::processEvents();
}

double Ms(QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  PrepareQt();
  QApplication qapp(argc, argv);
  const std::string dir = (std::filesystem::temp_directory_path() / "fennel-mailbox-bench").string();
  std::filesystem::remove_all(dir);
  MakeDirs(dir + "/mail");
  Profile profile(dir + "/Fennel.ini");
  class Quiet : public Prompter {
   public:
    using Prompter::Show;
    MbAnswer Show(const std::string&, const std::string&, MbIcon, MbButtons) override { return MbAnswer::Ok; }
  } prompter;
  CMailApp app({profile, prompter, dir});
  CUserInfo& u = app.user();
  u.userId = "taro";
  u.mailDir = dir + "/mail";
  // The files of three mails to select; the records point at them.
  const std::string typical = u.mailDir + "/RCVtypic.tmp", big = u.mailDir + "/RCVbigml.tmp",
                    html = u.mailDir + "/RCVhtmlm.tmp";
  std::string body;
  while (body.size() < 4000) body += "Kaigi no nittei ni tsuite oshirase shimasu.\r\n";
  {
    std::ofstream(typical, std::ios::binary) << Message("<typical@x>", "typical", body);
    std::string large;
    while (large.size() < 10u << 20) large += "A line of a very long mail, to be shown whole in the text view.\r\n";
    std::ofstream(big, std::ios::binary) << Message("<big@x>", "big", large);
    std::ofstream(html, std::ios::binary)
        << Message("<html@x>", "html", "<html><body><h1>Hello</h1><p>" + body + "</p></body></html>\r\n",
                   "text/html; charset=us-ascii");
  }
  CFolderDetail* inbox = u.store.AddFolder(kInboxFolder);
  for (int i = 0; i < 100000; ++i) {
    auto m = std::make_unique<CMailDetail>();
    m->filePath = i == 99999 ? typical : i == 99998 ? big : i == 99997 ? html : u.mailDir + "/RCVx" + std::to_string(i) + ".tmp";
    m->from = "山田 太郎 <taro" + std::to_string(i % 977) + "@example.jp>";
    m->subject = "【お知らせ】会議の日程について その" + std::to_string(i);
    m->messageId = "<" + std::to_string(i) + "@mail.example.jp>";
    if (i % 3 == 1) m->inReplyTo = "<" + std::to_string(i - 1) + "@mail.example.jp>";
    m->date = 1700000000 + i;
    m->state = i % 5 ? CMailDetail::kRead : CMailDetail::kUnread;
    inbox->AddMail(std::move(m));
  }
  for (int f = 0; f < 50; ++f) {
    CFolderDetail* folder = u.store.AddFolder("フォルダ" + std::to_string(f));
    for (int i = 0; i < 2000; ++i) {
      auto m = std::make_unique<CMailDetail>();
      m->filePath = u.mailDir + "/RCVf" + std::to_string(f * 2000 + i) + ".tmp";
      m->from = "sender" + std::to_string(i) + "@example.jp";
      m->subject = "subject " + std::to_string(i);
      m->messageId = "<f" + std::to_string(f * 2000 + i) + "@x>";
      m->date = 1700000000 + i;
      folder->AddMail(std::move(m));
    }
  }
  std::printf("mailbox window, 100,000 mails in the inbox and 50 folders of 2,000 (offscreen)\n");

  QElapsedTimer t;
  t.start();
  auto* box = new MailboxWindow(app, nullptr, nullptr);
  box->show();
  const double opened = Ms(t);
  box->folderPane().Click(0, 1);
  const double selected = Ms(t);
  Paint(box);
  std::printf("  open the window, select the big folder, first rows painted  %7.1f ms  (%d rows; window %.0f, "
              "select %.0f, paint %.0f)\n",
              Ms(t), box->mailView()->model()->rowCount(), opened, selected - opened, Ms(t) - selected);

  t.restart();
  box->mailList().ColumnClick(2);
  box->mailView()->reset();
  Paint(box->mailView());
  std::printf("  sort by subject                                              %7.1f ms\n", Ms(t));
  t.restart();
  box->mailList().ColumnClick(3);
  box->mailView()->reset();
  Paint(box->mailView());
  std::printf("  sort by date                                                 %7.1f ms\n", Ms(t));

  inbox->threadView = 1;
  t.restart();
  box->doc().SelectFolder(kInboxFolder, nullptr);
  Paint(box->mailView());
  std::printf("  thread view                                                  %7.1f ms  (%d rows)\n", Ms(t),
              box->mailView()->model()->rowCount());
  inbox->threadView = 0;
  box->doc().SelectFolder(kInboxFolder, nullptr);

  auto select = [&](const char* what, const std::string& path) {
    const CMailDetail* m = inbox->FindLiveMailByPath(path);
    MailHandle h = MailHandle::Of(*m, u.store);
    QElapsedTimer s;
    s.start();
    box->doc().SelectMail(&h, nullptr);
    Paint(box);
    std::printf("  select %-54s%7.1f ms\n", what, Ms(s));
  };
  select("a typical mail: header and text", typical);
  select("a 10 MB mail: header and text (its beginning)", big);
  {
    QElapsedTimer rest;
    rest.start();
    while (!box->textView()->complete() && rest.elapsed() < 30000) QApplication::processEvents();
    std::printf("    the rest of it, in pieces, the window free meanwhile     %7.1f ms\n", Ms(rest));
  }

  std::printf("  peak resident size before any HTML mail                      %7.1f MB\n",
              static_cast<double>(bench::MaxRssKb()) / 1024.0);
  u.htmlMode = 1;
  bool loaded = false;
  QObject::connect(box->EnsureHtmlView()->page(), &QWebEnginePage::loadFinished, [&](bool) { loaded = true; });
  const CMailDetail* hm = inbox->FindLiveMailByPath(html);
  MailHandle hh = MailHandle::Of(*hm, u.store);
  t.restart();
  box->doc().SelectMail(&hh, nullptr);
  while (!loaded && t.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 5);
  std::printf("  select an HTML mail, page loaded in the WebEngine view       %7.1f ms\n", Ms(t));
  std::printf("  peak resident size of the whole program, WebEngine included    %7.1f MB\n",
              static_cast<double>(bench::MaxRssKb()) / 1024.0);
  delete box;
  std::filesystem::remove_all(dir);
  return 0;
}
