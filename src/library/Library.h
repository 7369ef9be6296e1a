#pragma once

#include <QString>

struct Session;

// The music library's work behind the main window's handlers.
namespace library {

// The title search behind ".play": matches are appended to the match list,
// which is not emptied first; one match plays at once, several are listed a
// second apart and wait for a numbered ".play".
void PlayIt(Session& session, const QString& searchText);

// A choice in the file list, by a click or made by ".r": stops what plays,
// opens the entry selected by then and announces its title.
void StartSelectedTrack(Session& session);

// The "dir:" button: shows, stores and announces the directory typed into
// Text2; one that cannot be shown is neither stored nor announced.
void DirButton(Session& session);

// Shows the directory in the file list and stores it in the settings file;
// true when stored. A directory the list cannot show is not stored: the list
// and the setting stay as they were, and one line on standard error gives the
// reason. The path is taken as it is (no ~ expanded, no quotes removed). The
// empty text is stored (no folder chosen) and leaves the list where it is.
bool SetMusicDirectory(Session& session, const QString& directory);

// At start: shows the folder stored in the settings file. When that folder
// cannot be shown, or the file list is empty, one line on standard error
// says which folder the list shows (and why not the stored one) and how to
// choose another.
void RestoreMusicDirectory(Session& session);

// ".deep", ".xdeep" and the window's subfolder switch: lists the music
// folder's subfolders too, or no longer, keeps the choice in the settings
// file and announces it.
void SetSubfolders(Session& session, bool on);

}  // namespace library
