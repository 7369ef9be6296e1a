#pragma once

#include <chrono>
#include <optional>

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QTimer>

#include "platform/chatclient/ChatTransport.h"
#include "platform/chatclient/irc/IrcConnection.h"
#include "platform/chatclient/irc/IrcNick.h"
#include "platform/chatclient/irc/IrcSession.h"

// Where an IRC network is, and how patient to be with it.
struct IrcOptions {
  QString host;
  quint16 port = 6667;
  // The channel named in the address ("irc://host/#music"), for the first room.
  QString room;
  // TLS: the server's certificate is checked against the system's trusted
  // authorities, these as well, and the host name. There is no way to turn
  // the check off.
  bool tls = false;
  QList<QSslCertificate> extraAuthorities;
  // A TLS handshake without an answer for this long is given up.
  std::chrono::milliseconds handshakeSilence{10000};
  // The protocol's own settings and timings: password, SASL, keepalive,
  // pacing.
  irc::IrcSessionOptions session;

  // The reconnect backoff: the first wait, doubled after every failure up to
  // the longest. It starts again from the first only after a connection has
  // stayed up for `stable`.
  std::chrono::milliseconds firstRetry{1000};
  std::chrono::milliseconds longestRetry{60000};
  std::chrono::milliseconds stable{60000};
};

// "irc://HOST[:PORT][/CHANNEL]" (port 6667 by default) or
// "ircs://HOST[:PORT][/CHANNEL]" (TLS, port 6697 by default), the channel as
// "/#music", "/music" or "#music"; nothing, with the reason in `error`, for
// anything else.
std::optional<IrcOptions> ParseIrcUrl(const QString& url, QString* error);

using irc::NickFromScreenName;

// The chat client's rooms as channels of an IRC network, over one TCP or
// TLS connection that it keeps up with a reconnect and backoff, forever
// (unless the network refuses the owner's account). The protocol is an
// irc::IrcSession; this class drives it with the connection and one timer.
// The owner's lines leave as PRIVMSG with IRC formatting for the chat HTML,
// split to fit and paced; the network does not echo them, so each is
// reported once, by the client that showed it.
class IrcTransport : public ChatTransport {
  Q_OBJECT

 public:
  explicit IrcTransport(IrcOptions options, QObject* parent = nullptr);
  ~IrcTransport() override;

  void SignOn(const QString& screenName) override;
  bool IsSignedOn() const override { return session_.signedOn(); }
  void Join(const QString& room) override;
  void Part(const QString& room) override;
  void Say(const QString& room, const QString& text) override;
  bool SayAs(const QString&, const QString&, const QString&) override { return false; }
  bool Act(const QString& room, const QString& text) override;
  bool SayPrivately(const QString& member, const QString& text) override;
  bool ChangeName(const QString& name) override;
  bool LinesAreIrcText() const override { return true; }
  QString NetworkName(const QString& room) const override { return session_.NetworkName(room); }
  // Sends every line still waiting for its turn, then QUIT, and waits a
  // little for them to leave: for the end of the program.
  void SignOff();

 private:
  static irc::IrcSession::Time Now() { return std::chrono::steady_clock::now(); }
  void Connect();
  void OnLost(const QString& reason, bool retry);
  // Writes what the session has to say, passes its events on, and sets the
  // timer for its next deadline.
  void Drain();

  IrcOptions options_;
  irc::IrcSession session_;
  // What Drain took last, handed back to the session for its next output.
  irc::IrcOutput spare_;
  irc::IrcConnection connection_;
  QTimer deadline_;
  // When deadline_ fires: the session's next deadline, or one before it.
  std::optional<irc::IrcSession::Time> deadlineAt_;
  QTimer reconnect_;
  std::chrono::milliseconds retry_;
  std::optional<irc::IrcSession::Time> connectedAt_;
  bool signedOn_ = false;  // as last reported to the client
};
