#pragma once

#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "platform/collection/Mp3TagText.h"

// Reads the tags and length (ReadMp3Track) of many tracks on every core the
// machine has: `out[k]` receives those of `root + "/" + paths[k]`. Returns
// early, with the rest of `out` empty, once `stop` is requested.
void ReadTracks(const std::string& root, const std::vector<std::string_view>& paths, std::vector<Mp3Track>& out,
                std::stop_token stop = {});
