#include "src/commands/DirectoryCommands.h"

#include "src/app/Form1.h"
#include "src/library/Library.h"
#include "src/shared/Announcements.h"

namespace commands {

// Shows the directory in the file list, stores it and announces it; one
// that cannot be shown is stored and announced all the same.
void Dir(Form1& form, const CommandLine& line) {
  const QString directory = line.From(6);
  library::SetMusicDirectory(form, directory);
  form.Aol().SendRoomLine(MorvaLine("Dir Is " + directory));
}

void Refresh(Form1& form) {
  form.File1->Refresh();
  form.Aol().SendRoomLine(MorvaLine("MP3 List Refreshed"));
}

void Total(Form1& form) {
  const int count = form.File1->ListCount();
  form.Aol().SendRoomLine(MorvaLine("Total MP3s [" + QString::number(count) + "]"));
}

}  // namespace commands
