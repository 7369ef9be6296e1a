#include "tests/e2e/IcecastServer.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

int FreeLoopbackPort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
  return probe.serverPort();
}

IcecastServer::IcecastServer(const QString& folder) : folder_(folder) { QDir().mkpath(folder_); }

IcecastServer::~IcecastServer() { Kill(); }

QString IcecastServer::Url(const QString& mount) const {
  return "http://127.0.0.1:" + QString::number(port_) + mount;
}

QString IcecastServer::SourceAddress() const { return "icecast://127.0.0.1:" + QString::number(port_) + "/morva.mp3"; }

QString IcecastServer::Start(const IcecastServer* relayOf) {
  if (port_ == 0) port_ = FreeLoopbackPort();
  if (port_ == 0) return "no free loopback port";
  // icecast2 will not run as root: it then becomes nobody, who must write the logs.
  const bool root = ::geteuid() == 0;
  if (root) QFile::setPermissions(folder_, QFileDevice::Permissions(0x7777));
  QString relay;
  if (relayOf) {
    relay = QStringLiteral(
                "<relay><server>127.0.0.1</server><port>%1</port><mount>/morva.mp3</mount>"
                "<local-mount>/morva.mp3</local-mount><on-demand>0</on-demand>"
                "<relay-shoutcast-metadata>1</relay-shoutcast-metadata></relay>")
                .arg(relayOf->Port());
  }
  const QString config =
      QStringLiteral(
          "<icecast><hostname>127.0.0.1</hostname>"
          "<limits><clients>200</clients><sources>4</sources><source-timeout>5</source-timeout></limits>"
          "<authentication><source-password>%1</source-password><relay-password>relay</relay-password>"
          "<admin-user>admin</admin-user><admin-password>admin-secret</admin-password></authentication>"
          "<listen-socket><port>%2</port><bind-address>127.0.0.1</bind-address></listen-socket>%3"
          "<paths><basedir>%4</basedir><logdir>%4</logdir><webroot>/usr/share/icecast2/web</webroot>"
          "<adminroot>/usr/share/icecast2/admin</adminroot></paths>"
          "<logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog><loglevel>2</loglevel></logging>"
          "<security><chroot>0</chroot>%5</security></icecast>")
          .arg(kSourcePassword, QString::number(port_), relay, folder_,
               root ? "<changeowner><user>nobody</user><group>nogroup</group></changeowner>" : "");
  QFile file(folder_ + "/icecast.xml");
  if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) return "cannot write " + file.fileName();
  file.close();
  process_.setProgram("icecast2");
  process_.setArguments({"-c", file.fileName()});
  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.setStandardOutputFile(folder_ + "/output.log", QIODevice::Append);
  process_.start();
  if (!process_.waitForStarted(5000)) return "icecast2 does not start: " + process_.errorString();
  const QDeadlineTimer deadline(10000);
  for (;;) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
    if (socket.waitForConnected(200)) return {};
    if (process_.state() != QProcess::Running || deadline.hasExpired()) return "icecast2 does not answer";
    QThread::msleep(50);
  }
}

void IcecastServer::Kill() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(5000);
}

bool IcecastServer::HasSource(const QString& mount) const {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
  if (!socket.waitForConnected(1000)) return false;
  socket.write("GET /status-json.xsl HTTP/1.0\r\n\r\n");
  QByteArray page;
  while (socket.waitForReadyRead(1000)) page += socket.readAll();
  return page.contains(("\"listenurl\":\"http://127.0.0.1:" + QString::number(port_) + mount + "\"").toUtf8());
}
