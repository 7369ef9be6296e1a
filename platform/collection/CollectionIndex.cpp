#include "platform/collection/CollectionIndex.h"

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

namespace {

constexpr char kMagic[8] = {'M', 'O', 'R', 'V', 'A', 'I', 'D', 'X'};
// Raised whenever the layout or the meaning of the tag text changes.
constexpr std::uint32_t kVersion = 1;

struct Header {
  char magic[8];
  std::uint32_t version;
  std::uint32_t count;
  std::uint64_t blobSize;
  std::uint64_t checksum;
};
static_assert(sizeof(Header) == 32);

// FNV-1a over 8-byte words, the tail byte by byte: a damaged file shows.
std::uint64_t Checksum(const char* data, std::size_t size, std::uint64_t hash = 14695981039346656037ull) {
  constexpr std::uint64_t kPrime = 1099511628211ull;
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    hash = (hash ^ word) * kPrime;
  }
  for (; i < size; ++i) hash = (hash ^ static_cast<unsigned char>(data[i])) * kPrime;
  return hash;
}

std::string Why() { return std::generic_category().message(errno); }

}  // namespace

bool CollectionIndex::Load(const std::string& file, std::string& problem) {
  records_.clear();
  blob_.clear();
  std::FILE* in = std::fopen(file.c_str(), "rbe");
  if (!in) {
    if (errno == ENOENT) return true;
    problem = "cannot read " + file + " (" + Why() + ")";
    return false;
  }
  Header header{};
  bool read = std::fread(&header, sizeof header, 1, in) == 1;
  if (read && (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.version != kVersion)) {
    std::fclose(in);
    problem = file + " is not an index of this version";
    return false;
  }
  // Sizes are checked against the file before anything is made that big.
  std::fseek(in, 0, SEEK_END);
  const long total = std::ftell(in);
  std::fseek(in, sizeof header, SEEK_SET);
  const std::uint64_t expected = sizeof header + std::uint64_t{header.count} * sizeof(Record) + header.blobSize;
  if (!read || total < 0 || static_cast<std::uint64_t>(total) != expected) {
    std::fclose(in);
    problem = file + " is damaged (its size does not add up)";
    return false;
  }
  records_.resize(header.count);
  blob_.resize(header.blobSize);
  read = (records_.empty() || std::fread(records_.data(), sizeof(Record), records_.size(), in) == records_.size()) &&
         (blob_.empty() || std::fread(blob_.data(), 1, blob_.size(), in) == blob_.size());
  std::fclose(in);
  const std::uint64_t sum =
      Checksum(blob_.data(), blob_.size(),
               Checksum(reinterpret_cast<const char*>(records_.data()), records_.size() * sizeof(Record)));
  if (!read || sum != header.checksum) {
    problem = file + " is damaged (its checksum does not match)";
  } else if (Consistent(problem)) {
    return true;
  } else {
    problem = file + " is damaged (" + problem + ")";
  }
  records_.clear();
  blob_.clear();
  return false;
}

bool CollectionIndex::Consistent(std::string& problem) const {
  const std::uint64_t size = blob_.size();
  for (std::size_t i = 0; i < records_.size(); ++i) {
    const Record& r = records_[i];
    if (std::uint64_t{r.path} + r.pathSize > size || std::uint64_t{r.tags} + r.tagsSize > size) {
      problem = "a track lies outside the file";
      return false;
    }
    if (i > 0 && !(PathOf(records_[i - 1]) < PathOf(r))) {
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
    for (const char c : tags)
      if (static_cast<unsigned char>(c) < 0x20 && c != '\0') {
        problem = "a track's tags hold control characters";
        return false;
      }
  }
  return true;
}

bool CollectionIndex::Save(const std::string& file, std::string& problem) const {
  const std::string temporary = file + ".new";
  std::FILE* out = std::fopen(temporary.c_str(), "wbe");
  if (!out) {
    problem = "cannot write " + temporary + " (" + Why() + ")";
    return false;
  }
  Header header{};
  std::memcpy(header.magic, kMagic, sizeof kMagic);
  header.version = kVersion;
  header.count = static_cast<std::uint32_t>(records_.size());
  header.blobSize = blob_.size();
  header.checksum = Checksum(blob_.data(), blob_.size(),
                             Checksum(reinterpret_cast<const char*>(records_.data()), records_.size() * sizeof(Record)));
  bool written = std::fwrite(&header, sizeof header, 1, out) == 1 &&
                 (records_.empty() || std::fwrite(records_.data(), sizeof(Record), records_.size(), out) == records_.size()) &&
                 (blob_.empty() || std::fwrite(blob_.data(), 1, blob_.size(), out) == blob_.size());
  written = std::fclose(out) == 0 && written;
  if (!written || std::rename(temporary.c_str(), file.c_str()) != 0) {
    problem = "cannot write " + file + " (" + Why() + ")";
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool CollectionIndex::Find(std::string_view path, Stamp stamp, std::string_view& tags) const {
  const auto at = std::lower_bound(records_.begin(), records_.end(), path,
                                   [this](const Record& r, std::string_view p) { return PathOf(r) < p; });
  if (at == records_.end() || PathOf(*at) != path || at->modifiedNs != stamp.modifiedNs || at->size != stamp.size)
    return false;
  tags = TagsOf(*at);
  return true;
}

void CollectionIndex::Add(std::string_view path, Stamp stamp, std::string_view tags) {
  // Beyond 4 GiB a track is not kept: its tags are read again next time.
  if (blob_.size() + path.size() + tags.size() > UINT32_MAX) return;
  Record r{};
  r.path = static_cast<std::uint32_t>(blob_.size());
  r.pathSize = static_cast<std::uint32_t>(path.size());
  blob_.append(path);
  r.tags = static_cast<std::uint32_t>(blob_.size());
  r.tagsSize = static_cast<std::uint32_t>(tags.size());
  blob_.append(tags);
  r.modifiedNs = stamp.modifiedNs;
  r.size = stamp.size;
  records_.push_back(r);
}

void CollectionIndex::Finish() {
  std::sort(records_.begin(), records_.end(), [this](const Record& a, const Record& b) { return PathOf(a) < PathOf(b); });
}

bool CollectionIndex::SameAs(const CollectionIndex& other) const {
  if (records_.size() != other.records_.size()) return false;
  for (std::size_t i = 0; i < records_.size(); ++i) {
    const Record &a = records_[i], &b = other.records_[i];
    if (a.modifiedNs != b.modifiedNs || a.size != b.size || PathOf(a) != other.PathOf(b) ||
        TagsOf(a) != other.TagsOf(b))
      return false;
  }
  return true;
}

std::vector<CollectionIndex::Record>::const_iterator CollectionIndex::LowerBound(std::string_view path) const {
  return std::lower_bound(records_.begin(), records_.end(), path,
                          [this](const Record& r, std::string_view p) { return PathOf(r) < p; });
}
