#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include "platform/chatclient/irc/IrcMessage.h"

namespace irc {

// Signing on to a server, for the IRC session and the proxy alike: the
// capabilities (CAP LS, REQ, ACK, NAK, END), SASL PLAIN when there is an
// account, and the two limits: a server that does not answer CAP LS in
// time offers no SASL, and one that has not signed us on in time is given
// up. With SASL, NICK and USER wait for the capability list, so that no
// server signs the owner on without his account.
class IrcSignOn {
 public:
  using Time = std::chrono::steady_clock::time_point;

  struct Options {
    QByteArray saslAccount;  // SASL PLAIN when not empty
    QByteArray saslPassword;
    std::vector<QByteArray> wanted;  // asked for where the server offers them
    std::chrono::milliseconds capAnswer{15000};
    std::chrono::milliseconds registration{60000};
  };

  // What a line or the time meant.
  struct Step {
    bool taken = false;        // the line was the sign-on's alone
    bool registerNow = false;  // NICK and USER may go now
    QString failed;            // the sign-on ended, and is not tried again
    bool retry = false;        // failed, but another attempt may do better
    QString notice;            // for the owner
  };

  explicit IrcSignOn(Options options) : options_(std::move(options)) {}

  // Connected: the registration's clock starts. With `negotiate`, CAP LS
  // goes out. True when NICK and USER may go at once.
  bool Start(Time now, bool negotiate, std::vector<QByteArray>& lines);
  Step Read(const IrcMessage& m, std::vector<QByteArray>& lines);
  Step Tick(Time now) const;
  std::optional<Time> NextDeadline() const;
  // The connection is gone: no clock runs.
  void Stop() {
    state_ = State::Off;
    signedOn_ = true;
  }

  bool negotiating() const { return state_ != State::Off && state_ != State::Done; }
  bool Acked(QByteArrayView cap) const { return acked_.contains(cap); }
  // What the server offers, as it listed it.
  const QByteArray& offered() const { return offered_; }

 private:
  enum class State { Off, Listing, Requesting, Authenticating, Done };
  bool sasl() const { return !options_.saslAccount.isEmpty(); }
  Step Settled(std::vector<QByteArray>& lines);
  Step OnCap(const IrcMessage& m, std::vector<QByteArray>& lines);
  Step OnSasl(const IrcMessage& m, std::vector<QByteArray>& lines);

  Options options_;
  State state_ = State::Off;
  Time startedAt_{};
  bool signedOn_ = true;      // no clock runs
  QByteArray offered_;        // CAP LS replies so far
  QByteArrayList acked_;
  int requestsOpen_ = 0;      // CAP REQs not answered yet
};

}  // namespace irc
