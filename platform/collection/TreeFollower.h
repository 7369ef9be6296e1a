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
//
// A first listing is a check too: its walk is the baseline the follower
// goes on from, so the tree is walked once.
class TreeFollower {
 public:
  using Deliver = std::function<void(const std::string& root, TrackChanges changes)>;

  // `readAtOnce`: when a check finds more tracks than that whose tags are
  // not known, their names are given first, and their tags once read.
  TreeFollower(KeptTracks& kept, std::size_t readAtOnce, Deliver deliver);
  // Stops at the next file; what changed and is not written yet is written.
  ~TreeFollower();
  TreeFollower(const TreeFollower&) = delete;
  TreeFollower& operator=(const TreeFollower&) = delete;

  // Walks the folder, gives what differs from what is kept, and watches it.
  // For a listing, the first thing given is every track the walk found
  // (given even when it found none), then what changed of them. A check in
  // hand that has not given its changes yet stops for the new one.
  // `listedFolders`: the folders of the tracks the list was made from, below
  // the root ("a/b/"), watched before the walk so that a change made while
  // it goes on comes at once.
  void Check(const std::string& root, bool listing = false, std::vector<std::string> listedFolders = {});
  // Watches nothing.
  void Stop();

 private:
  struct Job {
    std::string root;  // empty: stop watching
    bool listing = false;
    std::vector<std::string> listedFolders;
  };

  void Run(std::stop_token stop);
  void Wake();
  void Queue(Job job);
  void CheckTree(const std::string& root, bool listing, const std::vector<std::string>& listedFolders = {});
  // Applies what inotify says has changed, in the middle of a walk: all but
  // a loss of events, which the walk in hand makes good.
  void ApplyWhileWalking();
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
  const std::size_t readAtOnce_;
  const Deliver deliver_;
  std::mutex mutex_;
  std::deque<Job> jobs_;
  // Asked when a job comes: the check in hand stops reading tags.
  std::stop_source newJob_;
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
