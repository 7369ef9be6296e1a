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

// The settings key of the subfolder switch, beside the folder's: "1" on.
const char* const kSubfoldersKey = "deep";

// When the list holds nothing while subfolders are off but the folder's
// subfolders hold MP3 files, one line tells the owner how many and how to
// list them; true when it was said.
bool HintAtSubfolders(Session& s) {
  if (s.File1.Subfolders() || s.File1.ListCount() > 0) return false;
  MusicCollection::Count below;
  SkipFailure([&] { below = s.File1.CountInSubfolders(); });
  if (below.tracks == 0) return false;
  Diagnose("the music folder " + s.File1.Path() + " holds no MP3 files itself, but its subfolders hold " +
           (below.more ? "at least " : "") + QString::number(below.tracks) +
           "; list them with .deep in the chat room or the deep switch at the end of the window's dir: row");
  return true;
}

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
  if (!directory.isEmpty()) HintAtSubfolders(s);
  return true;
}

void SetSubfolders(Session& s, bool on) {
  s.File1.SetSubfolders(on);
  MakeSettingsFolder(s.settingsFile);
  s.aol.WriteIniValue("mp3dir", kSubfoldersKey, on ? "1" : "0", s.settingsFile);
  s.aol.SendRoomLine(MorvaLine("MP3 List " + kMiddleDot + " Subfolders are Now " + (on ? "Enabled" : "Disabled")));
}

void DirButton(Session& s) {
  const QString directory = s.Text2.Text();
  if (SetMusicDirectory(s, directory)) s.aol.SendRoomLine(MorvaLine("Dir is " + directory));
}

void RestoreMusicDirectory(Session& s) {
  // The switch first: the folder is then listed once, as it says.
  s.File1.SetSubfolders(s.aol.ReadIniValue("mp3dir", kSubfoldersKey, s.settingsFile).trimmed() == "1");
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
  if (failed.isEmpty() && !stored.isEmpty() && HintAtSubfolders(s)) return;
  if (failed.isEmpty() && stored.isEmpty()) failed = "no music folder is set in " + s.settingsFile + "; ";
  Diagnose(failed + "the file list shows " + s.File1.Path() + (empty ? ", which holds no MP3 files" : "") + "; " +
           kHowToChoose);
}

}  // namespace library
