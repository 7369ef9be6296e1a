#include "src/widgets/DirectoryListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

#include <QFile>

#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"
#include "src/seams/MusicCollection.h"
#include "src/widgets/HugePages.h"

namespace {

QChar Folded(QChar c) {
  const char16_t u = c.unicode();
  if (u < 128) return QChar(u >= 'A' && u <= 'Z' ? u + 32 : u);
  return c.toCaseFolded();
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Greedy matching with one step back to the last "*": linear for the patterns
// a file list uses.
template <typename Text, typename Same>
bool Wildcard(Text name, Text pattern, Same same) {
  const auto names = static_cast<std::size_t>(name.size()), patterns = static_cast<std::size_t>(pattern.size());
  std::size_t n = 0, p = 0, resumeAt = 0;
  std::size_t starAt = patterns;  // none yet
  while (n < names) {
    if (p < patterns && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (p < patterns && (pattern[p] == '?' || same(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (starAt < patterns) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < patterns && pattern[p] == '*') ++p;
  return p == patterns;
}

// A pattern that can be matched on a name's UTF-8 bytes, without decoding the
// name: one of ASCII letters only, none of which a character beyond ASCII
// folds to (the Kelvin sign folds to "k", the long s to "s"). Its "?" stands
// for one UTF-16 unit, so it is matched on bytes only in ASCII names.
struct BytePattern {
  std::string text;
  bool usable = true;
  bool anyOne = false;
  // "*" and then plain text ("*.mp3"): a name matches when it ends in that text.
  bool suffixOnly = false;
};

BytePattern BytePatternOf(const QString& pattern) {
  BytePattern result;
  for (const QChar c : pattern) {
    const char16_t u = c.unicode();
    const char lower = u < 128 ? AsciiLower(static_cast<char>(u)) : '\0';
    if (u >= 128 || u == 0 || lower == 'k' || lower == 's') return BytePattern{{}, false, false};
    result.text.push_back(lower);
    result.anyOne = result.anyOne || u == '?';
  }
  result.suffixOnly = result.text.starts_with('*') && result.text.find_first_of("*?", 1) == std::string::npos;
  return result;
}

// Eight bytes of text as one number, for comparing a word at a time.
std::uint64_t Word(const char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

bool IsAscii(std::string_view text) {
  std::uint64_t seen = 0;
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) seen |= Word(text.data() + i);
  for (; i < text.size(); ++i) seen |= static_cast<unsigned char>(text[i]);
  return (seen & 0x8080808080808080ull) == 0;
}

// The system's words for an error number.
std::string Why(int error) { return std::generic_category().message(error); }

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool IsRegularFile(int dirFd, const dirent& entry) {
  if (entry.d_type == DT_REG) return true;
  if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return false;
  struct stat info {};
  return fstatat(dirFd, entry.d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

// The order of UTF-16 code units on UTF-8 text: as the bytes, except that the
// characters U+E000 to U+FFFF (lead bytes EE and EF) come after those beyond
// U+FFFF (lead bytes F0 to F4), as their single unit comes after a surrogate.
unsigned Weight(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte == 0xEE || byte == 0xEF ? byte + 7u : byte;
}

int CompareAsUtf16(std::string_view a, std::string_view b) {
  const auto [atA, atB] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  if (atA == a.end()) return atB == b.end() ? 0 : -1;
  if (atB == b.end()) return 1;
  return Weight(*atA) < Weight(*atB) ? -1 : 1;
}

// Appends the key a list sorts a name by: its case-folded form.
void AppendListKey(std::string_view name, std::string& out) {
  if (IsAscii(name)) {
    const std::size_t start = out.size();
    out.append(name);
    for (auto at = out.begin() + static_cast<std::ptrdiff_t>(start); at != out.end(); ++at) *at = AsciiLower(*at);
    return;
  }
  const QByteArray key = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded().toUtf8();
  out.append(key.constData(), static_cast<std::size_t>(key.size()));
}

std::string ListKey(std::string_view name) {
  std::string key;
  AppendListKey(name, key);
  return key;
}

// The order of the list: by key, then by name.
int CompareInListOrder(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
      // Bytes that are the same are skipped a word at a time.
      while (i + 8 <= common && Word(a.data() + i) == Word(b.data() + i)) i += 8;
      if (i == common) break;
      const char x = AsciiLower(a[i]), y = AsciiLower(b[i]);
      if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return CompareAsUtf16(a, b);
  }
  const int byKey = CompareAsUtf16(ListKey(a), ListKey(b));
  return byKey != 0 ? byKey : CompareAsUtf16(a, b);
}

// The names that the list shows, as read: each entry's name and, behind a
// NUL, what its tags name, one entry after the other. Entries that come in
// list order (as a collection's kept tracks mostly do) need no sort: only
// those that come out of it (the misfits) are sorted, and merged in.
struct Listing {
  FileNames::EntryText entries;
  std::size_t pathBytes = 0;  // of the names alone, without their tags
  int unreadableNames = 0;
  // The entries that came before the last one in list order.
  std::vector<std::uint32_t> misfits;

  // Room for so many names and tags of so many bytes, made once.
  void Reserve(std::size_t count, std::size_t bytes) {
    entries.text.reserve(bytes + count);
    entries.ends.reserve(count);
    AdviseHugePages(entries.text);
    AdviseHugePages(entries.ends);
  }

  std::size_t Count() const { return entries.ends.size(); }
  std::string_view Entry(std::size_t i) const {
    const std::size_t start = i == 0 ? 0 : entries.ends[i - 1];
    return std::string_view(entries.text).substr(start, entries.ends[i] - start);
  }
  std::string_view Name(std::size_t i) const {
    const std::string_view entry = Entry(i);
    return entry.substr(0, entry.find('\0'));
  }
  // A name, and what its tags name (each field followed by a NUL).
  void Add(std::string_view name, std::string_view tags = {}) {
    std::string& text = entries.text;
    if (text.size() + name.size() + tags.size() + 1 > UINT32_MAX) throw ControlError("too many file names to list");
    const auto index = static_cast<std::uint32_t>(Count());
    if (index > 0 && CompareInListOrder(std::string_view(text).substr(lastInOrder_, lastInOrderSize_), name) >= 0) {
      misfits.push_back(index);
    } else {
      lastInOrder_ = text.size();
      lastInOrderSize_ = name.size();
    }
    pathBytes += name.size();
    text.append(name);
    if (!tags.empty()) text.append(1, '\0').append(tags);
    entries.ends.push_back(static_cast<std::uint32_t>(text.size()));
  }

 private:
  std::size_t lastInOrder_ = 0, lastInOrderSize_ = 0;
};

// Whether the name matches the pattern; `decoded` is the name as text when
// that was needed to tell.
bool NameMatches(const BytePattern& bytePattern, const QString& pattern, std::string_view name, QString& decoded) {
  if (bytePattern.suffixOnly) {
    const std::string_view suffix = std::string_view(bytePattern.text).substr(1);
    return name.size() >= suffix.size() &&
           std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char p, char c) { return p == AsciiLower(c); });
  }
  if (bytePattern.usable && (IsAscii(name) || !bytePattern.anyOne))
    return Wildcard(name, std::string_view(bytePattern.text), [](char p, char c) { return p == AsciiLower(c); });
  decoded = QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
  return MatchesWildcard(decoded, pattern);
}

// Whether the name is valid text in our encoding; `decoded` is the name as
// text when it was decoded already.
bool Encodable(std::string_view name, QString decoded) {
  if (IsAscii(name)) return true;
  const QByteArrayView bytes(name.data(), static_cast<qsizetype>(name.size()));
  if (decoded.isNull()) decoded = QFile::decodeName(bytes.toByteArray());
  return QFile::encodeName(decoded) == bytes;
}

Listing ReadDirectory(const QString& directory, const QString& pattern) {
  if (directory.isEmpty()) throw ControlError("no directory to show");
  const QByteArray encoded = QFile::encodeName(directory);
  std::unique_ptr<DIR, DirCloser> dir(opendir(encoded.constData()));
  if (!dir) throw ControlError("cannot show the directory " + directory.toStdString() + " (" + Why(errno) + ")");

  const BytePattern bytePattern = BytePatternOf(pattern);
  Listing listing;
  const int fd = dirfd(dir.get());
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir.get());
    // A folder that fails half-way is not shown half: the list keeps what it had.
    if (!entry && errno != 0)
      throw ControlError("cannot read the directory " + directory.toStdString() + " (" + Why(errno) + ")");
    if (!entry) break;
    if (entry->d_name[0] == '.') continue;  // hidden, as a file manager leaves it out
    const std::string_view name(entry->d_name);
    QString decoded;
    if (!NameMatches(bytePattern, pattern, name, decoded)) continue;
    if (!IsRegularFile(fd, *entry)) continue;
    // A name that is not valid text in our encoding would be shown, and
    // then opened, as another name: leave it out rather than list a file
    // that cannot be played.
    if (!Encodable(name, decoded)) {
      ++listing.unreadableNames;
      continue;
    }
    listing.Add(name);
  }
  if (listing.unreadableNames > 0)
    Diagnose(std::to_string(listing.unreadableNames) + " file(s) in " + encoded.toStdString() +
             " left out: their names are not valid UTF-8");
  return listing;
}

// One entry to sort: where its key lies, and sixteen bytes of the key from
// the depth being sorted. The items carry all that the sort needs, so it
// reads the keys' bytes only for a fresh head.
struct SortItem {
  std::uint64_t head[2];
  std::uint32_t key, keyEnd;  // in the keys' bytes
  std::uint32_t entry;        // in the listing
};

// The entries' keys, their case-folded names, one after the other.
struct SortKeys {
  const Listing& listing;
  std::string keys;
  std::string_view Key(const SortItem& item) const {
    return std::string_view(keys).substr(item.key, item.keyEnd - item.key);
  }
};

// Sixteen bytes of a key from `depth` on, as two numbers that order as they
// do. No key holds a NUL, so a key that ends there orders first, and zeros
// mean that the key has ended.
void SetHead(SortItem& item, std::string_view key, std::size_t depth) {
  for (std::uint64_t& word : item.head) {
    word = 0;
    for (std::size_t i = depth; i < depth + 8; ++i) word = word << 8 | (i < key.size() ? Weight(key[i]) : 0u);
    depth += 8;
  }
}

bool HeadBefore(const SortItem& a, const SortItem& b) {
  return a.head[0] != b.head[0] ? a.head[0] < b.head[0] : a.head[1] < b.head[1];
}

bool SameHead(const SortItem& a, const SortItem& b) { return a.head[0] == b.head[0] && a.head[1] == b.head[1]; }

// So many items ahead, the bytes they will need are asked for: the reads, at
// random places in memory, then overlap.
constexpr std::size_t kReadAhead = 8;

// Sorts by key sixteen bytes at a time: by the heads, then each run of equal
// heads by the next sixteen bytes. Each comparison is of numbers in the
// items; only a run of equal keys compares the names.
void SortByKey(const SortKeys& keys, SortItem* begin, SortItem* end, std::size_t depth) {
  const auto count = static_cast<std::size_t>(end - begin);
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kReadAhead < count) __builtin_prefetch(keys.keys.data() + begin[i + kReadAhead].key + depth);
    SetHead(begin[i], keys.Key(begin[i]), depth);
  }
  std::sort(begin, end, HeadBefore);
  for (SortItem* run = begin; run != end;) {
    SortItem* runEnd = run + 1;
    while (runEnd != end && SameHead(*runEnd, *run)) ++runEnd;
    if (runEnd - run > 1) {
      if (run->head[0] == 0) {
        // Equal keys: by the names themselves.
        std::sort(run, runEnd, [&](const SortItem& a, const SortItem& b) {
          return CompareAsUtf16(keys.listing.Name(a.entry), keys.listing.Name(b.entry)) < 0;
        });
      } else {
        SortByKey(keys, run, runEnd, depth + 16);
      }
    }
    run = runEnd;
  }
}

// Those of the listing's entries, in list order: by case-folded name, then
// by name.
std::vector<std::uint32_t> SortedEntries(const Listing& listing, const std::vector<std::uint32_t>& which) {
  SortKeys keys{listing, {}};
  std::vector<SortItem> items;
  items.reserve(which.size());
  AdviseHugePages(items);
  for (const std::uint32_t i : which) {
    const auto keyStart = static_cast<std::uint32_t>(keys.keys.size());
    AppendListKey(listing.Name(i), keys.keys);
    if (keys.keys.size() > UINT32_MAX) throw ControlError("too many file names to list");
    items.push_back({{0, 0}, keyStart, static_cast<std::uint32_t>(keys.keys.size()), i});
  }
  SortByKey(keys, items.data(), items.data() + items.size(), 0);
  std::vector<std::uint32_t> sorted;
  sorted.reserve(items.size());
  for (const SortItem& item : items) sorted.push_back(item.entry);
  return sorted;
}

// The listing's entries in list order. Beside a few misfits, those in order
// stay so, and each misfit is put where it belongs among them; many misfits,
// and every entry is sorted.
std::vector<std::uint32_t> ListOrder(const Listing& listing) {
  const auto count = static_cast<std::uint32_t>(listing.Count());
  std::vector<std::uint32_t> inOrder;
  inOrder.reserve(count);
  AdviseHugePages(inOrder);
  if (listing.misfits.size() > count / 8) {
    for (std::uint32_t i = 0; i < count; ++i) inOrder.push_back(i);
    return SortedEntries(listing, inOrder);
  }
  auto misfit = listing.misfits.begin();
  for (std::uint32_t i = 0; i < count; ++i) {
    if (misfit != listing.misfits.end() && *misfit == i)
      ++misfit;
    else
      inOrder.push_back(i);
  }
  std::vector<std::uint32_t> order;
  order.reserve(count);
  AdviseHugePages(order);
  auto from = inOrder.begin();
  for (const std::uint32_t m : SortedEntries(listing, listing.misfits)) {
    const auto to = std::lower_bound(from, inOrder.end(), m, [&](std::uint32_t entry, std::uint32_t name) {
      return CompareInListOrder(listing.Name(entry), listing.Name(name)) < 0;
    });
    order.insert(order.end(), from, to);
    order.push_back(m);
    from = to;
  }
  order.insert(order.end(), from, inOrder.end());
  return order;
}

// The listing's entries copied in list order, so that a scan of the list
// reads them in the order they lie in memory.
FileNames::EntryText EntriesInListOrder(const Listing& listing) {
  const std::vector<std::uint32_t> order = ListOrder(listing);
  FileNames::EntryText sorted;
  sorted.text.reserve(listing.entries.text.size());
  sorted.ends.reserve(order.size());
  AdviseHugePages(sorted.text);
  AdviseHugePages(sorted.ends);
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i + kReadAhead < order.size()) __builtin_prefetch(listing.Entry(order[i + kReadAhead]).data());
    sorted.text.append(listing.Entry(order[i]));
    sorted.ends.push_back(static_cast<std::uint32_t>(sorted.text.size()));
  }
  return sorted;
}

}  // namespace

bool MatchesWildcard(QStringView name, QStringView pattern) {
  return Wildcard(name, pattern, [](QChar p, QChar c) { return Folded(p) == Folded(c); });
}

namespace {

// The names in list order, their search forms made beside the list's thread.
FileNames InListOrder(Listing& listing) {
  FileNames names;
  if (!listing.misfits.empty()) listing.entries = EntriesInListOrder(listing);
  names.Fill(std::move(listing.entries), listing.pathBytes);
  return names;
}

// Takes a collection's tracks into a listing: those whose own name (after
// the last "/") matches the pattern.
class ListingSink : public TrackSink {
 public:
  ListingSink(Listing& listing, const QString& pattern)
      : listing_(listing), pattern_(pattern), bytePattern_(BytePatternOf(pattern)) {}

  void Expect(std::size_t tracks, std::size_t bytes) override { listing_.Reserve(tracks, bytes); }

  void Track(std::string_view relativePath, std::string_view tags) override {
    const std::size_t slash = relativePath.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? relativePath : relativePath.substr(slash + 1);
    QString decoded;
    if (!NameMatches(bytePattern_, pattern_, name, decoded)) return;
    if (!Encodable(relativePath, QString())) return;
    listing_.Add(relativePath, tags);
  }

 private:
  Listing& listing_;
  const QString& pattern_;
  const BytePattern bytePattern_;
};

}  // namespace

FileNames ListMatchingFiles(const QString& directory, const QString& pattern) {
  Listing listing = ReadDirectory(directory, pattern);
  return InListOrder(listing);
}

FileNames ListCollectionFiles(MusicCollection& collection, const QString& directory, const QString& pattern,
                              bool withTags) {
  Listing listing;
  ListingSink sink(listing, pattern);
  collection.ListTracks(directory, withTags, sink);
  return InListOrder(listing);
}

namespace {

// What the changes take out of the list: names, and folders.
struct Removals {
  explicit Removals(const TrackChanges& changes) {
    for (const std::string& removed : changes.removed) {
      if (removed.ends_with('/'))
        folders.push_back(removed);
      else
        names.insert(removed);
    }
  }
  bool Take(std::string_view name) const {
    return names.contains(name) ||
           std::any_of(folders.begin(), folders.end(), [&](std::string_view f) { return name.starts_with(f); });
  }
  std::unordered_set<std::string_view> names;
  std::vector<std::string_view> folders;
};

}  // namespace

FileNames ListAddedTracks(const TrackChanges& changes, const QString& pattern) {
  Listing listing;
  ListingSink sink(listing, pattern);
  for (const auto& [path, tags] : changes.added) sink.Track(path, tags);
  return InListOrder(listing);
}

int ListPosition(const FileNames& names, std::string_view name) {
  int low = 0, high = names.Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (CompareInListOrder(names.NameBytes(middle), name) < 0)
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

std::vector<std::pair<int, int>> EntriesUnder(const FileNames& names, std::string_view folder) {
  // Every name below the folder has a key that starts with the folder's, and
  // those lie together; some of them may be of another folder whose name
  // differs only in letter case.
  const std::string key = ListKey(folder);
  int low = 0, high = names.Count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (CompareAsUtf16(ListKey(names.NameBytes(middle)), key) < 0)
      low = middle + 1;
    else
      high = middle;
  }
  std::vector<std::pair<int, int>> runs;
  for (int row = low; row < names.Count(); ++row) {
    const std::string_view name = names.NameBytes(row);
    if (!ListKey(name).starts_with(key)) break;
    if (!name.starts_with(folder)) continue;
    if (!runs.empty() && runs.back().second == row)
      ++runs.back().second;
    else
      runs.emplace_back(row, row + 1);
  }
  std::reverse(runs.begin(), runs.end());
  return runs;
}

FileNames MergeChanges(const FileNames& names, const TrackChanges& changes, const FileNames& added) {
  const Removals removals(changes);
  FileNames merged;
  int next = 0;
  for (int row = 0; row < names.Count(); ++row) {
    const std::string_view name = names.NameBytes(row);
    if (removals.Take(name)) continue;
    while (next < added.Count() && CompareInListOrder(added.NameBytes(next), name) < 0) merged.Add(added, next++);
    if (next < added.Count() && added.NameBytes(next) == name) continue;  // replaced by its new entry
    merged.Add(names, row);
  }
  while (next < added.Count()) merged.Add(added, next++);
  merged.ShrinkToFit();
  return merged;
}
