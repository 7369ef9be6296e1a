// What the network's lines about the owner's channels mean to Morva, on the
// way to his client. The members, ranks and topics are the tracker's; what
// is the proxy's is how it follows the owner's own joins, kicks and nick.

#include "platform/chatclient/proxy/ProxySession.h"

#include "platform/chatclient/irc/ChannelName.h"
#include "platform/chatclient/irc/IrcText.h"

namespace irc {

void ProxySession::OnChannelLine(const IrcMessage& m, Clock::time_point now) {
  using Own = IrcChannelTracker::Own;
  const Own own = tracker_.Read(m, nick_, now, out_.events);
  switch (own.kind) {
    case Own::Kind::None:
    case Own::Kind::Left:
      return;
    case Own::Kind::Joined:
      return OnOwnJoin(m, own.channel, own.name);
    case Own::Kind::Kicked:
      // Out of the channel, but its room keeps its name for when he is back.
      own.channel->putOut = true;
      return Notice(DecodeIrcText(m.nick()) + " put you out of " + own.channel->room + " (" + DecodeIrcText(m.Param(2)) +
                    "); Morva says nothing there until your client joins it again");
    case Own::Kind::Renamed:
      nick_ = own.name.toUtf8();
      clientNick_ = nick_;
      return Emit(IrcEvent::Kind::OwnNameChanged, {}, {}, own.name);
  }
}

void ProxySession::OnOwnJoin(const IrcMessage& m, IrcChannel* known, const QString& name) {
  user_ = m.user().toByteArray();
  host_ = m.host().toByteArray();
  const IrcServerInfo& server = tracker_.server();
  // Back in a room after a kick or a part, it keeps the name it had: the
  // open room stays "music" and never turns into "#music".
  const QString room = known ? known->room
                       : !openRoom_.isEmpty() && server.Fold(ChannelFromRoom(openRoom_)) == server.Fold(name)
                           ? openRoom_
                           : name;
  IrcChannel& channel = known ? *known : channels().Add(room, name);
  const bool asked = channel.state == IrcChannel::State::Asked;  // by Morva (.pr)
  tracker_.Enter(channel, name, DecodeIrcText(m.nick()));
  channel.membersChanged = false;  // its NAMES follows
  const bool loads = openRoom_.isEmpty() && (options_.loadRoom.isEmpty() ||
                                             server.Fold(ChannelFromRoom(options_.loadRoom)) == server.Fold(name));
  if (loads && !options_.loadRoom.isEmpty()) channel.room = options_.loadRoom;
  if (asked || loads || channel.room == openRoom_) {
    // Announced even when it is already the open room: the chat client is back in it.
    if (channel.room == openRoom_) {
      Emit(IrcEvent::Kind::Joined, channel.room);
    } else {
      OpenRoom(channel.room);
    }
  }
}

}  // namespace irc
