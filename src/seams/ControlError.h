#pragma once

#include <stdexcept>
#include <string>

// The one way a hosted control fails a call. A step that is allowed to fail is
// one SkipFailure around that step; nothing else catches it.
class ControlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs a step whose failure is skipped silently: the next step runs as if
// this one had done nothing.
template <typename Step>
void SkipFailure(Step&& step) {
  try {
    step();
  } catch (const ControlError&) {
  }
}
