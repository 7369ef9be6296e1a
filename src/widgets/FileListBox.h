#pragma once

#include <QListView>
#include <QString>
#include <QStringList>
#include <QStringListModel>

// A list of the files of one directory that match a pattern (letter case
// ignored), sorted by name without regard to case. Click() is raised when an
// entry is chosen: by a click, with the keyboard, or in code.
class FileListBox : public QListView {
  Q_OBJECT

 public:
  explicit FileListBox(QWidget* parent = nullptr);

  // The directory shown; at first the process's working directory.
  QString Path() const { return path_; }
  // Shows the directory's files. Throws ControlError, and keeps showing the
  // previous directory, when the directory cannot be listed.
  void SetPath(const QString& directory);
  void SetPattern(const QString& pattern);
  QString Pattern() const { return pattern_; }
  // Reads the directory again.
  void Refresh();

  int ListCount() const { return static_cast<int>(names_.size()); }
  // Every entry, in list order.
  const QStringList& Entries() const { return names_; }
  // The entry's name; empty for an index that names no entry.
  QString List(int index) const { return index >= 0 && index < names_.size() ? names_[index] : QString(); }
  // The selected entry, -1 when none.
  int ListIndex() const;
  // Selects the entry and raises Click(); throws ControlError for an index
  // that names no entry.
  void SetListIndex(int index);
  // The name of the selected entry; empty when none.
  QString FileName() const { return List(ListIndex()); }

 signals:
  void Click();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Fill(QStringList names);

  QStringListModel model_;
  QStringList names_;
  QString path_;
  QString pattern_ = QStringLiteral("*.*");
};
