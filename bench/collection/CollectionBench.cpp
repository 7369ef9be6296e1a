// A big collection in subfolders: COUNT tagged MP3 files (hard links to a few
// small tagged files of LAME's silence) in 1,000 folders two levels deep, made in a temporary
// folder and removed again. Each figure is printed next to a peer measured in
// the same run (medians of three rounds, the two taken in turn):
//  - the first scan into the file list, without tags, against
//    `find DIR -name '*.mp3'`;
//  - the first scan with the tags read (no index), against a plain loop that
//    reads the same tags with TagLib in one thread (beyond 200,000 tracks,
//    over the 100 folders of "Artist 0" alone, so that a million-track run
//    takes minutes, not hours);
//  - loading the index of every track, and the names and tags of the list
//    filled from it, in process;
//  - a title search over the names and tags, against `grep -F -i -c` over a
//    file that holds the same text;
//  - the real program's start with a warm index to its answer to ".total",
//    and its resident memory, against the same start in an empty folder;
//  - how long a file added to the tree takes to be in the running program's
//    list (found by its name), while the start's check of the tree runs and
//    once it is done, and the program's resident memory once every track on
//    disk is listed.
//
//   bench_collection [COUNT] [--start-only | --search-only] [--also PROGRAM]...
// COUNT: 100000 unless given. --start-only: the real program's figures
// alone. --search-only: the search's figure alone. --also: another build of the program whose start is measured in the
// same run, before this build's (to compare two builds on a shared machine).
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <QTemporaryDir>

#include "bench/foundation/BenchTools.h"
#include "platform/collection/CollectionIndex.h"
#include "platform/collection/Mp3Collection.h"
#include "src/library/TitleMatch.h"
#include "src/widgets/DirectoryListing.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 1000;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// A fifth of a second of silence as LAME makes it (128 kbit/s, its Info
// header in the first frame), as the sound of every file; bytes that stand
// for sound when lame cannot be run.
std::string Sound(const fs::path& folder) {
  const fs::path file = folder / "sound.mp3";
  Run("head -c 35280 /dev/zero | lame -r -s 44.1 --bitwidth 16 -b 128 --quiet - " + Quoted(file.string()) +
      " 2> /dev/null");
  std::ifstream in(file, std::ios::binary);
  const std::string sound((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (sound.empty()) std::printf("  (lame did not run: the files hold no sound)\n");
  return sound.empty() ? std::string(1024, '\x55') : sound;
}

// An ID3v2.3 tag with artist, album and title, then the sound.
std::string TaggedFile(const std::string& artist, const std::string& album, const std::string& title,
                       const std::string& sound) {
  auto frame = [](const std::string& id, const std::string& text) {
    const std::string body = std::string(1, '\0') + text;
    std::string f = id;
    for (int shift = 24; shift >= 0; shift -= 8) f.push_back(static_cast<char>((body.size() >> shift) & 0xff));
    f.append(2, '\0');
    return f + body;
  };
  const std::string frames = frame("TPE1", artist) + frame("TALB", album) + frame("TIT2", title);
  std::string tag("ID3\x03\x00\x00", 6);
  for (int shift = 21; shift >= 0; shift -= 7) tag.push_back(static_cast<char>((frames.size() >> shift) & 0x7f));
  return tag + frames + sound;
}

// The collection: folder "Artist a/Album b" for a below 10 and b below 100,
// each with its share of the files, hard links to one seed file a folder
// whose artist is "Band" and the folder's number. A text file holds every track's
// path and tags, one line each, for grep.
struct Collection {
  fs::path music, seeds, text;
  int count = 0;

  Collection(const fs::path& root, int count) : music(root / "music"), seeds(root / "seeds"), text(root / "text"), count(count) {
    fs::create_directories(seeds);
    const std::string sound = Sound(seeds);
    std::ofstream lines(text);
    for (int i = 0; i < count; ++i) {
      const int folder = i % kFolders;
      const std::string band = "Band " + std::to_string(folder);
      const fs::path dir = music / ("Artist " + std::to_string(folder / 100)) / ("Album " + std::to_string(folder % 100));
      // One seed a folder: at most 1,000 links each for a million tracks.
      std::string seed = (seeds / std::to_string(folder)).string();
      if (i < kFolders) {
        fs::create_directories(dir);
        std::ofstream(seed, std::ios::binary) << TaggedFile(band, "Record", "Needle In The Haystack", sound);
      }
      // The last one alone names a zebra: found once every tag is read.
      if (i == count - 1) {
        seed = (seeds / "zebra").string();
        std::ofstream(seed, std::ios::binary) << TaggedFile("Zebra", "Record", "Needle In The Haystack", sound);
      }
      const std::string name = "Track number " + std::to_string(i) + ".mp3";
      if (::link(seed.c_str(), (dir / name).c_str()) != 0) std::perror(name.c_str());
      lines << (dir / name).string().substr(music.string().size() + 1) << '\t' << band
            << "\tRecord\tNeedle In The Haystack\n";
    }
  }
  ~Collection() {
    std::error_code ignored;
    fs::remove_all(music, ignored);
    fs::remove_all(seeds, ignored);
    fs::remove(text, ignored);
  }
};

// The plain peer: every MP3 under the folder, its tags read with TagLib, one
// file after another.
long ReadTagsInOneThread(const fs::path& music) {
  long named = 0;
  for (const auto& entry : fs::recursive_directory_iterator(music)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".mp3") continue;
    TagLib::MPEG::File file(entry.path().c_str(), false);
    if (file.tag() && !file.tag()->artist().isEmpty()) ++named;
  }
  return named;
}

// The real program with subfolders on, its index in a cache folder of its own.
class Morva {
 public:
  Morva(const fs::path& bin, const fs::path& music, const fs::path& cache, const std::string& binary = MORVA_BINARY)
      : music_(music) {
    fs::create_directories(bin);
    program_ = QString::fromStdString((bin / "morva").string());
    if (!QFile::exists(program_) && !QFile::copy(QString::fromStdString(binary), program_))
      std::fprintf(stderr, "cannot copy %s\n", binary.c_str());
    std::ofstream(bin / "mp3.ini") << "[mp3dir]\nDIR=" << music.string() << "\nDEEP=1\n";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CACHE_HOME", QString::fromStdString(cache.string()));
    process_.setProcessEnvironment(environment);
    process_.setWorkingDirectory(QString::fromStdString(music.string()));
    process_.setStandardErrorFile(QProcess::nullDevice());
  }
  ~Morva() { Stop(); }

  // Starts it; seconds to its answer to ".total", and the count it gave.
  std::optional<double> StartToTotal(long& total) {
    const auto start = std::chrono::steady_clock::now();
    process_.start(program_, {"--audio", "null", "--screen-name", "Joe", "--no-mpris"});
    if (!process_.waitForStarted(10000) || !LineWith("Loaded By:Joe")) return std::nullopt;
    total = Total();
    if (total < 0) return std::nullopt;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  // Whether the tags are all read: the one track tagged "Zebra" is found.
  // ".total" follows to close the answer, whatever playing it says.
  bool TagsRead() {
    process_.write(".play zebra\n.total\n");
    const std::optional<QByteArray> line = LineWith("MP3  [No Strings Found]", "Total MP3s [");
    if (!line) return false;
    if (line->contains("Total MP3s [")) return true;
    LineWith("Total MP3s [");
    return false;
  }
  // Whether the list holds the track of that name (a name no other track's
  // holds): it is found, and starts playing. ".total" follows to close the
  // answer.
  bool Lists(const std::string& name) {
    process_.write((".play " + name + "\n.total\n").c_str());
    const std::optional<QByteArray> line = LineWith("Playing [", "Total MP3s [");
    if (!line || line->contains("Total MP3s [")) return false;
    LineWith("Total MP3s [");
    return true;
  }
  long Total() {
    process_.write(".total\n");
    const std::optional<QByteArray> line = LineWith("Total MP3s [");
    return line ? std::atol(line->constData() + line->indexOf("Total MP3s [") + 12) : -1;
  }
  double ResidentMb() { return ResidentKb(process_.processId()) / 1024.0; }
  void Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.write("/quit\n");
    if (!process_.waitForFinished(10000)) process_.kill();
    process_.waitForFinished(5000);
    output_.clear();
    at_ = 0;
  }

 private:
  std::optional<QByteArray> LineWith(const QByteArray& part, const QByteArray& orPart = QByteArray()) {
    QDeadlineTimer deadline(600000);
    for (;;) {
      output_ += process_.readAllStandardOutput();
      for (qsizetype end = output_.indexOf('\n', at_); end >= 0; end = output_.indexOf('\n', at_)) {
        const QByteArray line = output_.mid(at_, end - at_);
        at_ = end + 1;
        if (line.contains(part) || (!orPart.isEmpty() && line.contains(orPart))) return line;
      }
      if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return std::nullopt;
      process_.waitForReadyRead(20);
    }
  }

  fs::path music_;
  QString program_;
  QProcess process_;
  QByteArray output_;
  qsizetype at_ = 0;
};

void MeasureSearch(const Collection& collection);

// The figures measured in this process: the scans, the search and the index.
void MeasureInProcess(const fs::path& root, const Collection& collection, int count) {
  const QString music = QString::fromStdString(collection.music.string());
  const bool subset = count > 200000;
  const fs::path tagged = subset ? collection.music / "Artist 0" : collection.music;
  const QString taggedFolder = QString::fromStdString(tagged.string());
  std::vector<double> scan, find, tags, plain;
  int listed = 0, listedTagged = 0;
  long named = 0;
  for (int r = 0; r < 3; ++r) {
    Mp3Collection noIndex(QString(), SIZE_MAX, std::chrono::hours(1));
    find.push_back(Seconds([&] { Run("find " + Quoted(collection.music.string()) + " -name '*.mp3' > /dev/null"); }));
    scan.push_back(Seconds([&] { listed = ListCollectionFiles(noIndex, music, "*.mp3", false).Count(); }));
    plain.push_back(Seconds([&] { named = ReadTagsInOneThread(tagged); }));
    tags.push_back(Seconds([&] { listedTagged = ListCollectionFiles(noIndex, taggedFolder, "*.mp3", true).Count(); }));
  }
  std::printf("  listed %d, with tags %d%s, the peer named %ld\n", listed, listedTagged,
              subset ? " (the tracks of \"Artist 0\" alone)" : "", named);
  std::printf("  first scan, no tags: %.3f s, find -name: %.3f s, ratio %.2f (aim: within 1.5)\n", Median(scan),
              Median(find), Median(scan) / Median(find));
  std::printf("  first scan with tags on %u cores: %.3f s, TagLib in one thread: %.3f s, ratio %.2f (aim: within 1)\n",
              std::thread::hardware_concurrency(), Median(tags), Median(plain), Median(tags) / Median(plain));

  MeasureSearch(collection);

  {
    // In process: the list made again with the index of a first listing.
    Mp3Collection indexed(QString::fromStdString((root / "cache-in-process").string()), SIZE_MAX, std::chrono::hours(1));
    ListCollectionFiles(indexed, music, "*.mp3", true);
    std::vector<double> again;
    for (int r = 0; r < 3; ++r) again.push_back(Seconds([&] { ListCollectionFiles(indexed, music, "*.mp3", true); }));
    std::printf("  the list again with a warm index, in process: %.3f s\n", Median(again));

    // The index file alone: loaded and checked, then every name and its tags
    // put in a list's name store, in the index's order.
    std::string indexFile;
    for (const auto& entry : fs::directory_iterator(root / "cache-in-process")) indexFile = entry.path().string();
    std::vector<double> load, fill;
    std::size_t loaded = 0;
    for (int r = 0; r < 3; ++r) {
      CollectionIndex index;
      std::string problem;
      load.push_back(Seconds([&] { index.Load(indexFile, problem); }));
      loaded = index.Count();
      fill.push_back(Seconds([&] {
        FileNames names;
        names.Reserve(index.Count(), static_cast<std::size_t>(fs::file_size(indexFile)) / 2);
        for (std::size_t i = 0; i < index.Count(); ++i) {
          const CollectionIndex::Entry entry = index.At(i);
          names.Add(entry.path, entry.tags);
        }
        names.ShrinkToFit();
      }));
    }
    std::printf("  the index of %zu tracks (%.1f MB) loaded and checked: %.3f s; its names and tags into a list: "
                "%.3f s\n",
                loaded, static_cast<double>(fs::file_size(indexFile)) / 1e6, Median(load), Median(fill));
  }
}

// A title search over the names and tags of every track, against grep over
// a file of the same text: the medians of a few rounds, the two in turn.
void MeasureSearch(const Collection& collection) {
  constexpr int kSearchRounds = 7;
  const QString music = QString::fromStdString(collection.music.string());
  Mp3Collection noIndex(QString(), SIZE_MAX, std::chrono::hours(1));
  const FileNames names = ListCollectionFiles(noIndex, music, "*.mp3", true);
  std::vector<double> search, grep;
  std::size_t found = 0;
  for (int r = 0; r < kSearchRounds; ++r) {
    search.push_back(Seconds([&] { found = TitleMatch("band 17").MatchingEntries(names).size(); }));
    grep.push_back(
        Seconds([&] { Run("grep -F -i -c 'band 17' " + Quoted(collection.text.string()) + " > /dev/null"); }));
  }
  std::printf("  search over names and tags: %.4f s (%zu found), grep -F -i -c: %.4f s, ratio %.2f (aim: within 1)\n",
              Median(search), found, Median(grep), Median(search) / Median(grep));
}

void MeasureProgram(const fs::path& root, const Collection& collection, const std::string& program, std::size_t p,
                    long& onDisk);

// `programs`: the binaries whose start is measured; `inProcess`: whether the
// figures measured in this process are taken too.
void Measure(const fs::path& root, int count, const std::vector<std::string>& programs, bool inProcess,
             bool searchOnly) {
  std::printf("%d tracks in %d folders\n", count, kFolders);
  Collection collection(root, count);
  if (searchOnly) return MeasureSearch(collection);
  const fs::path cache = root / "cache";
  if (inProcess) MeasureInProcess(root, collection, count);
  // The first start reads every tag and writes the index, which every
  // program measured then starts with.
  {
    Morva first(root / "bin", collection.music, cache);
    long total = 0;
    const std::optional<double> cold = first.StartToTotal(total);
    double allTags = -1;
    const auto coldStart = std::chrono::steady_clock::now();
    while (cold && std::chrono::steady_clock::now() - coldStart < std::chrono::minutes(30)) {
      if (first.TagsRead()) {
        allTags = *cold + std::chrono::duration<double>(std::chrono::steady_clock::now() - coldStart).count();
        break;
      }
      QThread::msleep(200);
    }
    if (!cold) {
      std::printf("  the program did not start and answer as it should\n");
      return;
    }
    std::printf("  the program's first start to .total: %.3f s (%ld tracks then), to every tag read: %.1f s\n", *cold,
                total, allTags);
  }
  // The tracks on disk: each program's run adds two.
  long onDisk = count;
  for (std::size_t p = 0; p < programs.size(); ++p) MeasureProgram(root, collection, programs[p], p, onDisk);
}

// The real program's start with the warm index to ".total", and its
// resident memory then, against the same start in an empty folder; then a
// file added while it runs, asked for every 50 ms: first while the start's
// check of the tree still runs (the file shows once it is done), then once
// it is done, with the memory then.
void MeasureProgram(const fs::path& root, const Collection& collection, const std::string& program, std::size_t p,
                    long& onDisk) {
  const std::string name = std::to_string(p);
  std::printf("  %s:\n", program.c_str());
  Morva withTracks(root / ("bin" + name), collection.music, root / "cache", program);
  fs::create_directories(root / "empty");
  Morva empty(root / ("bin-empty" + name), root / "empty", root / "cache-empty", program);
  long total = 0;
  std::vector<double> warm, bare, memory, bareMemory;
  for (int r = 0; r < 3; ++r) {
    long none = 0;
    const auto e = empty.StartToTotal(none);
    bareMemory.push_back(empty.ResidentMb());
    empty.Stop();
    const auto w = withTracks.StartToTotal(total);
    memory.push_back(withTracks.ResidentMb());
    if (r < 2) withTracks.Stop();
    if (!e || !w) break;
    bare.push_back(*e);
    warm.push_back(*w);
  }
  if (warm.size() < 3) {
    std::printf("  the program did not start and answer as it should\n");
    return;
  }
  std::printf("    start with a warm index to .total: %.3f s (%ld tracks), empty folder: %.3f s, beyond it %+.3f s "
              "(aim: +0.5 s)\n",
              Median(warm), total, Median(bare), Median(warm) - Median(bare));
  std::printf("    resident memory then: %.1f MB, empty folder: %.1f MB, beyond it %+.1f MB (aim: +150 MB)\n",
              Median(memory), Median(bareMemory), Median(memory) - Median(bareMemory));

  // The file itself is looked for: the list may lack other tracks until the
  // check is done (those added while the last run's changes were not kept).
  const auto addedAfter = [&](const std::string& title) {
    ++onDisk;
    fs::copy_file(collection.seeds / "0", collection.music / "Artist 0" / "Album 0" / (title + ".mp3"));  // a copy: a new file
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
      if (withTracks.Lists(title)) return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      QThread::msleep(50);
    }
    return -1.0;
  };
  const double duringCheck = addedAfter("Added late " + name);
  // Once the check is done, every track on disk is listed.
  const auto checkStart = std::chrono::steady_clock::now();
  while (withTracks.Total() != onDisk && std::chrono::steady_clock::now() - checkStart < std::chrono::seconds(120))
    QThread::msleep(100);
  QThread::msleep(500);
  const double checked = withTracks.ResidentMb();
  const double afterCheck = addedAfter("Added later " + name);
  std::printf("    resident memory once the start's check is done: %.1f MB, beyond the empty folder %+.1f MB\n", checked,
              checked - Median(bareMemory));
  std::printf("    a file added is in the list after %.2f s during the start's check, %.2f s after it (aim: within 2 s)\n",
              duringCheck, afterCheck);
  withTracks.Stop();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int count = 100000;
  bool inProcess = true, searchOnly = false;
  std::vector<std::string> programs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--start-only")
      inProcess = false;
    else if (arg == "--search-only")
      searchOnly = true;
    else if (arg == "--also" && i + 1 < argc)
      programs.push_back(argv[++i]);
    else
      count = std::atoi(argv[i]);
  }
  programs.push_back(MORVA_BINARY);
  QTemporaryDir root;
  Measure(root.path().toStdString(), count, programs, inProcess, searchOnly);
  return 0;
}
