#pragma once

#include <chrono>
#include <optional>
#include <unordered_map>

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include "platform/chatclient/irc/IrcServerInfo.h"

namespace irc {

// One channel the owner is in, or is on the way into.
struct IrcChannel {
  using Time = std::chrono::steady_clock::time_point;
  // Asked: a JOIN is out and not answered yet.
  enum class State { Waiting, Asked, Joined };

  QString room;  // as the owner named it
  QString name;  // as the server spells it
  State state = State::Waiting;
  Time askedAt{};
  Time joinedAt{};
  // The server's time of our JOIN, where the server stamps its lines.
  std::optional<QDateTime> joinedServerTime;
  // A kick of the owner is answered by one JOIN at this time.
  std::optional<Time> rejoinAt;
  // By the folded nick: each change costs the same at any size.
  QHash<QString, QString> members;
  QHash<QString, QString> namesComing;  // NAMES replies not yet ended
  bool namesCut = false;                // more names came than are kept
  bool membersChanged = false;          // not reported yet
  // The ranks held, by the folded nick: '@' for an operator (or more), '+'
  // for a voice (or a half-operator).
  QHash<QString, QChar> marks;
  QHash<QString, QChar> marksComing;  // from NAMES replies not yet ended
  // The owner was kicked out, and his own client has not joined again:
  // nothing is said there meanwhile (behind the proxy, which never rejoins).
  bool putOut = false;
};

// The channels by their folded names, and their members.
class IrcChannels {
 public:
  // The most names one NAMES reply may bring; the rest are not kept.
  static constexpr qsizetype kMostNames = 100000;
  // Up to this many channels, Find compares the name with each.
  static constexpr std::size_t kComparedOneByOne = 8;

  explicit IrcChannels(const IrcServerInfo& server) : server_(server) {}
  IrcChannels(const IrcChannels&) = delete;
  // Kept beside its server info in one object: assigning that object anew
  // takes the other's channels and keeps the server info it was made with.
  IrcChannels& operator=(IrcChannels&& other) noexcept {
    channels_ = std::move(other.channels_);
    return *this;
  }

  IrcChannel* Find(QStringView name);
  IrcChannel& Add(const QString& room, const QString& name);
  void Remove(QStringView name);
  // After the server's case mapping changed: every key anew.
  void Refold();

  void AddMember(IrcChannel& channel, const QString& nick);
  // False when the nick was not a member.
  bool RemoveMember(IrcChannel& channel, QStringView nick);
  void Rename(IrcChannel& channel, QStringView from, const QString& to);
  // One 353 line's names; the end of NAMES makes them the members.
  void AddNames(IrcChannel& channel, QStringView names);
  void EndNames(IrcChannel& channel);
  // Gives or takes a rank ('@' or '+'); false when nothing changed. Taking
  // the operator's rank takes a voice under it too.
  bool Mark(IrcChannel& channel, QStringView nick, QChar mark, bool give);
  // "@nick" and "+nick" for everyone with a rank, in order.
  static QStringList MarkList(const IrcChannel& channel);
  // The members in a stable order, for the room's list.
  static QStringList MemberList(const IrcChannel& channel);

  std::unordered_map<QString, IrcChannel>& all() { return channels_; }
  const std::unordered_map<QString, IrcChannel>& all() const { return channels_; }

 private:
  const IrcServerInfo& server_;
  std::unordered_map<QString, IrcChannel> channels_;
};

}  // namespace irc
