#include "tests/support/irc/InspircdServer.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QThread>

#include "tests/support/irc/IrcServer.h"

namespace {

constexpr const char* kInspircd = "/usr/sbin/inspircd";
constexpr const char* kDebianConfig = "/etc/inspircd/inspircd.conf";

}  // namespace

InspircdServer::~InspircdServer() { Stop(); }

bool InspircdServer::WriteConfig() {
  QFile debian(kDebianConfig);
  if (!debian.open(QIODevice::ReadOnly)) {
    error_ = QStringLiteral("cannot read %1 (is inspircd installed?)").arg(kDebianConfig);
    return false;
  }
  QString config = QString::fromUtf8(debian.readAll());
  const QString before = config;
  config.replace(QRegularExpression(R"(<bind address="[^"]*" port="\d+")"),
                 QStringLiteral(R"(<bind address="127.0.0.1" port="%1")").arg(port_));
  config.replace(QRegularExpression(R"(<pid file="[^"]*")"),
                 QStringLiteral(R"(<pid file="%1")").arg(dir_.filePath("inspircd.pid")));
  config.replace(QStringLiteral("<connect allow=\"*\""), QStringLiteral("<connect allow=\"*\" resolvehostnames=\"no\""));
  if (config == before || !config.contains(QStringLiteral("port=\"%1\"").arg(port_)) ||
      !config.contains("resolvehostnames")) {
    error_ = QStringLiteral("%1 is not laid out as expected").arg(kDebianConfig);
    return false;
  }
  QFile file(dir_.filePath("inspircd.conf"));
  if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) {
    error_ = "cannot write " + file.fileName();
    return false;
  }
  return true;
}

bool InspircdServer::Start(int limitMs) {
  QDeadlineTimer deadline(limitMs);
  if (!dir_.isValid()) {
    error_ = "no temporary folder: " + dir_.errorString();
    return false;
  }
  port_ = IrcServer::FreePort();
  if (!WriteConfig()) return false;
  process_ = std::make_unique<QProcess>();
  process_->setProgram(kInspircd);
  QStringList arguments{"--config=" + dir_.filePath("inspircd.conf"), "--nofork"};
  // InspIRCd refuses root unless told; a test run as root is no server's account.
  if (::geteuid() == 0) arguments << "--runasroot";
  process_->setArguments(arguments);
  process_->setWorkingDirectory(dir_.path());
  process_->setProcessChannelMode(QProcess::MergedChannels);
  const pid_t parent = ::getpid();
  process_->setChildProcessModifier([parent] {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(0);
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  });
  process_->start();
  if (!process_->waitForStarted(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)))) {
    error_ = "inspircd did not start: " + process_->errorString();
    return false;
  }
  while (!deadline.hasExpired() && process_->state() == QProcess::Running) {
    QTcpSocket probe;
    probe.connectToHost(host(), port_);
    if (probe.waitForConnected(100)) {
      probe.abort();
      return true;
    }
    QThread::msleep(20);
  }
  error_ = "inspircd did not accept connections: " + log();
  Stop();
  return false;
}

void InspircdServer::Stop(int limitMs) {
  if (!process_ || process_->state() == QProcess::NotRunning) return;
  process_->terminate();
  if (!process_->waitForFinished(limitMs)) {
    process_->kill();
    process_->waitForFinished(limitMs);
  }
}

QString InspircdServer::log() const {
  return process_ ? QString::fromUtf8(process_->readAll()) : QString();
}
