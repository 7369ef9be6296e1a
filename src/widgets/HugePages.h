#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

// Asks for huge pages under a big buffer before it is filled: a fault per
// 2 MB instead of one per 4 KB, which (in a virtual machine above all) is
// most of what filling a million names costs.
inline void AdviseHugePages(const void* data, std::size_t bytes) {
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t start = (begin + kHuge - 1) & ~(kHuge - 1), end = (begin + bytes) & ~(kHuge - 1);
  if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

// The same for the room a string or vector has reserved.
template <typename Buffer>
void AdviseHugePages(const Buffer& buffer) {
  AdviseHugePages(buffer.data(), buffer.capacity() * sizeof(*buffer.data()));
}
