#pragma once

#include "src/aol/AolClient.h"
#include "src/commands/CommandLine.h"
#include "src/seams/MediaPlayerControl.h"

// The chat commands that work the media player alone. None looks at the
// player's state first; the order of action and announcement is each one's own.
namespace commands {

void Pause(const AolClient& aol, MediaPlayerControl& player);    // .pause
void XPause(const AolClient& aol, MediaPlayerControl& player);   // .xpause
void Repeat(const AolClient& aol, MediaPlayerControl& player);   // .repeat
void XRepeat(const AolClient& aol, MediaPlayerControl& player);  // .xrepeat
void Mute(const AolClient& aol, MediaPlayerControl& player);     // .mute
void XMute(const AolClient& aol, MediaPlayerControl& player);    // .xmute
void Stop(const AolClient& aol, MediaPlayerControl& player);     // .stop
void Vol(const AolClient& aol, MediaPlayerControl& player, const CommandLine& line);  // .vol
void Leng(const AolClient& aol, Runtime& runtime, MediaPlayerControl& player);        // .leng

}  // namespace commands
