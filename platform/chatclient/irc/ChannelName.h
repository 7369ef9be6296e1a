#pragma once

#include <QString>
#include <QStringView>

namespace irc {

// The IRC channel for a room of the program: "#" + the room name, with the
// ends trimmed, each blank (space or tab) inside replaced by '_', and every
// character removed that IRC forbids in a channel name (NUL, BEL, CR, LF,
// space, comma) or that would split it (':', which some servers read as a
// channel mask), along with every other control character.
//
// A name that already begins with '#' or '&' is taken as a channel name as
// it is, but it is cleaned the same way: the forbidden characters could
// never reach the server in a name anyway.
//
// An empty QString means the name is refused: nothing is left of it (empty,
// only forbidden characters, or only "#"/"&"). Callers must not join then.
QString ChannelFromRoom(QStringView room);

}  // namespace irc
