#include "platform/collection/CollectionIndex.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <system_error>

namespace {

constexpr char kMagic[8] = {'M', 'O', 'R', 'V', 'A', 'I', 'D', 'X'};
// Raised whenever the layout or the meaning of the tag text changes.
// 2: each track's length; its tag text follows its path.
constexpr std::uint32_t kVersion = 2;

struct Header {
  char magic[8];
  std::uint32_t version;
  std::uint32_t count;
  std::uint64_t blobSize;
  std::uint64_t checksum;
};
static_assert(sizeof(Header) == 32);

// FNV-1a over 8-byte words in four lanes (so that the multiplications
// overlap), the tail byte by byte: a damaged file shows.
std::uint64_t Checksum(const char* data, std::size_t size, std::uint64_t seed = 14695981039346656037ull) {
  constexpr std::uint64_t kPrime = 1099511628211ull;
  std::uint64_t lane[4] = {seed, seed ^ 1, seed ^ 2, seed ^ 3};
  std::size_t i = 0;
  for (; i + 32 <= size; i += 32) {
    std::uint64_t words[4];
    std::memcpy(words, data + i, 32);
    for (int k = 0; k < 4; ++k) lane[k] = (lane[k] ^ words[k]) * kPrime;
  }
  std::uint64_t hash = seed;
  for (const std::uint64_t l : lane) hash = (hash ^ l) * kPrime;
  for (; i < size; ++i) hash = (hash ^ static_cast<unsigned char>(data[i])) * kPrime;
  return hash;
}

std::string Why(int error) { return std::generic_category().message(error); }

// Reads exactly `size` bytes; false at the file's end or on an error.
bool ReadFully(int fd, void* to, std::size_t size) {
  auto* at = static_cast<char*>(to);
  while (size > 0) {
    const ssize_t got = ::read(fd, at, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    at += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

struct FileCloser {
  const int fd;
  ~FileCloser() { ::close(fd); }
};

}  // namespace

CollectionIndex::Mapping::~Mapping() { ::munmap(data, size); }

bool CollectionIndex::Load(const std::string& file, std::string& problem) {
  *this = CollectionIndex();
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return true;
    problem = "cannot read " + file + " (" + Why(errno) + ")";
    return false;
  }
  const FileCloser closer{fd};
  Header header{};
  const bool read = ReadFully(fd, &header, sizeof header);
  if (read && (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.version != kVersion)) {
    problem = file + " is not an index of this version";
    return false;
  }
  // Sizes are checked against the file before anything is mapped.
  struct stat info {};
  const std::uint64_t expected = sizeof header + std::uint64_t{header.count} * sizeof(Record) + header.blobSize;
  if (!read || ::fstat(fd, &info) != 0 || static_cast<std::uint64_t>(info.st_size) != expected) {
    problem = file + " is damaged (its size does not add up)";
    return false;
  }
  void* data = ::mmap(nullptr, expected, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  if (data == MAP_FAILED) {
    problem = "cannot read " + file + " (" + Why(errno) + ")";
    return false;
  }
  mapping_ = std::make_shared<const Mapping>(data, expected);
  const char* at = static_cast<const char*>(data) + sizeof header;
  mappedRecords_ = std::span<const Record>(reinterpret_cast<const Record*>(at), header.count);
  mappedBlob_ = std::string_view(at + std::size_t{header.count} * sizeof(Record), header.blobSize);
  // The sum on a thread of its own while the tracks are checked here; both
  // are done before anything in the file is used.
  std::future<std::uint64_t> summed = std::async(std::launch::async, [this, at] {
    return Checksum(mappedBlob_.data(), mappedBlob_.size(), Checksum(at, mappedRecords_.size() * sizeof(Record)));
  });
  const bool consistent = Consistent(problem);
  const std::uint64_t sum = summed.get();
  if (sum != header.checksum) {
    problem = file + " is damaged (its checksum does not match)";
  } else if (consistent) {
    return true;
  } else {
    problem = file + " is damaged (" + problem + ")";
  }
  *this = CollectionIndex();
  return false;
}

void CollectionIndex::Own() {
  if (!mapping_) return;
  records_.assign(mappedRecords_.begin(), mappedRecords_.end());
  blob_.assign(mappedBlob_);
  mapping_.reset();
  mappedRecords_ = {};
  mappedBlob_ = {};
}

bool CollectionIndex::Consistent(std::string& problem) const {
  const std::span<const Record> records = Records();
  const std::uint64_t size = Blob().size();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const Record& r = records[i];
    if (std::uint64_t{r.path} + r.pathSize + r.tagsSize > size) {
      problem = "a track lies outside the file";
      return false;
    }
    if (i > 0 && !(PathOf(records[i - 1]) < PathOf(r))) {
      problem = "the tracks are out of order";
      return false;
    }
    // Tag text as the collection gives it: fields ending in NULs, no other
    // control character.
    const std::string_view tags = TagsOf(r);
    if (!tags.empty() && tags.back() != '\0') {
      problem = "a track's tags are cut";
      return false;
    }
    // Without a branch a byte, which the compiler makes a few bytes a step.
    bool control = false;
    for (const char c : tags) control |= (static_cast<unsigned char>(c) < 0x20) & (c != '\0');
    if (control) {
      problem = "a track's tags hold control characters";
      return false;
    }
  }
  return true;
}

bool CollectionIndex::Save(const std::string& file, std::string& problem) const {
  if (unused_ > 0) {
    // Written without the bytes of tracks changed or gone.
    CollectionIndex compact;
    compact.blob_.reserve(Blob().size() - unused_);
    compact.records_.reserve(Count());
    for (const Record& r : Records())
      compact.records_.push_back(*compact.Append(PathOf(r), {r.modifiedNs, r.size}, TagsOf(r), r.lengthMs));
    return compact.Save(file, problem);
  }
  const std::string temporary = file + ".new";
  std::FILE* out = std::fopen(temporary.c_str(), "wbe");
  if (!out) {
    problem = "cannot write " + temporary + " (" + Why(errno) + ")";
    return false;
  }
  Header header{};
  std::memcpy(header.magic, kMagic, sizeof kMagic);
  header.version = kVersion;
  const std::span<const Record> records = Records();
  const std::string_view blob = Blob();
  header.count = static_cast<std::uint32_t>(records.size());
  header.blobSize = blob.size();
  header.checksum = Checksum(blob.data(), blob.size(),
                             Checksum(reinterpret_cast<const char*>(records.data()), records.size() * sizeof(Record)));
  bool written = std::fwrite(&header, sizeof header, 1, out) == 1 &&
                 (records.empty() || std::fwrite(records.data(), sizeof(Record), records.size(), out) == records.size()) &&
                 (blob.empty() || std::fwrite(blob.data(), 1, blob.size(), out) == blob.size());
  written = std::fclose(out) == 0 && written;
  if (!written || std::rename(temporary.c_str(), file.c_str()) != 0) {
    problem = "cannot write " + file + " (" + Why(errno) + ")";
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

const CollectionIndex::Record* CollectionIndex::LowerBound(std::string_view path) const {
  const std::span<const Record> records = Records();
  return std::lower_bound(records.data(), records.data() + records.size(), path,
                          [this](const Record& r, std::string_view p) { return PathOf(r) < p; });
}

CollectionIndex::Entry CollectionIndex::At(std::size_t i) const {
  const Record& r = Records()[i];
  return {PathOf(r), {r.modifiedNs, r.size}, TagsOf(r), r.lengthMs};
}

std::optional<CollectionIndex::Entry> CollectionIndex::Find(std::string_view path, Stamp stamp) const {
  const auto at = LowerBound(path);
  if (at == Records().data() + Count() || PathOf(*at) != path || at->modifiedNs != stamp.modifiedNs ||
      at->size != stamp.size)
    return std::nullopt;
  return At(static_cast<std::size_t>(at - Records().data()));
}

bool CollectionIndex::Find(std::string_view path, Stamp stamp, std::string_view& tags) const {
  const std::optional<Entry> entry = Find(path, stamp);
  if (entry) tags = entry->tags;
  return entry.has_value();
}

std::optional<CollectionIndex::Record> CollectionIndex::Append(std::string_view path, Stamp stamp,
                                                               std::string_view tags, std::uint32_t lengthMs) {
  // Beyond 4 GiB a track is not kept: its tags are read again next time.
  if (blob_.size() + path.size() + tags.size() > UINT32_MAX) return std::nullopt;
  // Text of this index itself (an entry given back) would move as the blob grows.
  const auto inBlob = [this](std::string_view text) {
    return !text.empty() && std::less_equal<>()(blob_.data(), text.data()) &&
           std::less<>()(text.data(), blob_.data() + blob_.size());
  };
  if (inBlob(path) || inBlob(tags)) {
    const std::string pathCopy(path), tagsCopy(tags);
    return Append(pathCopy, stamp, tagsCopy, lengthMs);
  }
  Record r{};
  r.path = static_cast<std::uint32_t>(blob_.size());
  r.pathSize = static_cast<std::uint32_t>(path.size());
  r.tagsSize = static_cast<std::uint32_t>(tags.size());
  r.lengthMs = lengthMs;
  r.modifiedNs = stamp.modifiedNs;
  r.size = stamp.size;
  blob_.append(path);
  blob_.append(tags);
  return r;
}

void CollectionIndex::Reserve(std::size_t count, std::size_t textBytes) {
  Own();
  records_.reserve(count);
  blob_.reserve(textBytes);
}

void CollectionIndex::Add(std::string_view path, Stamp stamp, std::string_view tags, std::uint32_t lengthMs) {
  if (mapping_) {
    // What is given may lie in the mapping, which goes.
    const std::string pathCopy(path), tagsCopy(tags);
    Own();
    return Add(pathCopy, stamp, tagsCopy, lengthMs);
  }
  if (const std::optional<Record> r = Append(path, stamp, tags, lengthMs)) records_.push_back(*r);
}

void CollectionIndex::Finish() {
  Own();
  const auto before = [this](const Record& a, const Record& b) { return PathOf(a) < PathOf(b); };
  if (!std::is_sorted(records_.begin(), records_.end(), before)) std::sort(records_.begin(), records_.end(), before);
}

std::optional<std::size_t> CollectionIndex::Position(std::string_view path) const {
  const Record* at = LowerBound(path);
  if (at == Records().data() + Count() || PathOf(*at) != path) return std::nullopt;
  return static_cast<std::size_t>(at - Records().data());
}

void CollectionIndex::Update(std::string_view path, Stamp stamp, std::string_view tags, std::uint32_t lengthMs) {
  if (mapping_) {
    const std::string pathCopy(path), tagsCopy(tags);
    Own();
    return Update(pathCopy, stamp, tagsCopy, lengthMs);
  }
  const auto at = records_.begin() + (LowerBound(path) - records_.data());
  const bool known = at != records_.end() && PathOf(*at) == path;
  if (known && TagsOf(*at) == tags) {
    at->modifiedNs = stamp.modifiedNs;
    at->size = stamp.size;
    at->lengthMs = lengthMs;
    return;
  }
  const std::optional<Record> r = Append(path, stamp, tags, lengthMs);
  if (!r) return;
  if (known) {
    unused_ += std::size_t{at->pathSize} + at->tagsSize;
    *at = *r;
  } else {
    records_.insert(at, *r);
  }
}

bool CollectionIndex::Remove(std::string_view path) {
  if (mapping_) {
    const std::string pathCopy(path);
    Own();
    return Remove(pathCopy);
  }
  const auto at = records_.begin() + (LowerBound(path) - records_.data());
  if (at == records_.end() || PathOf(*at) != path) return false;
  unused_ += std::size_t{at->pathSize} + at->tagsSize;
  records_.erase(at);
  return true;
}

bool CollectionIndex::SameAs(const CollectionIndex& other) const {
  if (Count() != other.Count()) return false;
  for (std::size_t i = 0; i < Count(); ++i) {
    const Record &a = Records()[i], &b = other.Records()[i];
    if (a.modifiedNs != b.modifiedNs || a.size != b.size || a.lengthMs != b.lengthMs || PathOf(a) != other.PathOf(b) ||
        TagsOf(a) != other.TagsOf(b))
      return false;
  }
  return true;
}
