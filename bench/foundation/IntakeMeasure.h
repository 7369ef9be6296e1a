#pragma once

// The intake of other members' lines, two ways:
//  - the intake alone: commands::LineReceived for each line, reading the
//    owner's name anew from the window tree every time;
//  - the whole road of a line in the program: the chat client shows it in
//    its room, the scanner reports it (at the next pass of the event loop)
//    and the intake takes it.
// Both take the lines as a busy room brings them, a few at a time with a
// pass of the event loop between: the passes are the program's, whichever
// way a line then goes, so both pay for them.
// Both with `childWindows` "AOL Child" windows in all (at least the chat
// client's own), the welcome window below the others, so that every lookup of
// the owner's name walks all of them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstddef>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QString>

#include "bench/foundation/CpuTime.h"
#include "platform/chatclient/ChatClient.h"
#include "platform/chatscanner/ChatScanner.h"
#include "platform/win32/WindowSystem.h"
#include "src/commands/LineReceived.h"
#include "tests/support/FakeRuntime.h"
#include "tests/support/TestDesktop.h"

struct IntakeFigure {
  int lines = 0;
  std::size_t childWindows = 0;
  double seconds = 0;
  double cpuSeconds = 0;
  int taken = 0;  // lines taken as commands: none are the owner's
  double LinesPerSecond() const { return lines / seconds; }
  double LinesPerCpuSecond() const { return lines / cpuSeconds; }
};

namespace intake_bench {

// Lines between two passes of the event loop.
constexpr int kBurst = 10;

// Lines made before the clock starts, so that only the intake is timed.
inline std::vector<std::pair<QString, QString>> OtherMembersLines(int count) {
  std::vector<std::pair<QString, QString>> lines;
  for (int i = 0; i < count; ++i)
    lines.emplace_back(QStringLiteral("Member%1").arg(i % 7), QStringLiteral(".play song %1").arg(i));
  return lines;
}

// A figure is only worth its name if the owner is found behind all the windows.
inline void CheckOwner(const AolClient& aol) {
  if (aol.OwnScreenName() != QStringLiteral("Joe")) {
    std::fprintf(stderr, "the owner's name is not found: the figures below mean nothing\n");
    std::exit(1);
  }
}

// Times the work into the figure, by the wall clock and in CPU time.
template <typename Work>
void Time(IntakeFigure& figure, Work work) {
  const double cpuStart = ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  work();
  figure.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  figure.cpuSeconds = ProcessCpuSeconds() - cpuStart;
}

}  // namespace intake_bench

// Needs a QCoreApplication, for the passes of the event loop.
inline IntakeFigure MeasureIntake(int childWindows, int lines) {
  const int extraChildren = childWindows - 2;  // besides the welcome window and the room
  WindowSystem windows;
  TestDesktop desktop(windows);
  desktop.AddWelcome("Joe");  // the lowest child: every lookup walks all of them
  for (int i = 0; i < extraChildren; ++i) desktop.AddChild("Window " + std::to_string(i));
  desktop.AddRoom("Lobby");
  FakeRuntime runtime;
  AolClient aol(windows, runtime);
  intake_bench::CheckOwner(aol);
  const auto said = intake_bench::OtherMembersLines(lines);

  IntakeFigure figure;
  figure.lines = lines;
  figure.childWindows = windows.Children(desktop.mdi()).size();
  intake_bench::Time(figure, [&] {
    for (int i = 0; i < lines; ++i) {
      const auto& [sender, text] = said[static_cast<std::size_t>(i)];
      commands::LineReceived(aol, sender, text,
                             [&](const commands::CommandRow&, const CommandLine&) { ++figure.taken; });
      if (i % intake_bench::kBurst == intake_bench::kBurst - 1) QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
  });
  return figure;
}

// Needs a QCoreApplication: the scanner's reports are queued events.
inline IntakeFigure MeasureChatRoad(int childWindows, int lines) {
  const int extraChildren = childWindows - 3;  // besides the buddy list, the welcome window and the room
  WindowSystem windows;
  ChatClientOptions options;
  options.screenName = "Joe";
  options.openRoom = false;
  ChatClient client(windows, options);
  // The welcome window first, then the others above it, then the room on top.
  for (int i = 0; i < extraChildren; ++i)
    windows.CreateWindowA("AOL Child", ("Window " + std::to_string(i)).c_str(), client.mdiClient(), nullptr);
  client.EnterRoom("Lobby");
  ChatScanner scanner(client);
  FakeRuntime runtime;
  AolClient aol(windows, runtime);
  IntakeFigure figure;
  scanner.SetLineReceivedHandler([&](const QString& sender, const QString& text) {
    commands::LineReceived(aol, sender, text,
                           [&](const commands::CommandRow&, const CommandLine&) { ++figure.taken; });
  });
  scanner.StartScanning();
  intake_bench::CheckOwner(aol);
  const auto said = intake_bench::OtherMembersLines(lines);

  figure.lines = lines;
  figure.childWindows = windows.Children(client.mdiClient()).size();
  intake_bench::Time(figure, [&] {
    for (int i = 0; i < lines; ++i) {
      client.SayAs(said[static_cast<std::size_t>(i)].first, said[static_cast<std::size_t>(i)].second);
      if (i % intake_bench::kBurst == intake_bench::kBurst - 1) QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
  });
  return figure;
}

// Prints both figures with 50 child windows against the same with only the
// windows of the chat client itself: medians of `rounds` rounds, interleaved.
// Then the chat road against the intake alone with 50 windows, by the wall
// clock and in CPU time (which a busy machine disturbs less).
inline void PrintIntakeFigures(int lines, int rounds) {
  auto median = [](std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  struct Row {
    const char* what;
    IntakeFigure (*measure)(int, int);
  };
  double busyWall[2] = {}, busyCpu[2] = {};
  int index = 0;
  for (const Row& row : {Row{"intake alone", MeasureIntake}, Row{"chat road   ", MeasureChatRoad}}) {
    std::vector<double> busy, quiet, busyPerCpu;
    std::size_t busyWindows = 0, quietWindows = 0;
    int taken = 0;
    for (int r = 0; r < rounds; ++r) {
      const IntakeFigure many = row.measure(50, lines);
      const IntakeFigure few = row.measure(0, lines);
      busy.push_back(many.LinesPerSecond());
      busyPerCpu.push_back(many.LinesPerCpuSecond());
      quiet.push_back(few.LinesPerSecond());
      busyWindows = many.childWindows;
      quietWindows = few.childWindows;
      taken += many.taken + few.taken;
    }
    std::printf("%s: %d lines of other members, %zu child windows: %.0f lines/s; %zu child windows: %.0f lines/s; "
                "ratio %.2f (%d taken as commands)\n",
                row.what, lines, busyWindows, median(busy), quietWindows, median(quiet), median(busy) / median(quiet),
                taken);
    busyWall[index] = median(busy);
    busyCpu[index] = median(busyPerCpu);
    ++index;
  }
  std::printf("chat road against the intake alone, 50 child windows: %.2f (%.0f against %.0f lines/s); "
              "in CPU time %.2f (%.0f against %.0f lines a CPU second)\n",
              busyWall[1] / busyWall[0], busyWall[1], busyWall[0], busyCpu[1] / busyCpu[0], busyCpu[1], busyCpu[0]);
}
