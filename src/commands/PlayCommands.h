#pragma once

#include "src/commands/CommandLine.h"

struct Session;

// The chat commands that play from the music directory.
namespace commands {

void Play(Session& session, const CommandLine& line);    // .play
void Cancel(Session& session, const CommandLine& line);  // .cancel
void R(Session& session, const CommandLine& line);       // .r

}  // namespace commands
