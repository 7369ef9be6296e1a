#pragma once

#include "src/commands/CommandLine.h"

struct Session;

// The chat commands that drive the CD player. Each calls the drive in any
// state and announces what the drive reports afterwards.
namespace commands {

void PlayCd(Session& session, const CommandLine& line);   // .playcd
void StopCd(Session& session, const CommandLine& line);   // .stopcd
void Next(Session& session, const CommandLine& line);     // .next
void Prev(Session& session, const CommandLine& line);     // .prev
void CdOpen(Session& session, const CommandLine& line);   // .cdopen
void CdClose(Session& session, const CommandLine& line);  // .cdclose

}  // namespace commands
