// The mailbox window's wiring, offscreen: its item models checked by Qt's
// model tester through refills, moves and deletes; a folder click fills the
// list, a row click fills the views, a drop moves a mail.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QTest>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QMimeData>
#include <QTableView>
#include <QTextEdit>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "gui/mailbox_window.h"
#include "gui/main_window.h"
#include "gui/qt_services.h"
#include "gui/qt_text.h"
#include "platform/fs.h"
#include "tests/support/loopback.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

class MailboxWindowTest : public testing::Test {
 protected:
  MailboxWindowTest() {
    CUserInfo& u = app.user();
    u.userId = "taro";
    u.mailDir = env.home() + "/mail";
    MakeDirs(u.mailDir);
  }
  CMailDetail* Received(const std::string& folder, const std::string& id, const std::string& subject) {
    const std::string path = app.user().mailDir + "/RCV" + id + ".tmp";
    test::WriteFile(path, "Message-ID: <" + id + "@x>\r\nFrom: jiro@example.jp\r\nTo: taro@example.jp\r\nSubject: " +
                              subject + "\r\nDate: Mon, 07 Dec 2026 09:00:00 +0900\r\n\r\nhello " + id +
                              " see https://example.jp/a\r\n");
    return app.user().store.FolderOrCreate(folder)->AddMail(CMailDetail::FromFile(path));
  }
  int RowOf(QAbstractItemModel* m, const QString& text, int column) {
    for (int r = 0; r < m->rowCount(); ++r)
      if (m->index(r, column).data().toString() == text) return r;
    return -1;
  }

  test::TempEnvironment env;
  Profile profile{JoinPath(env.profileDir(), "Fennel.ini")};
  test::ScriptedPrompter prompter;
  CMailApp app{{profile, prompter, env.home()}};
};

TEST_F(MailboxWindowTest, FolderClickRowClickAndDrop) {
  Received(kInboxFolder, "aaaaa", "一通目");
  Received(kInboxFolder, "bbbbb", "二通目");
  app.user().store.AddFolder("保存");
  MailboxWindow box(app, nullptr, nullptr);
  QAbstractItemModel* folders = box.folderView()->model();
  QAbstractItemModel* mails = box.mailView()->model();
  QAbstractItemModelTester folderCheck(folders, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QAbstractItemModelTester mailCheck(mails, QAbstractItemModelTester::FailureReportingMode::Fatal);
  ASSERT_EQ(folders->rowCount(), 2);
  EXPECT_EQ(folders->index(0, 1).data().toString(), Qs(kInboxFolder));
  EXPECT_EQ(folders->index(0, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0)) << "unread: red";
  EXPECT_FALSE(box.folderView()->accessibleName().isEmpty());
  EXPECT_EQ(mails->rowCount(), 0) << "no folder selected yet";

  // A folder click fills the list, newest first.
  box.folderPane().Click(0, 1);
  ASSERT_EQ(mails->rowCount(), 2);
  EXPECT_EQ(mails->index(0, 2).data().toString(), Qs("二通目"));
  EXPECT_EQ(mails->headerData(2, Qt::Horizontal).toString(), Qs("件名"));
  EXPECT_EQ(mails->index(0, 2).data(Qt::AccessibleTextRole).toString(), Qs("二通目"));
  EXPECT_EQ(box.windowTitle(), Qs("受信フォルダ          2通のメール(2通の未読メールがあります。)"));

  // A row click fills the header and text views.
  box.mailView()->selectRow(1);
  EXPECT_NE(box.headerView()->toPlainText().indexOf(Qs("件名:一通目")), -1) << Cp(box.headerView()->toPlainText());
  EXPECT_NE(box.textView()->toPlainText().indexOf(QStringLiteral("hello aaaaa")), -1);

  // A drag from the list, dropped on "保存": the mail moves.
  std::unique_ptr<QMimeData> drag(mails->mimeData({mails->index(1, 0)}));
  EXPECT_EQ(drag->text(), QStringLiteral("<aaaaa@x>"));
  const int target = RowOf(folders, Qs("保存"), 1);
  ASSERT_GE(target, 0);
  EXPECT_EQ(box.folderPane().DropMessageIds(Cp(drag->text()), target), 1);
  EXPECT_EQ(app.user().store.FindFolder("保存")->MailCount(), 1);
  EXPECT_EQ(mails->rowCount(), 1) << "the list follows the full refresh";

  // A delete, and a refill with a folder gone: the models stay sound.
  box.mailView()->selectRow(0);
  prompter.answers = {MbAnswer::Ok};
  box.mailList().OnCommand(CMailList::ID_MAIL_DELETE);
  EXPECT_EQ(mails->rowCount(), 0);
  app.user().store.DeleteFolderKeepingFiles("保存", nullptr);
  box.doc().FullRefresh(nullptr);
  EXPECT_EQ(folders->rowCount(), 1);
}

// A POP3 server on loopback with one message, for one connection.
class OneMessageServer {
 public:
  explicit OneMessageServer(const std::string& message) {
    listener_ = test::ListenOnLoopback(port_);
    thread_ = std::thread([this, message] {
      int c = accept(listener_, nullptr, nullptr);
      if (c < 0) return;
      auto say = [c](const std::string& s) { (void)!write(c, s.data(), s.size()); };
      auto hear = [c] {
        std::string line;
        char ch;
        while (read(c, &ch, 1) == 1 && ch != '\n') line.push_back(ch);
        return line;
      };
      say("+OK ready\r\n");
      for (int i = 0; i < 10; ++i) {
        const std::string cmd = hear();
        if (cmd.empty()) break;
        if (cmd.rfind("STAT", 0) == 0) say("+OK 1 " + std::to_string(message.size()) + "\r\n");
        else if (cmd.rfind("LIST", 0) == 0) say("+OK\r\n1 " + std::to_string(message.size()) + "\r\n.\r\n");
        else if (cmd.rfind("TOP", 0) == 0) say("+OK\r\n" + message.substr(0, message.find("\r\n\r\n") + 4) + ".\r\n");
        else if (cmd.rfind("RETR", 0) == 0) say("+OK\r\n" + message + ".\r\n");
        else if (cmd.rfind("QUIT", 0) == 0) {
          say("+OK bye\r\n");
          break;
        } else say("+OK\r\n");
      }
      close(c);
    });
  }
  ~OneMessageServer() {
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    thread_.join();
  }
  int port() const { return port_; }

 private:
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
};

// A receive in the real main window lands in the open mailbox window.
TEST_F(MailboxWindowTest, ReceivedMailAppearsInTheOpenWindow) {
  const std::string message = "Message-ID: <new@x>\r\nFrom: jiro@example.jp\r\nSubject: new one\r\n\r\nbody\r\n";
  OneMessageServer server(message);
  CUserInfo& u = app.user();
  u.popServer = "127.0.0.1";
  u.popPort = server.port();
  u.account = "taro";
  u.mailPassword = "pw";
  u.serverTimeout = 1;
  QtEventLoop loop;
  MainWindow window(app, &loop);
  window.frame().OnCommand(ID_FILE_OPEN_MAILBOX);
  ASSERT_NE(window.mailbox(), nullptr);
  window.frame().OnCommand(ID_RECEIVE);
  ASSERT_TRUE(QTest::qWaitFor([&] { return bool(app.transferIdle); }, 15000)) << "the receive did not end";
  QAbstractItemModel* folders = window.mailbox()->folderView()->model();
  ASSERT_EQ(folders->rowCount(), 1);
  EXPECT_EQ(folders->index(0, 1).data().toString(), Qs(kInboxFolder));
  window.mailbox()->folderPane().Click(0, 1);
  ASSERT_EQ(window.mailbox()->mailView()->model()->rowCount(), 1);
  EXPECT_EQ(window.mailbox()->mailView()->model()->index(0, 2).data().toString(), QStringLiteral("new one"));
}

// A long text comes in pieces: its beginning at once, all of it soon, the
// links of its last piece found too, no character lost at a piece's end.
TEST(MailTextViewTest, LongTextInPieces) {
  std::string text;
  for (int i = 0; i < 40000; ++i) text += "行" + std::to_string(i) + " 日本語のテキスト\r\n";
  text += "last https://example.jp/end\r\n";
  MailTextView view;
  view.ShowText(text);
  EXPECT_FALSE(view.complete());
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.complete(); }, 15000));
  const QString shown = view.toPlainText();
  EXPECT_EQ(shown.count(QStringLiteral("日本語のテキスト")), 40000);
  EXPECT_TRUE(shown.endsWith(QStringLiteral("last https://example.jp/end\n")) ||
              shown.endsWith(QStringLiteral("last https://example.jp/end\r\n")) ||
              shown.endsWith(QStringLiteral("last https://example.jp/end")))
      << Cp(shown.right(40));
  EXPECT_EQ(view.extraSelections().size(), 1);
  EXPECT_EQ(view.extraSelections()[0].cursor.selectedText(), QStringLiteral("https://example.jp/end"));
}

// Qt's standard buttons speak Japanese, like the program's own texts.
TEST(QtTextsTest, StandardButtonsInJapanese) {
  QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), Qs("キャンセル"));
}

}  // namespace
}  // namespace fennel
