#pragma once

#include <QString>
#include <QStringView>

#include "src/widgets/FileListBoxNames.h"

class MusicCollection;

// The names of the regular files of a directory that match a wildcard pattern
// ("*" and "?", letter case ignored), sorted by name without regard to case.
// The directory is read once. Throws ControlError when it cannot be read,
// with the system's reason in brackets at the end of the message.
FileNames ListMatchingFiles(const QString& directory, const QString& pattern);

// The same for a whole collection: every file under the directory, at any
// depth, whose own name matches, as its path below the directory, sorted by
// that path without regard to case; with what its tags name as part of its
// search form when asked. Throws ControlError when the directory cannot be
// read.
FileNames ListCollectionFiles(MusicCollection& collection, const QString& directory, const QString& pattern,
                              bool withTags);

// Whether the name matches the wildcard pattern, letter case ignored.
bool MatchesWildcard(QStringView name, QStringView pattern);
