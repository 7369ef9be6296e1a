#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "platform/collection/CollectionIndex.h"
#include "platform/collection/FolderWatch.h"
#include "platform/collection/KeptTracks.h"
#include "src/seams/MusicCollection.h"

// Follows the listed folder's tree on a thread of its own: checks it against
// what is kept (a whole walk), then applies inotify's events one by one, so
// that a change costs what the change is: a file that came has its tags
// read, a folder that came is walked by itself and watched, one that went
// takes its tracks and watches along. Only when the kernel dropped events is
// the tree walked whole again. Keeps the tracks up to date and gives what
// changed to `deliver`, on its own thread.
class TreeFollower {
 public:
  using Deliver = std::function<void(const std::string& root, TrackChanges changes)>;

  TreeFollower(KeptTracks& kept, Deliver deliver);
  // Stops at the next file; what changed and is not written yet is written.
  ~TreeFollower();
  TreeFollower(const TreeFollower&) = delete;
  TreeFollower& operator=(const TreeFollower&) = delete;

  // Walks the folder, gives what differs from what is kept, and watches it.
  void Check(const std::string& root);
  // Watches nothing.
  void Stop();

 private:
  struct Job {
    std::string root;  // empty: stop watching
  };

  void Run(std::stop_token stop);
  void Wake();
  void CheckTree(const std::string& root);
  void Apply(const std::vector<FolderWatch::Event>& events);
  // What a folder holds now, as events: each name in it as come, each track
  // the walk found in it and that is no longer there as gone.
  void LookAgain(const std::string& folder, const CollectionIndex& walked,
                 std::vector<FolderWatch::Event>& events) const;
  // Watches the folder below the root: FolderWatch::Add's answer, but at
  // the kernel's limit -1, with nothing watched any more (said once).
  int Watch(const std::string& relative);
  void Give(TrackChanges changes);

  KeptTracks& kept_;
  const Deliver deliver_;
  std::mutex mutex_;
  std::deque<Job> jobs_;
  int wake_ = -1;
  // The thread's own.
  FolderWatch watch_;
  std::string root_;
  bool givenUp_ = false;
  std::string lastFaults_;
  std::optional<std::chrono::steady_clock::time_point> saveAt_;
  // Asked at the end: a check in hand stops reading tags.
  std::stop_token stop_;
  std::jthread thread_;
};
