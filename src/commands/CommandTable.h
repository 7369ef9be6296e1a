#pragma once

#include <span>

#include <QString>

#include "src/commands/CommandLine.h"

struct Session;

namespace commands {

// Carries out one command on the session.
using Handler = void (*)(Session& session, const CommandLine& line);

struct CommandRow {
  const char* word;
  Handler run;
};

// Every command word with its handler, in the order the intake compares them.
std::span<const CommandRow> CommandTable();

// The first row whose word equals the given word exactly; null when none does.
const CommandRow* FindCommand(const QString& word);

}  // namespace commands
