#include "src/library/Library.h"
#include "src/library/SettingsLocation.h"
#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"
#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace library {

namespace {

// A path that looks as if it meant something a shell would have done for it.
bool LooksShellQuoted(const QString& directory) {
  return directory.startsWith('~') || directory.contains('"') || directory.contains('\'');
}

}  // namespace

bool SetMusicDirectory(Session& s, const QString& directory) {
  // The empty text is no folder at all: stored, it means "none chosen", and
  // the list stays where it is.
  if (!directory.isEmpty()) {
    try {
      s.File1.SetPath(directory);
    } catch (const ControlError& error) {
      QString line = QString("music folder not changed: ") + error.what();
      if (LooksShellQuoted(directory)) line += "; the folder is taken as typed: no ~ is expanded, no quote removed";
      Diagnose(line);
      return false;
    }
  }
  // The user's configuration folder may not exist before the first save.
  MakeSettingsFolder(s.settingsFile);
  s.aol.WriteIniValue("mp3dir", "dir", directory, s.settingsFile);
  return true;
}

void DirButton(Session& s) {
  const QString directory = s.Text2.Text();
  if (SetMusicDirectory(s, directory)) s.aol.SendRoomLine(MorvaLine("Dir is " + directory));
}

}  // namespace library
