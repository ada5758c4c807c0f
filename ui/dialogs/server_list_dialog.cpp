#include "ui/dialogs/server_list_dialog.h"

#include <algorithm>

namespace fennel {

const std::vector<CServerListDialog::Column>& CServerListDialog::Columns() {
  static const std::vector<Column> columns = {
      {"ﾒｰﾙID", 60, false}, {"差出人(From)", 228, false}, {"件名", 180, false}, {"ﾒｰﾙｻｲｽﾞ", 63, true}};
  return columns;
}

CServerListDialog::CServerListDialog(std::vector<std::unique_ptr<CCommonDetail>>& entries, Prompter& prompter)
    : entries_(entries), prompter_(prompter) {
  for (auto& e : entries_)
    if (AsServerEntry(*e).action() != kDeleteOnServer) rows_.push_back(e.get());
}

std::vector<std::string> CServerListDialog::RowTexts(size_t row) const {
  const CCommonDetail& e = *rows_[row];
  const auto v = AsServerEntry(e);
  return {std::to_string(v.number()), v.from(), v.subject(), std::to_string(v.size())};
}

bool CServerListDialog::OnDelete(const std::vector<size_t>& selected) {
  if (selected.empty()) return false;
  std::string question = selected.size() > 1 ? "選択された件名を本当に削除してもいいですか？"
                                             : "件名：" + AsServerEntry(*rows_[selected[0]]).subject() + "　を削除してもいいですか？";
  if (prompter_.Show(question, MbIcon::Exclamation, MbButtons::OkCancel) != MbAnswer::Ok) return false;
  std::vector<size_t> order = selected;
  std::sort(order.rbegin(), order.rend());
  for (size_t row : order) {
    if (row >= rows_.size()) continue;
    AsServerEntry(*rows_[row]).action() = kDeleteOnServer;  // deleted on the server by the receive that follows
    rows_.erase(rows_.begin() + static_cast<long>(row));
  }
  return true;
}

}  // namespace fennel
