#pragma once

#include <QListWidget>
#include <QString>

// A list of the files of one directory that match a pattern (letter case
// ignored), sorted by name without regard to case. Click() is raised by a click
// on an entry and by a selection made in code alike.
class FileListBox : public QListWidget {
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

  int ListCount() const { return count(); }
  QString List(int index) const;
  // The selected entry, -1 when none.
  int ListIndex() const { return currentRow(); }
  // Selects the entry and raises Click(); throws ControlError for an index
  // that names no entry.
  void SetListIndex(int index);
  // The name of the selected entry; empty when none.
  QString FileName() const;

 signals:
  void Click();

 private:
  void Fill(const QStringList& names);

  QString path_;
  QString pattern_ = QStringLiteral("*.*");
};
