#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include <QString>
#include <QStringView>

#include "src/widgets/FileListBoxNames.h"

class MusicCollection;
struct TrackChanges;

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

// The tracks a collection added, as a list of their own in list order: those
// whose own name matches the pattern, with what their tags name.
FileNames ListAddedTracks(const TrackChanges& changes, const QString& pattern);

// The list with the changes made: what went taken out (a name equal to a
// removed path, or below a removed folder "a/b/", or one that is added
// again), and the added list merged in, all in list order.
FileNames MergeChanges(const FileNames& names, const TrackChanges& changes, const FileNames& added);

// Where a name stands in a list in list order: the first entry that does
// not come before it.
int ListPosition(const FileNames& names, std::string_view name);
// The entries below a folder ("a/b/"), as runs of rows [first, end) in
// list order, the last run first.
std::vector<std::pair<int, int>> EntriesUnder(const FileNames& names, std::string_view folder);

// Whether the name matches the wildcard pattern, letter case ignored.
bool MatchesWildcard(QStringView name, QStringView pattern);
