#include "src/commands/LineReceived.h"

#include <cstdio>

#include "src/controls/ControlError.h"

std::optional<RecognisedCommand> RecogniseCommand(const QString& ownerName, const QString& sender,
                                                  const QString& text) {
  const bool fromOwner = sender == ownerName;
  const bool dotFirst = text.indexOf('.') == 0;
  if (!fromOwner || !dotFirst) return std::nullopt;

  CommandLine line{text, text.indexOf(' ') + 1};
  const QString word = line.firstSpace == 0 ? text : text.left(line.firstSpace - 1);
  auto command = FindCommand(word);
  if (!command) return std::nullopt;
  return RecognisedCommand{*command, line};
}

void LineReceived(const AolClient& aol, const QString& sender, const QString& text, const CommandRunner& run) {
  const QString owner = aol.OwnScreenName();
  auto recognised = RecogniseCommand(owner, sender, text);
  if (!recognised) return;
  try {
    run(recognised->command, recognised->line);
  } catch (const ControlError& error) {
    std::fprintf(stderr, "morva: %s\n", error.what());
  }
}
