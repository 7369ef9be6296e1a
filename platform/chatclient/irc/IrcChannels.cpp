#include "platform/chatclient/irc/IrcChannels.h"

#include <algorithm>

#include "platform/chatclient/irc/IrcRanks.h"

namespace irc {

IrcChannel* IrcChannels::Find(QStringView name) {
  // Every line of a busy room looks up its channel. With the few channels
  // one is in, comparing the name with each key costs less than folding a
  // copy of it to look it up.
  if (channels_.size() <= kComparedOneByOne) {
    for (auto& [key, channel] : channels_)
      if (server_.Same(name, key)) return &channel;
    return nullptr;
  }
  auto it = channels_.find(server_.Fold(name));
  return it == channels_.end() ? nullptr : &it->second;
}

IrcChannel& IrcChannels::Add(const QString& room, const QString& name) {
  IrcChannel& channel = channels_[server_.Fold(name)];
  channel.room = room;
  channel.name = name;
  return channel;
}

void IrcChannels::Remove(QStringView name) { channels_.erase(server_.Fold(name)); }

void IrcChannels::Refold() {
  std::unordered_map<QString, IrcChannel> refolded;
  for (auto& [key, channel] : channels_) {
    QHash<QString, QString> members;
    for (const QString& nick : std::as_const(channel.members)) members.insert(server_.Fold(nick), nick);
    channel.members = std::move(members);
    channel.namesComing.clear();
    // Set before any channel is joined; ranks come with the next NAMES.
    channel.marks.clear();
    channel.marksComing.clear();
    refolded.emplace(server_.Fold(channel.name), std::move(channel));
  }
  channels_ = std::move(refolded);
}

void IrcChannels::AddMember(IrcChannel& channel, const QString& nick) {
  channel.members.insert(server_.Fold(nick), nick);
  channel.membersChanged = true;
}

bool IrcChannels::RemoveMember(IrcChannel& channel, QStringView nick) {
  channel.marks.remove(server_.Fold(nick));
  if (channel.members.remove(server_.Fold(nick)) == 0) return false;
  channel.membersChanged = true;
  return true;
}

void IrcChannels::Rename(IrcChannel& channel, QStringView from, const QString& to) {
  const QChar mark = channel.marks.value(server_.Fold(from));
  if (!RemoveMember(channel, from)) return;
  AddMember(channel, to);
  if (!mark.isNull()) channel.marks.insert(server_.Fold(to), mark);
}

bool IrcChannels::Mark(IrcChannel& channel, QStringView nick, QChar mark, bool give) {
  const QString key = server_.Fold(nick);
  return channel.members.contains(key) && ChangeRank(channel.marks, key, mark, give);
}

QStringList IrcChannels::MarkList(const IrcChannel& channel) {
  return RankedMembers(channel.members, channel.marks);
}

void IrcChannels::AddNames(IrcChannel& channel, QStringView names) {
  for (QStringView entry : names.split(u' ', Qt::SkipEmptyParts)) {
    const QString nick = server_.WithoutStatus(entry);
    if (nick.isEmpty()) continue;
    if (channel.namesComing.size() >= kMostNames) {
      channel.namesCut = true;
      return;
    }
    channel.namesComing.insert(server_.Fold(nick), nick);
    // The highest rank comes first: owner, admin and operator show as '@',
    // half-operator and voice as '+'.
    const QChar status = entry.size() > nick.size() ? entry.front() : QChar();
    if (status == u'~' || status == u'&' || status == u'@') channel.marksComing.insert(server_.Fold(nick), u'@');
    if (status == u'%' || status == u'+') channel.marksComing.insert(server_.Fold(nick), u'+');
  }
}

void IrcChannels::EndNames(IrcChannel& channel) {
  if (channel.namesComing.isEmpty()) return;
  channel.members = std::exchange(channel.namesComing, {});
  channel.marks = std::exchange(channel.marksComing, {});
  channel.membersChanged = true;
}

QStringList IrcChannels::MemberList(const IrcChannel& channel) {
  QStringList list = channel.members.values();
  std::sort(list.begin(), list.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  return list;
}

}  // namespace irc
