#pragma once

#include <cstdlib>
#include <memory>

// A text that libcdio allocated with malloc and hands over to the caller.
struct FreeDeleter {
  void operator()(char* text) const { std::free(text); }
};
using MallocText = std::unique_ptr<char, FreeDeleter>;
