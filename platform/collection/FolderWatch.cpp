#include "platform/collection/FolderWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace {

constexpr std::uint32_t kEvents = IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

}  // namespace

FolderWatch::FolderWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FolderWatch::~FolderWatch() {
  if (fd_ >= 0) ::close(fd_);
}

int FolderWatch::Add(const std::string& root, const std::string& relative, std::string& problem) {
  if (fd_ < 0) {
    problem = "inotify cannot be used";
    return -1;
  }
  const std::string path = relative.empty() ? root : root + '/' + relative;
  const int watch = ::inotify_add_watch(fd_, path.c_str(), kEvents | IN_ONLYDIR);
  if (watch < 0) {
    if (errno != ENOSPC && errno != ENOMEM) return -1;  // gone since it was seen
    problem = "the system allows no more than " + std::to_string(folders_.size()) +
              " watched folders (fs.inotify.max_user_watches)";
    return -2;
  }
  return folders_.emplace(watch, relative).second ? 1 : 0;
}

std::size_t FolderWatch::DropUnder(const std::string& relative) {
  std::size_t dropped = 0;
  for (auto it = folders_.begin(); it != folders_.end();) {
    if (it->second.compare(0, relative.size(), relative) != 0) {
      ++it;
      continue;
    }
    ::inotify_rm_watch(fd_, it->first);
    it = folders_.erase(it);
    ++dropped;
  }
  return dropped;
}

void FolderWatch::Clear() {
  for (const auto& [watch, folder] : folders_) ::inotify_rm_watch(fd_, watch);
  folders_.clear();
}

std::vector<FolderWatch::Event> FolderWatch::Read() {
  std::vector<Event> events;
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    const ssize_t got = fd_ < 0 ? -1 : ::read(fd_, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t at = 0; at < got;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const char* name = buffer + at + sizeof event;
      at += static_cast<ssize_t>(sizeof event + event.len);
      if (event.mask & IN_Q_OVERFLOW) {
        events.push_back({Event::kOverflow, {}});
        continue;
      }
      const auto folder = folders_.find(event.wd);
      if (folder == folders_.end()) continue;
      if (event.mask & IN_IGNORED) {  // the folder itself is gone
        folders_.erase(folder);
        continue;
      }
      if (event.len == 0) continue;
      const std::string path = folder->second + name;
      const bool isFolder = event.mask & IN_ISDIR;
      if (event.mask & (IN_CREATE | IN_MOVED_TO))
        events.push_back({isFolder ? Event::kFolderCame : Event::kFileCame, path});
      else if (event.mask & IN_CLOSE_WRITE)
        events.push_back({Event::kFileCame, path});
      else if (event.mask & (IN_DELETE | IN_MOVED_FROM))
        events.push_back({isFolder ? Event::kFolderGone : Event::kFileGone, path});
    }
  }
  return events;
}
