// A music directory of 100,000 MP3 names: its load into the file list against
// `ls -f`, and one title search against `grep -F -i -c` over the same names.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/win32/WindowSystem.h"
#include "src/app/Form1.h"
#include "tests/support/FakeControls.h"
#include "tests/support/FakeRuntime.h"
#include "tests/support/FakeServices.h"

namespace {

template <typename Work>
double Seconds(Work work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Best(int rounds, const std::function<double()>& run) {
  double best = 1e9;
  for (int i = 0; i < rounds; ++i) best = std::min(best, run());
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const int files = 100000;
  std::ofstream names(dir.filePath("names.txt").toStdString());
  QDir(dir.path()).mkdir("music");
  const QString music = dir.filePath("music");
  for (int i = 0; i < files; ++i) {
    std::string name = "Artist " + std::to_string(i % 997) + " - Track " + std::to_string(i) + ".mp3";
    if (i == files / 2) name = "The One Needle In The Haystack.mp3";
    std::ofstream(QDir(music).filePath(QString::fromStdString(name)).toStdString());
    names << name << '\n';
  }
  names.close();

  WindowSystem windows;
  FakeRuntime runtime;
  CallLog log;
  FakeMediaPlayer player(log);
  FakeCdPlayer cd(log);
  FakeChatScanner chat(log);
  FakeMessageBoxes boxes(log);
  FakeProcess process(log);
  Form1 form(Form1::Platform{windows, runtime, player, chat, cd, boxes, process, dir.path(), nullptr});

  const std::string quotedMusic = "'" + music.toStdString() + "'";
  const std::string quotedNames = "'" + dir.filePath("names.txt").toStdString() + "'";
  double load = Best(3, [&] { return Seconds([&] { form.File1->SetPath(music); }); });
  double ls = Best(3, [&] { return Seconds([&] { std::system(("ls -f " + quotedMusic + " > /dev/null").c_str()); }); });
  double search = Best(5, [&] { return Seconds([&] { form.PlayIt("needle in the"); }); });
  double grep = Best(5, [&] {
    return Seconds([&] { std::system(("grep -F -i -c 'needle in the' " + quotedNames + " > /dev/null").c_str()); });
  });

  std::printf("files listed: %d, plays: %zu\n", form.File1->ListCount(), log.size());
  std::printf("directory load: %.4f s, ls -f: %.4f s, ratio %.2f (aim: within 3)\n", load, ls, load / ls);
  std::printf("title search:   %.4f s, grep -F -i -c: %.4f s, ratio %.2f (aim: within 2)\n", search, grep,
              search / grep);
  return 0;
}
