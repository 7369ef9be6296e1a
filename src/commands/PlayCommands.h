#pragma once

#include "src/commands/CommandLine.h"

class Form1;

// The chat commands that play from the music directory.
namespace commands {

void Play(Form1& form, const CommandLine& line);  // .play
void Cancel(Form1& form);                         // .cancel
void R(Form1& form);                              // .r

}  // namespace commands
