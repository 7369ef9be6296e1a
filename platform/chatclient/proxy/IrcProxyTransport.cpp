#include "platform/chatclient/proxy/IrcProxyTransport.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include <QTcpServer>
#include <QTcpSocket>

#include "platform/chatclient/IrcEventSignals.h"
#include "platform/chatclient/irc/ChannelName.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace {

using Clock = irc::ProxySession::Clock;

// The most clients kept waiting for their password at once; one more sends
// the one that waited longest away, so that a stranger who keeps connecting
// cannot keep the owner from being heard.
constexpr std::size_t kMostNewcomers = 8;

void WriteLines(QTcpSocket& socket, const std::vector<QByteArray>& lines) {
  for (const QByteArray& line : lines) {
    socket.write(line);
    socket.write("\r\n", 2);
  }
}

QByteArray Joined(const std::vector<QByteArray>& lines, bool wireSafe) {
  QByteArray bytes;
  for (const QByteArray& line : lines) bytes += (wireSafe ? irc::WireSafe(line) : line) + "\r\n";
  return bytes;
}

// A socket of our own for one Qt holds: the same connection, which stays
// open when Qt closes its own.
int CopyOf(qintptr descriptor) {
  return descriptor < 0 ? -1 : ::fcntl(static_cast<int>(descriptor), F_DUPFD_CLOEXEC, 0);
}

// What was written leaves first; the socket goes once it is closed, or soon,
// or with the listener, whichever comes first.
void CloseGently(std::unique_ptr<QTcpSocket> socket, QObject* listener) {
  QTcpSocket* leaving = socket.release();
  QObject::disconnect(leaving, nullptr, listener, nullptr);
  leaving->setParent(listener);
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
  connect(&timer_, &QTimer::timeout, this, [this] { Run([this] { session_.Tick(Clock::now()); }); });
  connect(&upstream_, &irc::IrcConnection::connected, this, [this] {
    // A plain connection is written by the relay from now on, the lines
    // Morva sends as well as the owner's.
    if (relay_) {
      if (const int copy = CopyOf(upstream_.PlainDescriptor()); copy >= 0) relay_->AttachUpstream(copy);
    }
    Run([this] { session_.UpstreamConnected(Clock::now()); });
  });
  connect(&upstream_, &irc::IrcConnection::lineReceived, this, [this](const QByteArray& line) {
    Run([this, &line] { session_.FromUpstream(line, Clock::now()); });
  });
  connect(&upstream_, &irc::IrcConnection::lost, this, [this](const QString& reason) {
    emit notice("Connection to " + network_.host + " lost: " + reason);
    Run([this, &reason] { session_.UpstreamLost(reason); });
  });
}

IrcProxyTransport::~IrcProxyTransport() {
  SignOff();
  relay_.reset();
}

bool IrcProxyTransport::IsSignedOn() const {
  std::lock_guard lock(sessionMutex_);
  return session_.signedOn();
}

template <typename Step>
void IrcProxyTransport::Run(Step step) {
  irc::ProxySession::Output out;
  {
    std::lock_guard lock(sessionMutex_);
    step();
    out = TakeOutput();
  }
  Apply(std::move(out));
}

irc::ProxySession::Output IrcProxyTransport::TakeOutput() {
  irc::ProxySession::Output out = session_.Take();
  // Relayed lines leave before the chat client hears of them: its room,
  // scanner and commands run on this thread and would hold them back.
  if (!upstream_.IsOpen() || out.toUpstream.empty()) return out;
  if (relay_ && relay_->HasUpstream()) {
    relay_->WriteUpstream(Joined(out.toUpstream, true));
  } else {
    for (const QByteArray& line : out.toUpstream) upstream_.WriteLine(line);
    upstream_.Flush();
  }
  out.toUpstream.clear();
  return out;
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
  if (relay_) {
    // Also the end of a client that closed just before, not yet seen.
    relay_->WriteClient("ERROR :Closing link: another client gave the password and took over\r\n");
    Run([this] { session_.ClientLeft("Another client took over"); });
    if (relay_) CloseGently(EndRelay(), this);
  }
  std::unique_ptr<QTcpSocket> socket = std::move(newcomer->socket);
  socket->disconnect(this);
  emit notice("Your IRC client connected from port " + QString::number(socket->peerPort()));
  // The gate's answers leave, and what came after the last read is read,
  // before the relay takes the socket from Qt.
  std::vector<QByteArray> lines = std::move(newcomer->lines);
  for (QByteArray& line : newcomer->reader.Feed(socket->readAll())) lines.push_back(std::move(line));
  socket->flush();
  if (socket->bytesToWrite() > 0) socket->waitForBytesWritten(500);
  const int fd = CopyOf(socket->socketDescriptor());
  socket->abort();
  socket.release()->deleteLater();  // the sender of the signal being handled
  if (fd < 0) return;
  const int on = 1;
  // A line is a whole message: it leaves at once, never held back to join the next.
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  // The session reads what the gate read; the gate's answers were written.
  const Clock::time_point now = Clock::now();
  irc::ProxySession::Output out;
  {
    std::lock_guard lock(sessionMutex_);
    undecided_ = 0;
    relay_ = std::make_unique<irc::ProxyRelay>(
        fd, std::move(newcomer->reader),
        [this](QByteArrayView line, bool attached) {
          std::lock_guard relayLock(sessionMutex_);
          if (attached && undecided_ == 0 && session_.RelayAtOnce(line, Clock::now())) return true;
          ++undecided_;
          return false;
        },
        [this] { QMetaObject::invokeMethod(this, "OnRelayNews", Qt::QueuedConnection); });
    session_.ClientConnected(now);
    for (const QByteArray& line : lines) {
      session_.FromClient(line, now);
      if (!session_.clientAttached()) break;
    }
    out = TakeOutput();
  }
  out.toClient.erase(out.toClient.begin(),
                     out.toClient.begin() + static_cast<std::ptrdiff_t>(std::min(newcomer->answered, out.toClient.size())));
  Apply(std::move(out));
}

void IrcProxyTransport::OnRelayNews() {
  if (!relay_) return;
  irc::ProxyRelay::News news = relay_->Take();
  irc::ProxySession::Output out;
  {
    std::lock_guard lock(sessionMutex_);
    const Clock::time_point now = Clock::now();
    for (const irc::ProxyRelay::Line& line : news.lines) {
      switch (line.kind) {
        case irc::ProxyRelay::Kind::Relayed:
          session_.ReadRelayed(line.text);
          break;
        case irc::ProxyRelay::Kind::Undecided:
          if (undecided_ > 0) --undecided_;
          if (session_.clientAttached()) session_.FromClient(line.text, now);
          break;
        case irc::ProxyRelay::Kind::TooLong:
          session_.ClientLineTooLong();
          break;
      }
    }
    out = TakeOutput();
  }
  Apply(std::move(out));
  if (news.gone && relay_) OnClientGone();
}

void IrcProxyTransport::OnClientGone() {
  emit notice("Your IRC client left");
  Run([this] { session_.ClientLeft("Client closed the connection"); });
}

std::unique_ptr<QTcpSocket> IrcProxyTransport::EndRelay() {
  irc::ProxyRelay::Leftovers left = relay_->Stop();
  {
    std::lock_guard lock(sessionMutex_);
    relay_.reset();
    undecided_ = 0;
  }
  upstream_.WriteRaw(left.toUpstream);
  upstream_.Flush();
  auto socket = std::make_unique<QTcpSocket>();
  if (left.clientFd < 0 || !socket->setSocketDescriptor(left.clientFd)) {
    if (left.clientFd >= 0) ::close(left.clientFd);
    return socket;
  }
  socket->write(left.toClient);
  return socket;
}

void IrcProxyTransport::Apply(irc::ProxySession::Output out) {
  // The client's socket, back from the relay, when it is to be closed.
  std::unique_ptr<QTcpSocket> leaving;
  if (relay_ && (out.closeClient || out.dropClient)) leaving = EndRelay();
  if (out.closeUpstream) upstream_.FlushAndClose(std::chrono::milliseconds(200));
  if (!out.toClient.empty()) {
    if (leaving) WriteLines(*leaving, out.toClient);
    else if (relay_) relay_->WriteClient(Joined(out.toClient, false));
  }
  const bool clientClosed = leaving && out.closeClient;
  if (leaving) CloseGently(std::move(leaving), this);
  if (out.openUpstream) upstream_.Open(network_);
  for (const irc::IrcEvent& event : out.events) {
    if (!EmitIrcEvent(*this, event)) emit signedOff(event.text);
  }
  if (clientClosed) return Run([this] { session_.ClientLeft("Client closed the connection"); });
  // A client that stops reading cannot make Morva hold the network's lines for ever.
  if (relay_) {
    bool dropped = false;
    irc::ProxySession::Output more;
    {
      std::lock_guard lock(sessionMutex_);
      dropped = session_.ClientBacklog(relay_->ClientUnwritten());
      if (dropped) more = TakeOutput();
    }
    if (dropped) return Apply(std::move(more));
  }
  Arm();
}

void IrcProxyTransport::Arm() {
  std::optional<Clock::time_point> next;
  {
    std::lock_guard lock(sessionMutex_);
    next = session_.NextDeadline();
  }
  if (!next) {
    timer_.stop();
    return;
  }
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*next - Clock::now());
  timer_.start(std::max(wait, std::chrono::milliseconds(1)));
}

void IrcProxyTransport::Join(const QString& room) {
  Run([this, &room] {
    session_.Join(room);
    session_.Tick(Clock::now());
  });
}

void IrcProxyTransport::Say(const QString& room, const QString& text) {
  Run([&] { session_.Say(room, text, Clock::now()); });
}

bool IrcProxyTransport::Act(const QString& room, const QString& text) {
  Run([&] { session_.Act(room, text, Clock::now()); });
  return true;
}

bool IrcProxyTransport::SayPrivately(const QString& member, const QString& text) {
  Run([&] { session_.SayTo(member, text, Clock::now()); });
  return true;
}

bool IrcProxyTransport::ChangeName(const QString& name) {
  Run([&] { session_.ChangeNick(name, Clock::now()); });
  return true;
}

void IrcProxyTransport::TellOwner(const QString& text) {
  Run([&] { session_.TellOwner(text); });
}

QString IrcProxyTransport::NetworkName(const QString& room) const { return irc::ChannelFromRoom(room); }

void IrcProxyTransport::SignOff() {
  if (!upstream_.IsOpen() && !relay_) return;
  irc::ProxySession::Output out;
  {
    std::lock_guard lock(sessionMutex_);
    session_.Shutdown("Morva MP3 closed", Clock::now());
    out = session_.Take();
  }
  // The client is told with an ERROR, whether or not the network is there yet.
  if (relay_) {
    std::unique_ptr<QTcpSocket> client = EndRelay();
    WriteLines(*client, out.toClient);
    client->flush();
    client->waitForBytesWritten(500);
  }
  if (!upstream_.IsOpen()) return;
  for (const QByteArray& line : out.toUpstream) upstream_.WriteLine(line);
  upstream_.FlushAndClose(std::chrono::milliseconds(2000));
}
