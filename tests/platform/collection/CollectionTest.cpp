#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <compare>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <QString>

#include "platform/collection/CollectionIndex.h"
#include "platform/collection/Mp3Collection.h"
#include "platform/collection/Mp3TagText.h"
#include "platform/collection/TreeWalk.h"
#include "tests/support/TestFolder.h"
#include "tests/support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// An ID3v2.3 frame of Latin-1 text; `claimedSize` overrides the size the
// frame header gives.
std::string Frame(const std::string& id, const std::string& text, long claimedSize = -1) {
  const std::string body = '\0' + text;
  const unsigned long size = claimedSize < 0 ? body.size() : static_cast<unsigned long>(claimedSize);
  std::string frame = id;
  for (int shift = 24; shift >= 0; shift -= 8) frame.push_back(static_cast<char>((size >> shift) & 0xff));
  frame.append(2, '\0');
  return frame + body;
}

// An ID3v2.3 tag around the frames, then some bytes that are not sound.
std::string Tagged(const std::string& frames, long claimedSize = -1) {
  const unsigned long size = claimedSize < 0 ? frames.size() : static_cast<unsigned long>(claimedSize);
  std::string tag = "ID3\x03\x00\x00"s;
  for (int shift = 21; shift >= 0; shift -= 7) tag.push_back(static_cast<char>((size >> shift) & 0x7f));
  return tag + frames + std::string(256, '\x55');
}

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Tags(const fs::path& path) { return ReadMp3TagText(path.string()); }

TEST(Mp3TagTextTest, TagsOfAnyShapeGiveTextOrNothingAndNeverEndTheProgram) {
  const fs::path folder = FreshTestFolder("collection-tags");
  struct Case {
    const char* what;
    std::string bytes;
    std::string tags;
  };
  const std::vector<Case> cases = {
      {"artist, album and title",
       Tagged(Frame("TPE1", "Queen") + Frame("TALB", "Opera") + Frame("TIT2", "Bohemian")), "Queen\0Opera\0Bohemian\0"s},
      {"markup is text, control characters are spaces",
       Tagged(Frame("TPE1", "<b>Bold</b>") + Frame("TIT2", "two\nlines\x01")), "<b>Bold</b>\0\0two lines \0"s},
      {"no tag", std::string(512, '\x55'), ""},
      {"a frame longer than the tag", Tagged(Frame("TPE1", "Queen", 1 << 26)), ""},
      {"a tag longer than the file: what is there", Tagged(Frame("TPE1", "Queen"), 1 << 27), "Queen\0\0\0"s},
      {"an empty file", "", ""},
  };
  for (const Case& c : cases) {
    const fs::path file = folder / "track.mp3";
    Write(file, c.bytes);
    EXPECT_EQ(Tags(file), c.tags) << c.what;
  }
}

struct Track {
  std::string path, tags;
  auto operator<=>(const Track&) const = default;
};

class Collected : public TrackSink {
 public:
  void Track(std::string_view relativePath, std::string_view tags) override {
    tracks.insert({std::string(relativePath), std::string(tags)});
  }
  std::set<::Track> tracks;
};

TEST(TreeWalkTest, LinksAreFollowedOnceAndOddNamesCounted) {
  const fs::path root = FreshTestFolder("collection-walk");
  Write(root / "a/b/song.MP3", "x");
  Write(root / "a/notes.txt", "x");
  Write(root / "a/.hidden/secret.mp3", "x");
  fs::create_directory_symlink("..", root / "a/b/up");         // a loop
  fs::create_directory_symlink("a", root / "again");           // the same folder twice
  fs::create_symlink("a/b/song.MP3", root / "single.mp3");     // a link to a file
  fs::create_symlink("nowhere.mp3", root / "gone.mp3");        // a link to nothing
  Write(root / "bad\xff.mp3", "x");                            // not UTF-8

  std::vector<std::string> found, folders;
  const WalkFaults faults = WalkMp3Files(
      QString::fromStdString(root.string()),
      [&](std::string_view relative, int, const char*) { found.emplace_back(relative); }, &folders);
  ASSERT_EQ(found.size(), 2u);
  std::sort(found.begin(), found.end());
  EXPECT_TRUE(found[0] == "a/b/song.MP3" || found[0] == "again/b/song.MP3") << found[0];
  EXPECT_EQ(found[1], "single.mp3");
  EXPECT_EQ(faults.unreadableNames, 1);
  EXPECT_EQ(folders.size(), 3u);  // the root, a (or again), b
  EXPECT_FALSE(faults.cutShort);
  EXPECT_THROW(WalkMp3Files(QString::fromStdString((root / "none").string()), {}), std::exception);

  // A count that may look into two folders stops there, and says so.
  Mp3Collection collection(QString::fromStdString((root / "cache").string()));
  const MusicCollection::Count some = collection.CountTracks(QString::fromStdString(root.string()), 2);
  EXPECT_TRUE(some.more);
  EXPECT_LE(some.tracks, 2);
  const MusicCollection::Count all = collection.CountTracks(QString::fromStdString(root.string()), 100);
  EXPECT_FALSE(all.more);
  EXPECT_EQ(all.tracks, 2);
}

TEST(Mp3CollectionTest, TheIndexSparesUnchangedFilesAndADamagedOneIsNotTrusted) {
  const fs::path root = FreshTestFolder("collection-index");
  const fs::path music = root / "music", cache = root / "cache";
  const fs::path kept = music / "A/kept.mp3", changed = music / "B/changed.mp3";
  Write(kept, Tagged(Frame("TPE1", "Old Artist")));
  Write(changed, Tagged(Frame("TPE1", "First")));
  const QString folder = QString::fromStdString(music.string());
  const QString cacheFolder = QString::fromStdString(cache.string());
  {
    Mp3Collection collection(cacheFolder);
    Collected got;
    collection.ListTracks(folder, true, got);
    EXPECT_EQ(got.tracks, (std::set<Track>{{"A/kept.mp3", "Old Artist\0\0\0"s}, {"B/changed.mp3", "First\0\0\0"s}}));
  }
  // The kept file's tag changes behind the index's back: same size, same
  // time. The other changes openly.
  struct stat before {};
  ASSERT_EQ(::stat(kept.c_str(), &before), 0);
  Write(kept, Tagged(Frame("TPE1", "New Artist")));
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, kept.c_str(), times, 0), 0);
  Write(changed, Tagged(Frame("TPE1", "Second!")));
  {
    // The listing is the index's; the check once watched reads the one
    // that changed, and only that one.
    Mp3Collection collection(cacheFolder);
    Collected got;
    collection.ListTracks(folder, true, got);
    EXPECT_EQ(got.tracks, (std::set<Track>{{"A/kept.mp3", "Old Artist\0\0\0"s}, {"B/changed.mp3", "First\0\0\0"s}}));
    std::vector<TrackChanges> changes;
    collection.Watch(folder, [&changes](const TrackChanges& c) { changes.push_back(c); });
    ASSERT_TRUE(WaitUntil([&] { return !changes.empty(); }));
    EXPECT_TRUE(changes[0].removed.empty());
    EXPECT_EQ(changes[0].added, (std::vector<std::pair<std::string, std::string>>{{"B/changed.mp3", "Second!\0\0\0"s}}));
  }

  // Damaged, cut or of another version: read as no index, so every tag is
  // read again.
  fs::path indexFile;
  for (const auto& entry : fs::directory_iterator(cache)) indexFile = entry.path();
  std::string good;
  {
    std::ifstream in(indexFile, std::ios::binary);
    good.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_GT(good.size(), 64u);
  struct Damage {
    const char* what;
    std::string bytes;
  };
  std::string flipped = good, cut = good.substr(0, good.size() - 3), older = good;
  flipped[good.size() - 5] ^= 0x20;
  older[8] = 0;
  for (const Damage& damage : {Damage{"a byte changed", flipped}, Damage{"cut short", cut}, Damage{"another version", older},
                               Damage{"empty", ""}}) {
    Write(indexFile, damage.bytes);
    CollectionIndex index;
    std::string problem;
    EXPECT_FALSE(index.Load(indexFile.string(), problem)) << damage.what;
    EXPECT_EQ(index.Count(), 0u) << damage.what;
    EXPECT_FALSE(problem.empty()) << damage.what;

    Mp3Collection collection(cacheFolder);
    Collected got;
    collection.ListTracks(folder, true, got);
    EXPECT_EQ(got.tracks.begin()->tags, "New Artist\0\0\0"s) << damage.what;
  }
}

// What the watch's callback was given, gathered: the tracks now, as a list
// made of the first listing and every change since would hold them.
struct Followed {
  std::set<Track> tracks;
  int calls = 0;
  void Take(const TrackChanges& changes) {
    ++calls;
    for (const std::string& removed : changes.removed)
      std::erase_if(tracks, [&](const Track& t) {
        return removed.ends_with('/') ? t.path.starts_with(removed) : t.path == removed;
      });
    for (const auto& [path, tags] : changes.added) {
      std::erase_if(tracks, [&](const Track& t) { return t.path == path; });
      tracks.insert({path, tags});
    }
  }
};

// More unknown tags than a first listing reads at once come from the
// follower's check once the folder is watched; then each change comes by
// itself, tags read: a file added, renamed, removed, a folder moved in with
// its tracks and moved out again. The next listing comes from the index
// alone, and the check tells what changed while nothing watched.
TEST(Mp3CollectionTest, ChangesComeAsTheyHappenAndTheIndexListsTheNextStart) {
  const fs::path root = FreshTestFolder("collection-follow");
  const fs::path music = root / "music", outside = root / "outside";
  for (int i = 0; i < 3; ++i) Write(music / ("A" + std::to_string(i)) / "t.mp3", Tagged(Frame("TPE1", "Band")));
  const QString folder = QString::fromStdString(music.string());
  const QString cache = QString::fromStdString((root / "cache").string());
  const std::string band = "Band\0\0\0"s;
  {
    Mp3Collection collection(cache, 1);
    Followed followed;
    Collected first;
    collection.ListTracks(folder, true, first);
    for (const Track& track : first.tracks) followed.tracks.insert(track);
    ASSERT_EQ(first.tracks.size(), 3u);
    EXPECT_EQ(first.tracks.begin()->tags, "");
    collection.Watch(folder, [&followed](const TrackChanges& changes) { followed.Take(changes); });
    ASSERT_TRUE(WaitUntil([&] { return followed.calls == 1; }));
    EXPECT_EQ(followed.tracks, (std::set<Track>{{"A0/t.mp3", band}, {"A1/t.mp3", band}, {"A2/t.mp3", band}}));

    // Each step waits for its own change, so each is seen by itself.
    auto step = [&](const char* what, const std::function<void()>& change, const std::set<Track>& then) {
      const int before = followed.calls;
      change();
      EXPECT_TRUE(WaitUntil([&] { return followed.calls > before && followed.tracks == then; })) << what;
    };
    step("a file added", [&] { Write(music / "A1/new.mp3", Tagged(Frame("TPE1", "Late"))); },
         {{"A0/t.mp3", band}, {"A1/new.mp3", "Late\0\0\0"s}, {"A1/t.mp3", band}, {"A2/t.mp3", band}});
    step("a file renamed", [&] { fs::rename(music / "A1/new.mp3", music / "A1/renamed.mp3"); },
         {{"A0/t.mp3", band}, {"A1/renamed.mp3", "Late\0\0\0"s}, {"A1/t.mp3", band}, {"A2/t.mp3", band}});
    step("a file removed", [&] { fs::remove(music / "A0/t.mp3"); },
         {{"A1/renamed.mp3", "Late\0\0\0"s}, {"A1/t.mp3", band}, {"A2/t.mp3", band}});
    Write(outside / "Deep/x.mp3", Tagged(Frame("TALB", "Moved")));
    step("a folder moved in", [&] { fs::rename(outside, music / "In"); },
         {{"A1/renamed.mp3", "Late\0\0\0"s}, {"A1/t.mp3", band}, {"A2/t.mp3", band}, {"In/Deep/x.mp3", "\0Moved\0\0"s}});
    // Its folders are watched: a file added deep inside it comes too.
    step("a file added in it", [&] { Write(music / "In/Deep/y.mp3", Tagged(Frame("TPE1", "Y"))); },
         {{"A1/renamed.mp3", "Late\0\0\0"s}, {"A1/t.mp3", band}, {"A2/t.mp3", band},
          {"In/Deep/x.mp3", "\0Moved\0\0"s}, {"In/Deep/y.mp3", "Y\0\0\0"s}});
    step("a folder moved out", [&] { fs::rename(music / "In", outside); },
         {{"A1/renamed.mp3", "Late\0\0\0"s}, {"A1/t.mp3", band}, {"A2/t.mp3", band}});
    // A link to a folder outside lists what it holds; one to a folder listed
    // already lists nothing twice, as the next change shows.
    step("a link to a folder outside", [&] { fs::create_directory_symlink(outside / "Deep", music / "Linked"); },
         {{"A1/renamed.mp3", "Late\0\0\0"s}, {"A1/t.mp3", band}, {"A2/t.mp3", band}, {"Linked/x.mp3", "\0Moved\0\0"s},
          {"Linked/y.mp3", "Y\0\0\0"s}});
    fs::create_directory_symlink("../A1", music / "A2/again");
    step("a link removed, after a link to a folder listed already", [&] { fs::remove(music / "Linked"); },
         {{"A1/renamed.mp3", "Late\0\0\0"s}, {"A1/t.mp3", band}, {"A2/t.mp3", band}});
    fs::remove(music / "A2/again");  // the next walk might take either path first
  }
  // While nothing watches, one file goes and one comes.
  fs::remove(music / "A2/t.mp3");
  Write(music / "A0/back.mp3", Tagged(Frame("TPE1", "Back")));
  {
    Mp3Collection collection(cache, 1);
    Collected warm;
    collection.ListTracks(folder, true, warm);
    EXPECT_EQ(warm.tracks, (std::set<Track>{{"A1/renamed.mp3", "Late\0\0\0"s}, {"A1/t.mp3", band}, {"A2/t.mp3", band}}))
        << "the index as the last run left it";
    Followed followed;
    followed.tracks = warm.tracks;
    collection.Watch(folder, [&followed](const TrackChanges& changes) { followed.Take(changes); });
    EXPECT_TRUE(WaitUntil([&] {
      return followed.tracks ==
             std::set<Track>{{"A0/back.mp3", "Back\0\0\0"s}, {"A1/renamed.mp3", "Late\0\0\0"s}, {"A1/t.mp3", band}};
    }));
  }
}

// A folder's tracks lie together in path order, and no neighbour of a
// similar name ("A/B2", "A/B/" as a file's own start) is taken for them.
TEST(CollectionIndexTest, ForEachGivesTheTracksUnderAFolderInPathOrder) {
  CollectionIndex index;
  for (const char* path : {"A/B/2.mp3", "A/B2.mp3", "C.mp3", "A/B/1.mp3", "A/B/C/3.mp3", "A/A.mp3"})
    index.Add(path, {1, 2}, std::string(path) + '\0');
  index.Finish();
  std::vector<std::string> got;
  index.ForEach("A/B/", [&](std::string_view path, CollectionIndex::Stamp stamp, std::string_view tags) {
    EXPECT_EQ(stamp, (CollectionIndex::Stamp{1, 2}));
    EXPECT_EQ(std::string(tags), std::string(path) + '\0');
    got.emplace_back(path);
  });
  EXPECT_EQ(got, (std::vector<std::string>{"A/B/1.mp3", "A/B/2.mp3", "A/B/C/3.mp3"}));
  int all = 0;
  index.ForEach("", [&](std::string_view, CollectionIndex::Stamp, std::string_view) { ++all; });
  EXPECT_EQ(all, 6);
}

}  // namespace
