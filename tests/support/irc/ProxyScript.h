#pragma once

#include <string>
#include <vector>

#include <QString>

#include "platform/chatclient/proxy/ProxySession.h"
#include "tests/support/irc/IrcScript.h"

// Plays a script (IrcScript.h) at the proxy, from both sides, and writes
// down what comes out: lines to the network ("> "), to the owner's client
// (">> ") and events ("= "). Every line leaves whole, never joined with
// another.
class ProxyScript {
 public:
  explicit ProxyScript(irc::ProxySessionOptions options);

  void Run(const std::vector<std::string>& steps);
  void Step(const std::string& step);
  const std::vector<QString>& entries() const { return entries_; }
  // What came so far is not checked.
  void Forget() {
    entries_.clear();
    opened_ = closed_ = false;
  }
  // The entries of one kind ("> ", ">> " or "= "), without it.
  std::vector<QString> Only(const QString& kind) const;
  // Whether the network was opened, and the client closed or sent away.
  bool opened() const { return opened_; }
  bool closed() const { return closed_; }

 private:
  irc::ProxySession session_;
  irc::ProxySession::Clock::time_point now_{};
  std::vector<QString> entries_;
  bool opened_ = false;
  bool closed_ = false;
};
