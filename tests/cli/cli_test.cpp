// fennel-cli end to end: the program run as a user would run it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "config/record_file.h"
#include "config/scramble.h"
#include "platform/text.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

class CliTest : public testing::Test {
 protected:
  test::ProcessResult Cli(std::vector<std::string> args, const std::string& input = "",
                          std::map<std::string, std::string> env = {}) {
    std::vector<std::string> all = {"--home", home, "--profile-dir", profile};
    all.insert(all.end(), args.begin(), args.end());
    env.emplace("FENNEL_PASSWORD", "");
    return test::RunProcess(FENNEL_CLI_PATH, all, input, env);
  }
  test::TempDir dir;
  std::string home = dir / "home";
  std::string profile = dir / "profile";
};

std::string Le32(uint32_t v) {
  return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
}
std::string Str(const std::string& s) { return std::string(1, static_cast<char>(s.size())) + s; }

TEST_F(CliTest, CreatedUserFileHasTheRecordLayout) {
  auto r = Cli({"--user", "taro", "--password-stdin", "create-user"}, "secret\n");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string bytes = test::ReadFile(home + "/taro.id");

  // Assembled by hand, field by field, independently of the archive code.
  std::string expect = Str("taro") + Str(ScramblePassword("secret"));
  ASSERT_GT(bytes.size(), expect.size() + 4);
  const std::string time = bytes.substr(expect.size(), 4);  // the creation time, whatever it is
  expect += time;
  expect += Str("") + Str("") + Str("taro") + Str("") + Str("taro") + Str("secret") + Str(home + "/taro");
  expect += Le32(25) + Le32(110) + Le32(1) + Le32(0);  // ports, leave on server, interval
  expect += Str("") + Str("") + Str("") + Str("") + Str("");  // signatures, default page, receipt text
  for (int i = 0; i < 10; ++i) expect += Le32(0);           // time-out .. message window width
  expect += std::string(14, '\0');                          // seven empty lists
  EXPECT_EQ(bytes, expect);
  EXPECT_EQ(test::ReadFile(home + "/past.fnl"), expect);
  struct stat st;
  ASSERT_EQ(stat((home + "/taro.id").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(CliTest, SettingsSetAndRefusals) {
  ASSERT_EQ(Cli({"--user", "taro", "--password-stdin", "create-user"}, "secret\n").exitCode, 0);

  auto r = Cli({"--user", "taro", "set", "pop_server=pop.example.jp", "pop_port=995", Cp932ToUtf8("full_name=山田 太郎"),
                "pop_auth=1"},
               "", {{"FENNEL_PASSWORD", "secret"}});
  ASSERT_EQ(r.exitCode, 0) << r.err;

  r = Cli({"--user", "taro", "--password-stdin", "settings"}, "secret\n");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("pop_server = pop.example.jp\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("pop_port = 995\n"), std::string::npos);
  EXPECT_NE(r.out.find(Cp932ToUtf8("full_name = 山田 太郎\n")), std::string::npos);
  EXPECT_NE(r.out.find("mail_password = ********\n"), std::string::npos);
  EXPECT_NE(r.out.find("pop_auth = 1\n"), std::string::npos) << "kept in the profile";
  EXPECT_EQ(Cli({"--user", "taro", "set", "pop_auth=yes"}, "", {{"FENNEL_PASSWORD", "secret"}}).exitCode, 2);
  EXPECT_EQ(r.out.find("secret"), std::string::npos) << "passwords are masked";
  // The ID file holds the name in CP932.
  EXPECT_NE(test::ReadFile(home + "/taro.id").find("山田 太郎"), std::string::npos);

  r = Cli({"--user", "taro", "--password-stdin", "settings"}, "wrong\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find(Cp932ToUtf8("ﾊﾟｽﾜｰﾄﾞが正しくありません。")), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());

  r = Cli({"--user", "hanako", "settings"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find(Cp932ToUtf8("ユーザーＩＤファイルが存在しません。")), std::string::npos) << r.err;
}

TEST_F(CliTest, UsageErrorsChangeNothing) {
  ASSERT_EQ(Cli({"--user", "taro", "--password-stdin", "create-user"}, "secret\n").exitCode, 0);
  const std::string before = test::ReadFile(home + "/taro.id");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--user", "taro"},
      {"settings"},
      {"--user", "taro", "frobnicate"},
      {"--user", "taro", "--password", "secret", "settings"},
      {"--user", "taro", "set"},
      {"--user", "taro", "set", "no_such_field=1"},
      {"--user", "taro", "set", "pop_port=abc"},
      {"--user", "taro", "set", "user_id=jiro"},
      {"--user", "taro", "settings", "extra"},
  };
  for (const auto& args : cases) {
    auto r = Cli(args, "", {{"FENNEL_PASSWORD", "secret"}});
    EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(args) << r.err;
  }
  EXPECT_EQ(test::ReadFile(home + "/taro.id"), before);
}

// show prints readable Japanese whatever the mail's charset; a file with
// LF line ends is read as its stored CR LF form.
TEST_F(CliTest, ShowPrintsTheTextViewInUtf8) {
  const std::string fixtures = FENNEL_FIXTURES_DIR;
  struct Case {
    const char* file;
    const char8_t* expect;  // UTF-8, in the output
  };
  const Case cases[] = {
      {"jis_plain.eml", u8"来週の会議は①番会議室です。\n"},
      {"sjis.eml", u8"シフトJISの本文①です。\n"},
      {"utf8.eml", u8"日本語の本文です。"},
      {"mixed_attachment.eml", u8"--添付ファイル--\n見積書.pdf\n"},
  };
  for (const Case& c : cases) {
    auto r = test::RunProcess(FENNEL_CLI_PATH, {"show", "--save-dir", dir / "att", fixtures + "/" + c.file});
    EXPECT_EQ(r.exitCode, 0) << c.file << r.err;
    EXPECT_NE(r.out.find(reinterpret_cast<const char*>(c.expect)), std::string::npos) << c.file << "\n" << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
  }
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir / "att") / u8"見積書.pdf"));

  // LF line ends.
  std::string crlf = test::ReadFile(fixtures + "/rfc822.eml");
  std::string lf;
  for (char ch : crlf)
    if (ch != '\r') lf.push_back(ch);
  test::WriteFile(dir / "lf.eml", "From sender@example.jp Mon Dec  7 09:00:00 2026\n" + lf);
  auto r = test::RunProcess(FENNEL_CLI_PATH, {"show", "--save-dir", dir / "att", dir / "lf.eml"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find(reinterpret_cast<const char*>(u8"\tSubject: 元の件名\n")), std::string::npos) << r.out;

  auto html = test::RunProcess(FENNEL_CLI_PATH, {"show", "--html", "--save-dir", dir / "att",
                                                 fixtures + "/alternative_html.eml"});
  EXPECT_EQ(html.exitCode, 0);
  EXPECT_EQ(html.out.rfind("<p>\n<html>", 0), 0u) << html.out;

  EXPECT_EQ(test::RunProcess(FENNEL_CLI_PATH, {"show", dir / "missing.eml"}).exitCode, 1);
  EXPECT_EQ(test::RunProcess(FENNEL_CLI_PATH, {"show"}).exitCode, 2);
}

// With a user, attachments go into the user's mail directory.
TEST_F(CliTest, ShowSavesIntoTheMailDirectoryOfTheUser) {
  ASSERT_EQ(Cli({"--user", "taro", "--password-stdin", "create-user"}, "secret\n").exitCode, 0);
  std::filesystem::create_directories(home + "/taro");
  auto r = Cli({"--user", "taro", "show", std::string(FENNEL_FIXTURES_DIR) + "/hostile_name.eml"}, "",
               {{"FENNEL_PASSWORD", "secret"}});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(home + "/taro/evil.txt"));
}

// The store commands on a store with two received mails in the inbox.
TEST_F(CliTest, StoreCommands) {
  ASSERT_EQ(Cli({"--user", "taro", "--password-stdin", "create-user"}, "secret\n").exitCode, 0);
  const std::string mailDir = home + "/taro";
  std::filesystem::create_directories(mailDir);
  {
    CUserInfo u;
    ASSERT_EQ(LoadRecordFile(home + "/taro.id", u, false), RecordLoad::Ok);
    CFolderDetail* inbox = u.store.FolderOrCreate(kInboxFolder);
    for (auto [fixture, name] : {std::pair{"jis_plain.eml", "RCVaaaaa.tmp"}, std::pair{"utf8.eml", "RCVbbbbb.tmp"}}) {
      std::filesystem::copy_file(std::string(FENNEL_FIXTURES_DIR) + "/" + fixture, mailDir + "/" + name);
      inbox->AddMail(CMailDetail::FromFile(mailDir + "/" + name));
    }
    u.store.AddFolder("会議", CFolderDetail::kBySubject, 0, "会議");
    ASSERT_TRUE(SaveRecordFile(home + "/taro.id", u));
  }
  const std::map<std::string, std::string> pw = {{"FENNEL_PASSWORD", "secret"}};
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--user", "taro"});
    return Cli(args, "", pw);
  };

  auto r = run({"folders"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, Cp932ToUtf8("受信フォルダ\t2\t2\n会議\t0\t0\n"));

  r = run({"list", Cp932ToUtf8("受信フォルダ")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // Newest first: the UTF-8 mail is dated a few days after the other.
  EXPECT_EQ(r.out.find(Cp932ToUtf8("unread")), 0u);
  EXPECT_LT(r.out.find(Cp932ToUtf8("ＵＴＦ－８のメール①")), r.out.find(Cp932ToUtf8("会議の日程について（再送）")))
      << r.out;

  r = run({"search", "--cond", "body", Cp932ToUtf8("①番会議室")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find(Cp932ToUtf8("山田太郎")), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(Cp932ToUtf8("鈴木")), std::string::npos);

  r = run({"sort-apply", Cp932ToUtf8("会議")});
  EXPECT_EQ(r.out, "1\n");
  r = run({"folders"});
  EXPECT_NE(r.out.find(Cp932ToUtf8("受信フォルダ\t1\t1\n会議\t1\t1\n")), std::string::npos) << r.out;

  // Export and import: the file is CP932 with CR LF.
  const std::string file = dir / "folders.txt";
  ASSERT_EQ(run({"export", "folder", file}).exitCode, 0);
  EXPECT_EQ(test::ReadFile(file).substr(0, 38), std::string("ﾌｫﾙﾀﾞ名,振分文字,親ﾌｫﾙﾀﾞ,振分条件,ｽﾚｯﾄﾞ\r\n").substr(0, 38));
  test::WriteFile(dir / "addresses.txt",
                  "メールアドレス,ニックネーム,フルネーム,メモ,性別,カテゴリー\r\nhanako@example.jp,はな,佐藤花子,一行^^二行,1,\r\n");
  r = run({"import", "address", dir / "addresses.txt"});
  EXPECT_EQ(r.out, "1\n");
  ASSERT_EQ(run({"export", "address", dir / "back.txt"}).exitCode, 0);
  EXPECT_EQ(test::ReadFile(dir / "back.txt"), test::ReadFile(dir / "addresses.txt"));

  EXPECT_EQ(run({"list", "nothing"}).exitCode, 1);
  EXPECT_EQ(run({"import", "address", dir / "missing.txt"}).exitCode, 1);
  EXPECT_EQ(run({"export", "address", dir / "no/dir/x.txt"}).exitCode, 1);
  EXPECT_EQ(run({"export", "people", file}).exitCode, 2);
  EXPECT_EQ(run({"search", "--cond", "size", "x"}).exitCode, 2);
}

}  // namespace
}  // namespace fennel

namespace fennel {
namespace {

// The maintenance commands: import .eml files, rebuild, report, backup and
// restore.
TEST_F(CliTest, MaintenanceCommands) {
  ASSERT_EQ(Cli({"--user", "taro", "--password-stdin", "create-user"}, "secret\n").exitCode, 0);
  const std::map<std::string, std::string> pw = {{"FENNEL_PASSWORD", "secret"}};
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--user", "taro"});
    return Cli(args, "", pw);
  };
  const std::string mailDir = home + "/taro";
  std::filesystem::create_directories(mailDir);
  ASSERT_EQ(run({"set", "mail_dir=" + mailDir, "mail_password=pop-secret"}).exitCode, 0);

  auto r = run({"import-eml", FENNEL_FIXTURES_DIR});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const int imported = std::atoi(r.out.c_str());
  EXPECT_GT(imported, 5);
  EXPECT_NE(r.err.find(Cp932ToUtf8("通取り込みました。")), std::string::npos) << r.err;
  r = run({"list", Cp932ToUtf8("受信フォルダ")});
  EXPECT_NE(r.out.find(Cp932ToUtf8("会議の日程について（再送）")), std::string::npos) << r.out;

  // The index is complete: a rebuild finds nothing new.
  r = run({"rebuild", "--read"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "0\n");
  // Lost index: a new user on the same mail directory gets it all back.
  ASSERT_EQ(Cli({"--user", "jiro", "--password-stdin", "create-user"}, "secret\n").exitCode, 0);
  ASSERT_EQ(Cli({"--user", "jiro", "set", "mail_dir=" + mailDir}, "", pw).exitCode, 0);
  r = Cli({"--user", "jiro", "rebuild", "--unread"}, "", pw);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(std::atoi(r.out.c_str()), imported);

  r = run({"report", dir / "myConfig.txt"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string report = test::ReadFile(dir / "myConfig.txt");
  EXPECT_EQ(report.rfind("ユーザー名 = ", 0), 0u);
  EXPECT_EQ(report.find("pop-secret"), std::string::npos);

  ASSERT_EQ(run({"backup", "folder", dir / "myFolder.txt"}).exitCode, 0);
  EXPECT_NE(test::ReadFile(dir / "myFolder.txt").find("受信フォルダ"), std::string::npos);
  r = Cli({"--user", "jiro", "restore", "folder", dir / "myFolder.txt"}, "", pw);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(run({"rebuild"}).exitCode, 2);
  EXPECT_EQ(run({"backup", "phrase", "x"}).exitCode, 2);
  EXPECT_EQ(run({"restore", "folder", dir / "missing.txt"}).exitCode, 1);
}

}  // namespace
}  // namespace fennel
