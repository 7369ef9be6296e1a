#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A private session bus for one test: its own dbus-daemon, configured in a
// temporary folder and listening on a unix socket there; never the user's
// bus. Only the child processes a test starts are pointed at it. The daemon
// ends with the object.
class DBusSession {
 public:
  DBusSession();
  ~DBusSession();

  DBusSession(const DBusSession&) = delete;
  DBusSession& operator=(const DBusSession&) = delete;

  // Empty when the bus is up; otherwise why it is not.
  QString problem() const { return problem_; }
  // The address for DBUS_SESSION_BUS_ADDRESS.
  QString address() const { return address_; }

  // The environment of this process with the bus's address in it.
  QProcessEnvironment Environment() const;

  // Runs playerctl on the bus for the named player and returns what it
  // printed, without the final line feed; its exit status in `status`.
  QByteArray Playerctl(const QString& player, const QStringList& arguments, int* status = nullptr) const;

 private:
  QTemporaryDir folder_;
  QProcess daemon_;
  QString address_;
  QString problem_;
};

// `playerctl --follow` on a private bus: collects the lines it prints as the
// player changes.
class PlayerctlFollower {
 public:
  PlayerctlFollower(const DBusSession& bus, const QString& player, const QStringList& arguments);
  ~PlayerctlFollower();

  // Waits until a line equal to `line` comes after the lines found so far;
  // false after the limit.
  bool WaitForLine(const QByteArray& line, int limitMs = 10000);
  QList<QByteArray> lines();

 private:
  QProcess process_;
  QByteArray output_;
  qsizetype found_ = 0;  // lines up to the last one found
};
