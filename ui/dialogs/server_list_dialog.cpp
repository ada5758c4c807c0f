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
    if (e->i[1] != 2) rows_.push_back(e.get());
}

std::vector<std::string> CServerListDialog::RowTexts(size_t row) const {
  const CCommonDetail& e = *rows_[row];
  return {std::to_string(e.i[0]), e.s[0], e.s[1], std::to_string(e.i[2])};
}

bool CServerListDialog::OnDelete(const std::vector<size_t>& selected) {
  if (selected.empty()) return false;
  std::string question = selected.size() > 1 ? "選択された件名を本当に削除してもいいですか？"
                                             : "件名：" + rows_[selected[0]]->s[1] + "　を削除してもいいですか？";
  if (prompter_.Show(question, MbIcon::Exclamation, MbButtons::OkCancel) != MbAnswer::Ok) return false;
  std::vector<size_t> order = selected;
  std::sort(order.rbegin(), order.rend());
  for (size_t row : order) {
    if (row >= rows_.size()) continue;
    rows_[row]->i[1] = 2;  // deleted on the server by the receive that follows
    rows_.erase(rows_.begin() + static_cast<long>(row));
  }
  return true;
}

}  // namespace fennel
