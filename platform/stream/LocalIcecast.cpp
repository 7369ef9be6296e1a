#include "platform/stream/LocalIcecast.h"

#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace stream {

namespace {

constexpr int kStartLimitMs = 5000;

QString RandomPassword() {
  static const char kLetters[] = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
  QString password;
  for (int i = 0; i < 24; ++i)
    password += QLatin1Char(kLetters[QRandomGenerator::system()->bounded(int(sizeof kLetters) - 1)]);
  return password;
}

QString Escaped(const QString& text) { return text.toHtmlEscaped(); }

// icecast2 will not run as root; it then gives up root for nobody, and the
// folder must be that user's to write its logs.
QString ChangeOwner(const QString& folder) {
  if (::geteuid() != 0) return {};
  const passwd* nobody = ::getpwnam("nobody");
  const group* nogroup = ::getgrnam("nogroup");
  if (!nobody || !nogroup) return {};
  if (::chown(QFile::encodeName(folder).constData(), nobody->pw_uid, nogroup->gr_gid) != 0) return {};
  return QStringLiteral("<changeowner><user>nobody</user><group>nogroup</group></changeowner>");
}

QString Configuration(const QString& host, int port, const QString& folder, const QString& password,
                      const QString& changeOwner) {
  const QString admin = RandomPassword();
  return QStringLiteral(
             "<icecast>\n"
             "  <hostname>%1</hostname>\n"
             "  <limits><clients>1000</clients><sources>2</sources><source-timeout>10</source-timeout></limits>\n"
             "  <authentication>\n"
             "    <source-password>%3</source-password>\n"
             "    <relay-password>%4</relay-password>\n"
             "    <admin-user>admin</admin-user><admin-password>%4</admin-password>\n"
             "  </authentication>\n"
             "  <listen-socket><port>%2</port><bind-address>%1</bind-address></listen-socket>\n"
             "  <paths>\n"
             "    <basedir>%5</basedir><logdir>%5</logdir>\n"
             "    <webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot>\n"
             "  </paths>\n"
             "  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog>"
             "<loglevel>1</loglevel></logging>\n"
             "  <security><chroot>0</chroot>%6</security>\n"
             "</icecast>\n")
      .arg(Escaped(host), QString::number(port), Escaped(password), Escaped(admin), Escaped(folder), changeOwner);
}

bool PortFree(const QString& host, int port) {
  QTcpServer probe;
  return probe.listen(QHostAddress(host), static_cast<quint16>(port));
}

bool Answers(const QString& host, int port) {
  QTcpSocket socket;
  socket.connectToHost(host, static_cast<quint16>(port));
  return socket.waitForConnected(100);
}

}  // namespace

std::unique_ptr<LocalIcecast> LocalIcecast::Start(const QString& host, int port, QString* problem) {
  const QString program = QStandardPaths::findExecutable(QStringLiteral("icecast2"));
  if (program.isEmpty()) {
    *problem = "--stream local needs icecast2, which is not installed (Debian's package icecast2)";
    return nullptr;
  }
  const QString where = (host.contains(':') ? '[' + host + ']' : host) + ':' + QString::number(port);
  if (!PortFree(host, port)) {
    *problem = "--stream local: " + where + " is taken or cannot be listened on";
    return nullptr;
  }
  std::unique_ptr<LocalIcecast> server(new LocalIcecast);
  if (!server->folder_.isValid()) {
    *problem = "--stream local: no folder for icecast2: " + server->folder_.errorString();
    return nullptr;
  }
  const QString folder = server->folder_.path();
  server->password_ = RandomPassword();
  QFile config(folder + "/icecast.xml");
  if (!config.open(QIODevice::WriteOnly) ||
      !config.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
      config.write(Configuration(host, port, folder, server->password_, ChangeOwner(folder)).toUtf8()) < 0) {
    *problem = "--stream local: cannot write " + config.fileName();
    return nullptr;
  }
  config.close();

  QProcess& process = server->process_;
  process.setProgram(program);
  process.setArguments({QStringLiteral("-c"), config.fileName()});
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.setStandardOutputFile(folder + "/output.log");
  // Gone with Morva, even when Morva is killed (as long as it runs as its user).
  process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  process.start();
  if (!process.waitForStarted(kStartLimitMs)) {
    *problem = "--stream local: icecast2 does not start: " + process.errorString();
    return nullptr;
  }
  const QDeadlineTimer deadline(kStartLimitMs);
  while (!Answers(host, port)) {
    if (process.state() != QProcess::Running || deadline.hasExpired()) {
      QFile output(folder + "/output.log");
      QString said;
      if (output.open(QIODevice::ReadOnly)) said = QString::fromLocal8Bit(output.readAll()).trimmed();
      *problem = "--stream local: icecast2 did not come up on " + where + (said.isEmpty() ? "" : ": " + said);
      return nullptr;
    }
    QThread::msleep(50);
  }
  return server;
}

LocalIcecast::~LocalIcecast() { Stop(); }

void LocalIcecast::Stop() {
  if (process_.state() != QProcess::NotRunning) {
    process_.terminate();
    if (!process_.waitForFinished(2000)) {
      process_.kill();
      process_.waitForFinished(1000);
    }
  }
  folder_.remove();
}

}  // namespace stream
