#pragma once

// The end of the program.
class ProcessControl {
 public:
  virtual ~ProcessControl() = default;
  // Ends the process at once: no further handler runs and nothing is saved.
  [[noreturn]] virtual void EndProcess() = 0;
};
