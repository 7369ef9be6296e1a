#include "src/app/Form1.h"
#include "src/library/MusicDirectory.h"
#include "src/shared/Announcements.h"

// The "dir:" button: shows, stores and announces the directory typed into Text2.
void Form1::Command1_Click() {
  const QString directory = Text2->Text();
  SetMusicDirectory(*this, directory);
  aol_.SendRoomLine(MorvaLine("Dir is " + directory));
}
