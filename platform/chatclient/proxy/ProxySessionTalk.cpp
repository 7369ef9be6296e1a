// What the owner types in Morva's own window, past the plain line: an
// action, a line to one member, a new nick. Each leaves as his, paced with
// Morva's announcements, and his client sees the lines once (see Flush).

#include "platform/chatclient/proxy/ProxySession.h"

#include "platform/chatclient/irc/ChannelName.h"
#include "platform/chatclient/irc/HtmlToIrc.h"
#include "platform/chatclient/irc/IrcNick.h"
#include "platform/chatclient/irc/IrcSplit.h"
#include "platform/chatclient/irc/IrcText.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace irc {

void ProxySession::Act(const QString& room, const QString& html, Clock::time_point now) {
  IrcChannel* channel = Find(ChannelFromRoom(room));
  const QString irc = HtmlToIrc(html);
  if (!registered_ || state_ != State::Relaying || !channel || channel->state != IrcChannel::State::Joined)
    return Notice("Not in " + room + " now: not sent: * " + StripIrcFormatting(irc));
  bool cut = false;
  QByteArray line = OwnActionLine(channel->name.toUtf8(), irc, RelayedPrefixBytes(nick_, user_, host_), &cut);
  if (cut) Notice("The action was cut to fit one line");
  Queue(std::move(line));
  Flush(now);
}

void ProxySession::SayTo(const QString& nick, const QString& html, Clock::time_point now) {
  const QByteArray target = nick.toUtf8();
  const QString irc = HtmlToIrc(html);
  if (target.isEmpty() || server().IsChannel(nick) || target.contains(',') ||
      target.contains(' ') || target.contains('!') || target.contains('@'))
    return Notice("/msg goes to one member's name, not to " + nick + ": not sent");
  if (!registered_ || state_ != State::Relaying)
    return Notice("Not connected: not sent to " + nick + ": " + StripIrcFormatting(irc));
  for (QByteArray& line : OwnPrivmsgLines(target, irc, RelayedPrefixBytes(nick_, user_, host_))) Queue(std::move(line));
  Flush(now);
}

void ProxySession::ChangeNick(const QString& name, Clock::time_point now) {
  const QByteArray nick = NickFromScreenName(name);
  if (nick.isEmpty()) return Notice("No nick can be made of " + name);
  if (!registered_ || state_ != State::Relaying)
    return Notice("Not connected: /nick not sent");
  // The network's answer goes down to the client as any other; an accepted
  // NICK is read on the way like the client's own.
  Queue("NICK " + nick);
  Flush(now);
}

}  // namespace irc
