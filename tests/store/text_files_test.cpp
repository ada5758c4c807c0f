// The four text files: exported text byte for byte, import rules, and the
// round trips that do not come back unchanged.
#include "store/text_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const std::string kAddressHeader = "メールアドレス,ニックネーム,フルネーム,メモ,性別,カテゴリー\r\n";
const std::string kPhraseHeader = "題名,本文\r\n";
const std::string kSubAccountHeader =
    "POPｻｰﾊﾞｰｱﾄﾞﾚｽ,POPｻｰﾊﾞｰｱｶｳﾝﾄ,POPﾎﾟｰﾄ番号,ﾒｯｾｰｼﾞをｻｰﾊﾞｰに保存,ｱｶｳﾝﾄの使用可否\r\n";
const std::string kFolderHeader = "ﾌｫﾙﾀﾞ名,振分文字,親ﾌｫﾙﾀﾞ,振分条件,ｽﾚｯﾄﾞ\r\n";

TEST(TextFilesTest, EmptyStoreExportsTheHeaderLines) {
  CListInfo store;
  EXPECT_EQ(ExportText(store, TextFileKind::Address), kAddressHeader);
  EXPECT_EQ(ExportText(store, TextFileKind::Phrase), kPhraseHeader);
  EXPECT_EQ(ExportText(store, TextFileKind::SubAccount), kSubAccountHeader);
  EXPECT_EQ(ExportText(store, TextFileKind::Folder), kFolderHeader);
}

TEST(TextFilesTest, AddressBookExportAndRoundTrip) {
  CListInfo store;
  store.AddAddress("たろう", "taro@example.jp", "山田太郎", "一行目\r\n二行目", 0, "友人");
  store.AddAddress("友人", "", "", "", 2, "");
  store.AddAddress("はなこ", "hanako@example.jp", "佐藤花子", "a\nb\rc", 1, "仕事");
  store.AddAddress("じろう", "jiro@example.jp", "", "x^^y", 0, "");
  const std::string text = ExportText(store, TextFileKind::Address);
  EXPECT_EQ(text, kAddressHeader +
                      "taro@example.jp,たろう,山田太郎,一行目^^二行目,0,友人\r\n"
                      ",友人,,,2,\r\n"
                      "hanako@example.jp,はなこ,佐藤花子,a^b^c,1,仕事\r\n"
                      "jiro@example.jp,じろう,,x^^y,0,\r\n");

  CListInfo back;
  EXPECT_EQ(ImportText(back, TextFileKind::Address, text), 4);
  ASSERT_EQ(back.addresses.size(), 4u);
  const CAddressDetail& taro = *back.addresses[0];
  EXPECT_EQ(taro.mailAddress, "taro@example.jp");
  EXPECT_EQ(taro.nickname, "たろう");
  EXPECT_EQ(taro.fullName, "山田太郎");
  EXPECT_EQ(taro.memo, "一行目\r\n二行目");
  EXPECT_EQ(taro.kind, 0);
  EXPECT_EQ(taro.category, "友人");
  EXPECT_EQ(back.addresses[1]->kind, 2);
  EXPECT_EQ(back.addresses[1]->nickname, "友人");
  EXPECT_EQ(back.addresses[2]->memo, "a^b^c");  // single line ends do not come back
  EXPECT_EQ(back.addresses[3]->memo, "x\r\ny");  // a caret pair comes back as a line end
  // Once more: every address is there already; the one without an address
  // is added again.
  EXPECT_EQ(ImportText(back, TextFileKind::Address, text), 1);
  EXPECT_EQ(back.addresses.size(), 5u);
}

TEST(TextFilesTest, AddressImportColumns) {
  CListInfo store;
  store.AddAddress("既存", "old@example.jp", "", "", 0, "");
  const std::string text = kAddressHeader +
                           "old@example.jp,別名,,,1,\r\n"  // address known: skipped
                           "a@example.jp,あ,,,1,\r\n"
                           "b@example.jp,い,,,2\r\n"
                           "c@example.jp,う,,, 1,\r\n"
                           "d@example.jp,え,,,01,\r\n"
                           "e@example.jp,お,,,3,\r\n"
                           "f@example.jp\r\n"
                           "\r\n"
                           "g@example.jp,か,フル,メモ,1,分類,余分\r\n";
  EXPECT_EQ(ImportText(store, TextFileKind::Address, text), 8);
  struct Expect {
    const char* address;
    const char* nickname;
    int32_t kind;
    const char* category;
  };
  const Expect expected[] = {{"old@example.jp", "既存", 0, ""}, {"a@example.jp", "あ", 1, ""},
                             {"b@example.jp", "い", 2, ""},     {"c@example.jp", "う", 0, ""},
                             {"d@example.jp", "え", 0, ""},     {"e@example.jp", "お", 0, ""},
                             {"f@example.jp", "", 0, ""},       {"", "", 0, ""},
                             {"g@example.jp", "か", 1, "分類"}};
  ASSERT_EQ(store.addresses.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(store.addresses[i]->mailAddress, expected[i].address) << i;
    EXPECT_EQ(store.addresses[i]->nickname, expected[i].nickname) << i;
    EXPECT_EQ(store.addresses[i]->kind, expected[i].kind) << i;
    EXPECT_EQ(store.addresses[i]->category, expected[i].category) << i;
  }
  EXPECT_EQ(store.addresses[8]->fullName, "フル");
  EXPECT_EQ(store.addresses[8]->memo, "メモ");
}

TEST(TextFilesTest, PhraseBodyLinesBecomePhrasesOfTheirOwn) {
  CListInfo store;
  store.AddPhrase("挨拶", "お世話になっております。\r\n引き続きよろしく", "定型", 1);
  store.AddPhrase("", "", "", 0);
  const std::string text = ExportText(store, TextFileKind::Phrase);
  EXPECT_EQ(text, kPhraseHeader +
                      "挨拶,お世話になっております。\r\n"
                      "引き続きよろしく,定型,1\r\n"
                      ",,,0\r\n");
  CListInfo back;
  EXPECT_EQ(ImportText(back, TextFileKind::Phrase, text), 3);
  ASSERT_EQ(back.phrases.size(), 3u);
  EXPECT_EQ(back.phrases[0]->s[0], "挨拶");
  EXPECT_EQ(back.phrases[0]->s[1], "お世話になっております。");
  EXPECT_EQ(back.phrases[0]->s[2], "");
  EXPECT_EQ(back.phrases[0]->i[0], 0);
  EXPECT_EQ(back.phrases[1]->s[0], "引き続きよろしく");
  EXPECT_EQ(back.phrases[1]->s[1], "定型");
  EXPECT_EQ(back.phrases[1]->s[2], "1");
  EXPECT_EQ(back.phrases[2]->s[0], "");
  // Titles known are skipped; untitled lines always go in.
  EXPECT_EQ(ImportText(back, TextFileKind::Phrase, text), 1);
  EXPECT_EQ(back.phrases.size(), 4u);
}

TEST(TextFilesTest, NumbersAreReadTheWayAtoiReadsThem) {
  struct Case {
    const char* column;
    int32_t value;
  };
  const Case cases[] = {{"12", 12}, {" 7", 7}, {"-3", -3}, {"+4", 4}, {"12abc", 12}, {"abc", 0}, {"", 0}, {"0x10", 0}};
  for (const Case& c : cases) {
    CListInfo store;
    ImportText(store, TextFileKind::Phrase, kPhraseHeader + "t,b,c," + c.column + "\r\n");
    ImportText(store, TextFileKind::SubAccount,
               kSubAccountHeader + "s,a," + c.column + "," + c.column + "," + c.column + "\r\n");
    ImportText(store, TextFileKind::Folder, kFolderHeader + "f+k+p+" + c.column + "+" + c.column + "\r\n");
    ASSERT_EQ(store.phrases.size(), 1u);
    ASSERT_EQ(store.subAccounts.size(), 1u);
    ASSERT_EQ(store.folders.size(), 1u);
    EXPECT_EQ(store.phrases[0]->i[0], c.value) << c.column;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(store.subAccounts[0]->i[k], c.value) << c.column;
    if (std::string(c.column).find('+') != std::string::npos) continue;  // the folder file's separator
    EXPECT_EQ(store.folders[0]->sortCondition, c.value) << c.column;
    EXPECT_EQ(store.folders[0]->threadView, c.value) << c.column;
  }
}

TEST(TextFilesTest, SubAccountsLeaveOutThePassword) {
  CListInfo store;
  store.AddSubAccount("pop.example.jp", "sub", "秘密", 110, 1, 0);
  store.AddSubAccount("pop2.example.jp", "二番", "pw", 995, 0, 1);
  const std::string text = ExportText(store, TextFileKind::SubAccount);
  EXPECT_EQ(text, kSubAccountHeader +
                      "pop.example.jp,sub,110,1,0\r\n"
                      "pop2.example.jp,二番,995,0,1\r\n");
  CListInfo back;
  EXPECT_EQ(ImportText(back, TextFileKind::SubAccount, text + "\r\n" + text.substr(kSubAccountHeader.size())), 5);
  ASSERT_EQ(back.subAccounts.size(), 5u);
  const CCommonDetail& first = *back.subAccounts[0];
  EXPECT_EQ(first.s[0], "pop.example.jp");
  EXPECT_EQ(first.s[1], "sub");
  EXPECT_EQ(first.s[2], "");
  EXPECT_EQ(first.i[0], 110);
  EXPECT_EQ(first.i[1], 1);
  EXPECT_EQ(first.i[2], 0);
  EXPECT_EQ(back.subAccounts[1]->i[2], 1);
  // The empty line is an empty record; the same accounts again are added again.
  const CCommonDetail& empty = *back.subAccounts[2];
  EXPECT_EQ(empty.s[0], "");
  EXPECT_EQ(empty.i[0], 0);
  EXPECT_EQ(back.subAccounts[3]->s[0], "pop.example.jp");
}

TEST(TextFilesTest, FolderFileUsesPlusAndGivesDuplicates) {
  CListInfo store;
  store.AddFolder("受信フォルダ");
  store.AddFolder("仕事", 1, 1, "会議,打合せ", "受信フォルダ");
  store.AddFolder("言語", 1, 0, "C++");
  const std::string text = ExportText(store, TextFileKind::Folder);
  EXPECT_EQ(text, kFolderHeader +
                      "受信フォルダ+++0+0\r\n"
                      "仕事+会議,打合せ+受信フォルダ+1+1\r\n"
                      "言語+C++++1+0\r\n");
  EXPECT_EQ(ImportText(store, TextFileKind::Folder, text + "\r\n"), 4);
  ASSERT_EQ(store.folders.size(), 7u);
  const CFolderDetail& work = *store.folders[4];
  EXPECT_EQ(work.name, "仕事");
  EXPECT_EQ(work.sortText, "会議,打合せ");
  EXPECT_EQ(work.parent, "受信フォルダ");
  EXPECT_EQ(work.sortCondition, 1);
  EXPECT_EQ(work.threadView, 1);
  EXPECT_EQ(store.folders[3]->name, "受信フォルダ");
  EXPECT_EQ(store.FindFolder("受信フォルダ"), store.folders[0].get());
  // "+" in a sort text splits the line.
  const CFolderDetail& lang = *store.folders[5];
  EXPECT_EQ(lang.name, "言語");
  EXPECT_EQ(lang.sortText, "C");
  EXPECT_EQ(lang.sortCondition, 0);
  const CFolderDetail& empty = *store.folders[6];
  EXPECT_EQ(empty.name, "");
  EXPECT_EQ(empty.sortText, "");
  EXPECT_EQ(empty.sortCondition, 0);
}

TEST(TextFilesTest, ImportTakesNothingFromAHeaderOnlyText) {
  CListInfo store;
  EXPECT_EQ(ImportText(store, TextFileKind::Folder, ""), 0);
  EXPECT_EQ(ImportText(store, TextFileKind::Folder, kFolderHeader), 0);
  EXPECT_EQ(ImportText(store, TextFileKind::SubAccount, "no line end"), 0);
  EXPECT_TRUE(store.folders.empty());
  EXPECT_TRUE(store.subAccounts.empty());
  // A last line without its line end still counts.
  EXPECT_EQ(ImportText(store, TextFileKind::SubAccount, kSubAccountHeader + "s,a,1,0,0"), 1);
}

TEST(TextFilesTest, Files) {
  TempDir dir;
  CListInfo store;
  store.AddAddress("たろう", "taro@example.jp", "", "", 0, "");
  const std::string folder = dir / "保存先";
  ASSERT_TRUE(MakeDir(folder));
  const std::string path = folder + "/" + kAddressFileName;
  ASSERT_TRUE(ExportFile(store, TextFileKind::Address, path));
  EXPECT_EQ(ReadFile(ToFsPath(path)), ExportText(store, TextFileKind::Address));
  EXPECT_FALSE(ExportFile(store, TextFileKind::Address, dir / "無い/myAddress.txt"));
  EXPECT_FALSE(FileExists(dir / "無い/myAddress.txt"));

  CListInfo back;
  EXPECT_EQ(ImportFile(back, TextFileKind::Address, path), 1);
  EXPECT_EQ(back.addresses.size(), 1u);
  EXPECT_EQ(ImportFile(back, TextFileKind::Address, dir / "myPhrase.txt"), -1);
  WriteFile(dir / "empty.txt", "");
  EXPECT_EQ(ImportFile(back, TextFileKind::Address, dir / "empty.txt"), 0);
}

}  // namespace
}  // namespace fennel
