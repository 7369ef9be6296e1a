// Big music folders: 100,000 and 1,000,000 empty MP3 files (hard links to a
// few empty files), made in a temporary folder and removed again (the run
// says how long each took). For
// each size one run prints, next to a peer measured in the same run (medians
// of several rounds, the two taken in turn):
//  - the directory load into the file list, against `ls -f`;
//  - one title search, against `grep -F -i -c` over the same names;
//  - the start of the real morva program to its "Loaded By" line, and on to
//    its answer to ".total" (by then the list is whole), against the same
//    start in an empty folder;
//  - its resident memory (VmRSS) after that answer, against the empty folder;
// and then the intake of other members' lines.
//
//   bench_library [COUNT...]      (default: 100000 1000000)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "bench/foundation/BenchTools.h"
#include "bench/foundation/IntakeMeasure.h"
#include "platform/win32/WindowSystem.h"
#include "src/app/Form1.h"
#include "tests/support/FakeControls.h"
#include "tests/support/FakeRuntime.h"
#include "tests/support/FakeServices.h"

namespace {

constexpr const char* kNeedle = "The One Needle In The Haystack.mp3";

std::string NameOf(int i, int count) {
  if (i == count / 2) return kNeedle;
  return "Artist " + std::to_string(i % 997) + " - Track number " + std::to_string(i) + ".mp3";
}

std::string Quoted(const QString& path) {
  std::string quoted(1, '\'');
  quoted.append(path.toStdString()).push_back('\'');
  return quoted;
}

// A folder of `count` empty MP3 files, and a text file of their names. The
// files are hard links to a few empty files kept in a folder beside it (a
// file takes at most 65,000 links): the folder holds as many names as a real
// one, read the same way, without making as many inodes, which on a disk that
// has just freed a million of them takes minutes.
class MusicFolder {
 public:
  static constexpr int kLinksPerFile = 60000;

  MusicFolder(const QString& path, const QString& namesFile, int count)
      : path_(path), seeds_(path + "-seeds"), count_(count) {
    QDir().mkpath(path);
    QDir().mkpath(seeds_);
    made_ = Seconds([&] {
      const int dir = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      const int seeds = ::open(QFile::encodeName(seeds_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      std::ofstream names(namesFile.toStdString());
      std::string seed;
      for (int i = 0; i < count; ++i) {
        if (i % kLinksPerFile == 0) {
          seed = std::to_string(i / kLinksPerFile);
          const int file = ::openat(seeds, seed.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
          if (file >= 0) ::close(file);
        }
        const std::string name = NameOf(i, count);
        if (::linkat(seeds, seed.c_str(), dir, name.c_str(), 0) != 0) std::perror(name.c_str());
        names << name << '\n';
      }
      ::close(seeds);
      ::close(dir);
    });
  }
  // Removes the files and the folders; how long that took.
  double Remove() {
    return Seconds([&] {
      const int dir = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      for (int i = 0; i < count_; ++i) ::unlinkat(dir, NameOf(i, count_).c_str(), 0);
      ::close(dir);
      QDir().rmdir(path_);
      QDir(seeds_).removeRecursively();
    });
  }
  double made() const { return made_; }

 private:
  QString path_;
  QString seeds_;
  int count_;
  double made_ = 0;
};

struct StartFigure {
  double loaded = 0;    // seconds to the "Loaded By" line
  double answered = 0;  // seconds to the answer to ".total"
  double residentMb = 0;
  long listed = -1;  // the number ".total" gave
};

// The real program, as the end-to-end tests run it: a copy of it beside an
// mp3.ini naming the music folder, started in that folder.
class MorvaStart {
 public:
  MorvaStart(const QString& binFolder, const QString& music) : music_(music) {
    QDir().mkpath(binFolder);
    program_ = binFolder + "/morva";
    if (!QFile::exists(program_) && !QFile::copy(MORVA_BINARY, program_))
      std::fprintf(stderr, "cannot copy %s\n", MORVA_BINARY);
    QFile ini(binFolder + "/mp3.ini");
    if (ini.open(QIODevice::WriteOnly | QIODevice::Truncate)) ini.write("[mp3dir]\nDIR=" + music.toUtf8() + "\n");
  }

  std::optional<StartFigure> Measure() {
    QProcess morva;
    morva.setWorkingDirectory(music_);
    morva.setStandardErrorFile(QProcess::nullDevice());
    StartFigure figure;
    const auto start = std::chrono::steady_clock::now();
    auto since = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    morva.start(program_, {"--audio", "null", "--screen-name", "Joe"});
    if (!morva.waitForStarted(10000)) return std::nullopt;
    QByteArray output;
    qsizetype at = 0;
    auto lineWith = [&](const QByteArray& part) -> std::optional<QByteArray> {
      QDeadlineTimer deadline(120000);
      for (;;) {
        output += morva.readAllStandardOutput();
        for (qsizetype end = output.indexOf('\n', at); end >= 0; end = output.indexOf('\n', at)) {
          const QByteArray line = output.mid(at, end - at);
          at = end + 1;
          if (line.contains(part)) return line;
        }
        if (deadline.hasExpired() || morva.state() == QProcess::NotRunning) return std::nullopt;
        morva.waitForReadyRead(20);
      }
    };
    if (!lineWith("Loaded By:Joe")) return std::nullopt;
    figure.loaded = since();
    morva.write(".total\n");
    const std::optional<QByteArray> total = lineWith("Total MP3s [");
    if (!total) return std::nullopt;
    figure.answered = since();
    figure.residentMb = ResidentKb(morva.processId()) / 1024.0;
    figure.listed = std::atol(total->constData() + total->indexOf("Total MP3s [") + 12);
    morva.write("/quit\n");
    morva.closeWriteChannel();
    if (!morva.waitForFinished(10000)) morva.kill();
    morva.waitForFinished(5000);
    return figure;
  }

 private:
  QString music_;
  QString program_;
};

// Medians of `rounds` starts in the music folder and in the empty one, in turn.
void CompareStarts(MorvaStart& withNames, MorvaStart& empty, int count, int rounds) {
  std::vector<double> loaded, answered, resident, emptyLoaded, emptyAnswered, emptyResident;
  for (int r = 0; r < rounds; ++r) {
    const auto peer = empty.Measure();
    const auto figure = withNames.Measure();
    if (!peer || !figure || figure->listed != count) {
      std::printf("  the program did not start and answer as it should (listed %ld)\n", figure ? figure->listed : -1);
      return;
    }
    loaded.push_back(figure->loaded);
    answered.push_back(figure->answered);
    resident.push_back(figure->residentMb);
    emptyLoaded.push_back(peer->loaded);
    emptyAnswered.push_back(peer->answered);
    emptyResident.push_back(peer->residentMb);
  }
  const bool big = count > 100000;
  std::printf("  start to \"Loaded By\":      %.3f s, empty folder: %.3f s, beyond it %+.3f s (aim: +%.2f s)\n",
              Median(loaded), Median(emptyLoaded), Median(loaded) - Median(emptyLoaded), big ? 2.5 : 0.25);
  std::printf("  start to the \".total\" answer: %.3f s, empty folder: %.3f s, beyond it %+.3f s\n", Median(answered),
              Median(emptyAnswered), Median(answered) - Median(emptyAnswered));
  std::printf("  resident memory after it:  %.1f MB, empty folder: %.1f MB, beyond it %+.1f MB (aim: +%d MB)\n",
              Median(resident), Median(emptyResident), Median(resident) - Median(emptyResident), big ? 120 : 12);
}

void MeasureSize(const QString& root, int count, MorvaStart& empty) {
  const QString music = root + "/music-" + QString::number(count);
  const QString names = root + "/names-" + QString::number(count) + ".txt";
  std::printf("%d names\n", count);
  MusicFolder folder(music, names, count);
  std::printf("  made the folder in %.1f s\n", folder.made());
  const bool big = count > 100000;

  {
    WindowSystem windows;
    FakeRuntime runtime;
    CallLog log;
    FakeMediaPlayer player(log);
    FakeCdPlayer cd(log);
    FakeChatScanner chat(log);
    FakeMessageBoxes boxes(log);
    FakeProcess process(log);
    Form1 form(Form1::Platform{windows, runtime, player, chat, cd, boxes, process, root, nullptr});

    std::vector<double> load, ls, search, grep;
    for (int r = 0; r < 5; ++r) {
      load.push_back(Seconds([&] { form.File1->SetPath(music); }));
      ls.push_back(Seconds([&] { Run("ls -f " + Quoted(music) + " > /dev/null"); }));
    }
    const int listed = form.File1->ListCount();
    for (int r = 0; r < 5; ++r) {
      search.push_back(Seconds([&] { form.PlayIt("needle in the"); }));
      grep.push_back(Seconds([&] { Run("grep -F -i -c 'needle in the' " + Quoted(names) + " > /dev/null"); }));
    }
    const std::string opened = "player.OpenFile(" + music.toStdString() + "/" + kNeedle + ")";
    const long plays = std::count(log.begin(), log.end(), opened);
    std::printf("  listed %d, the search played the needle %ld times in 5\n", listed, plays);
    std::printf("  directory load: %.4f s, ls -f: %.4f s, ratio %.2f%s\n", Median(load), Median(ls),
                Median(load) / Median(ls), big ? "" : " (aim: within 2)");
    std::printf("  title search:   %.5f s, grep -F -i -c: %.4f s, ratio %.2f%s\n", Median(search), Median(grep),
                Median(search) / Median(grep), big ? "" : " (aim: within 1)");
  }

  MorvaStart withNames(root + "/bin-" + QString::number(count), music);
  CompareStarts(withNames, empty, count, 3);
  std::printf("  removed the folder in %.1f s\n", folder.Remove());
  QFile::remove(names);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {100000, 1000000};

  QTemporaryDir root;
  QDir().mkpath(root.filePath("empty"));
  MorvaStart empty(root.filePath("bin-empty"), root.filePath("empty"));
  for (const int count : counts) MeasureSize(root.path(), count, empty);
  PrintIntakeFigures(100000, 5);
  return 0;
}
