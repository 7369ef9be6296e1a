#include "platform/collection/Mp3Collection.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

#include <QDir>
#include <QMetaObject>
#include <QFile>
#include <QStandardPaths>

#include "platform/collection/TagReader.h"
#include "platform/collection/TreeWalk.h"
#include "src/seams/Diagnostic.h"

namespace {

// Paths found by a walk, one after the other, with their stamps.
struct FoundTracks {
  std::string bytes;
  std::vector<std::uint32_t> ends;
  std::vector<CollectionIndex::Stamp> stamps;

  std::size_t Count() const { return ends.size(); }
  std::string_view At(std::size_t i) const {
    const std::uint32_t start = i == 0 ? 0 : ends[i - 1];
    return std::string_view(bytes).substr(start, ends[i] - start);
  }
};

std::string FaultLine(const std::string& root, const WalkFaults& faults) {
  std::string line;
  if (faults.unreadableFolders > 0)
    line = std::to_string(faults.unreadableFolders) + " folder(s) under " + root +
           " left out: they cannot be read, first " + faults.firstUnreadable;
  if (faults.unreadableNames > 0)
    line += (line.empty() ? "" : "; ") + std::to_string(faults.unreadableNames) + " name(s) under " + root +
            " left out: they are not valid UTF-8";
  return line;
}

// A name for the folder's index file that no other folder's has (but by a
// 64-bit accident).
std::string IndexName(const std::string& root) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : root) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char name[40];
  std::snprintf(name, sizeof name, "collection-%016llx.index", static_cast<unsigned long long>(hash));
  return name;
}

}  // namespace

// The tags read on a thread of their own: the tracks as the walk found
// them, the tags known already, and those still to read.
struct Mp3Collection::TagJob {
  std::string root;
  std::string paths;
  std::vector<std::uint32_t> ends;
  std::vector<CollectionIndex::Stamp> stamps;
  std::vector<std::string> tags;
  std::vector<std::uint32_t> lengths;
  std::vector<std::size_t> unknown;
  std::jthread thread;

  std::string_view At(std::size_t i) const {
    const std::uint32_t start = i == 0 ? 0 : ends[i - 1];
    return std::string_view(paths).substr(start, ends[i] - start);
  }
};

Mp3Collection::Mp3Collection(QString cacheFolder, std::size_t readAtOnce)
    : cacheFolder_(std::move(cacheFolder)), readAtOnce_(readAtOnce) {}

Mp3Collection::~Mp3Collection() {
  // A read still running stops at its next file.
  if (job_) {
    job_->thread.request_stop();
    job_->thread.join();
  }
}

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
  UseIndexOf(root);
  FoundTracks found;
  std::vector<std::string> folders;
  faults = WalkMp3Files(
      folder,
      [&found](std::string_view relative, int folderFd, const char* name) {
        struct stat info {};
        if (::fstatat(folderFd, name, &info, 0) != 0) return;  // gone since it was listed
        found.bytes.append(relative);
        found.ends.push_back(static_cast<std::uint32_t>(found.bytes.size()));
        found.stamps.push_back({std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec, info.st_size});
      },
      &folders);

  // What the index knows stands; the rest is read, on every core: here when
  // it is little, else on a thread of its own while the list shows the
  // names, and the list is made again when it is done.
  const std::size_t count = found.Count();
  std::vector<std::string_view> tags(count);
  std::vector<std::uint32_t> lengths(count);
  std::vector<std::size_t> unknown;
  for (std::size_t i = 0; i < count; ++i) {
    if (const std::optional<CollectionIndex::Entry> known = index_.Find(found.At(i), found.stamps[i])) {
      tags[i] = known->tags;
      lengths[i] = known->lengthMs;
    } else {
      unknown.push_back(i);
    }
  }
  if (unknown.size() > readAtOnce_) {
    if (!job_) StartTagJob(root, found.bytes, found.ends, found.stamps, tags, lengths, unknown);
    for (std::size_t i = 0; i < count; ++i) sink.Track(found.At(i), tags[i]);
  } else {
    std::vector<std::string_view> paths;
    paths.reserve(unknown.size());
    for (const std::size_t i : unknown) paths.push_back(found.At(i));
    std::vector<Mp3Track> read;
    ReadTracks(root, paths, read);
    for (std::size_t k = 0; k < unknown.size(); ++k) {
      tags[unknown[k]] = read[k].tags;
      lengths[unknown[k]] = read[k].lengthMs;
    }
    for (std::size_t i = 0; i < count; ++i) sink.Track(found.At(i), tags[i]);
    CollectionIndex next;
    for (std::size_t i = 0; i < count; ++i) next.Add(found.At(i), found.stamps[i], tags[i], lengths[i]);
    next.Finish();
    Keep(std::move(next));
  }

  walkedRoot_ = root;
  walkedFolders_.clear();
  for (const std::string& relative : folders) walkedFolders_.push_back(relative.empty() ? root : root + '/' + relative);
  if (watchedRoot_ == root) FollowFolders();
}

void Mp3Collection::Keep(CollectionIndex next) {
  if (!indexFile_.empty() && !next.SameAs(index_)) {
    std::string problem;
    if (!QDir().mkpath(cacheFolder_) || !next.Save(indexFile_, problem))
      Diagnose("the collection's index is not kept: " +
               (problem.empty() ? "cannot make " + cacheFolder_.toStdString() : problem));
  }
  index_ = std::move(next);
}

void Mp3Collection::StartTagJob(const std::string& root, const std::string& paths,
                                const std::vector<std::uint32_t>& ends,
                                const std::vector<CollectionIndex::Stamp>& stamps,
                                const std::vector<std::string_view>& known, const std::vector<std::uint32_t>& lengths,
                                const std::vector<std::size_t>& unknown) {
  job_ = std::make_unique<TagJob>();
  TagJob& job = *job_;
  job.root = root;
  job.paths = paths;
  job.ends = ends;
  job.stamps = stamps;
  job.tags.assign(known.begin(), known.end());
  job.lengths = lengths;
  job.unknown = unknown;
  Diagnose("reading the tags of " + std::to_string(unknown.size()) + " tracks under " + root +
           " in the background; .play finds them by artist, album and title once that is done");
  job.thread = std::jthread([this, &job](std::stop_token stop) {
    std::vector<std::string_view> paths;
    paths.reserve(job.unknown.size());
    for (const std::size_t i : job.unknown) paths.push_back(job.At(i));
    std::vector<Mp3Track> read;
    ReadTracks(job.root, paths, read, stop);
    for (std::size_t k = 0; k < read.size(); ++k) {
      job.tags[job.unknown[k]] = std::move(read[k].tags);
      job.lengths[job.unknown[k]] = read[k].lengthMs;
    }
    if (!stop.stop_requested()) QMetaObject::invokeMethod(&uiThread_, [this] { FinishTagJob(); }, Qt::QueuedConnection);
  });
}

void Mp3Collection::FinishTagJob() {
  if (!job_) return;
  job_->thread.join();
  const std::unique_ptr<TagJob> job = std::move(job_);
  if (job->root != indexRoot_) return;
  CollectionIndex next;
  for (std::size_t i = 0; i < job->stamps.size(); ++i) next.Add(job->At(i), job->stamps[i], job->tags[i], job->lengths[i]);
  next.Finish();
  Keep(std::move(next));
  // The list is made again, now with every tag, as after a change.
  if (changed_ && watchedRoot_ == job->root) changed_();
}

void Mp3Collection::UseIndexOf(const std::string& root) {
  if (root == indexRoot_) return;
  indexRoot_ = root;
  index_ = CollectionIndex();
  if (cacheFolder_.isEmpty()) return;
  indexFile_ = QFile::encodeName(cacheFolder_).toStdString() + '/' + IndexName(root);
  std::string problem;
  if (!index_.Load(indexFile_, problem)) Diagnose(problem + "; every track's tags are read again");
}

void Mp3Collection::Watch(const QString& folder, std::function<void()> changed) {
  watchedRoot_ = QFile::encodeName(folder).toStdString();
  changed_ = std::move(changed);
  if (!watch_) watch_ = std::make_unique<FolderWatch>([this] {
    if (changed_) changed_();
  });
  if (folder.isEmpty() || walkedRoot_ != watchedRoot_) {
    std::string unused;
    watch_->WatchOnly({}, unused);
    return;
  }
  FollowFolders();
}

void Mp3Collection::FollowFolders() {
  if (watchGivenUp_ || !watch_) return;
  std::string problem;
  if (watch_->WatchOnly(walkedFolders_, problem)) return;
  watchGivenUp_ = true;
  Diagnose("changes in the music folder are not followed: " + problem + "; use .refresh after changing it");
}
