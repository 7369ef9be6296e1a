#include "src/commands/CommandTable.h"

std::optional<Command> FindCommand(const QString& word) {
  for (const CommandWord& row : kCommandTable)
    if (word == QLatin1String(row.word)) return row.command;
  return std::nullopt;
}
