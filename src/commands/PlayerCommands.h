#pragma once

#include "src/commands/CommandLine.h"

struct Session;

// The chat commands that work the media player alone. None looks at the
// player's state first; the order of action and announcement is each one's own.
namespace commands {

void Pause(Session& session, const CommandLine& line);    // .pause
void XPause(Session& session, const CommandLine& line);   // .xpause
void Repeat(Session& session, const CommandLine& line);   // .repeat
void XRepeat(Session& session, const CommandLine& line);  // .xrepeat
void Mute(Session& session, const CommandLine& line);     // .mute
void XMute(Session& session, const CommandLine& line);    // .xmute
void Stop(Session& session, const CommandLine& line);     // .stop
void Vol(Session& session, const CommandLine& line);      // .vol
void Leng(Session& session, const CommandLine& line);     // .leng

}  // namespace commands
