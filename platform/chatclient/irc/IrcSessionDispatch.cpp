#include <unordered_map>

#include <QHashFunctions>

#include "platform/chatclient/irc/IrcSession.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace irc {

// What each server line means to the session. A command not listed here
// (the welcome's other numerics, the message of the day, modes, topics)
// changes nothing; errors not listed are shown (OnOtherError). The
// refusals of a JOIN are IsJoinRefusal's.
namespace {

struct CommandHash {
  std::size_t operator()(QByteArrayView command) const { return qHash(command); }
};

}  // namespace

const IrcSession::Handler* IrcSession::Find(QByteArrayView command) {
  static const std::unordered_map<QByteArrayView, Handler, CommandHash> kHandlers = {
      {"PING", &IrcSession::OnPing},
      {"ERROR", &IrcSession::OnError},
      {"CAP", &IrcSession::OnSignOnLine},
      {"AUTHENTICATE", &IrcSession::OnSignOnLine},
      {"BATCH", &IrcSession::OnBatch},
      {"001", &IrcSession::OnWelcome},
      {"005", &IrcSession::OnChannelLine},
      {"421", &IrcSession::OnCapUnknown},
      // Nick refusals: erroneous, in use, collision, unavailable.
      {"432", &IrcSession::OnNickRefused},
      {"433", &IrcSession::OnNickRefused},
      {"436", &IrcSession::OnNickRefused},
      {"437", &IrcSession::OnNickRefused},
      // SASL: signed in, locked, refused, too long, aborted, already, mechanisms.
      {"900", &IrcSession::OnSignOnLine},
      {"902", &IrcSession::OnSignOnLine},
      {"903", &IrcSession::OnSignOnLine},
      {"904", &IrcSession::OnSignOnLine},
      {"905", &IrcSession::OnSignOnLine},
      {"906", &IrcSession::OnSignOnLine},
      {"907", &IrcSession::OnSignOnLine},
      {"908", &IrcSession::OnSignOnLine},
      {"JOIN", &IrcSession::OnChannelLine},
      {"PART", &IrcSession::OnChannelLine},
      {"QUIT", &IrcSession::OnChannelLine},
      {"KICK", &IrcSession::OnChannelLine},
      {"NICK", &IrcSession::OnChannelLine},
      {"353", &IrcSession::OnChannelLine},
      {"366", &IrcSession::OnChannelLine},
      {"TOPIC", &IrcSession::OnChannelLine},
      {"332", &IrcSession::OnChannelLine},
      {"MODE", &IrcSession::OnChannelLine},
      {"PRIVMSG", &IrcSession::OnPrivmsg},
      {"NOTICE", &IrcSession::OnNotice},
  };
  static const Handler kJoinRefused = &IrcSession::OnJoinRefused;
  if (IsJoinRefusal(command)) return &kJoinRefused;
  auto it = kHandlers.find(command);
  return it == kHandlers.end() ? nullptr : &it->second;
}

}  // namespace irc
