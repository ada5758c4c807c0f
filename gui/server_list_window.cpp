#include "gui/server_list_window.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/qt_text.h"

namespace fennel {

ServerListWindow::ServerListWindow(std::vector<std::unique_ptr<CCommonDetail>>& entries, Prompter& prompter,
                                   QWidget* parent)
    : QDialog(parent), presenter_(entries, prompter) {
  setWindowTitle(Qs(CServerListDialog::kCaption));
  setObjectName(QStringLiteral("serverListDialog"));
  list_ = new QTreeWidget;
  list_->setObjectName(QStringLiteral("serverList"));
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  QStringList titles;
  for (const auto& c : CServerListDialog::Columns()) titles << Qs(c.title);
  list_->setHeaderLabels(titles);
  for (size_t i = 0; i < CServerListDialog::Columns().size(); ++i)
    list_->setColumnWidth(static_cast<int>(i), CServerListDialog::Columns()[i].width);
  auto* remove = new QPushButton(Qs("一覧から削除"));
  remove->setObjectName(QStringLiteral("delete"));
  connect(remove, &QPushButton::clicked, this, [this] {
    std::vector<size_t> rows;
    for (QTreeWidgetItem* item : list_->selectedItems())
      rows.push_back(static_cast<size_t>(list_->indexOfTopLevelItem(item)));
    if (presenter_.OnDelete(rows)) Fill();
  });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Cancel)->setText(Qs("キャンセル"));
  buttons->addButton(remove, QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(buttons);
  resize(580, 360);
  Fill();
}

void ServerListWindow::Fill() {
  list_->clear();
  for (size_t r = 0; r < presenter_.rows().size(); ++r) {
    std::vector<std::string> texts = presenter_.RowTexts(r);
    auto* item = new QTreeWidgetItem;
    for (size_t c = 0; c < texts.size(); ++c) {
      item->setText(static_cast<int>(c), Qs(texts[c]));
      if (CServerListDialog::Columns()[c].rightAligned) item->setTextAlignment(static_cast<int>(c), Qt::AlignRight);
    }
    list_->addTopLevelItem(item);
  }
}

}  // namespace fennel
