#pragma once

#include "src/commands/CommandLine.h"

class Form1;

// The chat commands about the owner's presence and the program itself.
namespace commands {

void Adv(Form1& form);                           // .adv
void Pr(Form1& form, const CommandLine& line);   // .pr
void Greets(Form1& form);                        // .greets
void Exit(Form1& form);                          // .exit

}  // namespace commands
