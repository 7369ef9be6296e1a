#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "platform/collection/CollectionIndex.h"

// What is known of the tracks of the folder listed last: its index as read
// from (or last written to) the cache folder, and what changed since. The
// listing reads it on the user-interface thread, the follower keeps it up
// to date on its own; every call takes the lock.
class KeptTracks {
 public:
  using Stamp = CollectionIndex::Stamp;

  // `cacheFolder`: where the index files go; the empty text keeps none.
  explicit KeptTracks(QString cacheFolder);

  // Uses the index of this folder, read from its file when it is another
  // folder than the last (a damaged file is read as none, and said).
  void Open(const std::string& root);
  std::string Root() const;
  // Whether any track is known.
  bool Warm() const;

  // The tag text of the track when it is known with that stamp.
  bool Find(std::string_view path, Stamp stamp, std::string& tags) const;
  bool Has(std::string_view path) const;
  // Every track known, in no particular order.
  void ForEach(const std::function<void(std::string_view path, std::string_view tags)>& visit) const;

  // A track new or changed, gone, or every track below a folder ("a/b/")
  // gone; false when nothing was known of it.
  void Put(std::string_view path, Stamp stamp, std::string_view tags);
  bool Remove(std::string_view path);
  bool RemoveUnder(std::string_view folder);

  // What a whole walk found: it replaces what was known, and is written when
  // it differs from the index file's.
  void Replace(CollectionIndex next);
  // Writes what changed since the index was read or written into it.
  void SaveChanges();
  bool Changed() const;

 private:
  struct Entry {
    Stamp stamp;
    std::string tags;
    bool operator==(const Entry&) const = default;
  };
  using Changes = std::map<std::string, std::optional<Entry>, std::less<>>;

  // Both under the lock.
  std::optional<Entry> Known(std::string_view path) const;
  void Write(const CollectionIndex& index);

  mutable std::mutex mutex_;
  const QString cacheFolder_;
  std::string root_;
  std::string file_;
  CollectionIndex index_;
  // Since the index: a track's new entry, or nothing for one gone.
  Changes changes_;
};
