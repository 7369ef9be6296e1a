// The owner's channels: joining, leaving, refusals, kicks and members.

#include "platform/chatclient/irc/ChannelName.h"
#include "platform/chatclient/irc/HtmlToIrc.h"
#include "platform/chatclient/irc/IrcRanks.h"
#include "platform/chatclient/irc/IrcSession.h"
#include "platform/chatclient/irc/IrcSplit.h"
#include "platform/chatclient/irc/IrcText.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace irc {

namespace {

// RFC 1459's longest channel name, while the server has not said its own.
constexpr int kChannelLengthUnknown = 200;
// Below this many bytes of text per line, a channel name leaves too little
// room to talk in.
constexpr int kLeastTextBytes = 100;

}  // namespace

void IrcSession::Join(const QString& room, Time now) {
  const QString name = ChannelFromRoom(room);
  auto refuse = [&](const QString& why) { Emit({IrcEvent::Kind::JoinRefused, room, {}, why, {}, true}); };
  if (name.isEmpty()) return refuse("no channel can be named so");
  if (!server().IsChannel(name))
    return refuse("channel names on this network start with one of " + server().channelTypes());
  const QByteArray bytes = name.toUtf8();
  const int longest = server().channelLength() > 0 ? server().channelLength() : kChannelLengthUnknown;
  const int textRoom = PrivmsgTextBytes(RelayedPrefixBytes(nick_, user_, host_), bytes);
  if (bytes.size() > longest || textRoom < kLeastTextBytes)
    return refuse(QStringLiteral("the channel name %1 is %2 bytes long, too long for this network (at most %3)")
                      .arg(name.left(40) + (name.size() > 40 ? "..." : ""))
                      .arg(bytes.size())
                      .arg(longest));
  if (IrcChannel* known = channels().Find(name); known && known->state != IrcChannel::State::Waiting) {
    known->room = room;
    if (known->state == IrcChannel::State::Joined) Emit({IrcEvent::Kind::Joined, room, {}, {}, {}, true});
    return;
  }
  IrcChannel& channel = channels().Add(room, name);
  partWhenJoined_.remove(server().Fold(name));
  if (registered_) SendJoin(channel, now);
}

void IrcSession::SendJoin(IrcChannel& channel, Time now) {
  channel.state = IrcChannel::State::Asked;
  channel.askedAt = now;
  Write("JOIN " + channel.name.toUtf8());
}

void IrcSession::Part(const QString& room) {
  IrcChannel* channel = channels().Find(ChannelFromRoom(room));
  if (!channel) return;
  if (channel->state == IrcChannel::State::Joined) Write("PART " + channel->name.toUtf8());
  if (channel->state == IrcChannel::State::Asked) partWhenJoined_.insert(server().Fold(channel->name));
  channels().Remove(channel->name);
}

void IrcSession::Say(const QString& room, const QString& chatHtml, Time now) {
  IrcChannel* channel = channels().Find(ChannelFromRoom(room));
  const QString irc = HtmlToIrc(chatHtml);
  if (!registered_ || !channel || channel->state != IrcChannel::State::Joined)
    return Notice("Not in " + room + " now: not sent: " + StripIrcFormatting(irc));
  for (QByteArray& line : OwnPrivmsgLines(channel->name.toUtf8(), irc, RelayedPrefixBytes(nick_, user_, host_)))
    Queue(std::move(line));
  FlushQueue(now);
}


void IrcSession::Act(const QString& room, const QString& chatHtml, Time now) {
  IrcChannel* channel = channels().Find(ChannelFromRoom(room));
  const QString irc = HtmlToIrc(chatHtml);
  if (!registered_ || !channel || channel->state != IrcChannel::State::Joined)
    return Notice("Not in " + room + " now: not sent: * " + StripIrcFormatting(irc));
  bool cut = false;
  QByteArray line = OwnActionLine(channel->name.toUtf8(), irc, RelayedPrefixBytes(nick_, user_, host_), &cut);
  if (cut) Notice("The action was cut to fit one line");
  Queue(std::move(line));
  FlushQueue(now);
}

void IrcSession::SayTo(const QString& nick, const QString& chatHtml, Time now) {
  const QByteArray target = nick.toUtf8();
  const QString irc = HtmlToIrc(chatHtml);
  if (target.isEmpty() || server().IsChannel(nick) || target.contains(',') || target.contains(' ') ||
      target.contains('!') || target.contains('@'))
    return Notice("/msg goes to one member's name, not to " + nick + ": not sent");
  if (!registered_) return Notice("Not connected: not sent to " + nick + ": " + StripIrcFormatting(irc));
  for (QByteArray& line : OwnPrivmsgLines(target, irc, RelayedPrefixBytes(nick_, user_, host_))) Queue(std::move(line));
  FlushQueue(now);
}

// The tracker keeps the members and tells the room's news; what the
// owner's own lines lead to is the session's.
void IrcSession::OnChannelLine(const IrcMessage& m, Time now) {
  using Own = IrcChannelTracker::Own;
  const Own own = tracker_.Read(m, nick_, now, out_.events);
  switch (own.kind) {
    case Own::Kind::None:
      return;
    case Own::Kind::Joined:
      return OnOwnJoin(m, own.channel, own.name, now);
    case Own::Kind::Left:
      return;  // parted by the server (or by the owner's other client): back in later
    case Own::Kind::Kicked: {
      own.channel->rejoinAt = now + options_.rejoinAfterKick;
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(options_.rejoinAfterKick).count();
      return Notice(DecodeIrcText(m.nick()) + " put you out of " + own.channel->room + " (" + DecodeIrcText(m.Param(2)) + "); back in " +
                    QString::number(seconds) + " s");
    }
    case Own::Kind::Renamed:
      nick_ = own.name.toUtf8();
      nickAsked_ = false;
      return Emit({IrcEvent::Kind::OwnNameChanged, {}, {}, own.name, {}, true});
  }
}

void IrcSession::OnOwnJoin(const IrcMessage& m, IrcChannel* channel, const QString& name, Time now) {
  if (!channel && partWhenJoined_.remove(server().Fold(name))) return Write("PART " + m.Param(0));
  // A channel we never asked for, or one we are in already.
  if (!channel || channel->state == IrcChannel::State::Joined) return;
  user_ = m.user().toByteArray();
  host_ = m.host().toByteArray();
  tracker_.Enter(*channel, name, DecodeIrcText(m.nick()));
  channel->joinedAt = now;
  channel->joinedServerTime = IrcHistory::Stamp(m);
  Emit({IrcEvent::Kind::Joined, channel->room, {}, {}, {}, true});
  tracker_.Report(*channel, now, out_.events);
}

void IrcSession::OnJoinRefused(const IrcMessage& m, Time) {
  partWhenJoined_.remove(server().Fold(DecodeIrcText(m.Param(1))));
  tracker_.JoinRefused(m, out_.events);
}

}  // namespace irc
