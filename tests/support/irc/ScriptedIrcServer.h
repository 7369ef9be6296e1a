#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

// A loopback server that is not a real one: for each connection it sends
// what the script gives for the connection's number (from 1) as soon as
// the client connects, and for each line the client sends what the script
// gives for that line. An empty answer is silence; an answer that ends in
// kHangUp closes the connection once the rest is sent. It keeps the lines it received and when each
// connection came. For what a real server never does: throw a client out
// at once, say nothing, speak garbage into a TLS handshake.
class ScriptedIrcServer {
 public:
  using Clock = std::chrono::steady_clock;
  using Greeting = std::function<QByteArray(int connection)>;
  using Answer = std::function<QByteArray(const QByteArray& line)>;
  static inline const QByteArray kHangUp = QByteArrayLiteral("\x04hang up");

  explicit ScriptedIrcServer(Greeting greeting, Answer answer = {});

  quint16 port() const { return server_.serverPort(); }
  int connections() const { return static_cast<int>(arrivals_.size()); }
  const std::vector<Clock::time_point>& arrivals() const { return arrivals_; }
  const QList<QByteArray>& received() const { return received_; }

 private:
  void Send(QTcpSocket* socket, const QByteArray& bytes);

  Greeting greeting_;
  Answer answer_;
  QTcpServer server_;
  std::vector<std::unique_ptr<QTcpSocket>> sockets_;
  std::vector<Clock::time_point> arrivals_;
  QList<QByteArray> received_;
};
