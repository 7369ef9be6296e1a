#include "src/app/Form1.h"
#include "src/shared/Announcements.h"

void Form1::Label7_Click() { ExitCheck("Stop the current mp3"); }

void Form1::ExitCheck(const QString& refusalText) {
  if (MediaPlayer1.PlayState() == MediaPlayerControl::kPlaying) {
    messageBoxes().Show(refusalText, "Morva MP3", MessageBoxes::Icon::Exclamation);
    return;
  }
  aol_.SendRoomLine(ProductLine());
  aol_.WaitSeconds(1);
  aol_.SendRoomLine(UnloadedLine(aol_.OwnScreenName()));
  process().EndProcess();
}
