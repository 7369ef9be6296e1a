#include "platform/collection/KeptTracks.h"

#include <cstdio>

#include <QDir>
#include <QFile>

#include "src/seams/Diagnostic.h"

namespace {

// A name for the folder's index file that no other folder's has (but by a
// 64-bit accident).
std::string IndexName(const std::string& root) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : root) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char name[40];
  std::snprintf(name, sizeof name, "collection-%016llx.index", static_cast<unsigned long long>(hash));
  return name;
}

bool Under(std::string_view path, std::string_view folder) { return path.substr(0, folder.size()) == folder; }

}  // namespace

KeptTracks::KeptTracks(QString cacheFolder) : cacheFolder_(std::move(cacheFolder)) {}

void KeptTracks::Open(const std::string& root) {
  const std::lock_guard lock(mutex_);
  if (root == root_) return;
  root_ = root;
  changes_.clear();
  lastProblem_.clear();
  file_.clear();
  if (!cacheFolder_.isEmpty()) file_ = QFile::encodeName(cacheFolder_).toStdString() + '/' + IndexName(root);
}

std::string KeptTracks::Root() const {
  const std::lock_guard lock(mutex_);
  return root_;
}

CollectionIndex KeptTracks::Current() const {
  const std::lock_guard lock(mutex_);
  return Load();
}

CollectionIndex KeptTracks::Load() const {
  CollectionIndex index;
  std::string problem;
  const bool loaded = !file_.empty() && index.Load(file_, problem);
  if (!problem.empty() && problem != lastProblem_) Diagnose(problem + "; every track's tags are read again");
  lastProblem_ = problem;
  // Changes to an index that is not there (never written, or damaged since)
  // are not the whole folder: nothing is known.
  if (!loaded || (index.Count() == 0 && !QFile::exists(QFile::decodeName(QByteArray::fromStdString(file_)))))
    return {};
  if (changes_.empty()) return index;

  // Both in the order of the paths' bytes: one pass merges them.
  const auto goneWithFolder = [this](std::string_view path) {
    for (std::size_t slash = path.find('/'); slash != std::string_view::npos; slash = path.find('/', slash + 1)) {
      const auto folder = changes_.find(path.substr(0, slash + 1));
      if (folder != changes_.end() && !folder->second) return true;
    }
    return false;
  };
  CollectionIndex next;
  std::size_t bytes = index.TextBytes();
  for (const auto& [path, entry] : changes_) bytes += path.size() + (entry ? entry->tags.size() : 0);
  next.Reserve(index.Count() + changes_.size(), bytes);
  auto change = changes_.begin();
  const auto addChangesBefore = [&](const std::string_view* path) {
    for (; change != changes_.end() && (!path || change->first < *path); ++change)
      if (change->second) next.Add(change->first, change->second->stamp, change->second->tags, change->second->lengthMs);
  };
  for (std::size_t i = 0; i < index.Count(); ++i) {
    const CollectionIndex::Entry entry = index.At(i);
    addChangesBefore(&entry.path);
    if (change != changes_.end() && change->first == entry.path) continue;  // added after it, or gone
    if (goneWithFolder(entry.path)) continue;
    next.Add(entry.path, entry.stamp, entry.tags, entry.lengthMs);
  }
  addChangesBefore(nullptr);
  next.Finish();
  return next;
}

std::optional<KeptTracks::Entry> KeptTracks::Changed(std::string_view path) const {
  const std::lock_guard lock(mutex_);
  const auto changed = changes_.find(path);
  return changed == changes_.end() ? std::nullopt : changed->second;
}

void KeptTracks::Put(std::string_view path, Stamp stamp, std::string_view tags, std::uint32_t lengthMs) {
  const std::lock_guard lock(mutex_);
  changes_.insert_or_assign(std::string(path), Entry{stamp, std::string(tags), lengthMs});
}

void KeptTracks::Remove(std::string_view path) {
  const std::lock_guard lock(mutex_);
  changes_.insert_or_assign(std::string(path), std::nullopt);
}

void KeptTracks::RemoveUnder(std::string_view folder) {
  const std::lock_guard lock(mutex_);
  for (auto at = changes_.lower_bound(folder); at != changes_.end() && Under(at->first, folder);) at = changes_.erase(at);
  changes_.emplace(std::string(folder), std::nullopt);
}

bool KeptTracks::CameUnder(std::string_view folder) const {
  const std::lock_guard lock(mutex_);
  for (auto at = changes_.lower_bound(folder); at != changes_.end() && Under(at->first, folder); ++at)
    if (at->second) return true;
  return false;
}

void KeptTracks::Replace(const CollectionIndex& next, bool differs) {
  const std::lock_guard lock(mutex_);
  if (differs || !changes_.empty()) Write(next);
  changes_.clear();
}

void KeptTracks::SaveChanges() {
  const std::lock_guard lock(mutex_);
  if (changes_.empty()) return;
  Write(Load());
  changes_.clear();
}

bool KeptTracks::HasChanges() const {
  const std::lock_guard lock(mutex_);
  return !changes_.empty();
}

void KeptTracks::Write(const CollectionIndex& index) {
  if (file_.empty()) return;
  std::string problem;
  if (!QDir().mkpath(cacheFolder_) || !index.Save(file_, problem))
    Diagnose("the collection's index is not kept: " +
             (problem.empty() ? "cannot make " + cacheFolder_.toStdString() : problem));
}
