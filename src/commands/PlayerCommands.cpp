#include "src/commands/PlayerCommands.h"

#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace commands {

void Pause(Session& s, const CommandLine&) {
  s.MediaPlayer1.Pause();
  s.aol.SendRoomLine(MorvaLine("MP3 Player Paused"));
}

void XPause(Session& s, const CommandLine&) {
  s.MediaPlayer1.Play();
  s.aol.SendRoomLine(MorvaLine("MP3 Player Unpaused"));
}

void Repeat(Session& s, const CommandLine&) {
  s.MediaPlayer1.SetPlayCount(0);
  s.aol.SendRoomLine(MorvaLine("MP3 Player " + kMiddleDot + " Repeat is Now Enabled"));
}

void XRepeat(Session& s, const CommandLine&) {
  s.MediaPlayer1.SetPlayCount(1);
  s.aol.SendRoomLine(kBoldClosePrefix + kBullet + " Morva MP3 " + kBullet + " Repeat is Now Disabled");
}

void Mute(Session& s, const CommandLine&) {
  s.aol.SendRoomLine(MorvaLine("MP3 Is Now Mute"));
  s.MediaPlayer1.SetMute(true);
}

void XMute(Session& s, const CommandLine&) {
  s.aol.SendRoomLine(MorvaLine("MP3 Is Now Unmuted"));
  s.MediaPlayer1.SetMute(false);
}

void Stop(Session& s, const CommandLine&) {
  s.aol.SendRoomLine(MorvaLine("MP3 Now Stopped"));
  s.MediaPlayer1.Stop();
}

}  // namespace commands
