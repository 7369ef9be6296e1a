#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "platform/chatclient/irc/IrcChannels.h"
#include "platform/chatclient/irc/IrcEvent.h"
#include "platform/chatclient/irc/IrcMessage.h"
#include "platform/chatclient/irc/IrcServerInfo.h"

namespace irc {

// The owner's channels as the network's lines tell them, read in one place
// for the IRC session and the proxy: the server's 005, members coming,
// going, renamed and kicked, NAMES, ranks, topics and refused joins, with
// the room's news as events. What the owner's own JOIN, PART, KICK and NICK
// lead to is its holder's (the session joins again by itself, the proxy
// follows the owner's client), so those come back from Read.
class IrcChannelTracker {
 public:
  using Time = std::chrono::steady_clock::time_point;

  // A line about the owner himself.
  struct Own {
    enum class Kind { None, Joined, Left, Kicked, Renamed };
    Kind kind = Kind::None;
    // Joined: the channel, when known; Left and Kicked: the channel he was
    // in (its members are forgotten, it waits to be joined again).
    IrcChannel* channel = nullptr;
    // Joined: the channel as the server spells it; Renamed: the new nick.
    QString name;
  };

  explicit IrcChannelTracker(std::chrono::milliseconds membersEvery) : membersEvery_(membersEvery) {}

  // One line from the network; `ownNick` is the owner's nick there. Lines
  // it does not know change nothing.
  Own Read(const IrcMessage& m, const QByteArray& ownNick, Time now, std::vector<IrcEvent>& events);

  // A JOIN refused ("473 me #channel :why"): only one of Morva's is
  // reported and forgotten, the owner's client's are not its business.
  void JoinRefused(const IrcMessage& m, std::vector<IrcEvent>& events);
  // The owner is in the channel now, alone until its NAMES.
  void Enter(IrcChannel& channel, const QString& name, const QString& ownNick);
  // Every joined channel whose members changed, unless the last report was too recent.
  void ReportMembers(Time now, std::vector<IrcEvent>& events);
  void Report(IrcChannel& channel, Time now, std::vector<IrcEvent>& events);
  // When ReportMembers has something to say, if it waits.
  std::optional<Time> NextReport() const;

  IrcServerInfo& server() { return server_; }
  const IrcServerInfo& server() const { return server_; }
  IrcChannels& channels() { return channels_; }
  const IrcChannels& channels() const { return channels_; }

 private:
  void OnJoin(const IrcMessage& m, bool own, Own& result, std::vector<IrcEvent>& events);
  void OnPartOrKick(const IrcMessage& m, bool kick, bool own, Own& result, std::vector<IrcEvent>& events);
  void OnQuit(const IrcMessage& m, std::vector<IrcEvent>& events);
  void OnNick(const IrcMessage& m, bool own, Own& result, std::vector<IrcEvent>& events);
  void OnNames(const IrcMessage& m);
  void OnNamesEnd(const IrcMessage& m, Time now, std::vector<IrcEvent>& events);
  void OnTopic(const IrcMessage& m, std::vector<IrcEvent>& events);
  void OnMode(const IrcMessage& m, std::vector<IrcEvent>& events);
  // A channel the owner is in, by its name on the network; null if not.
  IrcChannel* Joined(QByteArrayView name);

  IrcServerInfo server_;
  IrcChannels channels_{server_};
  std::chrono::milliseconds membersEvery_;
  std::optional<Time> membersReportedAt_;
};

}  // namespace irc
