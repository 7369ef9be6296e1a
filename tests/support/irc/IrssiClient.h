#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Debian's irssi, as the owner's own IRC client, in a private tmux server:
// its home (config, logs) and tmux's socket live in a temporary folder, and
// both are ended when the object goes. It connects to one server with a
// password, joins its channels, reconnects by itself after two seconds, and
// logs every channel to a file of its own.
class IrssiClient {
 public:
  IrssiClient();
  ~IrssiClient();
  IrssiClient(const IrssiClient&) = delete;
  IrssiClient& operator=(const IrssiClient&) = delete;

  // Starts irssi connecting to 127.0.0.1:port as `nick`; false with error() when tmux or irssi fail to start.
  bool Start(quint16 port, const QByteArray& password, const QByteArray& nick, const QByteArray& channel);
  // Types a line into the active window and presses Enter.
  void Type(const QString& line);
  // What irssi logged for the channel so far ("#music"); empty before anything.
  QByteArray Log(const QString& channel) const;
  // What the terminal shows now, for a failure message.
  QString Screen() const;
  QString error() const { return error_; }

 private:
  int Tmux(const QStringList& arguments, QByteArray* output = nullptr) const;

  QTemporaryDir dir_;
  bool started_ = false;
  QString error_;
};
