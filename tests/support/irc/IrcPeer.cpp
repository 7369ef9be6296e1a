#include "tests/support/irc/IrcPeer.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

int Remaining(const QDeadlineTimer& deadline) {
  return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
}

bool SameName(const QByteArray& a, const QByteArray& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Replies by which a server refuses a JOIN, the channel as second parameter.
bool IsJoinRefusal(const QByteArray& command) {
  static constexpr const char* kRefusals[] = {"403", "405", "437", "471", "473", "474", "475", "476", "477"};
  return std::any_of(std::begin(kRefusals), std::end(kRefusals), [&](const char* c) { return command == c; });
}

}  // namespace

IrcMessage IrcMessage::Parse(const QByteArray& line) {
  IrcMessage message;
  const qsizetype size = line.size();
  qsizetype at = 0;
  const auto word = [&] {
    const qsizetype end = line.indexOf(' ', at);
    const QByteArray text = line.mid(at, end < 0 ? -1 : end - at);
    at = end < 0 ? size : end;
    while (at < size && line[at] == ' ') ++at;
    return text;
  };
  if (at < size && line[at] == '@') word();  // message tags, not used here
  if (at < size && line[at] == ':') message.prefix = word().mid(1);
  message.command = word();
  while (at < size) {
    if (line[at] == ':') {
      message.params.append(line.mid(at + 1));
      break;
    }
    message.params.append(word());
  }
  return message;
}

QByteArray IrcMessage::nick() const {
  const qsizetype bang = prefix.indexOf('!');
  return bang < 0 ? prefix : prefix.left(bang);
}

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
  SendRaw("NICK " + nick);
  SendRaw("USER " + nick + " 0 * :Morva MP3 test peer");
  const auto reply = WaitForLine(
      [](const QByteArray& line) {
        const QByteArray command = IrcMessage::Parse(line).command;
        return command == "001" || command == "432" || command == "433" || command == "436" || command == "ERROR";
      },
      Remaining(deadline));
  if (!reply || IrcMessage::Parse(*reply).command != "001") {
    if (reply) Fail("registration refused: " + QString::fromUtf8(*reply));
    return false;
  }
  return true;
}

bool IrcPeer::Join(const QByteArray& channel, int limitMs) {
  SendRaw("JOIN " + channel);
  const auto reply = WaitForLine(
      [&](const QByteArray& line) {
        const IrcMessage message = IrcMessage::Parse(line);
        return (message.command == "366" || IsJoinRefusal(message.command)) && SameName(message.param(1), channel);
      },
      limitMs);
  if (!reply || IrcMessage::Parse(*reply).command != "366") {
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

std::optional<IrcMessage> IrcPeer::WaitForMessage(const QByteArray& command, const QList<QByteArray>& firstParams,
                                                  int limitMs) {
  const auto line = WaitForLine(
      [&](const QByteArray& received) {
        const IrcMessage message = IrcMessage::Parse(received);
        if (message.command != command) return false;
        for (qsizetype i = 0; i < firstParams.size(); ++i) {
          if (message.param(i) != firstParams[i]) return false;
        }
        return true;
      },
      limitMs);
  if (!line) return std::nullopt;
  return IrcMessage::Parse(*line);
}

void IrcPeer::Pump(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired() && socket_.state() != QAbstractSocket::UnconnectedState) {
    WaitForEvents(Remaining(deadline));
  }
  ReadLines();
}

std::optional<QByteArray> IrcPeer::Supported(const QByteArray& token) const {
  for (const QByteArray& line : received_) {
    const IrcMessage message = IrcMessage::Parse(line);
    if (message.command != "005") continue;
    // ":server 005 nick TOKEN TOKEN=value ... :are supported by this server"
    for (qsizetype i = 1; i + 1 < message.params.size(); ++i) {
      const QByteArray& item = message.params[i];
      const qsizetype equals = item.indexOf('=');
      if (item.left(equals < 0 ? item.size() : equals) == token) return equals < 0 ? QByteArray() : item.mid(equals + 1);
    }
  }
  return std::nullopt;
}

void IrcPeer::ReadLines() {
  pending_ += socket_.readAll();
  qsizetype end;
  while ((end = pending_.indexOf('\n')) >= 0) {
    QByteArray line = pending_.left(end);
    pending_.remove(0, end + 1);
    if (line.endsWith('\r')) line.chop(1);
    received_.append(line);
    const IrcMessage message = IrcMessage::Parse(line);
    if (message.command == "PING") SendRaw("PONG :" + message.param(0));
  }
}

void IrcPeer::WaitForEvents(int ms) {
  if (socket_.bytesAvailable() > 0) {
    ReadLines();
    return;
  }
  if (QCoreApplication::instance() != nullptr) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket_, &QIODevice::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(&socket_, &QAbstractSocket::stateChanged, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
  } else if (socket_.state() == QAbstractSocket::ConnectingState ||
             socket_.state() == QAbstractSocket::HostLookupState) {
    socket_.waitForConnected(ms);
  } else if (socket_.state() == QAbstractSocket::ConnectedState) {
    socket_.waitForReadyRead(ms);
  } else if (socket_.state() == QAbstractSocket::ClosingState) {
    socket_.waitForDisconnected(ms);
  }
  ReadLines();
}

void IrcPeer::Fail(const QString& why) {
  error_ = why;
  if (!received_.isEmpty()) error_ += "\nlast line received: " + QString::fromUtf8(received_.last());
}
