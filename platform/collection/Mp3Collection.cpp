#include "platform/collection/Mp3Collection.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

Mp3Collection::Mp3Collection(QString cacheFolder, std::size_t readAtOnce)
    : readAtOnce_(readAtOnce),
      kept_(std::move(cacheFolder)),
      follower_(kept_, [this](const std::string& root, TrackChanges changes) {
        const std::lock_guard lock(changesLock_);
        // The application takes the event and deletes it.
        if (changesWaiting_.empty()) QCoreApplication::postEvent(&uiThread_, new QEvent(QEvent::User));
        changesWaiting_.emplace_back(root, std::move(changes));
      }) {}

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
  WalkFaults faults;
  if (!withTags)
    faults = WalkMp3Files(folder, [&sink](std::string_view relative, int, const char*) { sink.Track(relative, {}); });
  else
    ListWithTags(root, folder, sink, faults);
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

void Mp3Collection::ListWithTags(const std::string& root, const QString& folder, TrackSink& sink,
                                 WalkFaults& faults) {
  // Checked by the follower once watched: as soon as it is, when it is already.
  const auto checkLater = [&] {
    if (changed_ && watchedRoot_ == root)
      follower_.Check(root);
    else
      checkOwed_ = root;
  };
  kept_.Open(root);
  // What was kept stands for the folder, when the folder is still there to
  // be read; the follower's walk tells what differs.
  if (kept_.Warm()) {
    if (::access(root.c_str(), R_OK | X_OK) != 0)
      throw ControlError("cannot read the folder " + root + " (" + std::generic_category().message(errno) + ")");
    kept_.ForEach([&sink](std::string_view path, std::string_view tags) { sink.Track(path, tags); });
    checkLater();
    return;
  }

  struct Found {
    std::string path;
    CollectionIndex::Stamp stamp;
  };
  std::vector<Found> found;
  faults = WalkMp3Files(folder, [&found](std::string_view relative, int folderFd, const char* name) {
    struct stat info {};
    if (::fstatat(folderFd, name, &info, 0) != 0) return;  // gone since it was listed
    found.push_back({std::string(relative), {std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec,
                                             info.st_size}});
  });
  // Few are read here, on every core; many by the follower, while the list
  // shows the names.
  if (found.size() > readAtOnce_) {
    Diagnose("reading the tags of " + std::to_string(found.size()) + " tracks under " + root +
             " in the background; .play finds them by artist, album and title once that is done");
    for (const Found& track : found) sink.Track(track.path, {});
  } else {
    std::vector<std::string_view> paths;
    paths.reserve(found.size());
    for (const Found& track : found) paths.push_back(track.path);
    std::vector<Mp3Track> read;
    ReadTracks(root, paths, read);
    CollectionIndex next;
    for (std::size_t i = 0; i < found.size(); ++i) {
      sink.Track(found[i].path, read[i].tags);
      next.Add(found[i].path, found[i].stamp, read[i].tags, read[i].lengthMs);
    }
    next.Finish();
    kept_.Replace(std::move(next));
  }
  checkLater();
}

void Mp3Collection::Watch(const QString& folder, std::function<void(const TrackChanges&)> changed) {
  watchedRoot_ = QFile::encodeName(folder).toStdString();
  changed_ = std::move(changed);
  if (folder.isEmpty()) {
    follower_.Stop();
    return;
  }
  if (checkOwed_ == watchedRoot_) {
    checkOwed_.clear();
    follower_.Check(watchedRoot_);
  }
}
