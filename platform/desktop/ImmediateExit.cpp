#include "platform/desktop/ImmediateExit.h"

#include <cstdio>
#include <cstdlib>

void ImmediateExit::EndProcess() {
  if (lastWords_) lastWords_();
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(0);
}
