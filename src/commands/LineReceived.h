#pragma once

#include <functional>
#include <optional>

#include <QString>

#include "src/aol/AolClient.h"
#include "src/commands/CommandLine.h"
#include "src/commands/CommandTable.h"

struct Session;

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

// The same, running the command on the session.
void LineReceived(Session& session, const QString& sender, const QString& text);

// Runs a command line as if the owner had typed it into the room: the way in
// for every input other than the chat (the desktop's media keys, say). The
// line is the whole text, command word first (".pause", ".vol 50"); it runs
// exactly as from the room, announcement included. False when the line holds
// no command of the table; a failing control call ends the command as the
// intake's do.
bool RunCommand(Session& session, const QString& line);

}  // namespace commands
