// The trigger and action lists of the agent wizard and the agent properties
// dialog: a flat list with its columns added to the holder's vertical
// layout, the "&Add" button row below it, and a call whenever rows come or go.
#pragma once

#include <QAbstractItemView>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>

namespace cfgman {

QTreeWidget* entryList(QWidget* holder, const char* name, const QStringList& columns, const QList<int>& widths,
                       QAbstractItemView::SelectionMode selection);
QPushButton* addButton(QWidget* holder);
void onRowsChanged(QTreeWidget* list, QObject* ctx, std::function<void()> f);

}  // namespace cfgman
