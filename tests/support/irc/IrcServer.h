#pragma once

#include <memory>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A private ngircd for one test: its config, pid file and log live in a
// temporary folder of its own, it listens on 127.0.0.1 only, on a free port
// picked once, and it is stopped when the object goes. Started from a root
// process it runs as "nobody", the only way ngircd runs when root starts it;
// either way it is ended by the kernel should the test process die first.
//
// Configuration calls take effect at the next Start(); a Stop() and a Start()
// give a fresh server on the same port, with no channel or member left.
//
// ngircd's flood protection is left as it is: a member's first command after
// registering (a JOIN, say) is answered about a second late, and a member who
// sends lines faster than about three a second is slowed down, never
// disconnected. Set("Limits", "MaxPenaltyTime", "0") takes the first away.
class IrcServer {
 public:
  static constexpr int kStartLimitMs = 10000;
  static constexpr int kStopLimitMs = 5000;

  IrcServer();
  ~IrcServer();
  IrcServer(const IrcServer&) = delete;
  IrcServer& operator=(const IrcServer&) = delete;

  // Writes the config and starts ngircd; true once its ports accept a
  // connection. On false error() says why, with the server's log.
  bool Start(int limitMs = kStartLimitMs);
  // SIGTERM, then SIGKILL when it has not ended within the bound.
  void Stop(int limitMs = kStopLimitMs);
  bool running() const;

  QString host() const { return QStringLiteral("127.0.0.1"); }
  quint16 port() const { return port_; }
  // The server's own name, the prefix of its numerics.
  QString name() const { return name_; }
  QString configPath() const;
  QString dir() const { return dir_.path(); }
  // What ngircd wrote on stdout and stderr so far, this run and earlier ones.
  QString log() const;
  QString error() const { return error_; }

  // Sets one config value, replacing the default; an empty value removes it.
  void Set(const QString& section, const QString& key, const QString& value);
  // Adds an [SSL] section: ngircd reads copies of the two files kept in the
  // server's folder. A tlsPort of 0 picks a free one. Returns the TLS port,
  // or 0 when the files cannot be copied.
  quint16 EnableTls(const QString& certFile, const QString& keyFile, quint16 tlsPort = 0);
  quint16 tlsPort() const { return tlsPort_; }

  // A port on 127.0.0.1 that nothing listens on right now.
  static quint16 FreePort();

 private:
  struct Section {
    QString name;
    std::vector<std::pair<QString, QString>> values;
  };

  bool StartOnce(int limitMs, bool* portTaken);
  bool WriteConfig();
  void EnableTlsPort(quint16 port);
  bool WaitForReadyLine(qint64 logStart, const QDeadlineTimer& deadline);
  bool WaitUntilAccepting(quint16 port, const QDeadlineTimer& deadline);
  QString LogFrom(qint64 offset) const;
  void GiveToServerUser(const QString& path) const;
  void Fail(const QString& why);

  QTemporaryDir dir_;
  QString name_ = QStringLiteral("irc.test");
  quint16 port_ = 0;
  quint16 tlsPort_ = 0;
  // Picked by FreePort(), so that another may be tried before a first start.
  bool portChosen_ = false;
  bool tlsPortChosen_ = false;
  bool everStarted_ = false;
  std::vector<Section> sections_;
  std::unique_ptr<QProcess> process_;
  QString error_;
  // Set when this process is root: ngircd is started as that user instead.
  bool dropToUser_ = false;
  unsigned serverUid_ = 0;
  unsigned serverGid_ = 0;
};
