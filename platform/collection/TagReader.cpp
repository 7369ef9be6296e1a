#include "platform/collection/TagReader.h"

#include "platform/collection/CollectionWork.h"

#include <algorithm>
#include <atomic>
#include <thread>

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
