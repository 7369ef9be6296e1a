// Lines per second through the chat intake: 100,000 lines of other members
// with 50 child windows open, each line reading the owner's name anew.
#include <chrono>
#include <cstdio>

#include "src/commands/LineReceived.h"
#include "tests/support/FakeRuntime.h"
#include "tests/support/TestDesktop.h"

int main() {
  WindowSystem windows;
  TestDesktop desktop(windows);
  desktop.AddWelcome("Joe");  // the lowest child: every lookup walks all of them
  for (int i = 0; i < 48; ++i) desktop.AddChild("Window " + std::to_string(i));
  desktop.AddRoom("Lobby");
  FakeRuntime runtime;
  AolClient aol(windows, runtime);

  const int lines = 100000;
  int taken = 0;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < lines; ++i)
    commands::LineReceived(aol, QStringLiteral("Member%1").arg(i % 7), QStringLiteral(".play song %1").arg(i),
                 [&](const commands::CommandRow&, const CommandLine&) { ++taken; });
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::printf("%d lines from other members, %zu child windows: %.3f s, %.0f lines/s (%d taken as commands)\n", lines,
              windows.Children(desktop.mdi()).size(), seconds, lines / seconds, taken);
  return 0;
}
