#include "platform/chatclient/irc/IrcChannels.h"

#include <algorithm>

namespace irc {

IrcChannel* IrcChannels::Find(QStringView name) {
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
    refolded.emplace(server_.Fold(channel.name), std::move(channel));
  }
  channels_ = std::move(refolded);
}

void IrcChannels::AddMember(IrcChannel& channel, const QString& nick) {
  channel.members.insert(server_.Fold(nick), nick);
  channel.membersChanged = true;
}

bool IrcChannels::RemoveMember(IrcChannel& channel, QStringView nick) {
  if (channel.members.remove(server_.Fold(nick)) == 0) return false;
  channel.membersChanged = true;
  return true;
}

void IrcChannels::Rename(IrcChannel& channel, QStringView from, const QString& to) {
  if (RemoveMember(channel, from)) AddMember(channel, to);
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
  }
}

void IrcChannels::EndNames(IrcChannel& channel) {
  if (channel.namesComing.isEmpty()) return;
  channel.members = std::exchange(channel.namesComing, {});
  channel.membersChanged = true;
}

QStringList IrcChannels::MemberList(const IrcChannel& channel) {
  QStringList list = channel.members.values();
  std::sort(list.begin(), list.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  return list;
}

}  // namespace irc
