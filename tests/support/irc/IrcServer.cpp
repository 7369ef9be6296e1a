#include "tests/support/irc/IrcServer.h"

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

constexpr const char* kNgircd = "/usr/sbin/ngircd";
// What ngircd logs when another process holds one of its ports.
constexpr const char* kBindFailed = "Can't bind socket";
// Between two tries to connect while the server comes up.
constexpr int kPollPauseMs = 5;

QString ConfigValue(int value) { return QString::number(value); }

}  // namespace

IrcServer::IrcServer() {
  Set("Global", "Name", name_);
  Set("Global", "Info", "Morva MP3 test server");
  Set("Global", "AdminInfo1", "Morva MP3 tests");
  Set("Global", "AdminInfo2", "loopback only");
  Set("Global", "AdminEMail", "tests@irc.test");
  Set("Global", "Listen", host());
  Set("Global", "MotdPhrase", "Morva MP3 test server");
  Set("Global", "PidFile", dir_.filePath("ngircd.pid"));
  // Every member of a test comes from 127.0.0.1; ngircd's limit of 5
  // connections from one address would turn the sixth away.
  Set("Limits", "MaxConnectionsIP", "0");
  Set("Options", "PAM", "no");
  Set("Options", "Ident", "no");
  Set("Options", "DNS", "no");
  // Keeps the machine's own /etc/ngircd/ngircd.conf.d out.
  Set("Options", "IncludeDir", dir_.filePath("conf.d"));
  QDir(dir_.path()).mkdir("conf.d");

  if (geteuid() == 0) {
    // ngircd refuses to keep root and switches to ServerUID, "nobody" when
    // none is set, after it has read its config but before it writes its pid
    // file. It is started as that user at once, and its folder is given to it.
    if (const passwd* user = getpwnam("nobody")) {
      dropToUser_ = true;
      serverUid_ = user->pw_uid;
      serverGid_ = user->pw_gid;
      GiveToServerUser(dir_.path());
      GiveToServerUser(dir_.filePath("conf.d"));
    }
  }
}

IrcServer::~IrcServer() { Stop(); }

void IrcServer::Set(const QString& section, const QString& key, const QString& value) {
  if (section.compare("Global", Qt::CaseInsensitive) == 0 && key.compare("Name", Qt::CaseInsensitive) == 0) {
    name_ = value;
  }
  auto found = std::find_if(sections_.begin(), sections_.end(),
                            [&](const Section& s) { return s.name.compare(section, Qt::CaseInsensitive) == 0; });
  if (found == sections_.end()) {
    sections_.push_back({section, {}});
    found = sections_.end() - 1;
  }
  auto& values = found->values;
  auto same = std::find_if(values.begin(), values.end(),
                           [&](const auto& v) { return v.first.compare(key, Qt::CaseInsensitive) == 0; });
  if (same != values.end()) values.erase(same);
  if (!value.isEmpty()) values.emplace_back(key, value);
}

quint16 IrcServer::EnableTls(const QString& certFile, const QString& keyFile, quint16 tlsPort) {
  const QString cert = dir_.filePath("tls-cert.pem");
  const QString key = dir_.filePath("tls-key.pem");
  QFile::remove(cert);
  QFile::remove(key);
  if (!QFile::copy(certFile, cert) || !QFile::copy(keyFile, key)) {
    Fail(QStringLiteral("cannot copy %1 and %2 into %3").arg(certFile, keyFile, dir_.path()));
    return 0;
  }
  QFile::setPermissions(cert, QFile::ReadOwner | QFile::WriteOwner);
  QFile::setPermissions(key, QFile::ReadOwner | QFile::WriteOwner);
  GiveToServerUser(cert);
  GiveToServerUser(key);
  tlsPortChosen_ = tlsPort == 0;
  Set("SSL", "CertFile", cert);
  Set("SSL", "KeyFile", key);
  EnableTlsPort(tlsPort != 0 ? tlsPort : FreePort());
  return tlsPort_;
}

void IrcServer::EnableTlsPort(quint16 port) {
  tlsPort_ = port;
  Set("SSL", "Ports", ConfigValue(tlsPort_));
}

QString IrcServer::configPath() const { return dir_.filePath("ngircd.conf"); }

QString IrcServer::log() const { return LogFrom(0); }

QString IrcServer::LogFrom(qint64 offset) const {
  QFile file(dir_.filePath("ngircd.log"));
  if (!file.open(QIODevice::ReadOnly) || !file.seek(offset)) return {};
  return QString::fromUtf8(file.readAll());
}

bool IrcServer::running() const { return process_ && process_->state() != QProcess::NotRunning; }

quint16 IrcServer::FreePort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
  return probe.serverPort();
}

bool IrcServer::Start(int limitMs) {
  if (running()) return true;
  error_.clear();
  if (!dir_.isValid()) {
    Fail("no temporary folder: " + dir_.errorString());
    return false;
  }
  if (port_ == 0) {
    port_ = FreePort();
    portChosen_ = true;
  }
  // A port picked here may be taken by another test between the pick and
  // ngircd's bind; before the first start a new one may be picked.
  constexpr int kTries = 3;
  for (int attempt = 1;; ++attempt) {
    bool portTaken = false;
    if (StartOnce(limitMs, &portTaken)) {
      everStarted_ = true;
      return true;
    }
    if (!portTaken || everStarted_ || !portChosen_ || attempt == kTries) return false;
    port_ = FreePort();
    if (tlsPortChosen_) EnableTlsPort(FreePort());
  }
}

bool IrcServer::StartOnce(int limitMs, bool* portTaken) {
  QDeadlineTimer deadline(limitMs);
  Set("Global", "Ports", ConfigValue(port_));
  if (!WriteConfig()) return false;

  const QString logPath = dir_.filePath("ngircd.log");
  const qint64 logStart = QFileInfo(logPath).size();
  process_ = std::make_unique<QProcess>();
  process_->setProgram(kNgircd);
  process_->setArguments({"--nodaemon", "--passive", "--config", configPath()});
  process_->setWorkingDirectory(dir_.path());
  process_->setProcessChannelMode(QProcess::MergedChannels);
  // A file, not a pipe: ngircd logs every connection and would block on a
  // full pipe that nobody reads while a test waits on something else.
  process_->setStandardOutputFile(logPath, QIODevice::Append);
  process_->setStandardInputFile(QProcess::nullDevice());

  const pid_t parent = getpid();
  const bool drop = dropToUser_;
  const uid_t uid = serverUid_;
  const gid_t gid = serverGid_;
  process_->setChildProcessModifier([parent, drop, uid, gid] {
    // Only calls that are safe between fork and exec.
    if (drop && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)) {
      constexpr char kMessage[] = "cannot switch to the server user\n";
      [[maybe_unused]] auto written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
      _exit(127);
    }
    // Set after the switch of user, which would clear it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(0);
    // Descriptors of the test process (a pipe its runner reads to the end,
    // a listening socket) are not the server's to keep open.
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  });
  process_->start();
  if (!process_->waitForStarted(std::max<qint64>(deadline.remainingTime(), 1))) {
    Fail("ngircd did not start: " + process_->errorString());
    return false;
  }

  // The log tells when ngircd has set up its listeners, or failed to; only
  // then does a connection that is accepted show that this server took it.
  bool ready = WaitForReadyLine(logStart, deadline);
  const QString runLog = LogFrom(logStart);
  *portTaken = runLog.contains(kBindFailed);
  ready = ready && !*portTaken && WaitUntilAccepting(port_, deadline) &&
          (tlsPort_ == 0 || WaitUntilAccepting(tlsPort_, deadline));
  if (!ready) {
    Stop();
    Fail(QStringLiteral("ngircd on port %1 did not come up within %2 ms").arg(port_).arg(limitMs) +
         "\n--- ngircd log ---\n" + LogFrom(logStart));
    return false;
  }
  return true;
}

bool IrcServer::WriteConfig() {
  QFile file(configPath());
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
    Fail("cannot write " + configPath() + ": " + file.errorString());
    return false;
  }
  QByteArray text = "# Written by the Morva MP3 test harness for one test server.\n";
  for (const Section& section : sections_) {
    text += "[" + section.name.toUtf8() + "]\n";
    for (const auto& [key, value] : section.values) text += "\t" + key.toUtf8() + " = " + value.toUtf8() + "\n";
  }
  file.write(text);
  file.close();
  GiveToServerUser(configPath());
  return true;
}

bool IrcServer::WaitForReadyLine(qint64 logStart, const QDeadlineTimer& deadline) {
  // ngircd: Server "irc.test" (on "host") ready.
  const QString line = QStringLiteral("Server \"%1\" (on ").arg(name_);
  while (!deadline.hasExpired()) {
    const QString log = LogFrom(logStart);
    const qsizetype at = log.indexOf(line);
    if (at >= 0 && log.indexOf(QStringLiteral(") ready."), at) >= 0) return true;
    if (!running() || process_->waitForFinished(kPollPauseMs)) return false;
  }
  return false;
}

bool IrcServer::WaitUntilAccepting(quint16 port, const QDeadlineTimer& deadline) {
  constexpr int kConnectSliceMs = 200;
  while (!deadline.hasExpired()) {
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port);
    if (probe.waitForConnected(static_cast<int>(std::min<qint64>(deadline.remainingTime(), kConnectSliceMs)))) {
      probe.abort();
      return running();
    }
    probe.abort();
    // Doubles as the pause between tries, and notices a server that ended.
    if (!running() || process_->waitForFinished(kPollPauseMs)) return false;
  }
  return false;
}

void IrcServer::Stop(int limitMs) {
  if (!process_) return;
  if (process_->state() != QProcess::NotRunning) {
    process_->terminate();
    if (!process_->waitForFinished(limitMs)) {
      process_->kill();
      process_->waitForFinished(limitMs);
    }
  }
  process_.reset();
}

void IrcServer::GiveToServerUser(const QString& path) const {
  if (!dropToUser_) return;
  if (chown(QFile::encodeName(path).constData(), serverUid_, serverGid_) != 0) {
    // Left as it is: ngircd's log then says what it could not open.
  }
}

void IrcServer::Fail(const QString& why) { error_ = why; }
