#pragma once

#include <memory>

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A private InspIRCd for one test, on Debian's own configuration with only
// what must change for a test: a free port on 127.0.0.1, the pid file in a
// temporary folder of its own, no fork and no DNS lookups of its clients
// (which would wait for a name server). Its flood limits stay Debian's: a
// client whose lines come faster than the server reads them past 8 KB is
// thrown off with "RecvQ exceeded". It is stopped when the object goes, and
// ended by the kernel should the test process die first.
class InspircdServer {
 public:
  InspircdServer() = default;
  ~InspircdServer();
  InspircdServer(const InspircdServer&) = delete;
  InspircdServer& operator=(const InspircdServer&) = delete;

  // True once its port accepts a connection; on false error() says why.
  bool Start(int limitMs = 10000);
  void Stop(int limitMs = 5000);

  QString host() const { return QStringLiteral("127.0.0.1"); }
  quint16 port() const { return port_; }
  // What the server wrote on its standard output and error.
  QString log() const;
  QString error() const { return error_; }

 private:
  bool WriteConfig();

  QTemporaryDir dir_;
  quint16 port_ = 0;
  std::unique_ptr<QProcess> process_;
  QString error_;
};
