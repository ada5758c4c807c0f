#include "config/profile_keys.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

TEST(AppProfileTest, DefaultsWhenNothingIsWritten) {
  test::TempDir dir;
  Profile profile(dir / "Fennel.ini");
  AppProfile p(profile);
  EXPECT_EQ(p.RuntimeDir(), "NULL");
  EXPECT_EQ(p.RuntimeDir(kRuntimeDirUnset), "設定されていません。");
  EXPECT_EQ(p.CommandLineParameter(), "NULL");
  EXPECT_EQ(p.QuoteHeader("taro"), "によって書かれました。");
  EXPECT_TRUE(p.Animation("taro"));
  EXPECT_TRUE(p.ToolBar("taro"));
  EXPECT_TRUE(p.StatusBar("taro"));
  EXPECT_FALSE(p.PopAuth("taro"));
  for (ListColumn c : {ListColumn::Sender, ListColumn::Priority, ListColumn::Subject, ListColumn::Date})
    EXPECT_EQ(p.ColumnWidth(c, "taro"), 0);
  EXPECT_EQ(p.AddressSort("taro"), 0);
}

TEST(AppProfileTest, UsersShareTheMachineEntriesButNotTheirOwn) {
  test::TempDir dir;
  Profile profile(dir / "Fennel.ini");
  AppProfile p(profile);
  p.SetRuntimeDir("/srv/fennel");
  p.SetQuoteHeader("taro", "太郎の引用");
  p.SetColumnWidth(ListColumn::Subject, "taro", 240);
  p.SetColumnWidth(ListColumn::Subject, "hanako", 180);
  p.SetAnimation("hanako", false);
  EXPECT_EQ(p.RuntimeDir(), "/srv/fennel");
  EXPECT_EQ(p.QuoteHeader("taro"), "太郎の引用");
  EXPECT_EQ(p.QuoteHeader("hanako"), "によって書かれました。");
  EXPECT_EQ(p.ColumnWidth(ListColumn::Subject, "taro"), 240);
  EXPECT_EQ(p.ColumnWidth(ListColumn::Subject, "hanako"), 180);
  EXPECT_EQ(p.ColumnWidth(ListColumn::Sender, "taro"), 0);
  EXPECT_TRUE(p.Animation("taro"));
  EXPECT_FALSE(p.Animation("hanako"));
}

TEST(AppProfileTest, FlagsAndNumbersAsTheOldFilesWriteThem) {
  test::TempDir dir;
  test::WriteFile(dir / "Fennel.ini",
                  "[POP認証]\r\ntaro=TRUE\r\nhanako=true\r\n[件名幅]\r\ntaro=123abc\r\nhanako=1234567890\r\n"
                  "[アドレスソート]\r\ntaro=-2\r\n");
  Profile profile(dir / "Fennel.ini");
  AppProfile p(profile);
  EXPECT_TRUE(p.PopAuth("taro"));
  EXPECT_FALSE(p.PopAuth("hanako")) << "only \"TRUE\" means on";
  EXPECT_EQ(p.ColumnWidth(ListColumn::Subject, "taro"), 123);
  EXPECT_EQ(p.ColumnWidth(ListColumn::Subject, "hanako"), 12345678) << "a 9-byte buffer holds 8 digits";
  EXPECT_EQ(p.AddressSort("taro"), -2);
}

}  // namespace
}  // namespace fennel
