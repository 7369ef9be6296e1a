#include "platform/collection/TagReader.h"

#include <algorithm>
#include <atomic>
#include <thread>


namespace {

// Calls work(i) for every i below count, on as many threads as there are cores.
template <typename Work>
void OnEveryCore(std::size_t count, const Work& work) {
  const std::size_t threads = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), count);
  std::atomic<std::size_t> next{0};
  auto run = [&] {
    for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) work(i);
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
    out[k] = ReadMp3Track(root + '/' + std::string(paths[k]));
  });
}
