#pragma once

#include "src/commands/CommandLine.h"

struct Session;

// The chat commands that keep the music going: the queue, the shuffle, and
// the steps forward and back. Until the owner uses them, a track plays once
// and stops.
namespace commands {

void Q(Session& session, const CommandLine& line);         // .q, .q WORDS, .q NUMBER
void XQ(Session& session, const CommandLine& line);        // .xq
void Shuffle(Session& session, const CommandLine& line);   // .shuffle
void XShuffle(Session& session, const CommandLine& line);  // .xshuffle
void Skip(Session& session, const CommandLine& line);      // .skip
void Back(Session& session, const CommandLine& line);      // .back

}  // namespace commands
