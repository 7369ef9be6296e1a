#pragma once

#include <string>
#include <vector>

// The data files a CUE sheet names in its FILE lines, resolved against the
// sheet's own directory, in the order they appear (duplicates removed).
// An unreadable sheet gives an empty list.
std::vector<std::string> CueSheetDataFiles(const std::string& cuePath);

// Whether the BIN/CUE image at cuePath can be read as the sheet describes:
// it names exactly one data file, that file exists, it is the file libcdio
// reads for this sheet (libcdio takes the sheet's name with ".bin"), and its
// size is a whole number of raw sectors. On false, *why says what is wrong.
bool CueImageIsComplete(const std::string& cuePath, std::string* why);
