#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTcpSocket>

#include "platform/chatclient/irc/IrcMessage.h"

// A second member of a chat room for tests, on a plain TCP connection. Its
// calls block until what they wait for arrives or their time limit passes,
// in a local event loop (an application object must exist), so that the
// client under test goes on working meanwhile. Whenever events are handled,
// lines are read and recorded and a PING is answered.
//
// Lines are raw bytes without their CRLF.
class IrcPeer {
 public:
  using LinePredicate = std::function<bool(const QByteArray&)>;
  static constexpr int kLimitMs = 5000;

  IrcPeer();
  ~IrcPeer();
  IrcPeer(const IrcPeer&) = delete;
  IrcPeer& operator=(const IrcPeer&) = delete;

  // A PASS before NICK and USER from the next Connect on, for a server (or a proxy) that asks.
  void SetPassword(const QByteArray& password) { password_ = password; }
  // Connects and registers with NICK and USER; true once 001 arrives.
  bool Connect(const QString& host, quint16 port, const QByteArray& nick, int limitMs = kLimitMs);
  // Joins and waits for the end of the channel's NAMES; false on an error
  // reply to the JOIN.
  bool Join(const QByteArray& channel, int limitMs = kLimitMs);
  // PRIVMSG target :text, as it is.
  void Say(const QByteArray& target, const QByteArray& text);
  // Sends one line; the CRLF is added.
  void SendRaw(const QByteArray& line);
  // Sends QUIT and waits until the server closes the connection.
  void Quit(const QByteArray& message = "bye", int limitMs = kLimitMs);

  // The first line received after the one an earlier wait returned (or
  // since connecting) that matches; waits for it when none has yet.
  std::optional<QByteArray> WaitForLine(const LinePredicate& matches, int limitMs = kLimitMs);
  std::optional<QByteArray> WaitForLine(const QByteArray& part, int limitMs = kLimitMs);
  // Every line received since Connect(), the pings too.
  const QList<QByteArray>& Received() const { return received_; }
  QByteArray nick() const { return nick_; }
  bool connected() const { return socket_.state() == QAbstractSocket::ConnectedState; }
  // What the last failed call waited for, and what came instead.
  QString error() const { return error_; }

 private:
  void ReadLines();
  // Handles events for at most ms, returning early when data arrives or the
  // connection changes state.
  void WaitForEvents(int ms);
  void Fail(const QString& why);

  QTcpSocket socket_;
  QByteArray password_;
  QByteArray pending_;
  QList<QByteArray> received_;
  qsizetype nextUnread_ = 0;
  QByteArray nick_;
  QString error_;
};
