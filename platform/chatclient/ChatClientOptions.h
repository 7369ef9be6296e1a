#pragma once

#include <QString>

// How the chat client starts: who is signed on and which room is open.
struct ChatClientOptions {
  QString screenName;             // empty: the login name
  QString room = QStringLiteral("Lobby");
  bool signedOn = true;           // false: no welcome window and no room
  bool openRoom = true;           // false: signed on, but no room open
};

// The screen name of whoever runs the program: the login name, else $USER,
// else "Owner".
QString DefaultScreenName();
