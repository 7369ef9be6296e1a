#pragma once

#include "src/commands/CommandLine.h"
#include "src/commands/CommandTable.h"

class Form1;

// Runs one recognised command on the main window and its controls.
void RunCommand(Form1& form, Command command, const CommandLine& line);
