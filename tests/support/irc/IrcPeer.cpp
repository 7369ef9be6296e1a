#include "tests/support/irc/IrcPeer.h"

#include <algorithm>

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

int Remaining(const QDeadlineTimer& deadline) {
  return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
}

bool SameName(const QByteArray& a, const QByteArray& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Replies by which a server refuses a JOIN, the channel as second parameter.
bool IsJoinRefusal(QByteArrayView command) {
  static constexpr const char* kRefusals[] = {"403", "405", "437", "471", "473", "474", "475", "476", "477"};
  return std::any_of(std::begin(kRefusals), std::end(kRefusals), [&](const char* c) { return command == c; });
}

// A line that is no IRC message parses as one without a command.
irc::IrcMessage Parse(const QByteArray& line) { return irc::IrcMessage::Parse(line).value_or(irc::IrcMessage{}); }

}  // namespace

IrcPeer::IrcPeer() {
  QObject::connect(&socket_, &QIODevice::readyRead, &socket_, [this] { ReadLines(); });
}

IrcPeer::~IrcPeer() { socket_.abort(); }

bool IrcPeer::Connect(const QString& host, quint16 port, const QByteArray& nick, int limitMs) {
  QDeadlineTimer deadline(limitMs);
  socket_.abort();
  pending_.clear();
  received_.clear();
  nextUnread_ = 0;
  nick_ = nick;
  socket_.connectToHost(host, port);
  while (socket_.state() != QAbstractSocket::ConnectedState) {
    if (socket_.state() == QAbstractSocket::UnconnectedState || deadline.hasExpired()) {
      Fail(QStringLiteral("cannot connect to %1:%2: %3").arg(host).arg(port).arg(socket_.errorString()));
      socket_.abort();
      return false;
    }
    WaitForEvents(Remaining(deadline));
  }
  if (!password_.isEmpty()) SendRaw("PASS :" + password_);
  SendRaw("NICK " + nick);
  SendRaw("USER " + nick + " 0 * :Morva MP3 test peer");
  const auto reply = WaitForLine(
      [](const QByteArray& line) {
        const QByteArray command = Parse(line).command().toByteArray();
        return command == "001" || command == "432" || command == "433" || command == "436" || command == "ERROR";
      },
      Remaining(deadline));
  if (!reply || Parse(*reply).command() != "001") {
    if (reply) Fail("registration refused: " + QString::fromUtf8(*reply));
    return false;
  }
  return true;
}

bool IrcPeer::Join(const QByteArray& channel, int limitMs) {
  SendRaw("JOIN " + channel);
  const auto reply = WaitForLine(
      [&](const QByteArray& line) {
        const irc::IrcMessage message = Parse(line);
        return (message.command() == "366" || IsJoinRefusal(message.command())) && SameName(message.Param(1), channel);
      },
      limitMs);
  if (!reply || Parse(*reply).command() != "366") {
    if (reply) Fail("join refused: " + QString::fromUtf8(*reply));
    return false;
  }
  return true;
}

void IrcPeer::Say(const QByteArray& target, const QByteArray& text) { SendRaw("PRIVMSG " + target + " :" + text); }

void IrcPeer::SendRaw(const QByteArray& line) {
  socket_.write(line + "\r\n");
  socket_.flush();
}

void IrcPeer::Quit(const QByteArray& message, int limitMs) {
  if (socket_.state() == QAbstractSocket::ConnectedState) {
    QDeadlineTimer deadline(limitMs);
    SendRaw("QUIT :" + message);
    while (socket_.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired()) {
      WaitForEvents(Remaining(deadline));
    }
  }
  socket_.abort();
}

std::optional<QByteArray> IrcPeer::WaitForLine(const LinePredicate& matches, int limitMs) {
  QDeadlineTimer deadline(limitMs);
  ReadLines();
  qsizetype scanned = nextUnread_;
  for (;;) {
    for (; scanned < received_.size(); ++scanned) {
      if (matches(received_[scanned])) {
        nextUnread_ = scanned + 1;
        return received_[scanned];
      }
    }
    if (deadline.hasExpired()) {
      Fail(QStringLiteral("no such line within %1 ms").arg(limitMs));
      return std::nullopt;
    }
    if (socket_.state() == QAbstractSocket::UnconnectedState) {
      Fail("the connection is closed: " + socket_.errorString());
      return std::nullopt;
    }
    WaitForEvents(Remaining(deadline));
  }
}

std::optional<QByteArray> IrcPeer::WaitForLine(const QByteArray& part, int limitMs) {
  return WaitForLine([&](const QByteArray& line) { return line.contains(part); }, limitMs);
}

void IrcPeer::ReadLines() {
  pending_ += socket_.readAll();
  qsizetype end;
  while ((end = pending_.indexOf('\n')) >= 0) {
    QByteArray line = pending_.left(end);
    pending_.remove(0, end + 1);
    if (line.endsWith('\r')) line.chop(1);
    received_.append(line);
    const irc::IrcMessage message = Parse(line);
    if (message.command() == "PING") SendRaw("PONG :" + message.Param(0));
  }
}

void IrcPeer::WaitForEvents(int ms) {
  if (socket_.bytesAvailable() > 0) {
    ReadLines();
    return;
  }
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  QObject::connect(&socket_, &QIODevice::readyRead, &loop, &QEventLoop::quit);
  QObject::connect(&socket_, &QAbstractSocket::stateChanged, &loop, &QEventLoop::quit);
  timer.start(ms);
  loop.exec();
  ReadLines();
}

void IrcPeer::Fail(const QString& why) {
  error_ = why;
  if (!received_.isEmpty()) error_ += "\nlast line received: " + QString::fromUtf8(received_.last());
}
