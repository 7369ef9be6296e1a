#include "platform/desktop/ImmediateExit.h"

#include <cstdio>
#include <cstdlib>

void ImmediateExit::EndProcess() {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(0);
}
