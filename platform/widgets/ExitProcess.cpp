#include "platform/widgets/ExitProcess.h"

#include <cstdio>
#include <cstdlib>

void ExitProcess::EndProcess() {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(0);
}
