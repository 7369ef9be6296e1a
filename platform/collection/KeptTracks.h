#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include <QString>

#include "platform/collection/CollectionIndex.h"

// What is known of the tracks of the folder listed last: its index file in
// the cache folder, and what changed since it was written. The index itself
// is not held here: the file list holds every name already, so the index is
// read from its file only for as long as a listing, a check or a save needs
// it, by whoever asks. The listing asks on the user-interface thread, the
// follower on its own; every call takes the lock.
class KeptTracks {
 public:
  using Stamp = CollectionIndex::Stamp;
  struct Entry {
    Stamp stamp;
    std::string tags;
    std::uint32_t lengthMs = 0;
  };

  // `cacheFolder`: where the index files go; the empty text keeps none.
  explicit KeptTracks(QString cacheFolder);

  // Keeps the tracks of this folder from now on; what changed is kept while
  // it stays the same folder.
  void Open(const std::string& root);
  std::string Root() const;

  // The index as last written, with what changed since: read from its file
  // (a damaged one is read as none, and said once).
  CollectionIndex Current() const;

  // A track new or changed since the index was written; nothing when it
  // did not change since, or is not known.
  std::optional<Entry> Changed(std::string_view path) const;
  // A track new or changed, gone, or every track below a folder ("a/b/") gone.
  void Put(std::string_view path, Stamp stamp, std::string_view tags, std::uint32_t lengthMs);
  void Remove(std::string_view path);
  void RemoveUnder(std::string_view folder);
  // Whether a track below the folder ("a/b/") came since the index was written.
  bool CameUnder(std::string_view folder) const;

  // What a whole walk found: it is written when it differs from the index
  // file's (`differs`) or when changes were kept, which it takes the place of.
  void Replace(const CollectionIndex& next, bool differs);
  // Writes what changed since the index was read or written into it.
  void SaveChanges();
  bool HasChanges() const;

 private:
  // A track's new entry, or nothing for a track gone; a key ending in "/"
  // is a folder gone, every track below it with it (those that came back
  // since have keys of their own, after the folder's).
  using Changes = std::map<std::string, std::optional<Entry>, std::less<>>;

  // Under the lock.
  CollectionIndex Load() const;
  void Write(const CollectionIndex& index);

  mutable std::mutex mutex_;
  const QString cacheFolder_;
  std::string root_;
  std::string file_;
  Changes changes_;
  // The last thing said of the index file, so that it is said once.
  mutable std::string lastProblem_;
};
