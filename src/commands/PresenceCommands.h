#pragma once

#include <QString>

#include "src/commands/CommandLine.h"

struct Session;

// The chat commands about the owner's presence and the program itself.
namespace commands {

void Adv(Session& session, const CommandLine& line);     // .adv
void Pr(Session& session, const CommandLine& line);      // .pr
void Greets(Session& session, const CommandLine& line);  // .greets
void Exit(Session& session, const CommandLine& line);    // .exit

// The exit check of ".exit" and the close label: refuses with the given text
// while a track plays, otherwise announces the exit and ends the process.
void ExitCheck(Session& session, const QString& refusalText);

}  // namespace commands
