// Who is in the channels the owner is in, and what happens there, as the
// network's lines tell it on the way to his client.

#include "platform/chatclient/proxy/ProxySession.h"

#include <algorithm>

#include "platform/chatclient/irc/ChannelName.h"
#include "platform/chatclient/irc/IrcRanks.h"
#include "platform/chatclient/irc/IrcText.h"

namespace irc {
namespace {

QString Text(QByteArrayView bytes) { return DecodeIrcText(bytes); }
bool Joined(const IrcChannel& channel) { return channel.state == IrcChannel::State::Joined; }

}  // namespace

void ProxySession::OnJoin(const IrcMessage& m) {
  const QString name = Text(m.Param(0));
  const QString nick = Text(m.nick);
  if (!IsOwn(m.nick)) {
    IrcChannel* channel = Find(name);
    if (!channel) return;
    channels_.AddMember(*channel, nick);
    if (Joined(*channel)) Emit(IrcEvent::Kind::MemberJoined, channel->room, nick);
    return;
  }
  user_ = m.user;
  host_ = m.host;
  IrcChannel* known = Find(name);
  // Back in a room after a kick or a part, it keeps the name it had: the
  // open room stays "music" and never turns into "#music".
  const QString room = known ? known->room
                       : !openRoom_.isEmpty() && server_.Fold(ChannelFromRoom(openRoom_)) == server_.Fold(name)
                           ? openRoom_
                           : name;
  IrcChannel& channel = known ? *known : channels_.Add(room, name);
  const bool asked = channel.state == IrcChannel::State::Asked;  // by Morva (.pr)
  channel.name = name;
  channel.state = IrcChannel::State::Joined;
  channel.putOut = false;
  channel.members.clear();
  channel.marks.clear();
  channels_.AddMember(channel, nick);
  channel.membersChanged = false;
  const bool loads = openRoom_.isEmpty() && (options_.loadRoom.isEmpty() ||
                                             server_.Fold(ChannelFromRoom(options_.loadRoom)) == server_.Fold(name));
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

void ProxySession::OnLeft(const IrcMessage& m) {
  if (m.command == "QUIT") {
    const QString nick = Text(m.nick);
    for (auto& [key, channel] : channels_.all()) {
      if (channels_.RemoveMember(channel, nick) && Joined(channel))
        Emit(IrcEvent::Kind::MemberQuit, channel.room, nick, Text(m.Param(0)));
    }
    return;
  }
  const bool kick = m.command == "KICK";
  const QByteArray who = kick ? m.Param(1) : m.nick;
  IrcChannel* channel = Find(Text(m.Param(0)));
  if (!channel) return;
  if (IsOwn(who)) {
    // Out of the channel, but its room keeps its name for when he is back.
    if (kick && Joined(*channel))
      Notice(Text(m.nick) + " put you out of " + channel->room + " (" + Text(m.Param(2)) +
             "); Morva says nothing there until your client joins it again");
    channel->putOut = kick && Joined(*channel);
    channel->state = IrcChannel::State::Waiting;
    channel->members.clear();
    channel->marks.clear();
    channel->namesComing.clear();
    channel->marksComing.clear();
    return;
  }
  if (!channels_.RemoveMember(*channel, Text(who)) || !Joined(*channel)) return;
  if (kick) return Emit(IrcEvent::Kind::MemberKicked, channel->room, Text(who), Text(m.Param(2)), {Text(m.nick)});
  Emit(IrcEvent::Kind::MemberParted, channel->room, Text(who), Text(m.Param(1)));
}

void ProxySession::OnNick(const QString& from, const QString& to) {
  if (from.isEmpty() || to.isEmpty()) return;
  const bool own = IsOwn(from.toUtf8());
  for (auto& [key, channel] : channels_.all()) {
    if (!channel.members.contains(server_.Fold(from))) continue;
    channels_.Rename(channel, from, to);
    if (Joined(channel) && !own) Emit(IrcEvent::Kind::MemberRenamed, channel.room, from, to);
  }
}

void ProxySession::OnNames(const IrcMessage& m, bool end) {
  // 353: me = channel :names;  366: me channel :End of NAMES
  IrcChannel* channel = Find(Text(end ? m.Param(1) : m.Param(2)));
  if (!channel) return;
  if (!end) return channels_.AddNames(*channel, Text(m.Param(3)));
  if (channel->namesCut)
    Notice(QStringLiteral("%1 has more than %2 members; the list shows %2").arg(channel->name).arg(IrcChannels::kMostNames));
  channel->namesCut = false;
  const bool hadMarks = !channel->marks.isEmpty();
  channels_.EndNames(*channel);
  if (Joined(*channel) && (hadMarks || !channel->marks.isEmpty())) ReportMarks(*channel);
}

void ProxySession::OnMode(const IrcMessage& m) {
  // MODE #channel +ov-v nick nick nick
  IrcChannel* channel = Find(Text(m.Param(0)));
  if (!channel || !Joined(*channel)) return;
  const bool changed = ReadRankModes(
      m, [&](const QString& nick, QChar rank, bool give) { return channels_.Mark(*channel, nick, rank, give); });
  if (changed) ReportMarks(*channel);
}

void ProxySession::ReportMarks(const IrcChannel& channel) {
  Emit(IrcEvent::Kind::Marks, channel.room, {}, {}, IrcChannels::MarkList(channel));
}

void ProxySession::OnTopic(const IrcMessage& m) {
  // TOPIC #channel :text;  332: me #channel :text (on entering, by no one)
  const bool entering = m.command == "332";
  IrcChannel* channel = Find(Text(m.Param(entering ? 1 : 0)));
  if (!channel || !Joined(*channel)) return;
  Emit(IrcEvent::Kind::Topic, channel->room, entering ? QString() : Text(m.nick), Text(m.Param(entering ? 2 : 1)));
}

void ProxySession::ReportMembers(Clock::time_point now) {
  if (membersReportedAt_ && now - *membersReportedAt_ < options_.membersEvery) return;
  bool reported = false;
  for (auto& [key, channel] : channels_.all()) {
    if (!channel.membersChanged || !Joined(channel)) continue;
    channel.membersChanged = false;
    reported = true;
    Emit(IrcEvent::Kind::Members, channel.room, {}, {}, IrcChannels::MemberList(channel));
  }
  if (reported) membersReportedAt_ = now;
}

}  // namespace irc
