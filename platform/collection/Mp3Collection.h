#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QEvent>
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
//
// A first listing (one without an index) is the follower's walk: the
// listing waits for it, a while at most; a walk that takes longer gives its
// tracks to the watch's callback, as changes, once it is done.
class Mp3Collection : public MusicCollection {
 public:
  // Up to so many tags are read before a first listing returns; more are
  // read by the follower (the listing gives those tracks without tags, said
  // once on standard error), and come to the watch's callback as changes.
  static constexpr std::size_t kReadAtOnce = 2000;
  // How long a first listing waits for the follower's walk.
  static constexpr std::chrono::milliseconds kWalkWait{1000};

  // `cacheFolder`: where the index files go; the empty text keeps no index.
  explicit Mp3Collection(QString cacheFolder, std::size_t readAtOnce = kReadAtOnce,
                         std::chrono::milliseconds walkWait = kWalkWait);
  ~Mp3Collection() override;
  Mp3Collection(const Mp3Collection&) = delete;
  Mp3Collection& operator=(const Mp3Collection&) = delete;

  void ListTracks(const QString& folder, bool withTags, TrackSink& sink) override;
  Count CountTracks(const QString& folder, int folderLimit) override;
  void Watch(const QString& folder, std::function<void(const TrackChanges&)> changed) override;

  // The user's cache folder for Morva ($XDG_CACHE_HOME/morva).
  static QString DefaultCacheFolder();

 private:
  void ListWithTags(const std::string& root, TrackSink& sink);
  // The follower's tracks or changes: to a listing that waits for them, or
  // to the user-interface thread.
  void Take(const std::string& root, TrackChanges changes);

  const std::chrono::milliseconds walkWait_;
  // A first listing waiting for the follower's walk of its folder.
  struct Listing {
    std::string root;
    std::optional<TrackChanges> tracks;
  };
  std::mutex listingLock_;
  std::condition_variable listed_;
  std::optional<Listing> listing_;
  // Where the follower's changes are handed over: the user-interface thread.
  // The changes wait here, under their own lock, until the user-interface
  // thread takes them; the event only wakes it. (Qt's own queue is not seen
  // by the thread sanitizer, so nothing the follower made is read through it.)
  // The event is made under that lock, and read only after taking it.
  class Wake : public QObject {
   public:
    Wake(std::mutex& lock, std::function<void()> woken) : lock_(lock), woken_(std::move(woken)) {}
    bool event(QEvent* event) override {
      { const std::lock_guard made(lock_); }
      if (event->type() != QEvent::User) return QObject::event(event);
      woken_();
      return true;
    }

   private:
    std::mutex& lock_;
    std::function<void()> woken_;
  };
  void TakeChanges();
  std::mutex changesLock_;
  std::vector<std::pair<std::string, TrackChanges>> changesWaiting_;
  Wake uiThread_{changesLock_, [this] { TakeChanges(); }};
  KeptTracks kept_;
  // The watch: its folder and what to call.
  std::string watchedRoot_;
  std::function<void(const TrackChanges&)> changed_;
  // The folder listed last with its tags, to be checked once it is watched,
  // and the index it was listed from.
  std::string checkOwed_;
  std::vector<std::string> listedFolders_;
  // What the last walk left out, said once for as long as it stays the same.
  std::string lastFaults_;
  // Last, so that its thread ends first.
  TreeFollower follower_;
};
