#pragma once

#include <optional>

#include <QProcess>
#include <QString>

// A private icecast2 for one test, on a free loopback port, with its
// configuration and logs in the test's folder. It can relay another
// server's mount, and be killed and started again on the same port.
class IcecastServer {
 public:
  static constexpr const char* kSourcePassword = "test-source-secret";

  explicit IcecastServer(const QString& folder);
  ~IcecastServer();
  IcecastServer(const IcecastServer&) = delete;
  IcecastServer& operator=(const IcecastServer&) = delete;

  // Starts the server (on the port it had, or a free one) and waits until it
  // answers; relays `relayOf`'s mount /morva.mp3 when given. Returns what
  // went wrong, or the empty text.
  QString Start(const IcecastServer* relayOf = nullptr);
  // Kills it at once, as a crash would.
  void Kill();

  int Port() const { return port_; }
  QString Url(const QString& mount = QStringLiteral("/morva.mp3")) const;
  // The address Morva's --stream takes.
  QString SourceAddress() const;
  // Whether a source feeds the mount now (from the server's status page).
  bool HasSource(const QString& mount = QStringLiteral("/morva.mp3")) const;

 private:
  const QString folder_;
  int port_ = 0;
  QProcess process_;
};

// A loopback port that nothing listens on now.
int FreeLoopbackPort();
