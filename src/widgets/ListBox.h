#pragma once

#include <QListWidget>
#include <QString>

// A plain, unsorted list of text entries numbered from 0.
class ListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit ListBox(QWidget* parent = nullptr) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideNone);
  }

  void AddItem(const QString& text) { addItem(text); }
  int ListCount() const { return count(); }
  // The entry's text; empty for an index that names no entry.
  QString List(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry ? entry->text() : QString();
  }
  void Clear() { clear(); }

};
