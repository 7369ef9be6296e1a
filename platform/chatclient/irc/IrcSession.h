#pragma once

#include <chrono>
#include <optional>

#include <QByteArray>
#include <QSet>
#include <QString>

#include "platform/chatclient/irc/IrcChannelTracker.h"
#include "platform/chatclient/irc/IrcEvent.h"
#include "platform/chatclient/irc/IrcHistory.h"
#include "platform/chatclient/irc/IrcMessage.h"
#include "platform/chatclient/irc/IrcSignOn.h"
#include "platform/chatclient/irc/SendQueue.h"

namespace irc {

struct IrcSessionOptions {
  // Sent as PASS before registering, when not empty.
  QByteArray password;
  // SASL PLAIN sign-in during registration, when the account is not empty:
  // a connection that cannot sign in ends, and is not tried again.
  QByteArray saslAccount;
  QByteArray saslPassword;
  // After this much silence a PING goes out; no answer in pingAnswer more is a lost connection.
  std::chrono::milliseconds quietBeforePing{90000};
  std::chrono::milliseconds pingAnswer{60000};
  // With SASL, a server that has not answered CAP LS by then offers none:
  // some answer nothing at all before registration.
  std::chrono::milliseconds capAnswer{15000};
  // How long registration may take before the connection is given up.
  std::chrono::milliseconds registration{60000};
  // A JOIN not answered in this time is reported and asked again.
  std::chrono::milliseconds joinAnswer{30000};
  // A kick of the owner is answered by one JOIN after this.
  std::chrono::milliseconds rejoinAfterKick{5000};
  // A channel's member list is reported at most this often.
  std::chrono::milliseconds membersEvery{500};
  // Flood control: this many own lines at once, then one an interval.
  int burst = 5;
  std::chrono::milliseconds sendInterval{1000};
};

// The IRC protocol of one signed-on owner, without any I/O: registration
// (CAP, SASL, PASS, NICK, USER, nick retries), the keepalive, the channels
// and their members, and what the server's lines mean. Parsed lines, the
// owner's requests and the time go in; lines to write, events and the next
// deadline come out (Take, NextDeadline). Whoever holds the socket calls
// Connected, Receive for each line, Tick at the deadline and Disconnected,
// and writes what Take gives, in order.
//
// No line it gives is longer than 510 bytes (512 with CR LF): a room name
// or a line that cannot fit is refused with a notice instead.
class IrcSession {
 public:
  using Time = std::chrono::steady_clock::time_point;
  static constexpr qsizetype kLongestLine = 510;
  static constexpr const char* kVersion = "Morva MP3 1.0.0";

  explicit IrcSession(IrcSessionOptions options);

  void SetScreenName(const QString& screenName) { screenName_ = screenName; }
  void Connected(Time now);
  void Receive(const IrcMessage& message, Time now);
  void Tick(Time now);
  // The connection is gone: what was not sent is reported, the channels
  // wait to be joined again on the next one.
  void Disconnected();

  // The owner's requests. Rooms are named as the owner names them.
  void Join(const QString& room, Time now);
  void Part(const QString& room);
  void Say(const QString& room, const QString& chatHtml, Time now);
  // An action in the room (CTCP ACTION), cut to one line.
  void Act(const QString& room, const QString& chatHtml, Time now);
  // A line for one nick alone; a channel or a list of targets is refused.
  void SayTo(const QString& nick, const QString& chatHtml, Time now);
  // Asks for another nick; OwnNameChanged once the server takes it.
  void ChangeNick(const QString& screenName);
  // For the end of the program: every own line still waiting, then QUIT.
  std::vector<QByteArray> Farewell();

  IrcOutput Take() { return std::exchange(out_, {}); }
  // The same, with `spare` (emptied) in its place: a caller that hands back
  // what it took spares a busy room an allocation for every line.
  IrcOutput Take(IrcOutput spare) {
    spare.lines.clear();
    spare.events.clear();
    return std::exchange(out_, std::move(spare));
  }
  std::optional<Time> NextDeadline() const;
  bool signedOn() const { return registered_; }
  QString NetworkName(const QString& room) const;

 private:
  using Handler = void (IrcSession::*)(const IrcMessage&, Time);
  static const Handler* Find(QByteArrayView command);

  // Output.
  void Write(const QByteArray& line);
  void Emit(IrcEvent event) { out_.events.push_back(std::move(event)); }
  void Notice(const QString& text) { Emit({IrcEvent::Kind::Notice, {}, {}, text, {}, true}); }
  void Lose(const QString& reason, bool retry);
  // One of Morva's lines, to wait for the pace; the owner is told when the
  // queue is so long that the oldest are dropped.
  void Queue(QByteArray line);
  void FlushQueue(Time now);

  // Registration and capabilities (IrcSessionRegistration.cpp).
  void Register();
  // CAP, AUTHENTICATE and SASL's numerics: the sign-on's.
  void OnSignOnLine(const IrcMessage& m, Time now);
  bool SignOnStep(const IrcSignOn::Step& step, const std::vector<QByteArray>& lines = {});
  void OnCapUnknown(const IrcMessage& m, Time now);
  void OnWelcome(const IrcMessage& m, Time now);
  void OnNickRefused(const IrcMessage& m, Time now);

  // Channels and members (IrcSessionChannels.cpp).
  void SendJoin(IrcChannel& channel, Time now);
  // JOIN, PART, KICK, QUIT, NICK, NAMES, TOPIC, MODE, 005: the tracker's.
  void OnChannelLine(const IrcMessage& m, Time now);
  void OnOwnJoin(const IrcMessage& m, IrcChannel* channel, const QString& name, Time now);
  void OnJoinRefused(const IrcMessage& m, Time now);

  // What others say (IrcSessionTalk.cpp).
  void OnPrivmsg(const IrcMessage& m, Time now);
  void OnNotice(const IrcMessage& m, Time now);
  void AnswerCtcp(const IrcMessage& m, const QString& command, const QString& argument, Time now);
  void OnPing(const IrcMessage& m, Time now);
  void OnError(const IrcMessage& m, Time now);
  void OnBatch(const IrcMessage& m, Time now);
  void OnOtherError(const IrcMessage& m, Time now);

  bool IsOwn(QStringView nick) const;
  IrcServerInfo& server() { return tracker_.server(); }
  const IrcServerInfo& server() const { return tracker_.server(); }
  IrcChannels& channels() { return tracker_.channels(); }
  const IrcChannels& channels() const { return tracker_.channels(); }

  IrcSessionOptions options_;
  IrcOutput out_;
  // The server's 005, the channels and their members.
  IrcChannelTracker tracker_{options_.membersEvery};
  IrcHistory history_;
  SendQueue queue_;

  QString screenName_;
  QByteArray nick_;  // the nick tried, then the one in use
  int nickTries_ = 0;
  bool nickAsked_ = false;  // the owner's /nick, not answered yet
  QByteArray user_;  // as the server shows us to others, once seen
  QByteArray host_;

  // This connection.
  bool connected_ = false;
  bool registered_ = false;
  bool lost_ = false;  // a Lost event is out: nothing more until Disconnected
  Time heardAt_{};
  std::optional<Time> pingSentAt_;
  // Capabilities, SASL and the limits on registering.
  IrcSignOn signOn_{{options_.saslAccount, options_.saslPassword, {"server-time", "batch"}, options_.capAnswer,
                     options_.registration}};
  std::optional<Time> ctcpAnsweredAt_;
  // Channels left while their JOIN was unanswered, by folded name: a late
  // answer is followed by a PART, so that nobody sits where no one sees.
  QSet<QString> partWhenJoined_;
};

}  // namespace irc
