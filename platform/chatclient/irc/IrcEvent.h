#pragma once

#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace irc {

// Something an IRC session tells its owner: what the chat client shows, or
// that the connection must end.
struct IrcEvent {
  enum class Kind {
    SignedOn,        // text: the nick in use
    OwnNameChanged,  // text: the new nick
    Joined,          // room
    JoinRefused,     // room, text: why
    Line,            // room, nick, text: another member's (or the owner's other client's) line
    RoomNotice,      // room, text: an action ("* Ann dances") or a channel notice, never a command
    Members,         // room, members
    Notice,          // text, for the owner
    Lost,            // text: why; retry: whether to connect again
  };
  Kind kind;
  QString room;
  QString nick;
  QString text;
  QStringList members;
  bool retry = true;

  friend bool operator==(const IrcEvent&, const IrcEvent&) = default;
};

// What a step of the session gives back: lines to write, in order, and
// events for the owner.
struct IrcOutput {
  std::vector<QByteArray> lines;
  std::vector<IrcEvent> events;
};

}  // namespace irc
