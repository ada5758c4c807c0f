#include "ui/dialogs/folder_dialog.h"

#include <algorithm>

#include "platform/prompter.h"

namespace fennel {

const char* const CFolderDialog::kConditionLabels[4] = {"差出人(From)", "件名(Subject)", "宛先(To)", "本文(Body)"};

CFolderDialog::CFolderDialog(const CListInfo& store, const FolderValues& start)
    : values(start), openedName_(start.name) {
  // 1. Folders hang under top-level folders only: two levels at most.
  parents_.push_back("");
  for (const auto& f : store.folders) {
    if (!f->parent.empty() || f->state == CFolderDetail::kBeingDeleted) continue;
    if (f->name == start.name || f->name == kUnsentFolder || f->name == kSearchFolder || f->name == kTemplateFolder)
      continue;
    if (std::find(parents_.begin(), parents_.end(), f->name) == parents_.end()) parents_.push_back(f->name);
  }
  // 2.
  hasChildren_ = !start.name.empty() && store.CountChildren(start.name) > 0;
}

bool CFolderDialog::special() const {
  const auto& s = CFolderPane::SpecialFolders();
  return std::find(s.begin(), s.end(), openedName_) != s.end();
}

bool CFolderDialog::nameEnabled() const { return !hasChildren_ && !special(); }

bool CFolderDialog::applyNowEnabled() const { return !special() || openedName_ == kSentFolder; }

bool CFolderDialog::sortTextEnabled() const {
  return openedName_ != kInboxFolder && openedName_ != kUnsentFolder && openedName_ != kTemplateFolder;
}

CFolderDialog::Result CFolderDialog::OnOK(Prompter& prompter) {
  if (values.name.empty()) {
    prompter.Show(kFolderNameRequired, MbIcon::Stop);
    return Result::StayOpen;
  }
  if ((values.name == kInboxFolder || values.name == kUnsentFolder || values.name == kTemplateFolder) &&
      !values.sortText.empty()) {
    prompter.Show(values.name + kNoRuleHere, MbIcon::Stop);
    return Result::StayOpen;
  }
  if (values.sortCondition < 0 || values.sortCondition > 3) values.sortCondition = 0;
  if (!applyNowEnabled()) values.applyNow = false;
  return Result::Ok;
}

}  // namespace fennel
