#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "platform/collection/TreeWalk.h"

// Work is handed out so many indices at a time: few turns at the shared
// counter, and each thread writes results of its own, far from the others'.
inline constexpr std::size_t kWorkChunk = 64;

// Calls work(i) for every i below count, on as many threads as there are
// cores, each taking the next chunk of indices while there is one.
template <typename Work>
void OnEveryCore(std::size_t count, const Work& work) {
  const std::size_t chunks = (count + kWorkChunk - 1) / kWorkChunk;
  const std::size_t threads = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), chunks);
  std::atomic<std::size_t> next{0};
  auto run = [&] {
    for (std::size_t chunk; (chunk = next.fetch_add(1, std::memory_order_relaxed)) < chunks;)
      for (std::size_t i = chunk * kWorkChunk; i < std::min(count, (chunk + 1) * kWorkChunk); ++i) work(i);
  };
  std::vector<std::jthread> helpers;
  for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(run);
  run();
}

// The one line that says what a walk of the root left out; empty when nothing.
inline std::string FaultLine(const std::string& root, const WalkFaults& faults) {
  std::string line;
  if (faults.unreadableFolders > 0)
    line = std::to_string(faults.unreadableFolders) + " folder(s) under " + root +
           " left out: they cannot be read, first " + faults.firstUnreadable;
  if (faults.unreadableNames > 0)
    line += (line.empty() ? "" : "; ") + std::to_string(faults.unreadableNames) + " name(s) under " + root +
            " left out: they are not valid UTF-8";
  return line;
}
