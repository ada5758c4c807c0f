// The run-time directory dialog: where the user ID files are kept.
#pragma once

#include <string>

#include "platform/profile.h"
#include "platform/prompter.h"

namespace fennel {

class CRuntimeDirDialog {
 public:
  static constexpr const char* kCaption = "実行時ディレクトリの設定";
  static constexpr const char* kBrowseTitle = "フォルダを選択してください";

  CRuntimeDirDialog(const Profile& profile, FilePicker& picker) : profile_(profile), picker_(picker) {}

  void OnInitDialog();
  // "..." (1010): a chosen folder that differs from the shown one replaces it.
  void OnBrowse();
  // OK: the value the dialog holds goes to the profile.
  void OnOK();

  std::string directory;  // control 1032

 private:
  const Profile& profile_;
  FilePicker& picker_;
};

}  // namespace fennel
