#include "src/commands/LineReceived.h"

#include "src/app/Form1.h"
#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"

namespace commands {

std::optional<RecognisedCommand> RecogniseCommand(const QString& ownerName, const QString& sender,
                                                  const QString& text) {
  const bool fromOwner = sender == ownerName;
  const bool dotFirst = text.startsWith(u'.');  // the first "." stands first
  if (!fromOwner || !dotFirst) return std::nullopt;

  CommandLine line{text, text.indexOf(' ') + 1};
  const QString word = line.firstSpace == 0 ? text : text.left(line.firstSpace - 1);
  const CommandRow* row = FindCommand(word);
  if (!row) return std::nullopt;
  return RecognisedCommand{row, line};
}

void LineReceived(const AolClient& aol, const QString& sender, const QString& text, const CommandRunner& run) {
  const QString owner = aol.OwnScreenName();
  auto recognised = RecogniseCommand(owner, sender, text);
  if (!recognised) return;
  try {
    run(*recognised->row, recognised->line);
  } catch (const ControlError& error) {
    Diagnose(error.what());
  }
}

void LineReceived(Form1& form, const QString& sender, const QString& text) {
  LineReceived(form.Aol(), sender, text,
               [&form](const CommandRow& row, const CommandLine& line) { row.run(form, line); });
}

}  // namespace commands
