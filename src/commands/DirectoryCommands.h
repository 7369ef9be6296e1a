#pragma once

#include "src/commands/CommandLine.h"

class Form1;

// The chat commands that look after the music directory.
namespace commands {

void Dir(Form1& form, const CommandLine& line);  // .dir
void Refresh(Form1& form);                       // .refresh
void Total(Form1& form);                         // .total

}  // namespace commands
