#pragma once

#include <functional>
#include <optional>

#include <QString>

#include "src/aol/AolClient.h"
#include "src/commands/CommandLine.h"
#include "src/commands/CommandTable.h"

class Form1;

namespace commands {

struct RecognisedCommand {
  const CommandRow* row;
  CommandLine line;
};

// The command a chat line carries, when its sender is the owner (exactly),
// its text begins with a dot and its first word is in the command table.
std::optional<RecognisedCommand> RecogniseCommand(const QString& ownerName, const QString& sender, const QString& text);

using CommandRunner = std::function<void(const CommandRow&, const CommandLine&)>;

// The intake for every chat line: reads the owner's screen name anew, and
// runs the line's command. A control call that fails ends that command and
// nothing else: no text typed in a room can bring the program down.
void LineReceived(const AolClient& aol, const QString& sender, const QString& text, const CommandRunner& run);

// The same, running the command on the main window.
void LineReceived(Form1& form, const QString& sender, const QString& text);

}  // namespace commands
