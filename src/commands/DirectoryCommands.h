#pragma once

#include "src/commands/CommandLine.h"

struct Session;

// The chat commands that look after the music directory.
namespace commands {

void Dir(Session& session, const CommandLine& line);      // .dir
void Refresh(Session& session, const CommandLine& line);  // .refresh
void Total(Session& session, const CommandLine& line);    // .total
void Deep(Session& session, const CommandLine& line);     // .deep
void XDeep(Session& session, const CommandLine& line);    // .xdeep

}  // namespace commands
