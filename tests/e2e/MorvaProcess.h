#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The real `morva` program, run in a folder with its standard input and
// output in the test's hands.
class MorvaProcess {
 public:
  MorvaProcess() = default;
  ~MorvaProcess();

  // Before Start: the environment to run in (else the test's own without its
  // session bus), and
  // whether to keep what the program writes on standard error (else it is
  // thrown away).
  void SetEnvironment(const QProcessEnvironment& environment) { process_.setProcessEnvironment(environment); }
  void KeepErrors() { keepErrors_ = true; }

  bool Start(const QString& program, const QStringList& arguments, const QString& workingDirectory);
  // Starts the program as the proxy of the owner's own IRC client: signed on
  // to `serverUrl`, listening on 127.0.0.1:`listen` behind `password`, with
  // no room window, no sound card and no desktop bus.
  bool StartProxy(const QString& program, const QString& serverUrl, quint16 listen, const QString& password,
                  const QString& workingDirectory);
  // Types one line (a line feed is added).
  void Type(const QByteArray& line);
  void TypeRaw(const QByteArray& bytes);
  // Waits until standard output holds a whole line equal to `line` after the
  // lines seen so far; false after the time limit.
  bool WaitForLine(const QByteArray& line, int limitMs = 15000);
  // The same for the first such line that starts with `start`; returns it.
  std::optional<QByteArray> WaitForLineStartingWith(const QByteArray& start, int limitMs = 15000);
  // Waits until standard error holds the line (KeepErrors); false after the
  // time limit.
  bool WaitForErrorLine(const QByteArray& line, int limitMs = 15000);
  // Sends the program a signal (SIGTERM, SIGINT, ...).
  void Signal(int number);
  // Waits for the end of the program; its exit status, or -1 when it did not end.
  int WaitForExit(int limitMs = 15000);

  QByteArray output() const { return output_; }
  QByteArray errors() const { return errors_; }
  bool Running() const { return process_.state() == QProcess::Running; }
  qint64 pid() const { return process_.processId(); }
  QList<QByteArray> lines() const;

 private:
  void Read();
  std::optional<QByteArray> WaitForLineThat(const std::function<bool(QByteArrayView)>& wanted, int limitMs);

  QProcess process_;
  QByteArray output_;
  qsizetype searchedUpTo_ = 0;
  bool keepErrors_ = false;
  QByteArray errors_;
};
