#include "src/commands/CdCommands.h"

#include "src/shared/Announcements.h"

namespace commands {

namespace {
QString TrackText(const CdPlayerControl& cd) { return QString::number(cd.CurrentTrack()); }
}  // namespace

void PlayCd(const AolClient& aol, CdPlayerControl& cd) {
  cd.Play();
  aol.SendRoomLine(MorvaLine("Now Playing Track " + TrackText(cd)));
}

void StopCd(const AolClient& aol, CdPlayerControl& cd) {
  cd.Stop();
  aol.SendRoomLine(MorvaLine("Stopped Playing Track " + TrackText(cd)));
}

void Next(const AolClient& aol, CdPlayerControl& cd) {
  cd.NextTrack();
  aol.WaitSeconds(0);
  aol.SendRoomLine(MorvaLine("Track " + TrackText(cd)));
}

void Prev(const AolClient& aol, CdPlayerControl& cd) {
  cd.PreviousTrack();
  aol.WaitSeconds(0);
  aol.SendRoomLine(MorvaLine("New Track " + TrackText(cd)));
}

void CdOpen(const AolClient& aol, CdPlayerControl& cd) {
  cd.OpenTray();
  aol.SendRoomLine(MorvaLine("Now Opening CD Drive"));
}

void CdClose(const AolClient& aol, CdPlayerControl& cd) {
  cd.CloseTray();
  aol.SendRoomLine(MorvaLine("Now Closing CD Drive"));
}

}  // namespace commands
