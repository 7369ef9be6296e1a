#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include <QObject>
#include <QString>

#include "platform/collection/KeptTracks.h"
#include "platform/collection/TreeFollower.h"
#include "platform/collection/TreeWalk.h"
#include "src/seams/MusicCollection.h"

// The music collection on disk: walks the folder tree (TreeWalk), reads the
// tags (TagLib) on every core, keeps what it read in an index file in the
// user's cache folder (KeptTracks) so that the next listing comes from it
// without a walk and only new and changed files are read again, and follows
// the watched folder on a thread of its own (TreeFollower).
class Mp3Collection : public MusicCollection {
 public:
  // Up to so many tags are read before a first listing (one without an
  // index) returns; more are read by the follower once the folder is
  // watched (the listing gives those tracks without tags, said once on
  // standard error), and come to the watch's callback as changes.
  static constexpr std::size_t kReadAtOnce = 2000;

  // `cacheFolder`: where the index files go; the empty text keeps no index.
  explicit Mp3Collection(QString cacheFolder, std::size_t readAtOnce = kReadAtOnce);
  ~Mp3Collection() override;
  Mp3Collection(const Mp3Collection&) = delete;
  Mp3Collection& operator=(const Mp3Collection&) = delete;

  void ListTracks(const QString& folder, bool withTags, TrackSink& sink) override;
  Count CountTracks(const QString& folder, int folderLimit) override;
  void Watch(const QString& folder, std::function<void(const TrackChanges&)> changed) override;

  // The user's cache folder for Morva ($XDG_CACHE_HOME/morva).
  static QString DefaultCacheFolder();

 private:
  void ListWithTags(const std::string& root, const QString& folder, TrackSink& sink, WalkFaults& faults);

  std::size_t readAtOnce_;
  // Where the follower's changes are handed over: the user-interface thread.
  QObject uiThread_;
  KeptTracks kept_;
  // The watch: its folder and what to call.
  std::string watchedRoot_;
  std::function<void(const TrackChanges&)> changed_;
  // The folder listed last with its tags, to be checked once it is watched.
  std::string checkOwed_;
  // What the last walk left out, said once for as long as it stays the same.
  std::string lastFaults_;
  // Last, so that its thread ends first.
  TreeFollower follower_;
};
