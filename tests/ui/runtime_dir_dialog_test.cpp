#include "ui/dialogs/runtime_dir_dialog.h"

#include <gtest/gtest.h>

#include "config/profile_keys.h"
#include "platform/fs.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

class FakePicker : public FilePicker {
 public:
  std::optional<std::string> PickFolder(const std::string& title, const std::string& start) override {
    titles.push_back(title);
    starts.push_back(start);
    return answer;
  }
  std::optional<std::string> answer;
  std::vector<std::string> titles, starts;
};

TEST(RuntimeDirDialogTest, ShowsUnsetAndWritesWhatItHolds) {
  test::TempDir dir;
  Profile profile(dir / "Fennel.ini");
  FakePicker picker;
  CRuntimeDirDialog dlg(profile, picker);
  dlg.OnInitDialog();
  EXPECT_EQ(dlg.directory, "設定されていません。");

  dlg.OnBrowse();  // cancelled
  EXPECT_EQ(dlg.directory, "設定されていません。");
  EXPECT_EQ(picker.titles[0], "フォルダを選択してください");
  EXPECT_EQ(picker.starts[0], "設定されていません。");

  dlg.OnOK();  // OK without a choice writes the shown text back
  EXPECT_EQ(AppProfile(profile).RuntimeDir(), "設定されていません。");

  picker.answer = "/srv/フェンネル";
  dlg.OnBrowse();
  dlg.OnOK();
  CRuntimeDirDialog again(profile, picker);
  again.OnInitDialog();
  EXPECT_EQ(again.directory, "/srv/フェンネル");
}

}  // namespace
}  // namespace fennel
