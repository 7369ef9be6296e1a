#include "src/commands/LineReceived.h"

#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"
#include "src/session/Session.h"

namespace commands {

namespace {

// Runs the recognised command; a control call that fails ends it here.
void Run(Session& session, const RecognisedCommand& command) {
  try {
    command.row->run(session, command.line);
  } catch (const ControlError& error) {
    Diagnose(error.what());
  }
}

}  // namespace

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

void LineReceived(Session& session, const QString& sender, const QString& text) {
  const QString owner = session.aol.OwnScreenName();
  if (auto recognised = RecogniseCommand(owner, sender, text)) Run(session, *recognised);
}

bool RunCommand(Session& session, const QString& line) {
  // The sender is the owner by construction: only the line itself is read.
  auto recognised = RecogniseCommand(QString(), QString(), line);
  if (!recognised) return false;
  Run(session, *recognised);
  return true;
}

}  // namespace commands
