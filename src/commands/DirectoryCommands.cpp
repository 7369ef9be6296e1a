#include "src/app/Form1.h"
#include "src/commands/LibraryCommands.h"

namespace commands {

void R(Form1&) {}
void Dir(Form1&, const CommandLine&) {}
void Refresh(Form1&) {}
void Total(Form1&) {}

}  // namespace commands
