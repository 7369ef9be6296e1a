#include "src/commands/PlayerCommands.h"

#include "src/shared/Announcements.h"

namespace commands {

void Pause(const AolClient& aol, MediaPlayerControl& player) {
  player.Pause();
  aol.SendRoomLine(MorvaLine("MP3 Player Paused"));
}

void XPause(const AolClient& aol, MediaPlayerControl& player) {
  player.Play();
  aol.SendRoomLine(MorvaLine("MP3 Player Unpaused"));
}

void Repeat(const AolClient& aol, MediaPlayerControl& player) {
  player.SetPlayCount(0);
  aol.SendRoomLine(MorvaLine("MP3 Player " + kMiddleDot + " Repeat is Now Enabled"));
}

void XRepeat(const AolClient& aol, MediaPlayerControl& player) {
  player.SetPlayCount(1);
  aol.SendRoomLine(kBoldClosePrefix + kBullet + " Morva MP3 " + kBullet + " Repeat is Now Disabled");
}

void Mute(const AolClient& aol, MediaPlayerControl& player) {
  aol.SendRoomLine(MorvaLine("MP3 Is Now Mute"));
  player.SetMute(true);
}

void XMute(const AolClient& aol, MediaPlayerControl& player) {
  aol.SendRoomLine(MorvaLine("MP3 Is Now Unmuted"));
  player.SetMute(false);
}

void Stop(const AolClient& aol, MediaPlayerControl& player) {
  aol.SendRoomLine(MorvaLine("MP3 Now Stopped"));
  player.Stop();
}

}  // namespace commands
