#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What was last read of a collection's tracks: each track's path below the
// folder, its modification time and size, its tag text and how long it
// plays. Kept in one block as it lies in the index file, sorted by path, so
// that loading it is one mapping of the file and finding a track a binary
// search. A loaded index reads the file's pages where they lie (in the page
// cache, shared, nothing copied); it is copied into memory of its own only
// when it is changed.
class CollectionIndex {
 public:
  struct Stamp {
    std::int64_t modifiedNs = 0;
    std::int64_t size = 0;
    bool operator==(const Stamp&) const = default;
  };
  // One track as the index holds it; the views live as long as the index
  // is not changed.
  struct Entry {
    std::string_view path;
    Stamp stamp;
    std::string_view tags;
    std::uint32_t lengthMs = 0;  // 0: not known
  };

  // Reads the file. A missing file is an empty index; one that is damaged,
  // of another version or inconsistent is an empty index too, and `problem`
  // says why. Nothing in the file is used before all of it is checked.
  bool Load(const std::string& file, std::string& problem);
  // Writes the index to the file through a temporary file beside it;
  // false, with the reason, when it cannot.
  bool Save(const std::string& file, std::string& problem) const;

  // The track when the index holds it with that stamp.
  std::optional<Entry> Find(std::string_view path, Stamp stamp) const;
  // The same, its tag text alone.
  bool Find(std::string_view path, Stamp stamp, std::string_view& tags) const;
  // Where the index holds a track of that path, whatever its stamp.
  std::optional<std::size_t> Position(std::string_view path) const;
  std::size_t Count() const { return Records().size(); }
  // The bytes of every track's path and tag text.
  std::size_t TextBytes() const { return Blob().size() - unused_; }
  // The tracks in the order of their paths' bytes, from 0 to Count() - 1.
  Entry At(std::size_t i) const;

  // Building a new index: room made for about so many tracks and bytes of
  // paths and tags, tracks in any order, then Finish sorts them (unless they
  // came in order).
  void Reserve(std::size_t count, std::size_t textBytes);
  void Add(std::string_view path, Stamp stamp, std::string_view tags, std::uint32_t lengthMs = 0);
  void Finish();
  // Changing a finished index one track at a time: a new track, or what
  // changed of a known one; a track gone. Remove is false when the index
  // did not hold the track.
  void Update(std::string_view path, Stamp stamp, std::string_view tags, std::uint32_t lengthMs = 0);
  bool Remove(std::string_view path);
  // Whether the two hold the same tracks with the same stamps, tags and lengths.
  bool SameAs(const CollectionIndex& other) const;

  // Calls visit(path, stamp, tags) for each track whose path starts with
  // `prefix` (every track for the empty one), in path order; a finished
  // index only.
  template <typename Visit>
  void ForEach(std::string_view prefix, const Visit& visit) const {
    for (const Record* at = LowerBound(prefix); at != Records().data() + Records().size(); ++at) {
      const std::string_view path = PathOf(*at);
      if (path.substr(0, prefix.size()) != prefix) break;
      visit(path, Stamp{at->modifiedNs, at->size}, TagsOf(*at));
    }
  }

 private:
  // A track's tag text follows its path in the blob.
  struct Record {
    std::uint32_t path, pathSize, tagsSize, lengthMs;
    std::int64_t modifiedNs, size;
  };
  static_assert(sizeof(Record) == 32);

  // The file, mapped while a loaded index is not changed.
  struct Mapping {
    Mapping(void* d, std::size_t s) : data(d), size(s) {}
    ~Mapping();
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
    void* data;
    std::size_t size;
  };

  std::span<const Record> Records() const { return mapping_ ? mappedRecords_ : std::span<const Record>(records_); }
  std::string_view Blob() const { return mapping_ ? mappedBlob_ : std::string_view(blob_); }
  // Copies a mapped index into memory of its own, before it is changed.
  void Own();
  std::string_view PathOf(const Record& r) const { return Blob().substr(r.path, r.pathSize); }
  std::string_view TagsOf(const Record& r) const {
    return Blob().substr(std::size_t{r.path} + r.pathSize, r.tagsSize);
  }
  const Record* LowerBound(std::string_view path) const;
  // The record of a track put at the end of the blob; nothing when it is full.
  std::optional<Record> Append(std::string_view path, Stamp stamp, std::string_view tags, std::uint32_t lengthMs);
  bool Consistent(std::string& problem) const;

  std::vector<Record> records_;
  std::string blob_;
  std::shared_ptr<const Mapping> mapping_;
  std::span<const Record> mappedRecords_;
  std::string_view mappedBlob_;
  // Bytes of the blob that no record uses any more (a track changed or gone).
  std::size_t unused_ = 0;
};
