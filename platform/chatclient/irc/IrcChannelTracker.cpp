#include "platform/chatclient/irc/IrcChannelTracker.h"

#include "platform/chatclient/irc/IrcRanks.h"
#include "platform/chatclient/irc/IrcText.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace irc {

namespace {

void Emit(std::vector<IrcEvent>& events, IrcEvent::Kind kind, QString room, QString nick = {}, QString text = {},
          QStringList members = {}) {
  events.push_back({kind, std::move(room), std::move(nick), std::move(text), std::move(members)});
}

}  // namespace

IrcChannelTracker::Own IrcChannelTracker::Read(const IrcMessage& m, const QByteArray& ownNick, Time now,
                                               std::vector<IrcEvent>& events) {
  Own result;
  const QByteArrayView command = m.command();
  auto isOwn = [&](QByteArrayView nick) { return server_.Fold(DecodeIrcText(nick)) == server_.Fold(DecodeIrcText(ownNick)); };
  if (command == "JOIN") {
    OnJoin(m, isOwn(m.nick()), result, events);
  } else if (command == "PART") {
    OnPartOrKick(m, false, isOwn(m.nick()), result, events);
  } else if (command == "KICK") {
    OnPartOrKick(m, true, isOwn(m.Param(1)), result, events);
  } else if (command == "QUIT") {
    OnQuit(m, events);
  } else if (command == "NICK") {
    OnNick(m, isOwn(m.nick()), result, events);
  } else if (command == "353") {
    OnNames(m);
  } else if (command == "366") {
    OnNamesEnd(m, now, events);
  } else if (command == "TOPIC" || command == "332") {
    OnTopic(m, events);
  } else if (command == "MODE") {
    OnMode(m, events);
  } else if (command == "005") {
    if (server_.Read(m)) channels_.Refold();
  } else if (IsJoinRefusal(command)) {
    JoinRefused(m, events);
  }
  return result;
}

IrcChannel* IrcChannelTracker::Joined(QByteArrayView name) {
  IrcChannel* channel = channels_.Find(DecodeIrcText(name));
  return channel && channel->state == IrcChannel::State::Joined ? channel : nullptr;
}

void IrcChannelTracker::OnJoin(const IrcMessage& m, bool own, Own& result, std::vector<IrcEvent>& events) {
  const QString name = DecodeIrcText(m.Param(0));
  if (own) {
    result = {Own::Kind::Joined, channels_.Find(name), name};
    return;
  }
  IrcChannel* channel = Joined(m.Param(0));
  if (!channel || m.nick().isEmpty()) return;
  const QString nick = DecodeIrcText(m.nick());
  channels_.AddMember(*channel, nick);
  Emit(events, IrcEvent::Kind::MemberJoined, channel->room, nick);
}

void IrcChannelTracker::Enter(IrcChannel& channel, const QString& name, const QString& ownNick) {
  channel.name = name;
  channel.state = IrcChannel::State::Joined;
  channel.putOut = false;
  channel.members.clear();
  channel.marks.clear();
  channels_.AddMember(channel, ownNick);
}

void IrcChannelTracker::OnPartOrKick(const IrcMessage& m, bool kick, bool own, Own& result,
                                     std::vector<IrcEvent>& events) {
  // PART #channel :why;  KICK #channel nick :why
  IrcChannel* channel = Joined(m.Param(0));
  if (!channel) return;
  if (own) {
    channel->state = IrcChannel::State::Waiting;
    channel->members.clear();
    channel->marks.clear();
    channel->namesComing.clear();
    channel->marksComing.clear();
    result = {kick ? Own::Kind::Kicked : Own::Kind::Left, channel, {}};
    return;
  }
  const QString who = DecodeIrcText(kick ? m.Param(1) : m.nick());
  if (!channels_.RemoveMember(*channel, who)) return;
  if (kick) return Emit(events, IrcEvent::Kind::MemberKicked, channel->room, who, DecodeIrcText(m.Param(2)), {DecodeIrcText(m.nick())});
  Emit(events, IrcEvent::Kind::MemberParted, channel->room, who, DecodeIrcText(m.Param(1)));
}

void IrcChannelTracker::OnQuit(const IrcMessage& m, std::vector<IrcEvent>& events) {
  const QString nick = DecodeIrcText(m.nick());
  for (auto& [key, channel] : channels_.all()) {
    if (channels_.RemoveMember(channel, nick) && channel.state == IrcChannel::State::Joined)
      Emit(events, IrcEvent::Kind::MemberQuit, channel.room, nick, DecodeIrcText(m.Param(0)));
  }
}

void IrcChannelTracker::OnNick(const IrcMessage& m, bool own, Own& result, std::vector<IrcEvent>& events) {
  const QString from = DecodeIrcText(m.nick());
  const QString to = DecodeIrcText(m.Param(0));
  if (from.isEmpty() || to.isEmpty()) return;
  const QString key = server_.Fold(from);
  for (auto& [name, channel] : channels_.all()) {
    if (!channel.members.contains(key)) continue;
    channels_.Rename(channel, from, to);
    if (channel.state == IrcChannel::State::Joined && !own)
      Emit(events, IrcEvent::Kind::MemberRenamed, channel.room, from, to);
  }
  if (own) result = {Own::Kind::Renamed, nullptr, to};
}

void IrcChannelTracker::OnNames(const IrcMessage& m) {
  // 353: me = channel :names
  if (IrcChannel* channel = Joined(m.Param(2))) channels_.AddNames(*channel, DecodeIrcText(m.Param(3)));
}

void IrcChannelTracker::OnNamesEnd(const IrcMessage& m, Time now, std::vector<IrcEvent>& events) {
  // 366: me channel :End of NAMES
  IrcChannel* channel = Joined(m.Param(1));
  if (!channel) return;
  if (channel->namesCut)
    Emit(events, IrcEvent::Kind::Notice, {}, {},
         QStringLiteral("%1 has more than %2 members; the list shows %2").arg(channel->name).arg(IrcChannels::kMostNames));
  channel->namesCut = false;
  const bool hadMarks = !channel->marks.isEmpty();
  channels_.EndNames(*channel);
  if (hadMarks || !channel->marks.isEmpty())
    Emit(events, IrcEvent::Kind::Marks, channel->room, {}, {}, IrcChannels::MarkList(*channel));
  // The whole list at once, however recent the last report.
  if (channel->membersChanged) Report(*channel, now, events);
}

void IrcChannelTracker::OnTopic(const IrcMessage& m, std::vector<IrcEvent>& events) {
  // TOPIC #channel :text;  332: me #channel :text (on entering, by no one)
  const bool entering = m.command() == "332";
  if (IrcChannel* channel = Joined(m.Param(entering ? 1 : 0)))
    Emit(events, IrcEvent::Kind::Topic, channel->room, entering ? QString() : DecodeIrcText(m.nick()),
         DecodeIrcText(m.Param(entering ? 2 : 1)));
}

void IrcChannelTracker::OnMode(const IrcMessage& m, std::vector<IrcEvent>& events) {
  // MODE #channel +ov-v nick nick nick
  IrcChannel* channel = Joined(m.Param(0));
  if (!channel) return;
  const bool changed = ReadRankModes(
      m, [&](const QString& nick, QChar rank, bool give) { return channels_.Mark(*channel, nick, rank, give); });
  if (changed) Emit(events, IrcEvent::Kind::Marks, channel->room, {}, {}, IrcChannels::MarkList(*channel));
}

void IrcChannelTracker::JoinRefused(const IrcMessage& m, std::vector<IrcEvent>& events) {
  IrcChannel* channel = channels_.Find(DecodeIrcText(m.Param(1)));
  if (!channel || channel->state != IrcChannel::State::Asked) return;
  const QString room = channel->room;
  channels_.Remove(channel->name);
  Emit(events, IrcEvent::Kind::JoinRefused, room, {}, LastText(m));
}

void IrcChannelTracker::ReportMembers(Time now, std::vector<IrcEvent>& events) {
  if (membersReportedAt_ && now - *membersReportedAt_ < membersEvery_) return;
  for (auto& [key, channel] : channels_.all())
    if (channel.membersChanged && channel.state == IrcChannel::State::Joined) Report(channel, now, events);
}

void IrcChannelTracker::Report(IrcChannel& channel, Time now, std::vector<IrcEvent>& events) {
  channel.membersChanged = false;
  membersReportedAt_ = now;
  Emit(events, IrcEvent::Kind::Members, channel.room, {}, {}, IrcChannels::MemberList(channel));
}

std::optional<IrcChannelTracker::Time> IrcChannelTracker::NextReport() const {
  if (!membersReportedAt_) return std::nullopt;
  for (const auto& [key, channel] : channels_.all())
    if (channel.membersChanged && channel.state == IrcChannel::State::Joined) return *membersReportedAt_ + membersEvery_;
  return std::nullopt;
}

}  // namespace irc
