#pragma once

#include <QByteArray>

// The program's lines as the console shows them: the sender, then what the
// room reads. The announcements' red and face are not text, so they do not show.
namespace e2e {

inline const QByteArray kBullet = "\xE2\x80\xA2";

// An announcement of the owner Joe's program.
inline QByteArray Morva(const QByteArray& message) {
  return "Joe: " + kBullet + " Morva MP3 " + kBullet + " " + message;
}

}  // namespace e2e
