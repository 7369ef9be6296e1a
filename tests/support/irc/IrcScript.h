#pragma once

#include <string>
#include <vector>

#include <QString>

#include "platform/chatclient/irc/IrcEvent.h"

// The one dialect of the IRC tables, for the session and the proxy alike.
// Steps:
//   "< LINE"   the network sends LINE
//   "<< LINE"  the owner's own IRC client sends LINE (behind the proxy)
//   "+MS"      MS milliseconds pass, then the Tick
//   "connect", "lost [REASON]", "join ROOM", "part ROOM", "say ROOM HTML",
//   "act ROOM HTML", "msg NICK HTML", "nick NAME"; behind the proxy also
//   "client" (a client connects again), "leave" (it goes), "tell TEXT"
//   (for the owner alone), "toolong" (its reader dropped a line over the
//   limit) and "unread BYTES" (what waits to be written to it)
// Entries, what comes out, in order:
//   "> LINE"   written to the network
//   ">> LINE"  written to the owner's client
//   "= EVENT"  told to the chat client: "= joined Lobby", "= line Lobby Ann: hi",
//              "= members Lobby: Ann Joe", "= kicked Lobby: Bob by Op: flood"
// The clock is the script's own: nothing waits for real time.
struct IrcScriptStep {
  QString word;  // "<", "<<", "+", or the step's first word
  QString rest;  // the line, the milliseconds, or what follows the word
};
IrcScriptStep ReadIrcScriptStep(const std::string& step);

QString IrcEventEntry(const irc::IrcEvent& event);

// The entries as a list for a failure message.
std::string DumpIrcEntries(const std::vector<QString>& entries);
