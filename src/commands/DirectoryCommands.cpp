#include "src/app/Form1.h"
#include "src/commands/LibraryCommands.h"
#include "src/controls/ControlError.h"
#include "src/library/MusicDirectory.h"
#include "src/library/Track.h"
#include "src/shared/Announcements.h"

namespace commands {

namespace {
// Runs one step whose failure is skipped.
template <typename Step>
void Skipping(Step step) {
  try {
    step();
  } catch (const ControlError&) {
  }
}
}  // namespace

// A random file: selecting it plays and announces it; then it is opened and
// played once more, as the command always did. Every failing step is skipped.
void R(Form1& form) {
  const int count = form.File1->ListCount();
  const int index = static_cast<int>(form.Aol().RollUpTo(count)) - 1;
  Skipping([&] { form.File1->SetListIndex(index); });
  const QString path = TrackPath(form.File1->Path(), form.File1->FileName());
  Skipping([&] { form.MediaPlayer1.OpenFile(path); });
  Skipping([&] { form.MediaPlayer1.Play(); });
}

// Shows the directory in the file list, stores it and announces it; one
// that cannot be shown is stored and announced all the same.
void Dir(Form1& form, const CommandLine& line) {
  const QString directory = line.From(6);
  SetMusicDirectory(form, directory);
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
