#include "src/widgets/DirectoryListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <numeric>
#include <vector>

#include <QFile>

#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"

namespace {

QChar Folded(QChar c) {
  const char16_t u = c.unicode();
  if (u < 128) return QChar(u >= 'A' && u <= 'Z' ? u + 32 : u);
  return c.toCaseFolded();
}

bool IsAscii(const char* text) {
  for (; *text; ++text)
    if (static_cast<unsigned char>(*text) >= 0x80) return false;
  return true;
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool IsRegularFile(int dirFd, const dirent& entry) {
  if (entry.d_type == DT_REG) return true;
  if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return false;
  struct stat info {};
  return fstatat(dirFd, entry.d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool MatchesWildcard(QStringView name, QStringView pattern) {
  // Greedy matching with one step back to the last "*": linear for the
  // patterns a file list uses.
  qsizetype n = 0, p = 0, starAt = -1, resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || Folded(pattern[p]) == Folded(name[n]))) {
      ++p;
      ++n;
    } else if (starAt >= 0) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

QStringList ListMatchingFiles(const QString& directory, const QString& pattern) {
  if (directory.isEmpty()) throw ControlError("no directory to show");
  const QByteArray encoded = QFile::encodeName(directory);
  std::unique_ptr<DIR, DirCloser> dir(opendir(encoded.constData()));
  if (!dir) throw ControlError("cannot show the directory " + directory.toStdString());

  QStringList names;
  int unreadableNames = 0;
  const int fd = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    if (entry->d_name[0] == '.') continue;  // hidden, as a file manager leaves it out
    if (!IsRegularFile(fd, *entry)) continue;
    QString name = QFile::decodeName(entry->d_name);
    if (!MatchesWildcard(name, pattern)) continue;
    // A name that is not valid text in our encoding would be shown, and then
    // opened, as another name: leave it out rather than list a file that
    // cannot be played.
    if (!IsAscii(entry->d_name) && QFile::encodeName(name) != QByteArray(entry->d_name)) {
      ++unreadableNames;
      continue;
    }
    names.push_back(std::move(name));
  }
  if (unreadableNames > 0)
    Diagnose(std::to_string(unreadableNames) + " file(s) in " + encoded.toStdString() +
             " left out: their names are not valid UTF-8");

  // Sort by the case-folded name, folding each name once.
  std::vector<QString> keys;
  keys.reserve(static_cast<std::size_t>(names.size()));
  for (const QString& name : names) keys.push_back(name.toCaseFolded());
  std::vector<qsizetype> order(static_cast<std::size_t>(names.size()));
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
    int byFold = QStringView(keys[a]).compare(keys[b]);
    return byFold != 0 ? byFold < 0 : names[a] < names[b];
  });
  // Copied in list order, so that the names lie in memory in the order a scan
  // of the list reads them.
  QStringList sorted;
  sorted.reserve(names.size());
  for (qsizetype i : order) sorted.push_back(QString(names[i].constData(), names[i].size()));
  return sorted;
}
