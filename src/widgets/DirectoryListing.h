#pragma once

#include <QString>
#include <QStringView>

#include "src/widgets/FileListBoxNames.h"

// The names of the regular files of a directory that match a wildcard pattern
// ("*" and "?", letter case ignored), sorted by name without regard to case.
// The directory is read once. Throws ControlError when it cannot be read,
// with the system's reason in brackets at the end of the message.
FileNames ListMatchingFiles(const QString& directory, const QString& pattern);

// Whether the name matches the wildcard pattern, letter case ignored.
bool MatchesWildcard(QStringView name, QStringView pattern);
