#include "src/app/Form1.h"
#include "src/controls/ControlError.h"
#include "src/shared/Announcements.h"

// The "dir:" button: shows, stores and announces the directory typed into
// Text2. A directory the list cannot show is still stored and announced.
void Form1::Command1_Click() {
  const QString directory = Text2->Text();
  try {
    File1->SetPath(directory);
  } catch (const ControlError&) {
  }
  aol_.WriteIniValue("mp3dir", "dir", directory, SettingsFilePath());
  aol_.SendRoomLine(MorvaLine("Dir is " + directory));
}
