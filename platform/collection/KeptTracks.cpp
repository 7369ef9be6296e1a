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
  index_ = CollectionIndex();
  changes_.clear();
  file_.clear();
  if (cacheFolder_.isEmpty()) return;
  file_ = QFile::encodeName(cacheFolder_).toStdString() + '/' + IndexName(root);
  std::string problem;
  if (!index_.Load(file_, problem)) Diagnose(problem + "; every track's tags are read again");
}

std::string KeptTracks::Root() const {
  const std::lock_guard lock(mutex_);
  return root_;
}

bool KeptTracks::Warm() const {
  const std::lock_guard lock(mutex_);
  if (index_.Count() > 0) return true;
  for (const auto& [path, entry] : changes_)
    if (entry) return true;
  return false;
}

std::optional<KeptTracks::Entry> KeptTracks::Known(std::string_view path) const {
  const auto changed = changes_.find(path);
  if (changed != changes_.end()) return changed->second;
  std::optional<Entry> found;
  index_.ForEach(path, [&](std::string_view p, Stamp stamp, std::string_view tags) {
    if (p == path) found = Entry{stamp, std::string(tags)};
  });
  return found;
}

bool KeptTracks::Find(std::string_view path, Stamp stamp, std::string& tags) const {
  const std::lock_guard lock(mutex_);
  const std::optional<Entry> known = Known(path);
  if (!known || known->stamp != stamp) return false;
  tags = known->tags;
  return true;
}

bool KeptTracks::Has(std::string_view path) const {
  const std::lock_guard lock(mutex_);
  return Known(path).has_value();
}

void KeptTracks::ForEach(const std::function<void(std::string_view, std::string_view)>& visit) const {
  const std::lock_guard lock(mutex_);
  index_.ForEach("", [&](std::string_view path, Stamp, std::string_view tags) {
    if (changes_.empty() || !changes_.contains(path)) visit(path, tags);
  });
  for (const auto& [path, entry] : changes_)
    if (entry) visit(path, entry->tags);
}

void KeptTracks::Put(std::string_view path, Stamp stamp, std::string_view tags) {
  const std::lock_guard lock(mutex_);
  changes_.insert_or_assign(std::string(path), Entry{stamp, std::string(tags)});
}

bool KeptTracks::Remove(std::string_view path) {
  const std::lock_guard lock(mutex_);
  if (!Known(path)) return false;
  changes_.insert_or_assign(std::string(path), std::nullopt);
  return true;
}

bool KeptTracks::RemoveUnder(std::string_view folder) {
  const std::lock_guard lock(mutex_);
  bool any = false;
  std::vector<std::string> gone;
  index_.ForEach(folder, [&](std::string_view path, Stamp, std::string_view) { gone.emplace_back(path); });
  for (auto at = changes_.lower_bound(folder); at != changes_.end() && Under(at->first, folder); ++at) {
    any = any || at->second.has_value();
    at->second.reset();
  }
  for (std::string& path : gone) {
    const auto [at, added] = changes_.try_emplace(std::move(path), std::nullopt);
    any = any || added || at->second.has_value();
    at->second.reset();
  }
  return any;
}

void KeptTracks::Replace(CollectionIndex next) {
  const std::lock_guard lock(mutex_);
  if (!next.SameAs(index_)) Write(next);
  index_ = std::move(next);
  changes_.clear();
}

void KeptTracks::SaveChanges() {
  const std::lock_guard lock(mutex_);
  if (changes_.empty()) return;
  CollectionIndex next;
  index_.ForEach("", [&](std::string_view path, Stamp stamp, std::string_view tags) {
    if (!changes_.contains(path)) next.Add(path, stamp, tags);
  });
  for (const auto& [path, entry] : changes_)
    if (entry) next.Add(path, entry->stamp, entry->tags);
  next.Finish();
  Write(next);
  index_ = std::move(next);
  changes_.clear();
}

bool KeptTracks::Changed() const {
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
