#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

// What a walk left out, for the one line that says so.
struct WalkFaults {
  int unreadableFolders = 0;
  std::string firstUnreadable;  // its path below the root, and why
  int unreadableNames = 0;      // names that are not valid UTF-8
  bool cutShort = false;        // folders were left unread: the limit was reached
};

// Called for each MP3 file found: its path below the root (UTF-8, "/"
// between parts), and the folder it lies in, open, with its own name there.
using FoundMp3 = std::function<void(std::string_view relative, int folderFd, const char* name)>;

// Walks every folder under the root, following symbolic links but entering
// no folder twice, and calls `found` for each regular file whose name ends
// in ".mp3" (letter case ignored). Hidden names (a leading dot) are left out,
// as are names that are not valid UTF-8 and folders that cannot be read; the
// faults say how many. Only one folder is open at a time, however deep the
// tree. Throws ControlError when the root cannot be read.
// Each folder walked, the root included, is added to `folders` (when given)
// by its path below the root ("" for the root, else ending in "/").
// No more than `folderLimit` folders are read; the faults say when some were not.
WalkFaults WalkMp3Files(const QString& root, const FoundMp3& found, std::vector<std::string>* folders = nullptr,
                        std::size_t folderLimit = std::numeric_limits<std::size_t>::max());

// Whether the name ends in ".mp3", letter case ignored.
bool HasMp3Extension(std::string_view name);
