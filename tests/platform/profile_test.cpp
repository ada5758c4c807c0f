#include "platform/profile.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fs.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class ProfileTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir_ / "Fennel.ini"; }
  Profile Make() const { return Profile(Path()); }
  void Write(const std::string& text) const { WriteFile(Path(), text); }
  std::string Text() const { return ReadFile(Path()); }

  TempDir dir_;
};

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesDefault) {
  Profile p = Make();
  EXPECT_EQ(p.GetString("Main", "Server", "def"), "def");  // no file

  Write("[Main]\r\nServer=pop.example.jp\r\n[Other]\r\nPort=110\r\n");
  EXPECT_EQ(p.GetString("Missing", "Server", "def"), "def");
  EXPECT_EQ(p.GetString("Main", "Port", "def"), "def");  // the key is in another section
  EXPECT_EQ(p.GetString("Main", "Serv", "def"), "def");
  EXPECT_EQ(p.GetString("Main", "Server", "def"), "pop.example.jp");
}

TEST_F(ProfileTest, SectionsAndKeysMatchWithoutAsciiCase) {
  Write("[Main]\r\nServer=pop.example.jp\r\n");
  Profile p = Make();
  EXPECT_EQ(p.GetString("MAIN", "server", ""), "pop.example.jp");
  EXPECT_EQ(p.GetString("main", "SERVER", ""), "pop.example.jp");

  // Writing under another spelling replaces the key instead of adding one.
  ASSERT_TRUE(p.WriteString("mAIN", "SERVER", "imap.example.jp"));
  EXPECT_EQ(p.GetString("Main", "Server", ""), "imap.example.jp");
  std::string text = Text();
  EXPECT_EQ(text.find("pop.example.jp"), std::string::npos);
  EXPECT_EQ(text.find("[mAIN]"), std::string::npos) << text;
}

TEST_F(ProfileTest, ResultIsCutToTheBufferSize) {
  Write("[Main]\r\nNine=123456789\r\nKana=\x82\xA0\x82\xA2\x82\xA4\r\n");
  Profile p = Make();
  struct {
    const char* key;
    const char* def;
    size_t size;
    std::string want;
  } cases[] = {
      {"Nine", "", 9, "12345678"},
      {"Nine", "", 10, "123456789"},
      {"Nine", "", 1, ""},
      {"Nine", "", 0, ""},
      {"Missing", "abcdef", 4, "abc"},  // the default is cut the same way
      {"Kana", "", 4, "\x82\xA0"},      // three bytes of room hold one two-byte character
      {"Kana", "", 5, "\x82\xA0\x82\xA2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " size " + std::to_string(c.size));
    EXPECT_EQ(p.GetString("Main", c.key, c.def, c.size), c.want);
  }
}

TEST_F(ProfileTest, WritingCreatesTheFileAndItsDirectory) {
  Profile p(dir_ / "a/b/Fennel.ini");
  ASSERT_TRUE(p.WriteString("Main", "Server", "pop.example.jp"));
  EXPECT_TRUE(FileExists(dir_ / "a/b/Fennel.ini"));
  EXPECT_EQ(ReadFile(dir_ / "a/b/Fennel.ini"), "[Main]\r\nServer=pop.example.jp\r\n");
  EXPECT_EQ(p.GetString("Main", "Server", ""), "pop.example.jp");
}

TEST_F(ProfileTest, WritingFailsWhenTheDirectoryCannotBeMade) {
  WriteFile(dir_ / "plain", "x");
  Profile p(dir_ / "plain/sub/Fennel.ini");
  EXPECT_FALSE(p.WriteString("Main", "Server", "x"));
}

TEST_F(ProfileTest, WritingReplacesInPlaceAndKeepsTheRest) {
  Write("; comment\r\n[A]\r\nk1=1\r\nk2=2\r\n\r\n[B]\r\nk1=b1\r\n");
  Profile p = Make();

  ASSERT_TRUE(p.WriteString("A", "k1", "new"));
  EXPECT_EQ(Text(), "; comment\r\n[A]\r\nk1=new\r\nk2=2\r\n\r\n[B]\r\nk1=b1\r\n");

  // A new key goes at the end of its own section, not at the end of the file.
  ASSERT_TRUE(p.WriteString("A", "k3", "3"));
  EXPECT_EQ(Text(), "; comment\r\n[A]\r\nk1=new\r\nk2=2\r\nk3=3\r\n\r\n[B]\r\nk1=b1\r\n");

  ASSERT_TRUE(p.WriteString("C", "k1", "c1"));
  EXPECT_EQ(Text(), "; comment\r\n[A]\r\nk1=new\r\nk2=2\r\nk3=3\r\n\r\n[B]\r\nk1=b1\r\n[C]\r\nk1=c1\r\n");

  // Another Profile on the same file sees the values at once.
  Profile other = Make();
  EXPECT_EQ(other.GetString("B", "k1", ""), "b1");
  EXPECT_EQ(other.GetString("C", "k1", ""), "c1");
}

TEST_F(ProfileTest, KeysOfTwoUsersInOneSectionStaySeparate) {
  Profile p = Make();
  ASSERT_TRUE(p.WriteString("Users", "taro", "C:/mail/taro"));
  ASSERT_TRUE(p.WriteString("Users", "taro2", "C:/mail/taro2"));
  ASSERT_TRUE(p.WriteString("Users", "hanako", "C:/mail/hanako"));
  ASSERT_TRUE(p.WriteString("Users", "taro", "D:/taro"));
  EXPECT_EQ(p.GetString("Users", "taro", ""), "D:/taro");
  EXPECT_EQ(p.GetString("Users", "taro2", ""), "C:/mail/taro2");
  EXPECT_EQ(p.GetString("Users", "hanako", ""), "C:/mail/hanako");
  EXPECT_EQ(Text(), "[Users]\r\ntaro=D:/taro\r\ntaro2=C:/mail/taro2\r\nhanako=C:/mail/hanako\r\n");
}

TEST_F(ProfileTest, JapaneseSectionsKeysAndValuesRoundTrip) {
  struct {
    std::string section, key, value;
  } cases[] = {
      {"受信設定", "サーバー名", "メール①㈱"},
      // ゾ is 0x83 0x5D: its second byte looks like ']'.
      {"ゾーン", "表示", "ソフト"},
      {"\x83\x5B\x83\x8D", "ｶﾅ", "\x83\x5D"},  // ゼロ: second byte looks like '['
  };
  Profile p = Make();
  for (const auto& c : cases) ASSERT_TRUE(p.WriteString(c.section, c.key, c.value));
  for (const auto& c : cases) ASSERT_TRUE(p.WriteString(c.section, c.key, c.value));  // again: replaced, not added
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section);
    EXPECT_EQ(p.GetString(c.section, c.key, "def"), c.value);
    std::string header = "[" + c.section + "]";
    std::string text = Text();
    size_t first = text.find(header);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.find(header, first + 1), std::string::npos) << "section written twice";
  }
}

TEST_F(ProfileTest, HandWrittenFileWithLfLineEndsIsRead) {
  Write("[Main]\nServer = pop.example.jp \nPort=110\n\tUser\t=\ttaro\nQuoted=\"  spaced  \"\n;Hidden=1\n[Next]\nPort=995");
  Profile p = Make();
  EXPECT_EQ(p.GetString("Main", "Server", ""), "pop.example.jp");
  EXPECT_EQ(p.GetString("Main", "Port", ""), "110");
  EXPECT_EQ(p.GetString("Main", "User", ""), "taro");
  EXPECT_EQ(p.GetString("Main", "Quoted", ""), "  spaced  ");
  EXPECT_EQ(p.GetString("Main", ";Hidden", "def"), "def");
  EXPECT_EQ(p.GetString("Next", "Port", ""), "995");  // last line without a line end

  ASSERT_TRUE(p.WriteString("Main", "Port", "111"));
  EXPECT_EQ(p.GetString("Main", "Port", ""), "111");
  EXPECT_EQ(p.GetString("Main", "Server", ""), "pop.example.jp");
  EXPECT_EQ(p.GetString("Next", "Port", ""), "995");
}

}  // namespace
}  // namespace fennel
