// Who is in the channels the owner is in, and what happens there, as the
// network's lines tell it on the way to his client.

#include "platform/chatclient/proxy/ProxySession.h"

#include <algorithm>

#include "platform/chatclient/irc/ChannelName.h"
#include "platform/chatclient/irc/IrcCaseMapping.h"
#include "platform/chatclient/irc/IrcRanks.h"
#include "platform/chatclient/irc/IrcText.h"

namespace irc {
namespace {

QString Text(QByteArrayView bytes) { return DecodeIrcText(bytes); }

QString WithoutModePrefix(QString nick) {
  while (!nick.isEmpty() && QStringLiteral("@+%~&!").contains(nick.front())) nick.remove(0, 1);
  return nick;
}

QStringList MemberList(const QHash<QString, QString>& members) {
  QStringList list = members.values();
  std::sort(list.begin(), list.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  return list;
}

}  // namespace

void ProxySession::OnJoin(const IrcMessage& m) {
  const QString name = Text(m.Param(0));
  const QString nick = Text(m.nick);
  if (!IsOwn(m.nick)) {
    Channel* channel = Find(name);
    if (!channel) return;
    channel->members.insert(IrcLower(nick), nick);
    channel->membersChanged = true;
    if (channel->joined) Emit(ProxyEvent::Kind::MemberJoined, channel->room, nick);
    return;
  }
  user_ = m.user;
  host_ = m.host;
  Channel& channel = channels_[IrcLower(name)];
  const bool asked = std::exchange(channel.asked, false);
  // Back in a room after a kick or a part, it keeps the name it had: the
  // open room stays "music" and never turns into "#music".
  if (channel.room.isEmpty() && !openRoom_.isEmpty() && IrcEqualNoCase(ChannelFromRoom(openRoom_), name))
    channel.room = openRoom_;
  if (channel.room.isEmpty()) channel.room = name;
  channel.name = name;
  channel.joined = true;
  channel.putOut = false;
  channel.members = {{IrcLower(nick), nick}};
  channel.marks.clear();
  const bool loads = openRoom_.isEmpty() && (options_.loadRoom.isEmpty() ||
                                             IrcEqualNoCase(ChannelFromRoom(options_.loadRoom), name));
  if (loads && !options_.loadRoom.isEmpty()) channel.room = options_.loadRoom;
  if (asked || loads || channel.room == openRoom_) {
    // Announced even when it is already the open room: the chat client is back in it.
    if (channel.room == openRoom_) {
      Emit(ProxyEvent::Kind::Joined, channel.room);
    } else {
      OpenRoom(channel.room);
    }
  }
}

void ProxySession::OnLeft(const IrcMessage& m) {
  if (m.command == "QUIT") {
    const QString nick = Text(m.nick);
    for (auto& [key, channel] : channels_) {
      if (RemoveMember(channel, nick) && channel.joined)
        Emit(ProxyEvent::Kind::MemberQuit, channel.room, nick, Text(m.Param(0)));
    }
    return;
  }
  const bool kick = m.command == "KICK";
  const QByteArray who = kick ? m.Param(1) : m.nick;
  Channel* channel = Find(Text(m.Param(0)));
  if (!channel) return;
  if (IsOwn(who)) {
    // Out of the channel, but its room keeps its name for when he is back.
    if (kick && channel->joined)
      Emit(ProxyEvent::Kind::Notice, {}, {},
           Text(m.nick) + " put you out of " + channel->room + " (" + Text(m.Param(2)) +
               "); Morva says nothing there until your client joins it again");
    channel->putOut = kick && channel->joined;
    channel->joined = false;
    channel->members.clear();
    channel->marks.clear();
    channel->namesComing.clear();
    channel->marksComing.clear();
    return;
  }
  if (!RemoveMember(*channel, Text(who)) || !channel->joined) return;
  if (kick) return Emit(ProxyEvent::Kind::MemberKicked, channel->room, Text(who), Text(m.Param(2)), {Text(m.nick)});
  Emit(ProxyEvent::Kind::MemberParted, channel->room, Text(who), Text(m.Param(1)));
}

bool ProxySession::RemoveMember(Channel& channel, const QString& nick) {
  const QString key = IrcLower(nick);
  channel.marks.remove(key);
  if (channel.members.remove(key) == 0) return false;
  channel.membersChanged = true;
  return true;
}

void ProxySession::OnNick(const QString& from, const QString& to) {
  if (from.isEmpty() || to.isEmpty()) return;
  const QString key = IrcLower(from);
  const bool own = IsOwn(from.toUtf8());
  for (auto& [name, channel] : channels_) {
    const QChar mark = channel.marks.value(key);
    if (!RemoveMember(channel, from)) continue;
    channel.members.insert(IrcLower(to), to);
    if (!mark.isNull()) channel.marks.insert(IrcLower(to), mark);
    if (channel.joined && !own) Emit(ProxyEvent::Kind::MemberRenamed, channel.room, from, to);
  }
}

void ProxySession::OnNames(const IrcMessage& m, bool end) {
  // 353: me = channel :names;  366: me channel :End of NAMES
  Channel* channel = Find(Text(end ? m.Param(1) : m.Param(2)));
  if (!channel) return;
  if (!end) {
    for (const QString& entry : Text(m.Param(3)).split(' ', Qt::SkipEmptyParts)) {
      const QString nick = WithoutModePrefix(entry);
      if (nick.isEmpty()) continue;
      if (channel->namesComing.size() >= kMostNames) {
        channel->namesCut = true;
        return;
      }
      channel->namesComing.insert(IrcLower(nick), nick);
      // The highest rank comes first: owner, admin and operator show as
      // '@', half-operator and voice as '+'.
      const QChar status = entry.size() > nick.size() ? entry.front() : QChar();
      if (status == u'~' || status == u'&' || status == u'@') channel->marksComing.insert(IrcLower(nick), u'@');
      if (status == u'%' || status == u'+') channel->marksComing.insert(IrcLower(nick), u'+');
    }
    return;
  }
  if (channel->namesCut)
    Emit(ProxyEvent::Kind::Notice, {}, {},
         QStringLiteral("%1 has more than %2 members; the list shows %2").arg(channel->name).arg(kMostNames));
  channel->namesCut = false;
  if (channel->namesComing.isEmpty()) return;
  const bool hadMarks = !channel->marks.isEmpty();
  channel->members = std::exchange(channel->namesComing, {});
  channel->marks = std::exchange(channel->marksComing, {});
  channel->membersChanged = true;
  if (channel->joined && (hadMarks || !channel->marks.isEmpty())) ReportMarks(*channel);
}

void ProxySession::OnMode(const IrcMessage& m) {
  // MODE #channel +ov-v nick nick nick
  Channel* channel = Find(Text(m.Param(0)));
  if (!channel || !channel->joined) return;
  const bool changed = ReadRankModes(
      m, [&](const QString& nick, QChar rank, bool give) { return Mark(*channel, nick, rank, give); });
  if (changed) ReportMarks(*channel);
}

bool ProxySession::Mark(Channel& channel, const QString& nick, QChar mark, bool give) {
  const QString key = IrcLower(nick);
  return channel.members.contains(key) && ChangeRank(channel.marks, key, mark, give);
}

void ProxySession::ReportMarks(const Channel& channel) {
  Emit(ProxyEvent::Kind::Marks, channel.room, {}, {}, RankedMembers(channel.members, channel.marks));
}

void ProxySession::OnTopic(const IrcMessage& m) {
  // TOPIC #channel :text;  332: me #channel :text (on entering, by no one)
  const bool entering = m.command == "332";
  Channel* channel = Find(Text(m.Param(entering ? 1 : 0)));
  if (!channel || !channel->joined) return;
  Emit(ProxyEvent::Kind::Topic, channel->room, entering ? QString() : Text(m.nick),
       Text(m.Param(entering ? 2 : 1)));
}

void ProxySession::ReportMembers(Clock::time_point now) {
  if (membersReportedAt_ && now - *membersReportedAt_ < options_.membersEvery) return;
  bool reported = false;
  for (auto& [key, channel] : channels_) {
    if (!channel.membersChanged || !channel.joined) continue;
    channel.membersChanged = false;
    reported = true;
    Emit(ProxyEvent::Kind::MembersChanged, channel.room, {}, {}, MemberList(channel.members));
  }
  if (reported) membersReportedAt_ = now;
}

}  // namespace irc
