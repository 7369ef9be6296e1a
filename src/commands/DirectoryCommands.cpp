#include "src/commands/DirectoryCommands.h"

#include "src/library/Library.h"
#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace commands {

// Shows the directory in the file list, stores it and announces it. One that
// cannot be shown is neither stored nor announced: the room is not told of a
// folder that was not set, and the owner reads why on standard error.
void Dir(Session& s, const CommandLine& line) {
  const QString directory = line.From(6);
  if (library::SetMusicDirectory(s, directory)) s.aol.SendRoomLine(MorvaLine("Dir Is " + directory));
}

void Refresh(Session& s, const CommandLine&) {
  s.File1.Refresh();
  s.aol.SendRoomLine(MorvaLine("MP3 List Refreshed"));
}

void Total(Session& s, const CommandLine&) {
  const int count = s.File1.ListCount();
  s.aol.SendRoomLine(MorvaLine("Total MP3s [" + QString::number(count) + "]"));
}

// The music folder's subfolders listed too, or no longer.
void Deep(Session& s, const CommandLine&) { library::SetSubfolders(s, true); }
void XDeep(Session& s, const CommandLine&) { library::SetSubfolders(s, false); }

}  // namespace commands
