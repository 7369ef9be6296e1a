// The owner's channels: joining, leaving, refusals, kicks and members.

#include "platform/chatclient/irc/ChannelName.h"
#include "platform/chatclient/irc/HtmlToIrc.h"
#include "platform/chatclient/irc/IrcSession.h"
#include "platform/chatclient/irc/IrcSplit.h"
#include "platform/chatclient/irc/IrcText.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace irc {

namespace {

QString Text(QByteArrayView bytes) { return DecodeIrcText(bytes); }
QString Last(const IrcMessage& m) { return Text(m.params.empty() ? QByteArray() : m.params.back()); }

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
  if (!server_.IsChannel(name))
    return refuse("channel names on this network start with one of " + server_.channelTypes());
  const QByteArray bytes = name.toUtf8();
  const int longest = server_.channelLength() > 0 ? server_.channelLength() : kChannelLengthUnknown;
  const int textRoom = PrivmsgTextBytes(RelayedPrefixBytes(nick_, user_, host_), bytes);
  if (bytes.size() > longest || textRoom < kLeastTextBytes)
    return refuse(QStringLiteral("the channel name %1 is %2 bytes long, too long for this network (at most %3)")
                      .arg(name.left(40) + (name.size() > 40 ? "..." : ""))
                      .arg(bytes.size())
                      .arg(longest));
  if (IrcChannel* known = channels_.Find(name); known && known->state != IrcChannel::State::Waiting) {
    known->room = room;
    if (known->state == IrcChannel::State::Joined) Emit({IrcEvent::Kind::Joined, room, {}, {}, {}, true});
    return;
  }
  IrcChannel& channel = channels_.Add(room, name);
  if (registered_) SendJoin(channel, now);
}

void IrcSession::SendJoin(IrcChannel& channel, Time now) {
  channel.state = IrcChannel::State::Asked;
  channel.askedAt = now;
  Write("JOIN " + channel.name.toUtf8());
}

void IrcSession::Part(const QString& room) {
  IrcChannel* channel = channels_.Find(ChannelFromRoom(room));
  if (!channel) return;
  if (channel->state == IrcChannel::State::Joined) Write("PART " + channel->name.toUtf8());
  channels_.Remove(channel->name);
}

void IrcSession::Say(const QString& room, const QString& chatHtml, Time now) {
  IrcChannel* channel = channels_.Find(ChannelFromRoom(room));
  const QString irc = HtmlToIrc(chatHtml);
  if (!registered_ || !channel || channel->state != IrcChannel::State::Joined)
    return Notice("Not in " + room + " now: not sent: " + StripIrcFormatting(irc));
  const QByteArray name = channel->name.toUtf8();
  const int textRoom = PrivmsgTextBytes(RelayedPrefixBytes(nick_, user_, host_), name);
  for (const QByteArray& piece : SplitIrcText(WireSafe(irc.toUtf8()), textRoom))
    queue_.Push(FramePrivmsg(name, piece).chopped(2));
  FlushQueue(now);
}


void IrcSession::OnJoin(const IrcMessage& m, Time now) {
  const QString name = Text(m.Param(0));
  const QString nick = Text(m.nick);
  IrcChannel* channel = channels_.Find(name);
  if (!channel || nick.isEmpty()) return;  // a channel we never asked for
  if (!IsOwn(nick)) {
    if (channel->state == IrcChannel::State::Joined) channels_.AddMember(*channel, nick);
    return;
  }
  if (channel->state == IrcChannel::State::Joined) return;
  user_ = m.user;
  host_ = m.host;
  channel->name = name;
  channel->state = IrcChannel::State::Joined;
  channel->joinedAt = now;
  channel->joinedServerTime = IrcHistory::Stamp(m);
  channel->members.clear();
  channels_.AddMember(*channel, nick);
  Emit({IrcEvent::Kind::Joined, channel->room, {}, {}, {}, true});
  Report(*channel, now);
}

void IrcSession::OnPart(const IrcMessage& m, Time) {
  IrcChannel* channel = channels_.Find(Text(m.Param(0)));
  if (!channel || channel->state != IrcChannel::State::Joined) return;
  if (IsOwn(Text(m.nick))) {
    // Parted by the server (or by the owner's other client): back in later.
    channel->state = IrcChannel::State::Waiting;
    return;
  }
  channels_.RemoveMember(*channel, Text(m.nick));
}

void IrcSession::OnQuit(const IrcMessage& m, Time) {
  const QString nick = Text(m.nick);
  for (auto& [key, channel] : channels_.all()) channels_.RemoveMember(channel, nick);
}

void IrcSession::OnNick(const IrcMessage& m, Time) {
  const QString from = Text(m.nick);
  const QString to = Text(m.Param(0));
  if (to.isEmpty() || from.isEmpty()) return;
  if (IsOwn(from)) {
    nick_ = m.Param(0);
    Emit({IrcEvent::Kind::OwnNameChanged, {}, {}, to, {}, true});
  }
  for (auto& [key, channel] : channels_.all()) channels_.Rename(channel, from, to);
}

void IrcSession::OnKick(const IrcMessage& m, Time now) {
  IrcChannel* channel = channels_.Find(Text(m.Param(0)));
  const QString kicked = Text(m.Param(1));
  if (!channel || channel->state != IrcChannel::State::Joined) return;
  if (!IsOwn(kicked)) {
    channels_.RemoveMember(*channel, kicked);
    return;
  }
  channel->state = IrcChannel::State::Waiting;
  channel->rejoinAt = now + options_.rejoinAfterKick;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(options_.rejoinAfterKick).count();
  Notice(Text(m.nick) + " put you out of " + channel->room + " (" + Text(m.Param(2)) + "); back in " +
         QString::number(seconds) + " s");
}

void IrcSession::OnNames(const IrcMessage& m, Time) {
  // 353: me = channel :names
  IrcChannel* channel = channels_.Find(Text(m.Param(2)));
  if (channel && channel->state == IrcChannel::State::Joined) channels_.AddNames(*channel, Text(m.Param(3)));
}

void IrcSession::OnNamesEnd(const IrcMessage& m, Time now) {
  // 366: me channel :End of NAMES
  IrcChannel* channel = channels_.Find(Text(m.Param(1)));
  if (!channel || channel->state != IrcChannel::State::Joined) return;
  if (channel->namesCut)
    Notice(QStringLiteral("%1 has more than %2 members; the list shows %2").arg(channel->name).arg(IrcChannels::kMostNames));
  channel->namesCut = false;
  channels_.EndNames(*channel);
  if (channel->membersChanged) Report(*channel, now);
}

void IrcSession::OnJoinRefused(const IrcMessage& m, Time) {
  IrcChannel* channel = channels_.Find(Text(m.Param(1)));
  // Only an answer to a JOIN of ours: others are not our business.
  if (!channel || channel->state != IrcChannel::State::Asked) return;
  const QString room = channel->room;
  channels_.Remove(channel->name);
  Emit({IrcEvent::Kind::JoinRefused, room, {}, Last(m), {}, true});
}

}  // namespace irc
