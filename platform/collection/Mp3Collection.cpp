#include "platform/collection/Mp3Collection.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <cerrno>
#include <system_error>
#include <cstdint>
#include <vector>

#include <QFile>
#include <QCoreApplication>
#include <QStandardPaths>

#include "platform/collection/CollectionWork.h"
#include "platform/collection/Mp3TagText.h"
#include "platform/collection/TagReader.h"
#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"

Mp3Collection::Mp3Collection(QString cacheFolder, std::size_t readAtOnce, std::chrono::milliseconds walkWait)
    : walkWait_(walkWait),
      kept_(std::move(cacheFolder)),
      follower_(kept_, readAtOnce,
                [this](const std::string& root, TrackChanges changes) { Take(root, std::move(changes)); }) {}

void Mp3Collection::Take(const std::string& root, TrackChanges changes) {
  {
    const std::lock_guard lock(listingLock_);
    if (listing_ && listing_->root == root && !listing_->tracks) {
      listing_->tracks = std::move(changes);
      listed_.notify_all();
      return;
    }
  }
  if (changes.Empty()) return;
  const std::lock_guard lock(changesLock_);
  // The application takes the event and deletes it.
  if (changesWaiting_.empty()) QCoreApplication::postEvent(&uiThread_, new QEvent(QEvent::User));
  changesWaiting_.emplace_back(root, std::move(changes));
}

void Mp3Collection::TakeChanges() {
  std::vector<std::pair<std::string, TrackChanges>> taken;
  {
    const std::lock_guard lock(changesLock_);
    taken.swap(changesWaiting_);
  }
  for (const auto& [root, changes] : taken)
    if (changed_ && root == watchedRoot_) changed_(changes);
}

Mp3Collection::~Mp3Collection() = default;

QString Mp3Collection::DefaultCacheFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/morva";
}

void Mp3Collection::ListTracks(const QString& folder, bool withTags, TrackSink& sink) {
  const std::string root = QFile::encodeName(folder).toStdString();
  if (withTags) return ListWithTags(root, sink);
  const WalkFaults faults =
      WalkMp3Files(folder, [&sink](std::string_view relative, int, const char*) { sink.Track(relative, {}); });
  const std::string line = FaultLine(root, faults);
  if (!line.empty() && line != lastFaults_) Diagnose(line);
  lastFaults_ = line;
}

MusicCollection::Count Mp3Collection::CountTracks(const QString& folder, int folderLimit) {
  Count count;
  const WalkFaults faults = WalkMp3Files(
      folder, [&count](std::string_view, int, const char*) { ++count.tracks; }, nullptr,
      static_cast<std::size_t>(std::max(folderLimit, 1)));
  count.more = faults.cutShort;
  return count;
}

void Mp3Collection::ListWithTags(const std::string& root, TrackSink& sink) {
  if (::access(root.c_str(), R_OK | X_OK) != 0)
    throw ControlError("cannot read the folder " + root + " (" + std::generic_category().message(errno) + ")");
  kept_.Open(root);
  {
    // What was kept stands for the folder; the follower's walk, once it is
    // watched, tells what differs. The index is let go once listed.
    const CollectionIndex kept = kept_.Current();
    if (kept.Count() > 0) {
      sink.Expect(kept.Count(), kept.TextBytes());
      // The folders of the tracks, for the follower to watch before it walks
      // the tree. Those of one folder mostly lie together.
      std::set<std::string, std::less<>> folders;
      std::string_view last;
      kept.ForEach("", [&](std::string_view path, CollectionIndex::Stamp, std::string_view tags) {
        sink.Track(path, tags);
        const std::string_view folder = path.substr(0, path.rfind('/') + 1);
        if (folder == last) return;
        last = folder;
        for (std::size_t slash = folder.find('/'); slash != std::string_view::npos; slash = folder.find('/', slash + 1))
          folders.emplace(folder.substr(0, slash + 1));
      });
      std::vector<std::string> listed(std::make_move_iterator(folders.begin()), std::make_move_iterator(folders.end()));
      if (changed_ && watchedRoot_ == root) {
        follower_.Check(root, false, std::move(listed));
      } else {
        checkOwed_ = root;
        listedFolders_ = std::move(listed);
      }
      return;
    }
  }
  // Nothing kept: the follower walks, and this listing takes what it found.
  // A walk that takes longer than the wait gives its tracks as changes.
  std::unique_lock lock(listingLock_);
  listing_ = Listing{root, std::nullopt};
  follower_.Check(root, true);
  const bool walked = listed_.wait_for(lock, walkWait_, [this] { return listing_->tracks.has_value(); });
  const std::optional<TrackChanges> tracks = std::move(listing_->tracks);
  listing_.reset();
  lock.unlock();
  if (!walked) {
    Diagnose("the music folder " + root + " is still being walked; its tracks come into the list once that is done");
    return;
  }
  std::size_t bytes = 0;
  for (const auto& [path, tags] : tracks->added) bytes += path.size() + tags.size();
  sink.Expect(tracks->added.size(), bytes);
  for (const auto& [path, tags] : tracks->added) sink.Track(path, tags);
}

void Mp3Collection::Watch(const QString& folder, std::function<void(const TrackChanges&)> changed) {
  watchedRoot_ = QFile::encodeName(folder).toStdString();
  changed_ = std::move(changed);
  std::vector<std::string> listed = std::move(listedFolders_);
  listedFolders_.clear();
  if (folder.isEmpty()) {
    follower_.Stop();
    return;
  }
  if (checkOwed_ == watchedRoot_) {
    checkOwed_.clear();
    follower_.Check(watchedRoot_, false, std::move(listed));
  }
}
