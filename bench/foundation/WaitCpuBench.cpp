// CPU time of WaitSeconds(1), which blocks in the event dispatcher, against a
// wait that spins on the clock and the event queue, measured in the same run.
#include <sys/resource.h>

#include <cstdio>

#include <QCoreApplication>

#include "platform/runtime/QtRuntime.h"
#include "platform/win32/WindowSystem.h"
#include "src/aol/AolClient.h"
#include "src/shared/Numbers.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

template <typename Wait>
double CpuOf(Wait wait, int rounds) {
  double start = CpuSeconds();
  for (int i = 0; i < rounds; ++i) wait();
  return (CpuSeconds() - start) / rounds;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  WindowSystem windows;
  QtRuntime runtime;
  AolClient aol(windows, runtime);
  const int rounds = 3;

  double blocking = CpuOf([&] { aol.WaitSeconds(1); }, rounds);
  double spinning = CpuOf(
      [&] {
        const double start = RoundHalfEven(runtime.Seconds());
        while (runtime.Seconds() - start < 1) runtime.ProcessPendingEvents();
      },
      rounds);

  std::printf("WaitSeconds(1): %.4f s CPU per wait\n", blocking);
  std::printf("spinning wait : %.4f s CPU per wait\n", spinning);
  std::printf("ratio blocking/spinning: %.5f (lower is better)\n", spinning > 0 ? blocking / spinning : 0.0);
  return 0;
}
