#include "src/library/MusicDirectory.h"

#include "src/app/Form1.h"
#include "src/app/SettingsLocation.h"
#include "src/controls/ControlError.h"

void SetMusicDirectory(Form1& form, const QString& directory) {
  try {
    form.File1->SetPath(directory);
  } catch (const ControlError&) {
  }
  // The user's configuration folder may not exist before the first save.
  MakeSettingsFolder(form.SettingsFilePath());
  form.Aol().WriteIniValue("mp3dir", "dir", directory, form.SettingsFilePath());
}
