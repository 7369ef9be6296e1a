#pragma once

#include <stdexcept>
#include <string>

// The one way a hosted control fails a call. A step that is allowed to fail is
// one try around that step; nothing else catches it.
class ControlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
