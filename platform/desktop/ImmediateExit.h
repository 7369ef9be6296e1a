#pragma once

#include "src/seams/ProcessControl.h"

// Ends the process at once: what is buffered on standard output and error is
// written out, then the process exits with status 0 without running any
// destructor, handler or event.
class ImmediateExit : public ProcessControl {
 public:
  [[noreturn]] void EndProcess() override;
};
