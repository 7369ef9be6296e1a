#pragma once

#include "src/seams/ProcessControl.h"

#include <functional>

// Ends the process at once: the last words run (a network connection's lines
// still on their way, say), what is buffered on standard output and error is
// written out, then the process exits with status 0 without running any
// destructor, handler or event.
class ImmediateExit : public ProcessControl {
 public:
  void SetLastWords(std::function<void()> lastWords) { lastWords_ = std::move(lastWords); }
  // One more thing to do at the end, after the last words set so far.
  void AddLastWords(std::function<void()> more) {
    lastWords_ = [first = std::move(lastWords_), more = std::move(more)] {
      if (first) first();
      more();
    };
  }
  [[noreturn]] void EndProcess() override;

 private:
  std::function<void()> lastWords_;
};
