// The folder properties dialog ("フォルダのプロパティ"): a folder's name, its
// sorting rule, thread view, the parent it hangs under, and "apply at once";
// also the search criteria of the search folder. Works on a copy of the
// values; the caller takes them on OK.
#pragma once

#include <string>
#include <vector>

#include "store/list_info.h"
#include "ui/mailbox/folder_pane.h"

namespace fennel {

class Prompter;

inline constexpr const char* kFolderDialogCaption = "フォルダのプロパティ";
inline constexpr const char* kFolderNameRequired = "フォルダ名は必ず入力してください！";
inline constexpr const char* kNoRuleHere = "には、フィルタリング条件の入力は出来ません！";

class CFolderDialog {
 public:
  enum class Result { StayOpen, Ok };
  // The four sort conditions, as the radio buttons name them.
  static const char* const kConditionLabels[4];

  CFolderDialog(const CListInfo& store, const FolderValues& start);

  // The parent choices: an empty entry, then the top-level folders in store
  // order without this folder and "未送信フォルダ", "検索フォルダ", "テンプレート".
  const std::vector<std::string>& parentChoices() const { return parents_; }
  bool nameEnabled() const;
  bool parentEnabled() const { return nameEnabled(); }
  bool applyNowEnabled() const;
  bool sortTextEnabled() const;
  // Checks the values; shows the message and stays open when they do not do.
  Result OnOK(Prompter& prompter);

  FolderValues values;

 private:
  bool special() const;
  bool hasChildren_ = false;
  std::string openedName_;
  std::vector<std::string> parents_;
};

}  // namespace fennel
