#include "src/library/Library.h"
#include "src/library/SettingsLocation.h"
#include "src/seams/ControlError.h"
#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace library {

void SetMusicDirectory(Session& s, const QString& directory) {
  SkipFailure([&] { s.File1.SetPath(directory); });
  // The user's configuration folder may not exist before the first save.
  MakeSettingsFolder(s.settingsFile);
  s.aol.WriteIniValue("mp3dir", "dir", directory, s.settingsFile);
}

void DirButton(Session& s) {
  const QString directory = s.Text2.Text();
  SetMusicDirectory(s, directory);
  s.aol.SendRoomLine(MorvaLine("Dir is " + directory));
}

}  // namespace library
