#include "platform/collection/FolderWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <unordered_set>

namespace {

constexpr std::uint32_t kEvents =
    IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr int kSettleMs = 250;

}  // namespace

FolderWatch::FolderWatch(std::function<void()> changed) : changed_(std::move(changed)) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, [this] { changed_(); });
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return;
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Read(); });
}

FolderWatch::~FolderWatch() {
  if (fd_ >= 0) ::close(fd_);
}

bool FolderWatch::WatchOnly(const std::vector<std::string>& folders, std::string& problem) {
  if (fd_ < 0) {
    problem = "inotify cannot be used (" + std::generic_category().message(errno) + ")";
    return false;
  }
  const std::unordered_set<std::string> wanted(folders.begin(), folders.end());
  for (auto it = watches_.begin(); it != watches_.end();) {
    if (wanted.count(it->first)) {
      ++it;
      continue;
    }
    ::inotify_rm_watch(fd_, it->second);
    it = watches_.erase(it);
  }
  for (const std::string& folder : folders) {
    if (watches_.count(folder)) continue;
    const int watch = ::inotify_add_watch(fd_, folder.c_str(), kEvents | IN_ONLYDIR);
    if (watch >= 0) {
      watches_.emplace(folder, watch);
      continue;
    }
    if (errno == ENOSPC || errno == ENOMEM) {
      problem = "the system allows no more than " + std::to_string(watches_.size()) +
                " watched folders (fs.inotify.max_user_watches)";
      StopAll();
      return false;
    }
    // A folder gone since the walk: the next change lists it no more.
  }
  return true;
}

void FolderWatch::StopAll() {
  for (const auto& [folder, watch] : watches_) ::inotify_rm_watch(fd_, watch);
  watches_.clear();
  settle_.stop();
}

void FolderWatch::Read() {
  alignas(inotify_event) char buffer[16384];
  bool any = false;
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got <= 0) break;
    any = true;
  }
  // One listing a quarter of a second after the first change, however many
  // follow in between: not pushed back by a steady stream of them.
  if (any && !watches_.empty() && !settle_.isActive()) settle_.start();
}
