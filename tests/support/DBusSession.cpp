#include "tests/support/DBusSession.h"

#include <QDeadlineTimer>
#include <QFile>

namespace {

// The session bus's usual policy: anyone may own a name and talk to anyone.
QByteArray Config(const QString& socket) {
  return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <type>session</type>\n"
         "  <listen>unix:path=" +
         socket.toUtf8() +
         "</listen>\n"
         "  <policy context=\"default\">\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "    <allow own=\"*\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
}

}  // namespace

DBusSession::DBusSession() {
  if (!folder_.isValid()) {
    problem_ = "no temporary folder";
    return;
  }
  const QString config = folder_.filePath("session.conf");
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly) || file.write(Config(folder_.filePath("bus"))) < 0) {
    problem_ = "cannot write " + config;
    return;
  }
  file.close();
  daemon_.setProcessChannelMode(QProcess::SeparateChannels);
  daemon_.setStandardErrorFile(QProcess::nullDevice());
  daemon_.start("dbus-daemon", {"--config-file=" + config, "--nofork", "--nopidfile", "--print-address=1"});
  if (!daemon_.waitForStarted(10000)) {
    problem_ = "dbus-daemon does not start (is the dbus package installed?)";
    return;
  }
  QDeadlineTimer deadline(10000);
  QByteArray printed;
  while (!printed.contains('\n') && !deadline.hasExpired() && daemon_.state() == QProcess::Running) {
    daemon_.waitForReadyRead(100);
    printed += daemon_.readAllStandardOutput();
  }
  address_ = QString::fromUtf8(printed.trimmed());
  if (address_.isEmpty()) problem_ = "dbus-daemon printed no address";
}

DBusSession::~DBusSession() {
  if (daemon_.state() == QProcess::NotRunning) return;
  daemon_.terminate();
  if (!daemon_.waitForFinished(5000)) {
    daemon_.kill();
    daemon_.waitForFinished(5000);
  }
}

QProcessEnvironment DBusSession::Environment() const {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("DBUS_SESSION_BUS_ADDRESS", address_);
  return environment;
}

QByteArray DBusSession::Playerctl(const QString& player, const QStringList& arguments, int* status) const {
  QProcess playerctl;
  playerctl.setProcessEnvironment(Environment());
  playerctl.setStandardErrorFile(QProcess::nullDevice());
  playerctl.start("playerctl", QStringList{"-p", player} + arguments);
  const bool ended = playerctl.waitForFinished(15000);
  if (status) *status = ended && playerctl.exitStatus() == QProcess::NormalExit ? playerctl.exitCode() : -1;
  QByteArray output = playerctl.readAllStandardOutput();
  if (output.endsWith('\n')) output.chop(1);
  return output;
}

PlayerctlFollower::PlayerctlFollower(const DBusSession& bus, const QString& player, const QStringList& arguments) {
  process_.setProcessEnvironment(bus.Environment());
  process_.setStandardErrorFile(QProcess::nullDevice());
  process_.start("playerctl", QStringList{"-p", player, "--follow"} + arguments);
  process_.waitForStarted(10000);
}

PlayerctlFollower::~PlayerctlFollower() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(5000);
}

bool PlayerctlFollower::WaitForLine(const QByteArray& line, int limitMs) {
  QDeadlineTimer deadline(limitMs);
  for (;;) {
    const qsizetype at = lines().indexOf(line, found_);
    if (at >= 0) {
      found_ = at + 1;
      return true;
    }
    if (deadline.hasExpired() || process_.state() != QProcess::Running) return false;
    process_.waitForReadyRead(50);
  }
}

QList<QByteArray> PlayerctlFollower::lines() {
  output_ += process_.readAllStandardOutput();
  QList<QByteArray> all = output_.split('\n');
  all.removeLast();  // the line not yet ended
  return all;
}
