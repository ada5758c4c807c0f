// The server mail list dialog "受信メールリスト": the mails waiting on the
// server, of which the user marks some to be deleted there before the
// bodies are received.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/prompter.h"
#include "store/common_detail.h"

namespace fennel {

class CServerListDialog {
 public:
  static constexpr const char* kCaption = "受信メールリスト";

  struct Column {
    const char* title;
    int width;
    bool rightAligned;
  };
  static const std::vector<Column>& Columns();

  CServerListDialog(std::vector<std::unique_ptr<CCommonDetail>>& entries, Prompter& prompter);

  // The rows shown: entries not yet marked for deletion.
  const std::vector<CCommonDetail*>& rows() const { return rows_; }
  // The texts of a row, column by column.
  std::vector<std::string> RowTexts(size_t row) const;
  // "一覧から削除" with these rows selected: asks, then marks and removes
  // them. False when the user said no.
  bool OnDelete(const std::vector<size_t>& selected);

 private:
  std::vector<std::unique_ptr<CCommonDetail>>& entries_;
  Prompter& prompter_;
  std::vector<CCommonDetail*> rows_;
};

}  // namespace fennel
