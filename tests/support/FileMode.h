#pragma once

#include <sys/stat.h>

#include <QFile>
#include <QString>

// The permission bits of a file or folder; -1 when it is not there.
inline int ModeOf(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}
