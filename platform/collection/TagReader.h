#pragma once

#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

// Reads the tag text (ReadMp3TagText) of many tracks on every core the
// machine has: `out[k]` receives that of `root + "/" + paths[k]`. Returns
// early, with the rest of `out` untouched, once `stop` is requested.
void ReadTagTexts(const std::string& root, const std::vector<std::string_view>& paths, std::vector<std::string>& out,
                  std::stop_token stop = {});
