#include <cstdio>

#include "src/app/Form1.h"
#include "src/controls/ControlError.h"
#include "src/library/Track.h"
#include "src/shared/Announcements.h"

// A choice in the file list, by a click or made by ".r": stops what plays,
// opens the entry selected by then and announces its title.
void Form1::File1_Click() {
  try {
    if (MediaPlayer1.PlayState() == MediaPlayerControl::kPlaying) {
      MediaPlayer1.Stop();
      aol_.SendRoomLine(kRedPrefix);
      aol_.WaitSeconds(1);
    }
    // Read only now: a choice made during the wait is the one that plays.
    const QString name = File1->FileName();
    MediaPlayer1.OpenFile(TrackPath(File1->Path(), name));
    aol_.SendRoomLine(MorvaLine("Playing [" + TrackTitle(name) + "]"));
  } catch (const ControlError& error) {
    // The failing step ends the handler; nothing after it is done.
    std::fprintf(stderr, "morva: %s\n", error.what());
  }
}
