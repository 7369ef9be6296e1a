#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QString>

#include "src/seams/MusicCollection.h"
#include "src/widgets/FileListBoxNames.h"


// A list of the files of one directory that match a pattern (letter case
// ignored), sorted by name without regard to case. Click() is raised when an
// entry is chosen: by a click, with the keyboard, or in code.
//
// The names are kept once, in UTF-8 with their search forms (FileNames), and
// the view draws them through a model over that store: only the rows in sight
// are ever made into text. With subfolders on (and a collection to walk),
// the list holds every matching file at any depth, as its path below the
// directory, searched by its tags as well, and follows changes on disk by
// itself, change by change. A directory that nothing has yet looked at (the
// working directory it starts with, or a new pattern) is read when the list is
// first read or shown.
class FileListBox : public QListView {
  Q_OBJECT

 public:
  explicit FileListBox(QWidget* parent = nullptr);
  ~FileListBox() override;

  // The directory shown; at first the process's working directory.
  QString Path() const { return path_; }
  // Shows the directory's files. Throws ControlError, and keeps showing the
  // previous directory, when the directory cannot be listed.
  void SetPath(const QString& directory);
  void SetPattern(const QString& pattern);
  QString Pattern() const { return pattern_; }
  // Reads the directory again.
  void Refresh();

  // The collection that lists subfolders; none (the default) lists the
  // directory alone whatever the switch says. Not owned.
  void SetCollection(MusicCollection* collection);
  // Lists the subfolders too, or no longer; a directory that cannot be read
  // then lists nothing, as after Refresh. Raises SubfoldersChanged().
  void SetSubfolders(bool on);
  bool Subfolders() const { return subfolders_; }
  // How many MP3 files lie at any depth under the directory, looking into
  // a bounded number of folders (none without a collection). Throws
  // ControlError when it cannot be read.
  MusicCollection::Count CountInSubfolders() const;

  int ListCount() const { return Names().Count(); }
  // Every entry, in list order, with its search form.
  const FileNames& Names() const;
  // The entry's name; empty for an index that names no entry.
  QString List(int index) const;
  // The selected entry, -1 when none.
  int ListIndex() const;
  // Selects the entry and raises Click(); throws ControlError for an index
  // that names no entry.
  void SetListIndex(int index);
  // The name of the selected entry; empty when none.
  QString FileName() const { return List(ListIndex()); }

 signals:
  void Click();
  void SubfoldersChanged(bool on);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // The rows of the view: the names, made into text when drawn.
  class Model : public QAbstractListModel {
   public:
    explicit Model(QObject* parent) : QAbstractListModel(parent) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    const FileNames& names() const { return names_; }
    void Fill(FileNames names);
    // Rows taken out, put in or replaced by the entry of another list, as
    // the view is told: what is selected stays selected.
    void Remove(int row, int count);
    void Insert(int row, const FileNames& from, int entry);
    void Replace(int row, const FileNames& from, int entry);

   private:
    FileNames names_;
  };

  // Reads the directory when its listing is still owed; an unreadable one
  // leaves the list empty.
  void ListIfOwed() const;
  // The directory's entries, as the switch says, its subfolders only when
  // it was chosen (not the working directory the list starts on); throws
  // ControlError.
  FileNames Read(const QString& directory, bool subfolders, bool chosen) const;
  // Watches the directory while subfolders are listed, and nothing else.
  void FollowChanges();
  // Makes the collection's changes in the list: each in place, row by row,
  // when they are few; many at once in one pass, the selected entry kept.
  void Apply(const TrackChanges& changes);

  Model* model_;
  QString path_;
  QString pattern_ = QStringLiteral("*.*");
  MusicCollection* collection_ = nullptr;
  bool subfolders_ = false;
  bool pathSet_ = false;  // whether SetPath has chosen the directory
  // Read on first use, from const readers too: the listing is owed, not changed.
  mutable bool owed_ = true;
};
