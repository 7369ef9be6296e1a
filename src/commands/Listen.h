#pragma once

#include "src/commands/CommandLine.h"

struct Session;

namespace commands {

// .listen: tells the room where to listen along, or that no stream is on.
void Listen(Session& session, const CommandLine& line);

}  // namespace commands
