#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <compare>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QString>

#include "platform/collection/CollectionIndex.h"
#include "platform/collection/Mp3Collection.h"
#include "platform/collection/Mp3TagText.h"
#include "platform/collection/TreeWalk.h"
#include "src/seams/Diagnostic.h"
#include "tests/support/TestFolder.h"
#include "tests/support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace std::string_view_literals;

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

std::string Padded(std::string text, std::size_t size) {
  text.resize(size, '\0');
  return text;
}

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Tags(const fs::path& path) { return ReadMp3TagText(path.string()); }

// A first listing waits for the follower's walk this long: long enough for
// a loaded machine.
constexpr std::chrono::seconds kWalkWait{30};

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
      // Read past what is kept of the file's head and tail.
      {"a title behind a 100 KB frame", Tagged(Frame("TXXX", std::string(100000, 'p')) + Frame("TIT2", "Late")),
       "\0\0Late\0"s},
      {"an ID3v1 tag alone, behind 50 KB",
       std::string(50000, '\x55') + "TAG" + Padded("Title", 30) + Padded("Artist", 30) + Padded("Album", 30) +
           std::string(34, ' ') + '\xff',
       "Artist\0Album\0Title\0"s},
  };
  for (const Case& c : cases) {
    const fs::path file = folder / "track.mp3";
    Write(file, c.bytes);
    EXPECT_EQ(Tags(file), c.tags) << c.what;
  }
}

// MPEG-1 Layer III frames at 44.1 kHz, stereo, of the bit rate (kbit/s, one
// of 128 and 320), silent; the first holds a Xing header that counts
// `xingFrames` frames when that is not 0.
std::string Frames(int count, int kbits, std::uint32_t xingFrames = 0) {
  const int index = kbits == 128 ? 9 : 14;
  const std::size_t size = 144 * static_cast<std::size_t>(kbits) * 1000 / 44100;
  std::string frame(size, '\0');
  frame[0] = '\xff';
  frame[1] = '\xfb';
  frame[2] = static_cast<char>(index << 4);
  std::string frames;
  for (int i = 0; i < count; ++i) frames += frame;
  if (xingFrames != 0) {
    std::string xing = "Xing"s + "\0\0\0\x03"s;  // frames and bytes given
    for (const std::uint32_t n : {xingFrames, static_cast<std::uint32_t>(frames.size())})
      for (int shift = 24; shift >= 0; shift -= 8) xing.push_back(static_cast<char>((n >> shift) & 0xff));
    frames.replace(4 + 32, xing.size(), xing);
  }
  return frames;
}

// One open of the file gives the tags and the length: from the bit rate when
// the rate is constant, from the Xing header's count of frames when it has one.
TEST(Mp3TagTextTest, TheLengthComesWithTheTagsFromTheRateOrTheXingHeader) {
  const fs::path file = FreshTestFolder("collection-length") / "track.mp3";
  struct Case {
    const char* what;
    std::string bytes;
    std::string tags;
    std::uint32_t lengthMs;
  };
  const auto TagAlone = [](const std::string& frames) {
    const std::string tagged = Tagged(frames);
    return tagged.substr(0, tagged.size() - 256);
  };
  const std::vector<Case> cases = {
      // 100 frames of 417 bytes at 128 kbit/s: 2.606 s by the rate.
      {"constant rate, tagged", TagAlone(Frame("TIT2", "Song")) + Frames(100, 128),
       "\0\0Song\0"s, 2606},
      // The header's 1,000 frames of 1,152 samples: 26.122 s, whatever the rate says.
      {"variable rate, a Xing header", Frames(10, 320, 1000), "", 26122},
      {"no sound at all", Tagged(Frame("TPE1", "Band")), "Band\0\0\0"s, 0},
  };
  for (const Case& c : cases) {
    Write(file, c.bytes);
    const Mp3Track track = ReadMp3Track(file.string());
    EXPECT_EQ(track.tags, c.tags) << c.what;
    EXPECT_NEAR(track.lengthMs, c.lengthMs, 5) << c.what;
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

// Tracks changed one at a time keep the index sorted and findable, and what
// is saved is what was left, lengths and all, without the bytes of tracks
// changed or gone.
TEST(CollectionIndexTest, TracksChangedOneAtATimeAreSavedAndLoadedAsLeft) {
  const fs::path file = FreshTestFolder("collection-index-update") / "index";
  CollectionIndex index;
  index.Add("b.mp3", {2, 20}, "B\0\0\0"s, 2000);
  index.Add("a.mp3", {1, 10}, "A\0\0\0"s, 1000);
  index.Add("d.mp3", {4, 40}, "", 0);
  index.Finish();

  index.Update("c.mp3", {3, 30}, "C\0\0\0"s, 3000);        // new, between two
  index.Update("a.mp3", {5, 11}, "A2\0\0\0"s, 1100);       // changed tags
  index.Update("b.mp3", {6, 21}, index.At(1).tags, 2100);  // same tags, given from the index itself
  const std::string_view own = index.At(0).path;
  index.Update(own, {7, 12}, "A3\0\0\0"s, 1200);           // its path, from the index itself
  EXPECT_TRUE(index.Remove("d.mp3"));
  EXPECT_FALSE(index.Remove("d.mp3"));
  EXPECT_FALSE(index.Find("a.mp3", {5, 11}).has_value());  // an old stamp is not trusted

  const std::vector<CollectionIndex::Entry> expected = {
      {"a.mp3", {7, 12}, "A3\0\0\0"sv, 1200}, {"b.mp3", {6, 21}, "B\0\0\0"sv, 2100}, {"c.mp3", {3, 30}, "C\0\0\0"sv, 3000}};
  auto expectHolds = [&expected](const CollectionIndex& i, const char* which) {
    ASSERT_EQ(i.Count(), expected.size()) << which;
    for (std::size_t k = 0; k < expected.size(); ++k) {
      const std::optional<CollectionIndex::Entry> found = i.Find(expected[k].path, expected[k].stamp);
      ASSERT_TRUE(found) << which << " " << expected[k].path;
      EXPECT_EQ(i.At(k).path, expected[k].path) << which;
      EXPECT_EQ(found->tags, expected[k].tags) << which << " " << expected[k].path;
      EXPECT_EQ(found->lengthMs, expected[k].lengthMs) << which << " " << expected[k].path;
    }
  };
  expectHolds(index, "changed");

  std::string problem;
  ASSERT_TRUE(index.Save(file.string(), problem)) << problem;
  CollectionIndex loaded;
  ASSERT_TRUE(loaded.Load(file.string(), problem)) << problem;
  expectHolds(loaded, "loaded");
  EXPECT_TRUE(loaded.SameAs(index));
  std::size_t bytes = 32 + expected.size() * 32;
  for (const CollectionIndex::Entry& e : expected) bytes += e.path.size() + e.tags.size();
  EXPECT_EQ(fs::file_size(file), bytes);
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
    Mp3Collection collection(cacheFolder, Mp3Collection::kReadAtOnce, kWalkWait);
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
    Mp3Collection collection(cacheFolder, Mp3Collection::kReadAtOnce, kWalkWait);
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

    Mp3Collection collection(cacheFolder, Mp3Collection::kReadAtOnce, kWalkWait);
    Collected got;
    collection.ListTracks(folder, true, got);
    EXPECT_EQ(got.tracks.begin()->tags, "New Artist\0\0\0"s) << damage.what;
  }
}

// The tests run as root, whom no folder's mode stops: a child process that
// has become nobody meets a locked folder as the owner's program would. The
// walk leaves it out, goes on with the rest, and the line says so once for
// two listings.
TEST(Mp3CollectionTest, AFolderThatCannotBeReadIsLeftOutAndSaidOnce) {
  const fs::path music = FreshTestFolder("collection-locked");
  Write(music / "open/a.mp3", Tagged(Frame("TPE1", "Band")));
  Write(music / "locked/b.mp3", "x");
  Write(music / "locked/deeper/c.mp3", "x");
  fs::permissions(music / "locked", fs::perms::none);
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::alarm(20);  // a child that hangs ends
    ::close(pipeFds[0]);
    const gid_t none[1] = {65534};
    if (::chdir(music.c_str()) != 0 ||
        (::geteuid() == 0 && (::setgroups(1, none) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)))
      ::_exit(77);
    std::string report;
    {
      const DiagnosticListener listener([&report](const QString& line) { report += line.toStdString() + "\n"; });
      Mp3Collection collection(QString(), Mp3Collection::kReadAtOnce, kWalkWait);
      for (int i = 0; i < 2; ++i) {
        Collected got;
        collection.ListTracks(".", true, got);
        for (const Track& track : got.tracks) report += track.path + " " + track.tags.substr(0, 4) + "\n";
      }
    }
    const bool written = ::write(pipeFds[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
    ::_exit(written ? 0 : 1);
  }
  ::close(pipeFds[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(got));
  ::close(pipeFds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  fs::permissions(music / "locked", fs::perms::owner_all);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot become another user here";
  ASSERT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(report,
            "1 folder(s) under . left out: they cannot be read, first locked/ (Permission denied)\n"
            "open/a.mp3 Band\n"
            "open/a.mp3 Band\n");
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
    Mp3Collection collection(cache, 1, kWalkWait);
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
    // 2.6 s of sound, by the rate.
    step("a file added", [&] { Write(music / "A1/new.mp3", Tagged(Frame("TPE1", "Late")) + Frames(100, 128)); },
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
  // The index written at the end keeps the length of a track the follower
  // read by itself, and the next start's check keeps it.
  const auto keptLength = [&](std::string_view path) {
    for (const auto& entry : fs::directory_iterator(root / "cache")) {
      CollectionIndex index;
      std::string problem;
      if (entry.path().extension() == ".index" && index.Load(entry.path().string(), problem))
        if (const std::optional<std::size_t> at = index.Position(path)) return index.At(*at).lengthMs;
    }
    return std::uint32_t{0};
  };
  EXPECT_NEAR(keptLength("A1/renamed.mp3"), 2622, 20);
  // While nothing watches, one file goes and one comes.
  fs::remove(music / "A2/t.mp3");
  Write(music / "A0/back.mp3", Tagged(Frame("TPE1", "Back")));
  {
    Mp3Collection collection(cache, 1, kWalkWait);
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
  EXPECT_NEAR(keptLength("A1/renamed.mp3"), 2622, 20);
}

// A first walk that takes longer than the listing waits gives its tracks,
// tags read, to the watch's callback once it is done; none is lost between
// the two, whichever way each comes.
TEST(Mp3CollectionTest, AWalkLongerThanTheListingWaitsGivesItsTracksAsChanges) {
  const fs::path music = FreshTestFolder("collection-slow-walk");
  for (int i = 0; i < 3; ++i) Write(music / ("A" + std::to_string(i)) / "t.mp3", Tagged(Frame("TPE1", "Band")));
  const QString folder = QString::fromStdString(music.string());
  Mp3Collection collection(QString(), Mp3Collection::kReadAtOnce, std::chrono::milliseconds(0));
  Collected first;
  collection.ListTracks(folder, true, first);
  Followed followed;
  followed.tracks = first.tracks;
  collection.Watch(folder, [&followed](const TrackChanges& changes) { followed.Take(changes); });
  const std::string band = "Band\0\0\0"s;
  EXPECT_TRUE(WaitUntil([&] {
    return followed.tracks == std::set<Track>{{"A0/t.mp3", band}, {"A1/t.mp3", band}, {"A2/t.mp3", band}};
  }));
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
