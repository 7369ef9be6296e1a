#pragma once

#include <memory>

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace stream {

// A private icecast2, a child of Morva: its configuration, a random source
// password and its logs in a folder of its own (readable by this user
// alone), listening on one address. It stops, and its folder goes, with the
// object or with Stop.
class LocalIcecast {
 public:
  // Starts the server and waits until it accepts connections. Nothing, with
  // the fault in `problem`, when icecast2 is not installed, the port is
  // taken or the server does not come up.
  static std::unique_ptr<LocalIcecast> Start(const QString& host, int port, QString* problem);
  ~LocalIcecast();
  LocalIcecast(const LocalIcecast&) = delete;
  LocalIcecast& operator=(const LocalIcecast&) = delete;

  QString SourcePassword() const { return password_; }
  void Stop();

 private:
  LocalIcecast() = default;

  QTemporaryDir folder_;
  QProcess process_;
  QString password_;
};

}  // namespace stream
