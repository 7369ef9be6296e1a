#pragma once

#include "src/commands/CommandLine.h"

class Form1;

// The chat commands that play from the music directory and look after it.
namespace commands {

void Play(Form1& form, const CommandLine& line);  // .play
void Cancel(Form1& form);                         // .cancel
void R(Form1& form);                              // .r
void Dir(Form1& form, const CommandLine& line);   // .dir
void Refresh(Form1& form);                        // .refresh
void Total(Form1& form);                          // .total

}  // namespace commands
