#pragma once

#include <chrono>

#include <QString>

// How the chat client starts: who is signed on and which room is open.
struct ChatClientOptions {
  QString screenName;             // empty: the login name
  QString room = QStringLiteral("Lobby");
  bool signedOn = true;           // false: no welcome window and no room
  bool openRoom = true;           // false: signed on, but no room open
  // While a room asked for is not entered yet, lines typed are held back, at
  // most this long; after a refusal, lines typed for refusalQuiet are not
  // sent (see ChatClient).
  std::chrono::milliseconds entryLimit{10000};
  std::chrono::milliseconds refusalQuiet{2000};
};

// The screen name of whoever runs the program: the login name, else $USER,
// else the name of the account the program runs as, else "Owner".
QString DefaultScreenName();
