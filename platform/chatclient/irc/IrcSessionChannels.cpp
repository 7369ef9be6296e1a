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
  partWhenJoined_.remove(server_.Fold(name));
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
  if (channel->state == IrcChannel::State::Asked) partWhenJoined_.insert(server_.Fold(channel->name));
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
    Queue(FramePrivmsg(name, piece).chopped(2));
  FlushQueue(now);
}


void IrcSession::Act(const QString& room, const QString& chatHtml, Time now) {
  IrcChannel* channel = channels_.Find(ChannelFromRoom(room));
  const QString irc = HtmlToIrc(chatHtml);
  if (!registered_ || !channel || channel->state != IrcChannel::State::Joined)
    return Notice("Not in " + room + " now: not sent: * " + StripIrcFormatting(irc));
  const QByteArray name = channel->name.toUtf8();
  // One CTCP message: the text is cut to fit rather than split.
  const int textRoom = PrivmsgTextBytes(RelayedPrefixBytes(nick_, user_, host_), name) - 9;
  QByteArray text = WireSafe(irc.toUtf8()).replace('\x01', ' ');
  const std::vector<QByteArray> pieces = SplitIrcText(text, textRoom);
  if (pieces.size() > 1) Notice("The action was cut to fit one line");
  Queue(FramePrivmsg(name, "\x01" "ACTION " + (pieces.empty() ? QByteArray() : pieces.front()) + "\x01").chopped(2));
  FlushQueue(now);
}

void IrcSession::SayTo(const QString& nick, const QString& chatHtml, Time now) {
  const QByteArray target = nick.toUtf8();
  const QString irc = HtmlToIrc(chatHtml);
  if (target.isEmpty() || server_.IsChannel(nick) || target.contains(',') || target.contains(' ') ||
      target.contains('!') || target.contains('@'))
    return Notice("/msg goes to one member's name, not to " + nick + ": not sent");
  if (!registered_) return Notice("Not connected: not sent to " + nick + ": " + StripIrcFormatting(irc));
  const int textRoom = PrivmsgTextBytes(RelayedPrefixBytes(nick_, user_, host_), target);
  for (const QByteArray& piece : SplitIrcText(WireSafe(irc.toUtf8()), textRoom))
    Queue(FramePrivmsg(WireSafe(target), piece).chopped(2));
  FlushQueue(now);
}

void IrcSession::OnJoin(const IrcMessage& m, Time now) {
  const QString name = Text(m.Param(0));
  const QString nick = Text(m.nick);
  IrcChannel* channel = channels_.Find(name);
  if (!channel && IsOwn(nick) && partWhenJoined_.remove(server_.Fold(name))) return Write("PART " + m.Param(0));
  if (!channel || nick.isEmpty()) return;  // a channel we never asked for
  if (!IsOwn(nick)) {
    if (channel->state != IrcChannel::State::Joined) return;
    channels_.AddMember(*channel, nick);
    Emit({IrcEvent::Kind::MemberJoined, channel->room, nick, {}, {}, true});
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
  if (channels_.RemoveMember(*channel, Text(m.nick)))
    Emit({IrcEvent::Kind::MemberParted, channel->room, Text(m.nick), Text(m.Param(1)), {}, true});
}

void IrcSession::OnQuit(const IrcMessage& m, Time) {
  const QString nick = Text(m.nick);
  for (auto& [key, channel] : channels_.all()) {
    if (channels_.RemoveMember(channel, nick) && channel.state == IrcChannel::State::Joined)
      Emit({IrcEvent::Kind::MemberQuit, channel.room, nick, Text(m.Param(0)), {}, true});
  }
}

void IrcSession::OnNick(const IrcMessage& m, Time) {
  const QString from = Text(m.nick);
  const QString to = Text(m.Param(0));
  if (to.isEmpty() || from.isEmpty()) return;
  if (IsOwn(from)) {
    nick_ = m.Param(0);
    nickAsked_ = false;
    Emit({IrcEvent::Kind::OwnNameChanged, {}, {}, to, {}, true});
  }
  for (auto& [key, channel] : channels_.all()) {
    const bool member = channel.members.contains(server_.Fold(from));
    channels_.Rename(channel, from, to);
    if (member && channel.state == IrcChannel::State::Joined && !IsOwn(to))
      Emit({IrcEvent::Kind::MemberRenamed, channel.room, from, to, {}, true});
  }
}

void IrcSession::OnKick(const IrcMessage& m, Time now) {
  IrcChannel* channel = channels_.Find(Text(m.Param(0)));
  const QString kicked = Text(m.Param(1));
  if (!channel || channel->state != IrcChannel::State::Joined) return;
  if (!IsOwn(kicked)) {
    if (channels_.RemoveMember(*channel, kicked))
      Emit({IrcEvent::Kind::MemberKicked, channel->room, kicked, Text(m.Param(2)), {Text(m.nick)}, true});
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
  const bool hadMarks = !channel->marks.isEmpty();
  channels_.EndNames(*channel);
  if (channel->membersChanged) Report(*channel, now);
  if (hadMarks || !channel->marks.isEmpty()) ReportMarks(*channel);
}

void IrcSession::ReportMarks(const IrcChannel& channel) {
  Emit({IrcEvent::Kind::Marks, channel.room, {}, {}, IrcChannels::MarkList(channel), true});
}

void IrcSession::OnTopic(const IrcMessage& m, Time) {
  // TOPIC #channel :text
  IrcChannel* channel = channels_.Find(Text(m.Param(0)));
  if (channel && channel->state == IrcChannel::State::Joined)
    Emit({IrcEvent::Kind::Topic, channel->room, Text(m.nick), Text(m.Param(1)), {}, true});
}

void IrcSession::OnTopicReply(const IrcMessage& m, Time) {
  // 332: me #channel :text
  IrcChannel* channel = channels_.Find(Text(m.Param(1)));
  if (channel && channel->state == IrcChannel::State::Joined)
    Emit({IrcEvent::Kind::Topic, channel->room, {}, Text(m.Param(2)), {}, true});
}

void IrcSession::OnMode(const IrcMessage& m, Time) {
  // MODE #channel +ov-v nick nick nick
  IrcChannel* channel = channels_.Find(Text(m.Param(0)));
  if (!channel || channel->state != IrcChannel::State::Joined) return;
  const bool changed = ReadRankModes(
      m, [&](const QString& nick, QChar rank, bool give) { return channels_.Mark(*channel, nick, rank, give); });
  if (changed) ReportMarks(*channel);
}

void IrcSession::OnJoinRefused(const IrcMessage& m, Time) {
  IrcChannel* channel = channels_.Find(Text(m.Param(1)));
  partWhenJoined_.remove(server_.Fold(Text(m.Param(1))));
  // Only an answer to a JOIN of ours: others are not our business.
  if (!channel || channel->state != IrcChannel::State::Asked) return;
  const QString room = channel->room;
  channels_.Remove(channel->name);
  Emit({IrcEvent::Kind::JoinRefused, room, {}, Last(m), {}, true});
}

}  // namespace irc
