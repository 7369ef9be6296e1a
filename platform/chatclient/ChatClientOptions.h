#pragma once

#include <QString>
#include <QStringList>

// How the chat client starts: who is signed on and which room is open.
struct ChatClientOptions {
  QString screenName;             // empty: the login name
  QString room = QStringLiteral("Lobby");
  bool signedOn = true;           // false: no welcome window and no room
  bool openRoom = true;           // false: signed on, but no room open
};

struct ParsedChatClientOptions {
  ChatClientOptions options;
  QStringList rest;  // the arguments that are not the chat client's, in order
};

// Takes --screen-name NAME, --room NAME (also as --opt=NAME), --signed-off and
// --no-room out of the arguments and returns the rest unchanged. An option
// that lacks its value is left in the rest.
ParsedChatClientOptions ParseChatClientOptions(const QStringList& arguments);

// The screen name of whoever runs the program: the login name, else $USER,
// else "Owner".
QString DefaultScreenName();
