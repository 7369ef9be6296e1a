#include "src/widgets/FileListBox.h"

#include <QDir>
#include <QKeyEvent>

#include "src/seams/ControlError.h"
#include "src/seams/MusicCollection.h"
#include "src/widgets/DirectoryListing.h"

int FileListBox::Model::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : names_.Count(); }

QVariant FileListBox::Model::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= names_.Count() || (role != Qt::DisplayRole && role != Qt::EditRole))
    return {};
  return names_.Name(index.row());
}

void FileListBox::Model::Fill(FileNames names) {
  beginResetModel();
  names_ = std::move(names);
  endResetModel();
}

void FileListBox::Model::Remove(int row, int count) {
  beginRemoveRows(QModelIndex(), row, row + count - 1);
  names_.Remove(row, count);
  endRemoveRows();
}

void FileListBox::Model::Insert(int row, const FileNames& from, int entry) {
  beginInsertRows(QModelIndex(), row, row);
  names_.Insert(row, from, entry);
  endInsertRows();
}

void FileListBox::Model::Replace(int row, const FileNames& from, int entry) {
  names_.Remove(row, 1);
  names_.Insert(row, from, entry);
  emit dataChanged(index(row), index(row));
}

FileListBox::FileListBox(QWidget* parent)
    : QListView(parent), model_(new Model(this)), path_(QDir::currentPath()) {
  setModel(model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Every row has the first row's size: nothing is measured row by row.
  setUniformItemSizes(true);
  // A long list is laid out a batch at a time between other events: the
  // window answers while a million rows are placed.
  setLayoutMode(QListView::Batched);
  setBatchSize(2000);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTextElideMode(Qt::ElideNone);
  connect(this, &QListView::clicked, this, [this](const QModelIndex&) { emit Click(); });
}

void FileListBox::ListIfOwed() const {
  if (!owed_) return;
  owed_ = false;
  FileNames names;
  SkipFailure([&] { names = Read(path_, subfolders_, pathSet_); });
  model_->Fill(std::move(names));
}

const FileNames& FileListBox::Names() const {
  ListIfOwed();
  return model_->names();
}

QString FileListBox::List(int index) const {
  const FileNames& names = Names();
  return index >= 0 && index < names.Count() ? names.Name(index) : QString();
}

void FileListBox::SetPath(const QString& directory) {
  const QString absolute = directory.isEmpty() ? directory : QDir(directory).absolutePath();
  // Read whole before anything changes: a failure keeps the previous list.
  FileNames names = Read(absolute, subfolders_, true);
  owed_ = false;
  model_->Fill(std::move(names));
  path_ = absolute;
  pathSet_ = true;
  FollowChanges();
}

FileNames FileListBox::Read(const QString& directory, bool subfolders, bool chosen) const {
  // The working directory it starts on is no music folder: never walked.
  if (subfolders && collection_ && chosen) return ListCollectionFiles(*collection_, directory, pattern_, true);
  return ListMatchingFiles(directory, pattern_);
}

void FileListBox::SetCollection(MusicCollection* collection) {
  if (collection_) collection_->Watch(QString(), {});
  collection_ = collection;
  owed_ = true;
  FollowChanges();
}

FileListBox::~FileListBox() {
  if (collection_) collection_->Watch(QString(), {});
}

void FileListBox::SetSubfolders(bool on) {
  const bool changed = on != subfolders_;
  subfolders_ = on;
  // A list that nothing has read yet is read as the switch now says, when
  // it is first needed.
  if (changed && !owed_) Refresh();
  FollowChanges();
  if (changed) emit SubfoldersChanged(on);
}

MusicCollection::Count FileListBox::CountInSubfolders() const {
  // Enough for any music collection, and a stop for a folder such as "/".
  constexpr int kFolderLimit = 20000;
  return collection_ ? collection_->CountTracks(path_, kFolderLimit) : MusicCollection::Count{};
}

void FileListBox::FollowChanges() {
  // A list not read yet follows nothing: there is nothing to keep up to date.
  if (!collection_ || owed_) return;
  if (subfolders_)
    collection_->Watch(path_, [this](const TrackChanges& changes) { Apply(changes); });
  else
    collection_->Watch(QString(), {});
}

void FileListBox::Apply(const TrackChanges& changes) {
  // A list still owed is read whole when first needed, changes and all.
  if (owed_) return;
  const FileNames added = ListAddedTracks(changes, pattern_);
  const FileNames& names = model_->names();
  // A change in place moves the store behind its row, half the list on the
  // average; one pass over the list copies it once. Beyond a few changes in
  // a long list, or 200 in any, the pass costs less.
  constexpr std::size_t kInPlace = 200, kRowsMovedInPlace = 8'000'000;
  const std::size_t count = changes.removed.size() + static_cast<std::size_t>(added.Count());
  if (count > kInPlace || count * static_cast<std::size_t>(names.Count()) > kRowsMovedInPlace) {
    const int selected = ListIndex();
    const std::string name = selected >= 0 ? std::string(names.NameBytes(selected)) : std::string();
    model_->Fill(MergeChanges(names, changes, added));
    if (selected < 0) return;
    const int row = ListPosition(names, name);
    if (row < names.Count() && names.NameBytes(row) == name) setCurrentIndex(model_->index(row));
    return;
  }
  for (const std::string& removed : changes.removed) {
    if (removed.ends_with('/')) {
      for (const auto& [first, end] : EntriesUnder(names, removed)) model_->Remove(first, end - first);
      continue;
    }
    const int row = ListPosition(names, removed);
    if (row < names.Count() && names.NameBytes(row) == removed) model_->Remove(row, 1);
  }
  for (int entry = 0; entry < added.Count(); ++entry) {
    const int row = ListPosition(names, added.NameBytes(entry));
    if (row < names.Count() && names.NameBytes(row) == added.NameBytes(entry))
      model_->Replace(row, added, entry);
    else
      model_->Insert(row, added, entry);
  }
}

void FileListBox::SetPattern(const QString& pattern) {
  pattern_ = pattern;
  owed_ = true;
  if (isVisible()) ListIfOwed();
}

void FileListBox::Refresh() {
  owed_ = false;
  try {
    model_->Fill(Read(path_, subfolders_, pathSet_));
  } catch (const ControlError&) {
    model_->Fill({});  // the directory has gone away
  }
}

int FileListBox::ListIndex() const {
  ListIfOwed();
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

void FileListBox::SetListIndex(int index) {
  if (index < 0 || index >= ListCount()) throw ControlError("no file list entry " + std::to_string(index));
  setCurrentIndex(model_->index(index));
  emit Click();
}

void FileListBox::keyPressEvent(QKeyEvent* event) {
  const int before = ListIndex();
  QListView::keyPressEvent(event);
  if (ListIndex() != before && ListIndex() >= 0) emit Click();
}

void FileListBox::showEvent(QShowEvent* event) {
  ListIfOwed();
  QListView::showEvent(event);
}
