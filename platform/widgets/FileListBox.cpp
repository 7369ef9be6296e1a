#include "platform/widgets/FileListBox.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>

#include "src/controls/ControlError.h"

namespace {

QStringList ListMatching(const QString& directory, const QString& pattern) {
  QDir dir(directory);
  if (directory.isEmpty() || !dir.exists() || !dir.isReadable())
    throw ControlError("cannot show the directory " + directory.toStdString());
  const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(pattern),
                                 QRegularExpression::CaseInsensitiveOption);
  QStringList names;
  for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort))
    if (match.match(name).hasMatch()) names.push_back(name);
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    int byCase = a.compare(b, Qt::CaseInsensitive);
    return byCase != 0 ? byCase < 0 : a < b;
  });
  return names;
}

}  // namespace

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent), path_(QDir::currentPath()) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem*) { emit Click(); });
  try {
    Fill(ListMatching(path_, pattern_));
  } catch (const ControlError&) {
    // An unreadable working directory leaves the list empty.
  }
}

void FileListBox::Fill(const QStringList& names) {
  setUpdatesEnabled(false);
  clear();
  addItems(names);
  setUpdatesEnabled(true);
}

void FileListBox::SetPath(const QString& directory) {
  QString absolute = directory.isEmpty() ? directory : QDir(directory).absolutePath();
  Fill(ListMatching(absolute, pattern_));
  path_ = absolute;
}

void FileListBox::SetPattern(const QString& pattern) {
  pattern_ = pattern;
  Refresh();
}

void FileListBox::Refresh() {
  try {
    Fill(ListMatching(path_, pattern_));
  } catch (const ControlError&) {
    clear();  // the directory has gone away
  }
}

QString FileListBox::List(int index) const {
  const QListWidgetItem* entry = item(index);
  return entry ? entry->text() : QString();
}

void FileListBox::SetListIndex(int index) {
  if (index < 0 || index >= count()) throw ControlError("no file list entry " + std::to_string(index));
  setCurrentRow(index);
  emit Click();
}

QString FileListBox::FileName() const { return List(currentRow()); }
