#include "src/app/Form1.h"
#include "src/commands/LibraryCommands.h"

namespace commands {

void Play(Form1&, const CommandLine&) {}
void Cancel(Form1&) {}

}  // namespace commands
