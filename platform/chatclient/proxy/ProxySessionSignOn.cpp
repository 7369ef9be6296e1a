// Morva's own CAP and SASL with the network, for a client it answered itself.

#include "platform/chatclient/proxy/ProxySession.h"

#include "platform/chatclient/irc/IrcText.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace irc {
namespace {

constexpr qsizetype kLongestCapList = 8192;  // what a server's CAP list may grow to

QString Text(QByteArrayView bytes) { return DecodeIrcText(bytes); }
QByteArray Last(const IrcMessage& m) { return m.params.empty() ? QByteArray() : m.params.back(); }

}  // namespace

// None of it reaches the client.
bool ProxySession::UpstreamCap(const IrcMessage& m, Clock::time_point now) {
  const QByteArray& command = m.command;
  if (command == "CAP") {
    const QByteArray what = m.Param(1);
    if (what == "LS" && upCap_ == UpCap::Listing) {
      // "CAP * LS * :part" goes on in another line.
      const bool more = m.Param(2) == "*" && m.params.size() > 3;
      if (upCaps_.size() < kLongestCapList) upCaps_ += ' ' + (more ? m.Param(3) : m.Param(2));
      if (more) return true;
      upCaps_ = upCaps_.trimmed();
      if (options_.saslAccount.isEmpty()) {
        upCap_ = UpCap::Done;
        ToUpstream("CAP END");
        return true;
      }
      for (const QByteArray& cap : upCaps_.split(' ')) {
        if (cap == "sasl" || (cap.startsWith("sasl=") && cap.mid(5).split(',').contains("PLAIN"))) {
          SendRegistration(now);
          upCap_ = UpCap::Requested;
          ToUpstream("CAP REQ :sasl");
          return true;
        }
      }
      UpstreamSaslFailed("the server offers no SASL PLAIN sign-in");
      return true;
    }
    if (what == "ACK" && upCap_ == UpCap::Requested) {
      upCap_ = UpCap::Authenticating;
      ToUpstream("AUTHENTICATE PLAIN");
      return true;
    }
    if (what == "NAK" && upCap_ == UpCap::Requested) {
      UpstreamSaslFailed("the server refused SASL");
      return true;
    }
    return false;
  }
  if (command == "AUTHENTICATE" && upCap_ == UpCap::Authenticating) {
    for (const QByteArray& line : SaslPlainLines(options_.saslAccount, options_.saslPassword)) ToUpstream(line);
    return true;
  }
  if (command == "900") return true;
  if (command == "903") {
    upCap_ = UpCap::Done;
    ToUpstream("CAP END");
    return true;
  }
  if (command == "902" || command == "904" || command == "905" || command == "906" || command == "907") {
    UpstreamSaslFailed(Text(Last(m)));
    return true;
  }
  if (command == "421" && m.Param(1) == "CAP") {
    // A server without CAP: registration goes on without it, but not without the account.
    upCap_ = UpCap::Done;
    if (!options_.saslAccount.isEmpty()) UpstreamSaslFailed("the server has no SASL");
    return true;
  }
  if (command == "001" && !options_.saslAccount.isEmpty()) {
    UpstreamSaslFailed("the server signed us on without SASL");
    return true;
  }
  return false;
}

void ProxySession::UpstreamSaslFailed(const QString& reason) {
  upCap_ = UpCap::Done;
  Notice("SASL sign-in failed: " + reason + "; check MORVA_IRC_SASL");
  EndSession("SASL sign-in failed: " + reason);
}

}  // namespace irc
