#include "cfgman/agentedit/entry_list.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace cfgman {

QTreeWidget* entryList(QWidget* holder, const char* name, const QStringList& columns, const QList<int>& widths,
                       QAbstractItemView::SelectionMode selection) {
  auto* list = new QTreeWidget(holder);
  list->setObjectName(name);
  list->setRootIsDecorated(false);
  list->setHeaderLabels(columns);
  for (int i = 0; i < widths.size(); ++i) list->setColumnWidth(i, widths[i]);
  list->setSelectionMode(selection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  holder->layout()->addWidget(list);
  return list;
}

QPushButton* addButton(QWidget* holder) {
  auto* row = new QHBoxLayout;
  auto* b = new QPushButton("&Add", holder);
  row->addWidget(b);
  row->addStretch(1);
  static_cast<QVBoxLayout*>(holder->layout())->addLayout(row);
  return b;
}

void onRowsChanged(QTreeWidget* list, QObject* ctx, std::function<void()> f) {
  QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, ctx, [f] { f(); });
  QObject::connect(list->model(), &QAbstractItemModel::rowsRemoved, ctx, [f] { f(); });
  QObject::connect(list->model(), &QAbstractItemModel::modelReset, ctx, [f] { f(); });
}

}  // namespace cfgman
