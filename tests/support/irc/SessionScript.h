#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <QString>

#include "platform/chatclient/irc/IrcSession.h"
#include "tests/support/irc/IrcScript.h"

// Plays a script (IrcScript.h) at an IRC session and writes down what it
// does, one entry per line written ("> JOIN #Lobby") or event ("= joined Lobby").
class SessionScript {
 public:
  explicit SessionScript(irc::IrcSessionOptions options = {}, QString screenName = "Joe");

  void Run(const std::vector<std::string>& steps);
  void Step(const std::string& step);
  irc::IrcSession& session() { return session_; }
  irc::IrcSession::Time now() const { return now_; }
  const std::vector<QString>& entries() const { return entries_; }
  void Forget() { entries_.clear(); }

  // Signed on as Joe in #Lobby, a few seconds ago; with `caps`, after the
  // server granted those capabilities ("server-time batch").
  static std::vector<std::string> InLobby(const std::string& caps = {});

 private:
  void Collect();

  irc::IrcSession session_;
  irc::IrcSession::Time now_ = irc::IrcSession::Time{} + std::chrono::hours(1);
  std::vector<QString> entries_;
};
