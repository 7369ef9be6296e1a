#pragma once

#include <functional>

#include <QString>

// Whether the user may create files in the folder (access with W_OK).
bool FolderIsWritable(const QString& folder);

// Where mp3.ini is kept. Beside the executable when its folder can be written
// or already holds an mp3.ini (a portable copy); otherwise in the user's
// configuration folder: $XDG_CONFIG_HOME/morva, or ~/.config/morva when the
// variable is unset, empty or not an absolute path. With no home either, the
// file stays beside the executable and writes to it fail as they always did.
QString ChooseSettingsFile(const QString& executableDirectory, const QString& xdgConfigHome, const QString& home,
                           const std::function<bool(const QString& folder)>& writable = FolderIsWritable);

// The choice for this process, from its environment. The launcher makes it
// once, so that the whole run reads and writes the same file.
QString SettingsFileOfThisRun(const QString& executableDirectory);

// Makes the settings file's folder, and the folders above it, when they are
// missing, each private to the user (mode 0700); folders that exist are left
// as they are. False when a folder cannot be made.
bool MakeSettingsFolder(const QString& settingsFile);
