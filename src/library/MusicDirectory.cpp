#include "src/library/Library.h"
#include "src/library/SettingsLocation.h"
#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"
#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace library {

namespace {

// How the owner picks another folder, for the lines that say which is shown.
const char* const kHowToChoose =
    "choose the music folder with .dir FOLDER in the chat room or the dir: row of the window";

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

void RestoreMusicDirectory(Session& s) {
  const QString stored = s.aol.ReadIniPath("mp3dir", "dir", s.settingsFile);
  QString failed;  // why the stored folder is not shown
  if (!stored.isEmpty()) {
    try {
      s.File1.SetPath(stored);
    } catch (const ControlError& error) {
      failed = QString("the stored music folder is not used: ") + error.what() + "; ";
    }
  }
  const bool empty = s.File1.ListCount() == 0;
  if (failed.isEmpty() && !empty) return;
  if (failed.isEmpty() && stored.isEmpty()) failed = "no music folder is set in " + s.settingsFile + "; ";
  Diagnose(failed + "the file list shows " + s.File1.Path() + (empty ? ", which holds no MP3 files" : "") + "; " +
           kHowToChoose);
}

}  // namespace library
