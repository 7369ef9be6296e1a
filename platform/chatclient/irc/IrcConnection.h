#pragma once

#include <chrono>
#include <memory>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <QTimer>

#include "platform/chatclient/irc/IrcLineReader.h"

class QTcpSocket;

namespace irc {

// Where a connection goes, and how it checks the other end.
struct IrcEndpoint {
  QString host;
  quint16 port = 6667;
  // TLS: the certificate is checked against the system's trusted
  // authorities, these as well, and the host name. There is no way to turn
  // the check off.
  bool tls = false;
  QList<QSslCertificate> extraAuthorities;
  // A TLS handshake that gets no answer for this long is given up: the port
  // is most likely a plain-text one.
  std::chrono::milliseconds handshakeSilence{10000};
};

// One TCP or TLS connection that speaks in lines: it opens, cuts what it
// receives into lines (bounded, see IrcLineReader), writes lines, and says
// once why it was lost. It knows nothing of IRC commands and never
// reconnects by itself. Signals arrive on the thread it lives on.
class IrcConnection : public QObject {
  Q_OBJECT

 public:
  explicit IrcConnection(QObject* parent = nullptr);
  ~IrcConnection() override;

  // Drops any connection there is (without a signal) and starts a new one.
  void Open(const IrcEndpoint& endpoint);
  // Drops the connection at once, without a signal.
  void Close();
  // Writes what is written so far, waits up to `wait` for it to leave, then
  // closes, without a signal: for the end of the program.
  void FlushAndClose(std::chrono::milliseconds wait);
  // Whether lines can be written (connected, and past the TLS handshake).
  bool IsOpen() const { return open_; }
  // Writes one line; CR, LF and NUL inside become blanks, and CR LF is added.
  void WriteLine(const QByteArray& line);
  // Hands what was written to the system now, instead of when the event
  // loop next runs (after whatever the caller does next).
  void Flush();
  // The socket of an open plain connection, for a writer that puts whole
  // lines on it while nothing is written here; -1 for TLS or when closed.
  qintptr PlainDescriptor() const;
  // Bytes that are already wire lines, with their ends: what such a writer
  // could not hand to the system, written here once it is done.
  void WriteRaw(const QByteArray& bytes);

 signals:
  void connected();
  // One line received, without its CR LF.
  void lineReceived(const QByteArray& line);
  // The connection is gone (or never came), with a reason for the owner to
  // read; sent once per Open.
  void lost(const QString& reason);

 private:
  void OnReadable();
  void Lose(const QString& reason);
  void Drop();

  IrcEndpoint endpoint_;
  std::unique_ptr<QTcpSocket> socket_;
  IrcLineReader reader_;
  QTimer handshakeTimer_;
  QString tlsProblems_;  // why the last handshake failed
  bool open_ = false;
};

}  // namespace irc
