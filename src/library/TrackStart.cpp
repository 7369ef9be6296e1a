#include "src/library/Library.h"
#include "src/library/PlayOnTracks.h"
#include "src/library/Track.h"
#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"
#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace library {

void StartSelectedTrack(Session& s) {
  const AolClient& aol = s.aol;
  try {
    if (s.MediaPlayer1.PlayState() == MediaPlayerControl::kPlaying) {
      s.MediaPlayer1.Stop();
      aol.SendRoomLine(kRedPrefix);
      aol.WaitSeconds(1);
    }
    // Read only now: a choice made during the wait is the one that plays.
    const QString name = s.File1.FileName();
    OpenTrack(s, EntryTrack(s, name));
    aol.SendRoomLine(MorvaLine("Playing [" + TrackTitle(name) + "]"));
  } catch (const ControlError& error) {
    // The failing step ends the handler; nothing after it is done.
    Diagnose(error.what());
  }
}

}  // namespace library
