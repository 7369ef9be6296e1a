// Who is in the channels the owner is in, as the network's lines tell it on
// the way to his client.

#include "platform/chatclient/proxy/ProxySession.h"

#include <algorithm>

#include "platform/chatclient/irc/ChannelName.h"
#include "platform/chatclient/irc/IrcCaseMapping.h"
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
    return;
  }
  user_ = m.user;
  host_ = m.host;
  Channel& channel = channels_[IrcLower(name)];
  const bool asked = !channel.room.isEmpty();  // by Morva (.pr), or the open room again
  if (channel.room.isEmpty()) channel.room = name;
  channel.name = name;
  channel.joined = true;
  channel.members = {{IrcLower(nick), nick}};
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

void ProxySession::OnLeft(const QByteArray& name, const QString& nick, bool own) {
  Channel* channel = Find(Text(name));
  if (!channel) return;
  if (own) {
    channels_.erase(IrcLower(channel->name));
    return;
  }
  if (channel->members.remove(IrcLower(nick)) == 0) return;
  channel->membersChanged = true;
}

void ProxySession::OnNick(const QString& from, const QString& to) {
  const QString key = IrcLower(from);
  for (auto& [name, channel] : channels_) {
    if (channel.members.remove(key) == 0) continue;
    channel.members.insert(IrcLower(to), to);
    channel.membersChanged = true;
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
    }
    return;
  }
  if (channel->namesCut)
    Emit(ProxyEvent::Kind::Notice, {}, {},
         QStringLiteral("%1 has more than %2 members; the list shows %2").arg(channel->name).arg(kMostNames));
  channel->namesCut = false;
  if (channel->namesComing.isEmpty()) return;
  channel->members = std::exchange(channel->namesComing, {});
  channel->membersChanged = true;
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
