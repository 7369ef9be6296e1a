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

FileListBox::FileListBox(QWidget* parent)
    : QListView(parent), model_(new Model(this)), path_(QDir::currentPath()) {
  setModel(model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Every row has the first row's size: nothing is measured row by row.
  setUniformItemSizes(true);
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
    collection_->Watch(path_, [this] { Refresh(); });
  else
    collection_->Watch(QString(), {});
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
