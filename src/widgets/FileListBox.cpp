#include "src/widgets/FileListBox.h"

#include <QDir>
#include <QKeyEvent>

#include "src/widgets/DirectoryListing.h"
#include "src/seams/ControlError.h"

FileListBox::FileListBox(QWidget* parent) : QListView(parent), path_(QDir::currentPath()) {
  setModel(&model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTextElideMode(Qt::ElideNone);
  connect(this, &QListView::clicked, this, [this](const QModelIndex&) { emit Click(); });
  // An unreadable working directory leaves the list empty.
  SkipFailure([this] { Fill(ListMatchingFiles(path_, pattern_)); });
}

void FileListBox::Fill(QStringList names) {
  names_ = std::move(names);
  model_.setStringList(names_);
}

void FileListBox::SetPath(const QString& directory) {
  const QString absolute = directory.isEmpty() ? directory : QDir(directory).absolutePath();
  Fill(ListMatchingFiles(absolute, pattern_));
  path_ = absolute;
}

void FileListBox::SetPattern(const QString& pattern) {
  pattern_ = pattern;
  Refresh();
}

void FileListBox::Refresh() {
  try {
    Fill(ListMatchingFiles(path_, pattern_));
  } catch (const ControlError&) {
    Fill({});  // the directory has gone away
  }
}

int FileListBox::ListIndex() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

void FileListBox::SetListIndex(int index) {
  if (index < 0 || index >= ListCount()) throw ControlError("no file list entry " + std::to_string(index));
  setCurrentIndex(model_.index(index));
  emit Click();
}

void FileListBox::keyPressEvent(QKeyEvent* event) {
  const int before = ListIndex();
  QListView::keyPressEvent(event);
  if (ListIndex() != before && ListIndex() >= 0) emit Click();
}
