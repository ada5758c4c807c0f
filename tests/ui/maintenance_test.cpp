// The maintenance menu: rebuilding the mailbox from the mail directory,
// importing .eml files (also as other programs write them), the settings
// report, backups and restores.
#include "ui/mailbox/maintenance.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "config/record_file.h"
#include "platform/fs.h"
#include "store/composed_mail.h"
#include "store/folder_detail.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

class RecordingHost : public MaintenanceHost {
 public:
  void OpenProgress(const std::string& text, int range) override { phases.push_back({text, range, 0}); }
  bool StepProgress() override {
    ++phases.back().steps;
    ++totalSteps;
    return cancelAtStep >= 0 && totalSteps > cancelAtStep;
  }
  void CloseProgress() override { ++closes; }
  void RaiseMainWindow() override { ++raises; }
  void RefreshViews() override { ++refreshes; }
  struct Phase {
    std::string text;
    int range;
    int steps;
  };
  std::vector<Phase> phases;
  int totalSteps = 0;
  int cancelAtStep = -1;  // steps allowed before "ｷｬﾝｾﾙ"
  int closes = 0;
  int raises = 0;
  int refreshes = 0;
};

class FakePicker : public FilePicker {
 public:
  std::optional<std::string> PickFolder(const std::string& title, const std::string&) override {
    titles.push_back(title);
    return folder;
  }
  std::optional<std::string> PickFile(bool save, const std::string& defaultName, const std::string& ext,
                                      const std::string& filter) override {
    asked.push_back((save ? "save " : "open ") + defaultName + " " + ext + " " + filter);
    return file;
  }
  std::optional<std::string> folder;
  std::optional<std::string> file;
  std::vector<std::string> titles;
  std::vector<std::string> asked;
};

std::string Message(const std::string& id, const std::string& subject, const std::string& from = "a@example.jp") {
  return "Message-ID: <" + id + ">\r\nFrom: " + from + "\r\nSubject: " + subject +
         "\r\nDate: Mon, 07 Dec 2026 09:00:00 +0900\r\n\r\nbody\r\n";
}

class MaintenanceTest : public testing::Test {
 protected:
  MaintenanceTest() {
    MakeDirs(mailDir());
    CUserInfo& u = app.user();
    u.userId = "taro";
    u.logonDir = dir.path();
    u.mailDir = mailDir();
    u.account = "taro";
    u.smtpServer = "smtp.example.jp";
  }
  std::string mailDir() const { return dir / "mail"; }
  std::string InMail(const std::string& name) const { return JoinPath(mailDir(), name); }
  CFolderDetail* Folder(const std::string& name) { return app.user().store.FindFolder(name); }
  size_t FilesIn(const std::string& d) const {
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(ToFsPath(d))) n += e.is_regular_file();
    return n;
  }

  test::TempDir dir;
  Profile profile{dir / "Fennel.ini"};
  test::ScriptedPrompter prompter;
  CMailApp app{{profile, prompter, dir.path()}};
  RecordingHost host;
  FakePicker picker;
  CMaintenance maintenance{app, picker, host};
};

TEST_F(MaintenanceTest, RebuildFilesReceivedAndWrittenMail) {
  app.user().store.AddFolder("会議", /*sortCondition=*/1, 0, "会議");
  test::WriteFile(InMail("RCVaaaaa.tmp"), Message("a@x", "hello"));
  test::WriteFile(InMail("RCVbbbbb.tmp"), Message("b@x", "会議のお知らせ"));
  test::WriteFile(InMail("RCVccccc.tmp"), "tiny");  // 10 bytes or less: never imported
  test::WriteFile(InMail("other.txt"), Message("c@x", "not a message file"));
  // A mail whose record is gone (its send failed on a full disk, say):
  // nothing tells that it went out.
  ComposedMail sent;
  sent.to = "jiro@example.jp";
  sent.subject = "sent one";
  sent.attachments = {"/tmp/x.pdf"};
  sent.date = 1'700'000'000;
  ASSERT_TRUE(SaveComposedMail(InMail("SNDaaaaa.tmp"), sent));
  ComposedMail waiting = sent;
  waiting.subject = "still unsent";
  ASSERT_TRUE(SaveComposedMail(InMail("SNDbbbbb.tmp"), waiting));
  auto unsentRecord = std::make_unique<CMailDetail>();
  unsentRecord->filePath = InMail("SNDbbbbb.tmp");
  unsentRecord->state = CMailDetail::kComposed;
  app.user().store.FolderOrCreate(kUnsentFolder)->AddMail(std::move(unsentRecord));
  const std::string cwd = CurrentDir();

  EXPECT_EQ(maintenance.Rebuild(CMailDetail::kRead), 3);
  EXPECT_EQ(CurrentDir(), cwd) << "the current directory is never changed";
  ASSERT_EQ(host.phases.size(), 2u);
  EXPECT_EQ(host.phases[0].text, kPhase1Text);
  EXPECT_EQ(host.phases[0].range, 2);
  EXPECT_EQ(host.phases[1].text, kPhase2Text);
  EXPECT_EQ(host.phases[1].range, 2);
  ASSERT_NE(Folder(kInboxFolder), nullptr);
  ASSERT_EQ(Folder(kInboxFolder)->mails.size(), 1u);
  EXPECT_EQ(Folder(kInboxFolder)->mails[0]->subject, "hello");
  EXPECT_EQ(Folder(kInboxFolder)->mails[0]->state, CMailDetail::kRead);
  ASSERT_EQ(Folder("会議")->mails.size(), 1u) << "sorted by its rule";
  EXPECT_EQ(Folder(kSentFolder), nullptr) << "a mail not known as sent never looks sent";
  ASSERT_EQ(Folder(kUnsentFolder)->mails.size(), 2u) << "the waiting one keeps its own record, no second one";
  const CMailDetail& s = *Folder(kUnsentFolder)->mails[1];
  EXPECT_EQ(s.subject, "sent one");
  EXPECT_EQ(s.from, "jiro@example.jp");
  EXPECT_EQ(s.date, 1'700'000'000);
  EXPECT_EQ(s.attachFlag, 8);
  EXPECT_EQ(s.state, CMailDetail::kComposed) << "to be sent again";
  EXPECT_EQ(Folder(kUnsentFolder)->MailCount(), 2);
  EXPECT_NE(s.messageId.find("@taro.smtp.example.jp"), std::string::npos) << s.messageId;
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"メッセージを3通取り込みました。"});
  EXPECT_EQ(host.raises, 1);
  // The index on disk knows at once.
  CUserInfo onDisk;
  ASSERT_EQ(LoadRecordFile(CMailApp::IdFilePath(dir.path(), "taro"), onDisk, false, nullptr), RecordLoad::Ok);
  EXPECT_EQ(onDisk.store.FindFolder(kUnsentFolder)->mails.size(), 2u);

  // Twice: nothing more, no box.
  prompter.shown.clear();
  EXPECT_EQ(maintenance.Rebuild(CMailDetail::kRead), 0);
  EXPECT_TRUE(prompter.shown.empty());
  // A mail the user moved elsewhere is not filed again either.
  app.user().store.MoveMail(Folder(kInboxFolder)->mails[0].get(), app.user().store.FolderOrCreate("保存"));
  EXPECT_EQ(maintenance.Rebuild(CMailDetail::kRead), 0);
}

TEST_F(MaintenanceTest, RebuildCasesTable) {
  // Unread when asked; only written mail is still something to do.
  test::WriteFile(InMail("RCVaaaaa.tmp"), Message("a@x", "one"));
  EXPECT_EQ(maintenance.Rebuild(CMailDetail::kUnread), 1);
  EXPECT_EQ(Folder(kInboxFolder)->mails[0]->state, CMailDetail::kUnread);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"メッセージを１通取り込みました。"});

  test::TempDir other;
  app.user().mailDir = other.path();
  ComposedMail m;
  m.subject = "only sent";
  ASSERT_TRUE(SaveComposedMail(JoinPath(other.path(), "SNDzzzzz.tmp"), m));
  prompter.shown.clear();
  EXPECT_EQ(maintenance.Rebuild(CMailDetail::kRead), 1);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"メッセージを１通取り込みました。"});

  // Nothing there; no directory at all.
  test::TempDir empty;
  app.user().mailDir = empty.path();
  prompter.shown.clear();
  EXPECT_EQ(maintenance.Rebuild(CMailDetail::kRead), 0);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kNothingImported});
  app.user().mailDir = empty / "gone";
  prompter.shown.clear();
  EXPECT_EQ(maintenance.Rebuild(CMailDetail::kRead), -1);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"カレント ディレクトリの変更に失敗しました。"});
}

TEST_F(MaintenanceTest, RebuildCommandAsksFirst) {
  test::WriteFile(InMail("RCVaaaaa.tmp"), Message("a@x", "one"));
  prompter.answers = {MbAnswer::Cancel};
  maintenance.OnCommand(ID_REBUILD);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, kRebuildQuestion);
  EXPECT_EQ(prompter.shown[0].buttons, MbButtons::YesNoCancel);
  EXPECT_EQ(Folder(kInboxFolder), nullptr);
  prompter.answers = {MbAnswer::No};
  maintenance.OnCommand(ID_REBUILD);
  ASSERT_NE(Folder(kInboxFolder), nullptr);
  EXPECT_EQ(Folder(kInboxFolder)->mails[0]->state, CMailDetail::kUnread);
}

TEST_F(MaintenanceTest, ImportEmlAsOtherProgramsWriteThem) {
  test::TempDir source;
  // The fixtures of the decoding tests, a file with LF line ends and an
  // mbox "From " line, a second copy of one file, a tiny file, a non-.eml.
  size_t fixtures = 0;
  for (const auto& e : std::filesystem::directory_iterator(FENNEL_FIXTURES_DIR)) {
    if (e.path().extension() != ".eml") continue;
    std::filesystem::copy_file(e.path(), std::filesystem::path(source.path()) / e.path().filename());
    ++fixtures;
  }
  ASSERT_GT(fixtures, 5u);
  test::WriteFile(source / "unix.EML",
                  "From someone@example.jp Mon Dec  7 09:00:00 2026\nMessage-ID: <unix@x>\nFrom: u@example.jp\n"
                  "Subject: =?ISO-2022-JP?B?GyRCMnE1RBsoQg==?=\n\nline one\nline two\n");
  std::filesystem::copy_file(ToFsPath(source / "sjis.eml"), ToFsPath(source / "sjis-copy.eml"));
  test::WriteFile(source / "tiny.eml", "x");
  test::WriteFile(source / "notes.txt", Message("n@x", "not imported"));
  picker.folder = source.path();
  const std::string cwd = CurrentDir();

  maintenance.OnCommand(ID_IMPORT_EML);
  EXPECT_EQ(picker.titles, std::vector<std::string>{"フォルダを選択してください"});
  EXPECT_EQ(CurrentDir(), cwd);
  ASSERT_EQ(host.phases.size(), 2u);
  EXPECT_EQ(host.phases[0].range, static_cast<int>(fixtures) + 2);
  CFolderDetail* inbox = Folder(kInboxFolder);
  ASSERT_NE(inbox, nullptr);
  // Every file but the second copy became a record, unread.
  EXPECT_EQ(inbox->mails.size(), fixtures + 1);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"メッセージを" + std::to_string(fixtures + 1) + "通取り込みました。"});
  const CMailDetail* unix = inbox->FindMailById("<unix@x>");
  ASSERT_NE(unix, nullptr) << "an LF file with an mbox line is read like a fetched one";
  EXPECT_EQ(unix->subject, "会議");
  EXPECT_EQ(unix->from, "u@example.jp");
  EXPECT_EQ(unix->state, CMailDetail::kUnread);
  EXPECT_EQ(test::ReadFile(unix->filePath),
            "Message-ID: <unix@x>\r\nFrom: u@example.jp\r\nSubject: =?ISO-2022-JP?B?GyRCMnE1RBsoQg==?=\r\n\r\n"
            "line one\r\nline two\r\n");
  EXPECT_TRUE(unix->IsReceived());
  // The duplicate's copy did not stay behind.
  EXPECT_EQ(FilesIn(mailDir()), fixtures + 1);

  // Again: nothing new, no new files.
  prompter.shown.clear();
  EXPECT_EQ(maintenance.ImportEml(source.path()), 0);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(inbox->mails.size(), fixtures + 1);
  EXPECT_EQ(FilesIn(mailDir()), fixtures + 1);
}

TEST_F(MaintenanceTest, CancelledImportLeavesNothingHalfDone) {
  test::TempDir source;
  for (int i = 0; i < 4; ++i) test::WriteFile(source / ("m" + std::to_string(i) + ".eml"), Message(std::to_string(i) + "@x", "m"));
  // Cancelled before the first file.
  host.cancelAtStep = 0;
  EXPECT_EQ(maintenance.ImportEml(source.path()), -1);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kImportFailed});
  EXPECT_EQ(FilesIn(mailDir()), 0u);
  // Cancelled in the filing phase: four copied, two filed, the other two
  // copies removed.
  host.totalSteps = 0;
  host.cancelAtStep = 6;
  prompter.shown.clear();
  EXPECT_EQ(maintenance.ImportEml(source.path()), 2);
  EXPECT_EQ(Folder(kInboxFolder)->mails.size(), 2u);
  EXPECT_EQ(FilesIn(mailDir()), 2u);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"メッセージを2通取り込みました。"});
  // Nothing there to import.
  test::TempDir empty;
  prompter.shown.clear();
  EXPECT_EQ(maintenance.ImportEml(empty.path()), 0);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kNothingImported});
}

TEST_F(MaintenanceTest, ReportBackupAndRestoreThroughTheirDialogs) {
  app.user().store.AddSubAccount("pop2.example.jp", "jiro", "pw", 110, 0, 0);
  app.user().store.AddFolder("仕事");
  picker.file = dir / "out.txt";
  maintenance.OnCommand(ID_WRITE_REPORT);
  EXPECT_EQ(picker.asked.back(), std::string("save myConfig.txt txt ") + kTextFileFilter);
  EXPECT_NE(test::ReadFile(dir / "out.txt").find("ユーザー名 = "), std::string::npos);

  picker.file = dir / "sub.txt";
  maintenance.OnCommand(ID_BACKUP_SUBACCOUNTS);
  EXPECT_EQ(picker.asked.back().substr(0, 22), "save mySubAccount.txt ");
  picker.file = dir / "folders.txt";
  maintenance.OnCommand(ID_BACKUP_FOLDERS);
  EXPECT_EQ(test::ReadFile(dir / "folders.txt"), ExportText(app.user().store, TextFileKind::Folder));

  app.user().store.subAccounts.clear();
  picker.file = dir / "sub.txt";
  maintenance.OnCommand(ID_RESTORE_SUBACCOUNTS);
  EXPECT_EQ(picker.asked.back().substr(0, 22), "open mySubAccount.txt ");
  ASSERT_EQ(app.user().store.subAccounts.size(), 1u);
  EXPECT_EQ(app.user().store.subAccounts[0]->s[0], "pop2.example.jp");

  // Cancelled dialogs do nothing; failures say so.
  picker.file.reset();
  prompter.shown.clear();
  maintenance.OnCommand(ID_RESTORE_FOLDERS);
  EXPECT_TRUE(prompter.shown.empty());
  picker.file = dir / "no/such/dir/x.txt";
  maintenance.OnCommand(ID_WRITE_REPORT);
  maintenance.OnCommand(ID_RESTORE_FOLDERS);
  EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"ファイル " + (dir / "no/such/dir/x.txt") + " を書き込めませんでした。",
                                                        "ファイル " + (dir / "no/such/dir/x.txt") + " を読み込めませんでした。"}));
}

}  // namespace
}  // namespace fennel
