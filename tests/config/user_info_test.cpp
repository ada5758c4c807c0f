#include "config/user_info.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/record_file.h"
#include "config/user_fields.h"
#include "tests/config/sample_user.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

std::string WholeRecord(CUserInfo& u) {
  StringSink sink;
  CArchive ar(sink);
  u.Serialize(ar);
  ar.Flush();
  return sink.bytes;
}

std::string SettingsPart(CUserInfo& u) {
  StringSink sink;
  CArchive ar(sink);
  u.SerializeSettings(ar);
  ar.Flush();
  return sink.bytes;
}

TEST(UserInfoTest, NewRecordDefaults) {
  CUserInfo u;
  EXPECT_EQ(u.leaveOnServer, 1);
  EXPECT_EQ(u.smtpPort, 0);
  EXPECT_EQ(u.serverTimeout, 0);
  std::string bytes = WholeRecord(u);
  // Nine empty strings... the store of a new user is fourteen zero bytes.
  ASSERT_GE(bytes.size(), 14u);
  EXPECT_EQ(bytes.substr(bytes.size() - 14), std::string(14, '\0'));
}

TEST(UserInfoTest, RoundTripOfEveryFieldAndAFullStore) {
  CUserInfo u;
  test::FillSampleUser(u);
  std::string bytes = WholeRecord(u);

  CUserInfo back;
  StringSource src(bytes);
  CArchive ar(src);
  back.Serialize(ar);
  for (const UserField& f : UserFields())
    EXPECT_EQ(UserFieldText(back, f, false), UserFieldText(u, f, false)) << f.name;
  ASSERT_EQ(back.store.folders.size(), 2u);
  ASSERT_EQ(back.store.folders[0]->mails.size(), 2u);
  EXPECT_EQ(back.store.folders[0]->mails[1]->subject, u.store.folders[0]->mails[1]->subject);
  EXPECT_EQ(back.store.addresses[1]->memo, u.store.addresses[1]->memo);
  EXPECT_EQ(back.store.phrases[0]->i[0], 1);
  // Written again, the bytes are the same.
  EXPECT_EQ(WholeRecord(back), bytes);
}

TEST(UserInfoTest, SettingsPartIsThePrefixOfTheWholeRecord) {
  CUserInfo u;
  test::FillSampleUser(u);
  std::string whole = WholeRecord(u);
  std::string settings = SettingsPart(u);
  ASSERT_LT(settings.size(), whole.size());
  EXPECT_EQ(whole.substr(0, settings.size()), settings);

  CUserInfo past;
  StringSource src(whole);
  CArchive ar(src);
  past.SerializeSettings(ar);
  EXPECT_EQ(past.userId, u.userId);
  EXPECT_EQ(past.messageWidth, u.messageWidth);
  EXPECT_TRUE(past.store.folders.empty());
}

TEST(UserInfoTest, EveryShortenedFileFailsToLoad) {
  test::TempDir dir;
  CUserInfo u;
  test::FillSampleUser(u);
  std::string whole = WholeRecord(u);
  // Every strict prefix must fail, never be taken for a shorter record.
  for (size_t n = 0; n < whole.size(); n += (n < 600 ? 1 : 37)) {
    test::WriteFile(dir / "u.id", whole.substr(0, n));
    CUserInfo back;
    ASSERT_EQ(LoadRecordFile(dir / "u.id", back, false), RecordLoad::Damaged) << n;
  }
  test::WriteFile(dir / "u.id", whole);
  CUserInfo back;
  EXPECT_EQ(LoadRecordFile(dir / "u.id", back, false), RecordLoad::Ok);
  EXPECT_EQ(LoadRecordFile(dir / "missing.id", back, false), RecordLoad::CannotOpen);
}

TEST(UserInfoTest, SaveIsAtomicAndPrivate) {
  test::TempDir dir;
  CUserInfo u;
  test::FillSampleUser(u);
  ASSERT_TRUE(SaveRecordFile(dir / "taro.id", u));
  EXPECT_EQ(test::ReadFile(dir / "taro.id"), WholeRecord(u));
  struct stat st;
  ASSERT_EQ(stat((dir / "taro.id").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // A directory that does not exist: nothing written, failure reported.
  EXPECT_FALSE(SaveRecordFile(dir / "no/such/taro.id", u));
}

TEST(UserFieldsTest, NamesParseAndMask) {
  CUserInfo u;
  const UserField* port = FindUserField("pop_port");
  ASSERT_NE(port, nullptr);
  EXPECT_TRUE(SetUserField(u, *port, "995"));
  EXPECT_EQ(u.popPort, 995);
  for (const char* bad : {"", "12x", "x", "99999999999"}) EXPECT_FALSE(SetUserField(u, *port, bad)) << bad;
  u.mailPassword = "pw";
  EXPECT_EQ(UserFieldText(u, *FindUserField("mail_password"), true), "********");
  EXPECT_EQ(UserFieldText(u, *FindUserField("mail_password"), false), "pw");
  EXPECT_EQ(FindUserField("nope"), nullptr);
}

}  // namespace
}  // namespace fennel
