#include "platform/chatclient/proxy/IrcProxyTransport.h"

#include <algorithm>

#include <QTcpServer>
#include <QTcpSocket>

#include "platform/chatclient/IrcEventSignals.h"
#include "platform/chatclient/irc/ChannelName.h"

namespace {

using Clock = irc::ProxySession::Clock;

// The most clients kept waiting for their password at once; one more sends
// the one that waited longest away, so that a stranger who keeps connecting
// cannot keep the owner from being heard.
constexpr std::size_t kMostNewcomers = 8;

// A socket that is done with: it may be the sender of the signal being handled.
void Discard(std::unique_ptr<QTcpSocket>& socket) {
  if (!socket) return;
  socket->disconnect();
  socket->abort();
  socket.release()->deleteLater();
}

void WriteLines(QTcpSocket& socket, const std::vector<QByteArray>& lines) {
  for (const QByteArray& line : lines) {
    socket.write(line);
    socket.write("\r\n", 2);
  }
}

// What was written leaves first; the socket goes once it is closed, or soon.
void CloseGently(std::unique_ptr<QTcpSocket> socket, const QObject* listener) {
  QTcpSocket* leaving = socket.release();
  QObject::disconnect(leaving, nullptr, listener, nullptr);
  leaving->disconnectFromHost();
  QObject::connect(leaving, &QTcpSocket::disconnected, leaving, &QObject::deleteLater);
  QTimer::singleShot(2000, leaving, &QObject::deleteLater);
}

}  // namespace

IrcProxyTransport::IrcProxyTransport(irc::IrcEndpoint network, irc::ProxySessionOptions options, QObject* parent)
    : ChatTransport(parent),
      network_(std::move(network)),
      options_(options),
      session_(std::move(options)) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] {
    session_.Tick(Clock::now());
    Apply();
  });
  connect(&upstream_, &irc::IrcConnection::connected, this, [this] {
    session_.UpstreamConnected(Clock::now());
    Apply();
  });
  connect(&upstream_, &irc::IrcConnection::lineReceived, this, [this](const QByteArray& line) {
    session_.FromUpstream(line, Clock::now());
    Apply();
  });
  connect(&upstream_, &irc::IrcConnection::lost, this, [this](const QString& reason) {
    emit notice("Connection to " + network_.host + " lost: " + reason);
    session_.UpstreamLost(reason);
    Apply();
  });
}

IrcProxyTransport::~IrcProxyTransport() {
  SignOff();
  Discard(client_);
}

bool IrcProxyTransport::Listen(const QHostAddress& address, quint16 port, QString* error) {
  server_ = std::make_unique<QTcpServer>();
  connect(server_.get(), &QTcpServer::newConnection, this, &IrcProxyTransport::OnNewClient);
  if (server_->listen(address, port)) return true;
  if (error) *error = server_->errorString();
  return false;
}

quint16 IrcProxyTransport::port() const { return server_ ? server_->serverPort() : 0; }

void IrcProxyTransport::OnNewClient() {
  while (QTcpSocket* incoming = server_->nextPendingConnection()) {
    std::unique_ptr<QTcpSocket> socket(incoming);
    socket->setParent(nullptr);
    AdmitNewcomer(std::move(socket));
  }
}

void IrcProxyTransport::AdmitNewcomer(std::unique_ptr<QTcpSocket> socket) {
  if (newcomers_.size() >= kMostNewcomers) {
    std::unique_ptr<QTcpSocket> oldest = std::move(newcomers_.front()->socket);
    newcomers_.erase(newcomers_.begin());
    oldest->write("ERROR :Closing link: too many connections waiting for the password\r\n");
    CloseGently(std::move(oldest), this);
  }
  QTcpSocket* raw = socket.get();
  auto newcomer = std::make_unique<Newcomer>(std::move(socket), options_);
  newcomer->gate.ClientConnected(Clock::now());
  newcomers_.push_back(std::move(newcomer));
  connect(raw, &QTcpSocket::readyRead, this, [this, raw] { OnNewcomerReadable(raw); });
  connect(raw, &QTcpSocket::disconnected, this, [this, raw] { DropNewcomer(raw); });
  const auto limit = std::chrono::duration_cast<std::chrono::milliseconds>(options_.passwordLimit);
  QTimer::singleShot(limit, raw, [this, raw] {
    auto it = std::find_if(newcomers_.begin(), newcomers_.end(),
                           [raw](const auto& newcomer) { return newcomer->socket.get() == raw; });
    if (it == newcomers_.end()) return;
    (*it)->gate.Tick(Clock::now() + std::chrono::milliseconds(1));
    WriteLines(*raw, (*it)->gate.Take().toClient);
    DropNewcomer(raw);
  });
}

void IrcProxyTransport::OnNewcomerReadable(QTcpSocket* socket) {
  auto it = std::find_if(newcomers_.begin(), newcomers_.end(),
                         [socket](const auto& newcomer) { return newcomer->socket.get() == socket; });
  if (it == newcomers_.end()) return;
  Newcomer& newcomer = **it;
  const Clock::time_point now = Clock::now();
  const qsizetype tooLong = newcomer.reader.linesTooLong();
  for (QByteArray& line : newcomer.reader.Feed(socket->readAll())) {
    newcomer.gate.FromClient(line, now);
    newcomer.lines.push_back(std::move(line));
    if (!newcomer.gate.clientAttached()) break;
  }
  if (newcomer.reader.linesTooLong() != tooLong) newcomer.gate.ClientLineTooLong();
  newcomer.gate.ClientPending(newcomer.reader.pendingBytes());
  irc::ProxySession::Output out = newcomer.gate.Take();
  WriteLines(*socket, out.toClient);
  newcomer.answered += out.toClient.size();
  if (!out.openUpstream && !out.closeClient) return;
  std::unique_ptr<Newcomer> leaving = std::move(*it);
  newcomers_.erase(it);
  if (out.openUpstream) return Promote(std::move(leaving));
  CloseGently(std::move(leaving->socket), this);
}

void IrcProxyTransport::DropNewcomer(QTcpSocket* socket) {
  auto it = std::find_if(newcomers_.begin(), newcomers_.end(),
                         [socket](const auto& newcomer) { return newcomer->socket.get() == socket; });
  if (it == newcomers_.end()) return;
  std::unique_ptr<QTcpSocket> leaving = std::move((*it)->socket);
  newcomers_.erase(it);
  CloseGently(std::move(leaving), this);
}

void IrcProxyTransport::Promote(std::unique_ptr<Newcomer> newcomer) {
  if (client_) {
    // Also the end of a client that closed just before, not yet seen.
    client_->write("ERROR :Closing link: another client gave the password and took over\r\n");
    session_.ClientLeft("Another client took over");
    Apply();
    if (client_) CloseGently(std::move(client_), this);
  }
  client_ = std::move(newcomer->socket);
  client_->disconnect(this);
  client_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  clientReader_ = std::move(newcomer->reader);
  connect(client_.get(), &QTcpSocket::readyRead, this, &IrcProxyTransport::OnClientReadable);
  connect(client_.get(), &QTcpSocket::disconnected, this, &IrcProxyTransport::OnClientGone);
  emit notice("Your IRC client connected from port " + QString::number(client_->peerPort()));
  // The session reads what the gate read; the gate's answers were written.
  const Clock::time_point now = Clock::now();
  session_.ClientConnected(now);
  for (const QByteArray& line : newcomer->lines) session_.FromClient(line, now);
  irc::ProxySession::Output out = session_.Take();
  out.toClient.erase(out.toClient.begin(),
                     out.toClient.begin() + static_cast<std::ptrdiff_t>(std::min(newcomer->answered, out.toClient.size())));
  Apply(std::move(out));
  if (client_ && client_->bytesAvailable() > 0) OnClientReadable();
}

void IrcProxyTransport::OnClientReadable() {
  if (!client_) return;
  const QByteArray bytes = client_->readAll();
  const Clock::time_point now = Clock::now();
  const qsizetype tooLong = clientReader_.linesTooLong();
  for (const QByteArray& line : clientReader_.Feed(bytes)) {
    session_.FromClient(line, now);
    if (!session_.clientAttached()) break;
  }
  if (clientReader_.linesTooLong() != tooLong) session_.ClientLineTooLong();
  // A line that never ends before the password is as bad as a long one.
  session_.ClientPending(clientReader_.pendingBytes());
  Apply();
}

void IrcProxyTransport::OnClientGone() {
  emit notice("Your IRC client left");
  session_.ClientLeft("Client closed the connection");
  Apply();
}

void IrcProxyTransport::Apply() { Apply(session_.Take()); }

void IrcProxyTransport::Apply(irc::ProxySession::Output out) {
  // Relayed lines leave before the chat client hears of them: its room,
  // scanner and commands run on this thread and would hold them back.
  if (upstream_.IsOpen() && !out.toUpstream.empty()) {
    for (const QByteArray& line : out.toUpstream) upstream_.WriteLine(line);
    upstream_.Flush();
  }
  if (out.closeUpstream) upstream_.FlushAndClose(std::chrono::milliseconds(200));
  if (client_ && !out.toClient.empty()) {
    WriteLines(*client_, out.toClient);
    client_->flush();
  }
  bool clientClosed = false;
  if (out.closeClient && client_) {
    CloseGently(std::move(client_), this);
    clientClosed = true;
  }
  if (out.openUpstream) upstream_.Open(network_);
  for (const irc::IrcEvent& event : out.events) {
    if (!EmitIrcEvent(*this, event)) emit signedOff(event.text);
  }
  if (out.dropClient && client_) {
    CloseGently(std::move(client_), this);
    clientReader_ = irc::IrcLineReader();
  }
  if (clientClosed) {
    session_.ClientLeft("Client closed the connection");
    return Apply();
  }
  // A client that stops reading cannot make Morva hold the network's lines for ever.
  if (client_ && session_.ClientBacklog(client_->bytesToWrite())) return Apply();
  Arm();
}

void IrcProxyTransport::Arm() {
  const std::optional<Clock::time_point> next = session_.NextDeadline();
  if (!next) {
    timer_.stop();
    return;
  }
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*next - Clock::now());
  timer_.start(std::max(wait, std::chrono::milliseconds(1)));
}

void IrcProxyTransport::Join(const QString& room) {
  session_.Join(room);
  session_.Tick(Clock::now());
  Apply();
}

void IrcProxyTransport::Say(const QString& room, const QString& text) {
  session_.Say(room, text, Clock::now());
  Apply();
}

bool IrcProxyTransport::Act(const QString& room, const QString& text) {
  session_.Act(room, text, Clock::now());
  Apply();
  return true;
}

bool IrcProxyTransport::SayPrivately(const QString& member, const QString& text) {
  session_.SayTo(member, text, Clock::now());
  Apply();
  return true;
}

bool IrcProxyTransport::ChangeName(const QString& name) {
  session_.ChangeNick(name, Clock::now());
  Apply();
  return true;
}

void IrcProxyTransport::TellOwner(const QString& text) {
  session_.TellOwner(text);
  Apply();
}

QString IrcProxyTransport::NetworkName(const QString& room) const { return irc::ChannelFromRoom(room); }

void IrcProxyTransport::SignOff() {
  if (!upstream_.IsOpen() && !client_) return;
  session_.Shutdown("Morva MP3 closed", Clock::now());
  irc::ProxySession::Output out = session_.Take();
  // The client is told with an ERROR, whether or not the network is there yet.
  if (client_) {
    WriteLines(*client_, out.toClient);
    client_->flush();
    client_->waitForBytesWritten(500);
  }
  if (!upstream_.IsOpen()) return;
  for (const QByteArray& line : out.toUpstream) upstream_.WriteLine(line);
  upstream_.FlushAndClose(std::chrono::milliseconds(2000));
}
