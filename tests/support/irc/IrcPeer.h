#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTcpSocket>

// One IRC line taken apart: ":prefix COMMAND param param :trailing".
struct IrcMessage {
  QByteArray prefix;   // without its ':'; empty when the line has none
  QByteArray command;  // as sent: "PRIVMSG", "001"
  QList<QByteArray> params;  // the trailing one last, without its ':'

  static IrcMessage Parse(const QByteArray& line);
  // The nick in a "nick!user@host" prefix, or the whole prefix.
  QByteArray nick() const;
  QByteArray param(qsizetype index) const { return params.value(index); }
};

// A second member of a chat room for tests, on a plain TCP connection. Its
// calls block until what they wait for arrives or their time limit passes.
// With an application object they wait in a local event loop, so that other
// objects of the test (the client under test) go on working meanwhile;
// without one they wait on the socket alone. Whenever events are handled,
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
  // Waits for a message with that command (e.g. "PRIVMSG", "366") whose
  // first parameters equal the given ones.
  std::optional<IrcMessage> WaitForMessage(const QByteArray& command, const QList<QByteArray>& firstParams = {},
                                           int limitMs = kLimitMs);
  // Handles events for a while; for a test that needs lines to keep coming
  // in while it checks something else.
  void Pump(int ms);

  // Every line received since Connect(), the pings too.
  const QList<QByteArray>& Received() const { return received_; }
  // A token of the server's 005 lines: Supported("NICKLEN") == "9"; empty
  // for a token without a value, nothing when not announced.
  std::optional<QByteArray> Supported(const QByteArray& token) const;
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
  QByteArray pending_;
  QList<QByteArray> received_;
  qsizetype nextUnread_ = 0;
  QByteArray nick_;
  QString error_;
};
