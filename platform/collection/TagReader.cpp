#include "platform/collection/TagReader.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// Tracks are handed out so many at a time: few turns at the shared counter,
// and each thread writes results of its own, far from the others'.
constexpr std::size_t kChunk = 64;

// Calls work(i) for every i below count, on as many threads as there are
// cores, each taking the next chunk of indices while there is one.
template <typename Work>
void OnEveryCore(std::size_t count, const Work& work) {
  const std::size_t chunks = (count + kChunk - 1) / kChunk;
  const std::size_t threads = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), chunks);
  std::atomic<std::size_t> next{0};
  auto run = [&] {
    for (std::size_t chunk; (chunk = next.fetch_add(1, std::memory_order_relaxed)) < chunks;)
      for (std::size_t i = chunk * kChunk; i < std::min(count, (chunk + 1) * kChunk); ++i) work(i);
  };
  std::vector<std::jthread> helpers;
  for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(run);
  run();
}

}  // namespace

void ReadTracks(const std::string& root, const std::vector<std::string_view>& paths, std::vector<Mp3Track>& out,
                std::stop_token stop) {
  out.resize(std::max(out.size(), paths.size()));
  OnEveryCore(paths.size(), [&](std::size_t k) {
    if (stop.stop_requested()) return;
    std::string path;
    path.reserve(root.size() + 1 + paths[k].size());
    path.append(root).append(1, '/').append(paths[k]);
    out[k] = ReadMp3Track(path);
  });
}
