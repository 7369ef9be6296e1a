#include "platform/collection/TreeFollower.h"

#include <dirent.h>
#include <malloc.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <string_view>

#include <QFile>
#include <QString>

#include "platform/collection/CollectionWork.h"
#include "platform/collection/Mp3TagText.h"
#include "platform/collection/TagReader.h"
#include "platform/collection/TreeWalk.h"
#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"

namespace {

// Changes are written to the index this long after the first of them.
constexpr auto kSaveAfter = std::chrono::seconds(10);

using Stamp = CollectionIndex::Stamp;

// A file system may stamp a change with a coarse clock, up to a tick behind.
constexpr std::int64_t kClockSlackNs = 1000000000;

std::int64_t NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

Stamp StampOf(const struct stat& info) {
  return {std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec, info.st_size};
}

std::string_view NameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A name the walk would have taken: not hidden, valid UTF-8.
bool Listable(std::string_view path) {
  const std::string_view name = NameOf(path);
  if (name.empty() || name.front() == '.') return false;
  const QByteArray bytes(name.data(), static_cast<qsizetype>(name.size()));
  return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// A check or a save holds the index, a walk and the next index for a
// moment: in pieces that the allocator keeps for this thread unless told to
// give them back.
void GiveBackMemory() { ::malloc_trim(0); }

// An empty buffer with room reserved for its own mapping: the allocator maps
// a block of 32 MB or more by itself and gives it back to the system when
// freed, where the heap of a thread keeps what it grew to. A walk's buffers
// take that much room at a million tracks; the room not filled costs no
// memory.
template <typename T, typename Buffer = std::vector<T>>
Buffer OwnMapping() {
  Buffer buffer;
  buffer.reserve((std::size_t{32} << 20) / sizeof(T));
  return buffer;
}

// A track found, with its stamp.
struct Found {
  std::string path;
  Stamp stamp;
};

}  // namespace

TreeFollower::TreeFollower(KeptTracks& kept, std::size_t readAtOnce, TreeFollower::Deliver deliver)
    : kept_(kept), readAtOnce_(readAtOnce), deliver_(std::move(deliver)), wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

TreeFollower::~TreeFollower() {
  thread_.request_stop();
  Wake();
  thread_.join();
  if (wake_ >= 0) ::close(wake_);
}

void TreeFollower::Check(const std::string& root, bool listing, std::vector<std::string> listedFolders) {
  Queue({root, listing, std::move(listedFolders)});
}

void TreeFollower::Stop() { Queue({}); }

void TreeFollower::Queue(Job job) {
  {
    const std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
    newJob_.request_stop();
  }
  Wake();
}

void TreeFollower::Wake() {
  const std::uint64_t one = 1;
  if (wake_ >= 0) [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
}

void TreeFollower::Run(std::stop_token stop) {
  stop_ = stop;
  while (!stop.stop_requested()) {
    int timeout = -1;
    if (saveAt_)
      timeout = static_cast<int>(std::max<std::int64_t>(
          0, std::chrono::duration_cast<std::chrono::milliseconds>(*saveAt_ - std::chrono::steady_clock::now()).count()));
    pollfd waits[2] = {{wake_, POLLIN, 0}, {watch_.Fd(), POLLIN, 0}};
    ::poll(waits, watch_.Fd() >= 0 ? 2 : 1, timeout);
    if (stop.stop_requested()) break;
    std::uint64_t count;
    [[maybe_unused]] const ssize_t read = ::read(wake_, &count, sizeof count);
    for (;;) {
      Job job;
      {
        const std::lock_guard lock(mutex_);
        if (jobs_.empty()) break;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      if (job.root.empty()) {
        watch_.Clear();
        root_.clear();
      } else {
        CheckTree(job.root, job.listing, job.listedFolders);
        GiveBackMemory();
      }
    }
    const std::vector<FolderWatch::Event> events = watch_.Read();
    if (!root_.empty() && !events.empty()) Apply(events);
    if (saveAt_ && std::chrono::steady_clock::now() >= *saveAt_) {
      saveAt_.reset();
      kept_.SaveChanges();
      GiveBackMemory();
    }
  }
  if (kept_.HasChanges()) kept_.SaveChanges();
}

int TreeFollower::Watch(const std::string& relative) {
  if (givenUp_) return -1;
  std::string problem;
  const int added = watch_.Add(root_, relative, problem);
  if (added != -2) return added;
  givenUp_ = true;
  watch_.Clear();
  Diagnose("changes in the music folder are not followed: " + problem + "; use .refresh after changing it");
  return -1;
}

void TreeFollower::ApplyWhileWalking() {
  pollfd ready{watch_.Fd(), POLLIN, 0};
  if (watch_.Fd() < 0 || ::poll(&ready, 1, 0) != 1) return;
  std::vector<FolderWatch::Event> events = watch_.Read();
  std::erase_if(events, [](const FolderWatch::Event& e) { return e.kind == FolderWatch::Event::kOverflow; });
  if (!events.empty()) Apply(events);
}

void TreeFollower::CheckTree(const std::string& root, bool listing, const std::vector<std::string>& listedFolders) {
  // A listing waits for its tracks: it is given them, none at worst.
  const auto endListing = [&](TrackChanges tracks) {
    if (listing) deliver_(root, std::move(tracks));
    listing = false;
  };
  // A check for a folder listed before another is no longer wanted.
  if (kept_.Root() != root) return endListing({});
  std::stop_source interrupt;
  {
    const std::lock_guard lock(mutex_);
    newJob_ = interrupt;
    // One waiting already: this check walks, but reads no tags for it.
    if (!jobs_.empty()) interrupt.request_stop();
  }
  const std::stop_callback ending(stop_, [&interrupt] { interrupt.request_stop(); });
  if (root != root_) {
    watch_.Clear();
    root_ = root;
    givenUp_ = false;
  }
  // The folders listed are watched first, and what changes in them while
  // the tree is walked is applied between its files: a track added then is
  // in the list at once, not once a million files are walked.
  if (!listing && Watch("") != -1)
    for (const std::string& folder : listedFolders)
      if (Watch(folder) == -1 && givenUp_) break;
  const bool applyWhileWalking = !listing && watch_.Count() > 0;
  std::size_t sinceApplied = 0;
  // The paths one after the other, as a million of them take little room.
  std::string paths = OwnMapping<char, std::string>();
  std::vector<std::uint32_t> ends = OwnMapping<std::uint32_t>();
  std::vector<Stamp> stamps = OwnMapping<Stamp>();
  auto pathAt = [&](std::size_t i) {
    const std::uint32_t start = i == 0 ? 0 : ends[i - 1];
    return std::string_view(paths).substr(start, ends[i] - start);
  };
  std::vector<std::string> folders;
  WalkFaults faults;
  const std::int64_t walkStart = NowNs();
  try {
    faults = WalkMp3Files(
        QFile::decodeName(QByteArray::fromStdString(root)),
        [&](std::string_view relative, int folderFd, const char* name) {
          struct stat info {};
          if (::fstatat(folderFd, name, &info, 0) != 0) return;  // gone since it was listed
          if (paths.size() + relative.size() > UINT32_MAX) return;
          paths.append(relative);
          ends.push_back(static_cast<std::uint32_t>(paths.size()));
          stamps.push_back(StampOf(info));
          constexpr std::size_t kFilesBetweenLooks = 1024;
          if (applyWhileWalking && ++sinceApplied == kFilesBetweenLooks) {
            sinceApplied = 0;
            ApplyWhileWalking();
          }
        },
        &folders);
  } catch (const ControlError&) {
    return endListing({});  // the folder itself has gone: the next listing says so
  }
  const std::string line = FaultLine(root, faults);
  if (!line.empty() && line != lastFaults_) Diagnose(line);
  lastFaults_ = line;
  // Watched from here on: a change now comes as an event. One made while
  // the walk went on, after it had read the folder, shows in the folder's
  // time: such a folder is looked at again, by itself, once the rest is
  // compared.
  std::vector<std::string> changedSince;
  for (const std::string& folder : folders) {
    if (Watch(folder) == -1 && givenUp_) break;
    struct stat info {};
    if (::stat((root + '/' + folder).c_str(), &info) == 0 && StampOf(info).modifiedNs >= walkStart - kClockSlackNs)
      changedSince.push_back(folder);
  }

  // What is kept with the same stamp stands; the rest is read, on every
  // core. What was kept is read from the index file for this check alone.
  TrackChanges listed, changes;
  CollectionIndex known = kept_.Current();
  std::vector<std::uint32_t> keptAt = OwnMapping<std::uint32_t>();  // of each track found: its place in the index
  std::vector<std::size_t> unknown;
  std::vector<bool> renewed;  // of the unknown: whether the path was known, with another stamp
  {
    std::vector<bool> seen(known.Count());
    keptAt.resize(ends.size(), UINT32_MAX);
    for (std::size_t i = 0; i < ends.size(); ++i) {
      const std::optional<std::size_t> at = known.Position(pathAt(i));
      if (at) {
        seen[*at] = true;
        const CollectionIndex::Entry entry = known.At(*at);
        if (entry.stamp == stamps[i]) {
          keptAt[i] = static_cast<std::uint32_t>(*at);
          if (listing) listed.added.emplace_back(entry.path, entry.tags);
          continue;
        }
      }
      unknown.push_back(i);
      renewed.push_back(at.has_value());
    }
    // A track that came while the tree was walked, in a folder walked
    // before, is not gone: its folder is looked at again below.
    for (std::size_t k = 0; k < known.Count(); ++k)
      if (!seen[k] && !kept_.Changed(known.At(k).path)) changes.removed.emplace_back(known.At(k).path);
  }
  const bool differs = !unknown.empty() || !changes.removed.empty();
  // Many unknown: the names now, the tags when read. A track known by its
  // path keeps its old tags meanwhile.
  if (unknown.size() > readAtOnce_) {
    Diagnose("reading the tags of " + std::to_string(unknown.size()) + " tracks under " + root +
             " in the background; .play finds them by artist, album and title once that is done");
    TrackChanges names = listing ? std::move(listed) : std::move(changes);
    for (std::size_t k = 0; k < unknown.size(); ++k)
      if (listing || !renewed[k]) names.added.emplace_back(pathAt(unknown[k]), std::string());
    if (listing)
      endListing(std::move(names));
    else
      Give(std::move(names));
    changes = TrackChanges();
  }

  std::vector<std::string_view> unknownPaths;
  unknownPaths.reserve(unknown.size());
  for (const std::size_t i : unknown) unknownPaths.push_back(pathAt(i));
  std::vector<Mp3Track> read;
  ReadTracks(root, unknownPaths, read, interrupt.get_token());
  if (interrupt.stop_requested()) {
    // Another job, or the end: what was kept stays as it was. A listing
    // still takes the names.
    for (const std::string_view path : unknownPaths) listed.added.emplace_back(path, std::string());
    return endListing(std::move(listed));
  }
  for (std::size_t k = 0; k < unknown.size(); ++k) {
    if (listing)
      listed.added.emplace_back(pathAt(unknown[k]), read[k].tags);
    else
      changes.added.emplace_back(pathAt(unknown[k]), read[k].tags);
  }
  // The index is made anew only when the tree differs from it.
  CollectionIndex next;
  if (differs) {
    std::size_t bytes = known.TextBytes() + paths.size();
    for (const Mp3Track& track : read) bytes += track.tags.size();
    next.Reserve(ends.size(), bytes);
    for (std::size_t i = 0; i < ends.size(); ++i) {
      if (keptAt[i] == UINT32_MAX) continue;
      const CollectionIndex::Entry entry = known.At(keptAt[i]);
      next.Add(entry.path, entry.stamp, entry.tags, entry.lengthMs);
    }
    for (std::size_t k = 0; k < unknown.size(); ++k)
      next.Add(pathAt(unknown[k]), stamps[unknown[k]], read[k].tags, read[k].lengthMs);
    next.Finish();
  }
  const CollectionIndex& now = differs ? next : known;
  std::vector<FolderWatch::Event> since;
  for (const std::string& folder : changedSince) LookAgain(folder, now, since);
  kept_.Replace(now, differs);
  saveAt_.reset();
  // What the check held goes back before its news is given: the list takes
  // it while this thread holds no more than its watch.
  known = CollectionIndex();
  next = CollectionIndex();
  std::string().swap(paths);
  std::vector<std::uint32_t>().swap(ends);
  std::vector<std::uint32_t>().swap(keptAt);
  std::vector<Stamp>().swap(stamps);
  std::vector<Mp3Track>().swap(read);
  unknownPaths = {};
  GiveBackMemory();
  if (listing)
    endListing(std::move(listed));
  else
    Give(std::move(changes));
  if (!since.empty()) Apply(since);
}

void TreeFollower::LookAgain(const std::string& folder, const CollectionIndex& walked,
                             std::vector<FolderWatch::Event>& events) const {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir((root_ + '/' + folder).c_str()), ::closedir);
  if (!dir) return;
  std::set<std::string, std::less<>> there;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string path = folder + entry->d_name;
    if (entry->d_name[0] == '.') continue;
    there.insert(path);
    // A file the walk found as it is now is no news.
    struct stat info {};
    if (entry->d_type != DT_DIR && ::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) == 0 &&
        walked.Find(path, StampOf(info)))
      continue;
    events.push_back({entry->d_type == DT_DIR ? FolderWatch::Event::kFolderCame : FolderWatch::Event::kFileCame, path});
  }
  walked.ForEach(folder, [&](std::string_view path, Stamp, std::string_view) {
    if (path.find('/', folder.size()) == std::string_view::npos && !there.contains(path))
      events.push_back({FolderWatch::Event::kFileGone, std::string(path)});
  });
}

void TreeFollower::Apply(const std::vector<FolderWatch::Event>& events) {
  if (kept_.Root() != root_) return;
  // What happened to each file, the last event telling: its stamp when it
  // is there, nothing when it has gone.
  std::map<std::string, std::optional<Stamp>> files;
  TrackChanges changes;
  auto folderGone = [&](const std::string& path) {
    const std::string folder = path + '/';
    // A folder listed is watched, unless it was reached already by another
    // path (and so lists nothing of its own).
    const bool listed = watch_.DropUnder(folder) > 0 || kept_.CameUnder(folder);
    for (auto at = files.lower_bound(folder); at != files.end() && at->first.starts_with(folder);)
      at = files.erase(at);
    if (!listed) return;
    kept_.RemoveUnder(folder);
    changes.removed.push_back(folder);
  };
  auto folderCame = [&](const std::string& path) {
    const std::string folder = path + '/';
    if (Watch(folder) != 1) return;  // gone again, or reached already by another path
    std::vector<std::string> inside;
    std::vector<Found> found;
    try {
      WalkMp3Files(
          QFile::decodeName(QByteArray::fromStdString(root_ + '/' + path)),
          [&](std::string_view relative, int folderFd, const char* name) {
            struct stat info {};
            if (::fstatat(folderFd, name, &info, 0) == 0) found.push_back({folder + std::string(relative), StampOf(info)});
          },
          &inside);
    } catch (const ControlError&) {
      return;
    }
    // A folder inside that is watched already was reached by a link: its
    // tracks are listed under the path they were first found at.
    std::vector<std::string> again;
    for (const std::string& relative : inside)
      if (!relative.empty() && Watch(folder + relative) == 0) again.push_back(folder + relative);
    for (Found& track : found)
      if (std::none_of(again.begin(), again.end(), [&](const std::string& a) { return track.path.starts_with(a); }))
        files[track.path] = track.stamp;
  };

  for (const FolderWatch::Event& event : events) {
    if (event.kind == FolderWatch::Event::kOverflow) {
      Diagnose("too many changes at once in the music folder: it is walked again");
      CheckTree(root_, false);
      return;
    }
    if (!Listable(event.path)) continue;
    switch (event.kind) {
      case FolderWatch::Event::kFileCame: {
        struct stat info {};
        const std::string full = root_ + '/' + event.path;
        if (::stat(full.c_str(), &info) != 0) {
          if (HasMp3Extension(event.path)) files[event.path] = std::nullopt;
        } else if (S_ISDIR(info.st_mode)) {
          folderCame(event.path);  // a link to a folder
        } else if (S_ISREG(info.st_mode) && HasMp3Extension(event.path)) {
          files[event.path] = StampOf(info);
        }
        break;
      }
      case FolderWatch::Event::kFileGone:
        if (HasMp3Extension(event.path))
          files[event.path] = std::nullopt;
        else
          folderGone(event.path);  // a link to a folder goes as a file
        break;
      case FolderWatch::Event::kFolderCame:
        folderCame(event.path);
        break;
      case FolderWatch::Event::kFolderGone:
        folderGone(event.path);
        break;
      case FolderWatch::Event::kOverflow:
        break;
    }
  }

  // A track that went is given as gone, whether it was listed or not: the
  // list forgets what it does not hold. One that came has its tags and
  // length read, unless it came already with that stamp.
  std::vector<std::string_view> came;
  std::vector<Stamp> cameStamps;
  for (const auto& [path, stamp] : files) {
    if (!stamp) {
      kept_.Remove(path);
      changes.removed.push_back(path);
      continue;
    }
    const std::optional<KeptTracks::Entry> known = kept_.Changed(path);
    if (known && known->stamp == *stamp) continue;
    came.push_back(path);
    cameStamps.push_back(*stamp);
  }
  std::vector<Mp3Track> read;
  ReadTracks(root_, came, read, stop_);
  if (stop_.stop_requested()) return;
  for (std::size_t k = 0; k < came.size(); ++k) {
    kept_.Put(came[k], cameStamps[k], read[k].tags, read[k].lengthMs);
    changes.added.emplace_back(came[k], std::move(read[k].tags));
  }
  if (changes.Empty()) return;
  if (!saveAt_) saveAt_ = std::chrono::steady_clock::now() + kSaveAfter;
  Give(std::move(changes));
}

void TreeFollower::Give(TrackChanges changes) {
  if (!changes.Empty()) deliver_(root_, std::move(changes));
}
