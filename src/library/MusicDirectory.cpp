#include "src/app/Form1.h"
#include "src/app/SettingsLocation.h"
#include "src/library/Library.h"
#include "src/seams/ControlError.h"
#include "src/shared/Announcements.h"

namespace library {

void SetMusicDirectory(Form1& form, const QString& directory) {
  SkipFailure([&] { form.File1->SetPath(directory); });
  // The user's configuration folder may not exist before the first save.
  MakeSettingsFolder(form.SettingsFilePath());
  form.Aol().WriteIniValue("mp3dir", "dir", directory, form.SettingsFilePath());
}

void DirButton(Form1& form) {
  const QString directory = form.Text2->Text();
  SetMusicDirectory(form, directory);
  form.Aol().SendRoomLine(MorvaLine("Dir is " + directory));
}

}  // namespace library
