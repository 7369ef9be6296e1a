#include "tests/e2e/MorvaProcess.h"

#include <csignal>

#include <QDeadlineTimer>

MorvaProcess::~MorvaProcess() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

bool MorvaProcess::Start(const QString& program, const QStringList& arguments, const QString& workingDirectory) {
  process_.setWorkingDirectory(workingDirectory);
  process_.setProcessChannelMode(QProcess::SeparateChannels);
  if (!keepErrors_) process_.setStandardErrorFile(QProcess::nullDevice());
  // Never the user's session bus: a test that wants one gives its own.
  if (process_.processEnvironment().isEmpty()) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    process_.setProcessEnvironment(environment);
  }
  process_.start(program, arguments);
  return process_.waitForStarted(10000);
}

bool MorvaProcess::StartProxy(const QString& program, const QString& serverUrl, quint16 listen,
                              const QString& password, const QString& workingDirectory) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove("DBUS_SESSION_BUS_ADDRESS");
  environment.insert("MORVA_PROXY_PASSWORD", password);
  SetEnvironment(environment);
  return Start(program,
               {"--irc", serverUrl, "--irc-listen", "127.0.0.1:" + QString::number(listen), "--audio", "null",
                "--no-room", "--no-mpris"},
               workingDirectory);
}

void MorvaProcess::Type(const QByteArray& line) { TypeRaw(line + '\n'); }

void MorvaProcess::TypeRaw(const QByteArray& bytes) {
  process_.write(bytes);
  while (process_.bytesToWrite() > 0 && process_.waitForBytesWritten(10000)) {
  }
}

void MorvaProcess::Read() {
  output_.append(process_.readAllStandardOutput());
  if (keepErrors_) errors_.append(process_.readAllStandardError());
}

bool MorvaProcess::WaitForErrorLine(const QByteArray& line, int limitMs) {
  QDeadlineTimer deadline(limitMs);
  for (;;) {
    Read();
    if (errors_.split('\n').contains(line)) return true;
    if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return false;
    process_.waitForReadyRead(20);  // wakes for standard output only: look again soon
  }
}

bool MorvaProcess::WaitForLine(const QByteArray& line, int limitMs) {
  return WaitForLineThat([&](QByteArrayView seen) { return seen == line; }, limitMs).has_value();
}

std::optional<QByteArray> MorvaProcess::WaitForLineStartingWith(const QByteArray& start, int limitMs) {
  return WaitForLineThat([&](QByteArrayView seen) { return seen.startsWith(start); }, limitMs);
}

std::optional<QByteArray> MorvaProcess::WaitForLineThat(const std::function<bool(QByteArrayView)>& wanted,
                                                        int limitMs) {
  QDeadlineTimer deadline(limitMs);
  qsizetype at = searchedUpTo_;
  for (;;) {
    Read();
    for (qsizetype end = output_.indexOf('\n', at); end >= 0; end = output_.indexOf('\n', at)) {
      const QByteArrayView line = QByteArrayView(output_).sliced(at, end - at);
      at = end + 1;
      if (wanted(line)) {
        searchedUpTo_ = at;
        return line.toByteArray();
      }
    }
    if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return std::nullopt;
    process_.waitForReadyRead(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 200)));
  }
}

void MorvaProcess::Signal(int number) {
  if (process_.processId() > 0) ::kill(static_cast<pid_t>(process_.processId()), number);
}

int MorvaProcess::WaitForExit(int limitMs) {
  process_.closeWriteChannel();
  if (!process_.waitForFinished(limitMs)) return -1;
  Read();
  return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QList<QByteArray> MorvaProcess::lines() const {
  QList<QByteArray> lines = output_.split('\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
  return lines;
}
