#include "platform/collection/TreeWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

#include <QFile>

#include "src/seams/ControlError.h"

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool IsAscii(std::string_view text) {
  unsigned char seen = 0;
  for (const char c : text) seen |= static_cast<unsigned char>(c);
  return (seen & 0x80) == 0;
}

bool IsValidUtf8(std::string_view text) {
  if (IsAscii(text)) return true;
  const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return decoded.toUtf8() == QByteArrayView(text.data(), static_cast<qsizetype>(text.size()));
}

struct Descriptor {
  explicit Descriptor(int fd) : fd(fd) {}
  const int fd;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { ::close(fd); }
};

std::string Why(int error) { return std::generic_category().message(error); }

}  // namespace

bool HasMp3Extension(std::string_view name) {
  if (name.size() < 4) return false;
  const std::string_view end = name.substr(name.size() - 4);
  return end[0] == '.' && (end[1] | 0x20) == 'm' && (end[2] | 0x20) == 'p' && end[3] == '3';
}

WalkFaults WalkMp3Files(const QString& root, const FoundMp3& found, std::vector<std::string>* folders,
                        std::size_t folderLimit) {
  if (root.isEmpty()) throw ControlError("no folder to walk");
  const QByteArray encoded = QFile::encodeName(root);
  const int rootFd = ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (rootFd < 0) throw ControlError("cannot read the folder " + encoded.toStdString() + " (" + Why(errno) + ")");
  const Descriptor closeRoot(rootFd);

  WalkFaults faults;
  auto unreadable = [&faults](const std::string& folder, int error) {
    if (faults.unreadableFolders++ == 0) faults.firstUnreadable = (folder.empty() ? "." : folder) + " (" + Why(error) + ")";
  };
  // Folders by device and inode: one reached again, through a link or a
  // loop of links, is not walked again.
  std::set<std::pair<dev_t, ino_t>> entered;
  // Folders still to read, by their path below the root ("" for the root),
  // each ending in "/" but the root.
  std::vector<std::string> pending{std::string()};
  std::string path;
  while (!pending.empty()) {
    if (entered.size() >= folderLimit) {
      faults.cutShort = true;
      break;
    }
    const std::string folder = std::move(pending.back());
    pending.pop_back();
    const int fd = ::openat(rootFd, folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      if (folder.empty()) throw ControlError("cannot read the folder " + encoded.toStdString() + " (" + Why(errno) + ")");
      unreadable(folder, errno);
      continue;
    }
    struct stat self {};
    if (::fstat(fd, &self) != 0 || !entered.insert({self.st_dev, self.st_ino}).second) {
      ::close(fd);
      continue;
    }
    if (folders) folders->push_back(folder);
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
      unreadable(folder, errno);
      ::close(fd);
      continue;
    }
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(dir.get());
      if (!entry) {
        if (errno != 0) unreadable(folder, errno);
        break;
      }
      if (entry->d_name[0] == '.') continue;
      const std::string_view name(entry->d_name);
      bool isFolder = entry->d_type == DT_DIR;
      bool isFile = entry->d_type == DT_REG;
      const bool mp3 = HasMp3Extension(name);
      if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
        struct stat info {};
        if (::fstatat(fd, entry->d_name, &info, 0) != 0) continue;  // a link to nothing
        isFolder = S_ISDIR(info.st_mode);
        isFile = S_ISREG(info.st_mode);
      }
      if (!isFolder && !(isFile && mp3)) continue;
      if (!IsValidUtf8(name)) {
        ++faults.unreadableNames;
        continue;
      }
      path.assign(folder).append(name);
      if (isFolder)
        pending.push_back(path + '/');
      else
        found(path, fd, entry->d_name);
    }
  }
  return faults;
}
