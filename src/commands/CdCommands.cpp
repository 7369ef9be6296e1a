#include "src/commands/CdCommands.h"

#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace commands {

void PlayCd(Session& s, const CommandLine&) {
  s.CDPlayer1.Play();
  s.aol.SendRoomLine(MorvaLine("Now Playing Track " + s.CDPlayer1.CurrentTrack()));
}

void StopCd(Session& s, const CommandLine&) {
  s.CDPlayer1.Stop();
  s.aol.SendRoomLine(MorvaLine("Stopped Playing Track " + s.CDPlayer1.CurrentTrack()));
}

void Next(Session& s, const CommandLine&) {
  s.CDPlayer1.NextTrack();
  s.aol.WaitSeconds(0);
  s.aol.SendRoomLine(MorvaLine("Track " + s.CDPlayer1.CurrentTrack()));
}

void Prev(Session& s, const CommandLine&) {
  s.CDPlayer1.PreviousTrack();
  s.aol.WaitSeconds(0);
  s.aol.SendRoomLine(MorvaLine("New Track " + s.CDPlayer1.CurrentTrack()));
}

void CdOpen(Session& s, const CommandLine&) {
  s.CDPlayer1.OpenTray();
  s.aol.SendRoomLine(MorvaLine("Now Opening CD Drive"));
}

void CdClose(Session& s, const CommandLine&) {
  s.CDPlayer1.CloseTray();
  s.aol.SendRoomLine(MorvaLine("Now Closing CD Drive"));
}

}  // namespace commands
