#pragma once

#include <QString>
#include <QStringList>

// The names of the regular files of a directory that match a wildcard pattern
// ("*" and "?", letter case ignored), sorted by name without regard to case.
// Throws ControlError when the directory cannot be read.
QStringList ListMatchingFiles(const QString& directory, const QString& pattern);

// Whether the name matches the wildcard pattern, letter case ignored.
bool MatchesWildcard(QStringView name, QStringView pattern);
