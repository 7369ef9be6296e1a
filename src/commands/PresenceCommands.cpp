#include "src/commands/PresenceCommands.h"

#include "src/app/Form1.h"

namespace commands {

void Adv(Form1&) {}
void Pr(Form1&, const CommandLine&) {}
void Greets(Form1&) {}
void Exit(Form1&) {}

}  // namespace commands
