#pragma once

#include <QString>

#include "src/aol/AolClient.h"

// A track's title: its file name with every ".mp3" removed, in any case.
inline QString TrackTitle(const QString& fileName) { return AolClient::ReplaceText(fileName, ".mp3", ""); }

// The full path of a file-list entry. The separator goes in even when the
// directory already ends in one.
inline QString TrackPath(const QString& directory, const QString& fileName) { return directory + "/" + fileName; }
