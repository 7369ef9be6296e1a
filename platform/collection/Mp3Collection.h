#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QString>

#include "platform/collection/CollectionIndex.h"
#include "platform/collection/FolderWatch.h"
#include "platform/collection/TreeWalk.h"
#include "src/seams/MusicCollection.h"

// The music collection on disk: walks the folder tree (TreeWalk), reads the
// tags (TagLib) on every core, keeps what it read in an index file in the
// user's cache folder so that only new and changed files are read again, and
// watches the folders it walked (FolderWatch).
class Mp3Collection : public MusicCollection {
 public:
  // Up to so many tags unknown to the index are read before a listing
  // returns; more are read on a thread of their own (the listing gives those
  // tracks without tags, said once on standard error) and the watch's
  // callback makes the list again when they are in.
  static constexpr std::size_t kReadAtOnce = 2000;

  // `cacheFolder`: where the index files go; the empty text keeps no index.
  explicit Mp3Collection(QString cacheFolder, std::size_t readAtOnce = kReadAtOnce);
  ~Mp3Collection() override;
  Mp3Collection(const Mp3Collection&) = delete;
  Mp3Collection& operator=(const Mp3Collection&) = delete;

  void ListTracks(const QString& folder, bool withTags, TrackSink& sink) override;
  Count CountTracks(const QString& folder, int folderLimit) override;
  void Watch(const QString& folder, std::function<void()> changed) override;

  // The user's cache folder for Morva ($XDG_CACHE_HOME/morva).
  static QString DefaultCacheFolder();

 private:
  void ListWithTags(const std::string& root, const QString& folder, TrackSink& sink, WalkFaults& faults);
  void UseIndexOf(const std::string& root);
  // Takes the index of the last listing, and writes it when it changed.
  void Keep(CollectionIndex next);
  struct TagJob;
  void StartTagJob(const std::string& root, const std::string& paths, const std::vector<std::uint32_t>& ends,
                   const std::vector<CollectionIndex::Stamp>& stamps, const std::vector<std::string_view>& known,
                   const std::vector<std::uint32_t>& lengths, const std::vector<std::size_t>& unknown);
  void FinishTagJob();
  void FollowFolders();

  QString cacheFolder_;
  std::size_t readAtOnce_;
  // Where the tag reader's end is told: the user-interface thread.
  QObject uiThread_;
  std::unique_ptr<TagJob> job_;
  // The index of the folder listed last, and the file it lives in.
  std::string indexRoot_;
  std::string indexFile_;
  CollectionIndex index_;
  // The folders of the last walk, by their full path, and its root.
  std::string walkedRoot_;
  std::vector<std::string> walkedFolders_;
  // The watch: its folder, what to call, and whether the kernel's limit has
  // already ended it (said once).
  std::string watchedRoot_;
  std::function<void()> changed_;
  std::unique_ptr<FolderWatch> watch_;
  bool watchGivenUp_ = false;
  // What the last walk left out, said once for as long as it stays the same.
  std::string lastFaults_;
};
