// The server mail list dialog "受信メールリスト".
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "ui/dialogs/server_list_dialog.h"

class QTreeWidget;

namespace fennel {

class ServerListWindow : public QDialog {
 public:
  ServerListWindow(std::vector<std::unique_ptr<CCommonDetail>>& entries, Prompter& prompter, QWidget* parent = nullptr);

 private:
  void Fill();
  CServerListDialog presenter_;
  QTreeWidget* list_;
};

}  // namespace fennel
