#include "platform/chatclient/irc/IrcConnection.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>

#include "platform/chatclient/irc/IrcWire.h"

namespace irc {

IrcConnection::IrcConnection(QObject* parent) : QObject(parent) {
  handshakeTimer_.setSingleShot(true);
  connect(&handshakeTimer_, &QTimer::timeout, this, [this] {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(endpoint_.handshakeSilence).count();
    Lose(QStringLiteral("%1 did not answer the TLS handshake in %2 s; is port %3 a TLS port?")
             .arg(endpoint_.host)
             .arg(std::max<long long>(seconds, 1))
             .arg(endpoint_.port));
  });
}

IrcConnection::~IrcConnection() { Drop(); }

void IrcConnection::Drop() {
  handshakeTimer_.stop();
  open_ = false;
  if (!socket_) return;
  socket_->disconnect(this);
  socket_->abort();
  socket_.release()->deleteLater();  // it may be the sender of the signal being handled
}

void IrcConnection::Close() { Drop(); }

void IrcConnection::Open(const IrcEndpoint& endpoint) {
  Drop();
  endpoint_ = endpoint;
  reader_ = IrcLineReader();
  tlsProblems_.clear();
  if (endpoint_.tls) {
    auto tls = std::make_unique<QSslSocket>();
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(endpoint_.extraAuthorities);
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    tls->setSslConfiguration(configuration);
    connect(tls.get(), &QSslSocket::connected, this, [this] { handshakeTimer_.start(endpoint_.handshakeSilence); });
    connect(tls.get(), &QSslSocket::encrypted, this, [this] {
      handshakeTimer_.stop();
      open_ = true;
      emit connected();
    });
    connect(tls.get(), &QSslSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
      QStringList reasons;
      for (const QSslError& error : errors) reasons.push_back(error.errorString());
      tlsProblems_ = reasons.join("; ");
    });
    socket_ = std::move(tls);
  } else {
    socket_ = std::make_unique<QTcpSocket>();
    connect(socket_.get(), &QTcpSocket::connected, this, [this] {
      // A line is a whole message: it leaves at once, never held back to join the next.
      socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
      open_ = true;
      emit connected();
    });
  }
  connect(socket_.get(), &QTcpSocket::readyRead, this, &IrcConnection::OnReadable);
  connect(socket_.get(), &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
    // A refused certificate says why: never a silent fall back to plain text.
    if (!tlsProblems_.isEmpty()) return Lose("the server's certificate is refused: " + tlsProblems_);
    if (error == QAbstractSocket::HostNotFoundError) return Lose("cannot find host " + endpoint_.host);
    if (error == QAbstractSocket::RemoteHostClosedError) return Lose("the server closed the connection");
    Lose(socket_->errorString());
  });
  connect(socket_.get(), &QTcpSocket::disconnected, this, [this] { Lose("the server closed the connection"); });
  if (auto* tls = qobject_cast<QSslSocket*>(socket_.get())) {
    tls->connectToHostEncrypted(endpoint_.host, endpoint_.port);
  } else {
    socket_->connectToHost(endpoint_.host, endpoint_.port);
  }
}

void IrcConnection::Lose(const QString& reason) {
  if (!socket_) return;
  Drop();
  emit lost(reason);
}

void IrcConnection::FlushAndClose(std::chrono::milliseconds wait) {
  if (!socket_ || !open_) return Drop();
  // Nothing the socket reports now may reach us: the waits below handle its events.
  socket_->disconnect(this);
  socket_->flush();
  const auto step = std::chrono::milliseconds(100);
  for (auto waited = std::chrono::milliseconds(0); waited < wait && socket_->bytesToWrite() > 0; waited += step)
    socket_->waitForBytesWritten(static_cast<int>(step.count()));
  socket_->disconnectFromHost();
  open_ = false;
  socket_.reset();
}

void IrcConnection::WriteLine(const QByteArray& line) {
  if (!socket_ || !open_) return;
  socket_->write(WireSafe(line) + "\r\n");
}

qintptr IrcConnection::PlainDescriptor() const {
  if (!socket_ || !open_ || endpoint_.tls) return -1;
  return socket_->socketDescriptor();
}

void IrcConnection::WriteRaw(const QByteArray& bytes) {
  if (socket_ && open_ && !bytes.isEmpty()) socket_->write(bytes);
}

void IrcConnection::Flush() {
  if (socket_ && open_) socket_->flush();
}

void IrcConnection::OnReadable() {
  if (!socket_) return;
  const QByteArray bytes = socket_->readAll();
  for (const QByteArray& line : reader_.Feed(bytes)) {
    emit lineReceived(line);
    if (!socket_) return;  // the line cost us the connection
  }
}

}  // namespace irc
