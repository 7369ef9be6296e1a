#include "src/app/Form1.h"
#include "src/library/Library.h"
#include "src/library/Track.h"
#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"
#include "src/shared/Announcements.h"

namespace library {

void StartSelectedTrack(Form1& form) {
  const AolClient& aol = form.Aol();
  try {
    if (form.MediaPlayer1.PlayState() == MediaPlayerControl::kPlaying) {
      form.MediaPlayer1.Stop();
      aol.SendRoomLine(kRedPrefix);
      aol.WaitSeconds(1);
    }
    // Read only now: a choice made during the wait is the one that plays.
    const QString name = form.File1->FileName();
    form.MediaPlayer1.OpenFile(TrackPath(form.File1->Path(), name));
    aol.SendRoomLine(MorvaLine("Playing [" + TrackTitle(name) + "]"));
  } catch (const ControlError& error) {
    // The failing step ends the handler; nothing after it is done.
    Diagnose(error.what());
  }
}

}  // namespace library
