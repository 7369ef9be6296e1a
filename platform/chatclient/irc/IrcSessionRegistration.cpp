// Registration: capabilities, SASL, the welcome, ISUPPORT and nick refusals.

#include <utility>
#include <vector>

#include "platform/chatclient/irc/IrcNick.h"
#include "platform/chatclient/irc/IrcSession.h"
#include "platform/chatclient/irc/IrcText.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace irc {

namespace {

QString Text(QByteArrayView bytes) { return DecodeIrcText(bytes); }
QString Last(const IrcMessage& m) { return Text(m.params.empty() ? QByteArray() : m.params.back()); }

constexpr const char* kSaslHelp = "; check the account and password in MORVA_IRC_SASL (account:password)";

}  // namespace

void IrcSession::OnCap(const IrcMessage& m, Time) {
  const QByteArray what = m.Param(1);
  if (what == "LS" && cap_ == Cap::Listing) {
    // "CAP * LS * :part" goes on in another line; "CAP * LS :last" ends the list.
    const bool more = m.Param(2) == "*" && m.params.size() > 3;
    if (offered_.size() < 8192) offered_ += ' ' + (more ? m.Param(3) : m.Param(2));
    if (more) return;
    const bool sasl = !options_.saslAccount.isEmpty();
    std::vector<QByteArray> wanted;
    bool plain = false;
    for (const QByteArray& offer : offered_.split(' ')) {
      const QByteArray name = offer.contains('=') ? offer.left(offer.indexOf('=')) : offer;
      plain |= offer == "sasl" || (name == "sasl" && offer.mid(5).split(',').contains("PLAIN"));
      if (name == "server-time" || name == "batch") wanted.push_back(name);
    }
    if (sasl && !plain) return Lose("SASL sign-in failed: the server offers no SASL PLAIN sign-in", false);
    if (sasl) {
      Register();
      wanted.push_back("sasl");
    }
    cap_ = Cap::Requesting;
    for (const QByteArray& name : wanted) Write("CAP REQ :" + name);
    requestsOpen_ = static_cast<int>(wanted.size());
    return CapabilitiesSettled();
  }
  if ((what == "ACK" || what == "NAK") && cap_ == Cap::Requesting && requestsOpen_ > 0) {
    --requestsOpen_;
    if (what == "ACK") {
      for (const QByteArray& name : m.Param(2).split(' ')) {
        stamps_ |= name == "server-time";
        batches_ |= name == "batch";
        saslAcked_ |= name == "sasl";
      }
    }
    CapabilitiesSettled();
  }
}

void IrcSession::CapabilitiesSettled() {
  if (cap_ != Cap::Requesting || requestsOpen_ > 0) return;
  if (options_.saslAccount.isEmpty()) {
    cap_ = Cap::Done;
    return Write("CAP END");
  }
  if (!saslAcked_) return Lose("SASL sign-in failed: the server offers no SASL PLAIN sign-in", false);
  cap_ = Cap::Authenticating;
  Write("AUTHENTICATE PLAIN");
}

void IrcSession::OnAuthenticate(const IrcMessage& m, Time) {
  if (cap_ != Cap::Authenticating) return;  // never asked for
  if (m.Param(0) != "+") return Lose("SASL sign-in failed: the server's AUTHENTICATE reply makes no sense", false);
  for (const QByteArray& line : SaslPlainLines(options_.saslAccount, options_.saslPassword)) Write(line);
}

void IrcSession::OnSaslNumeric(const IrcMessage& m, Time) {
  if (cap_ != Cap::Authenticating) return;  // never asked for
  const QByteArray& code = m.command;
  if (code == "900") return Notice("Signed in to the account " + Text(m.Param(2)));
  if (code == "903") {
    cap_ = Cap::Done;
    return Write("CAP END");
  }
  if (code == "908") return;  // the mechanisms, before a 904
  if (code == "904") return Lose("SASL sign-in failed: the server refused the account or password" + QString(kSaslHelp), false);
  Lose("SASL sign-in failed: " + Last(m), false);
}

void IrcSession::OnCapUnknown(const IrcMessage& m, Time now) {
  if (m.Param(1) != "CAP") return OnOtherError(m, now);
  if (cap_ == Cap::Done) return;
  cap_ = Cap::Done;  // an old server: it registers us without capabilities
  if (!options_.saslAccount.isEmpty()) Lose("SASL sign-in failed: the server has no SASL", false);
}

void IrcSession::OnWelcome(const IrcMessage& m, Time now) {
  if (registered_) return;  // once per connection
  if (!options_.saslAccount.isEmpty() && cap_ != Cap::Done)
    return Lose("SASL sign-in failed: the server signed us on without SASL", false);
  registered_ = true;
  cap_ = Cap::Done;
  if (!m.Param(0).isEmpty() && m.Param(0) != "*") nick_ = m.Param(0);
  const QString nick = Text(nick_);
  if (nick != screenName_) Notice("Signed on as " + nick);
  Emit({IrcEvent::Kind::SignedOn, {}, {}, nick, {}, true});
  for (auto& [key, channel] : channels().all())
    if (channel.state == IrcChannel::State::Waiting) SendJoin(channel, now);
}

void IrcSession::ChangeNick(const QString& screenName) {
  const QByteArray nick = NickFromScreenName(screenName);
  if (nick.isEmpty()) return Notice("No nick can be made of " + screenName);
  if (!registered_) return Notice("Not connected: /nick not sent");
  if (server().nickLength() > 0 && nick.size() > server().nickLength())
    return Notice(QStringLiteral("The nick %1 is longer than this network allows (%2)")
                      .arg(Text(nick))
                      .arg(server().nickLength()));
  nickAsked_ = true;
  Write("NICK " + nick);
}

void IrcSession::OnNickRefused(const IrcMessage& m, Time now) {
  if (registered_) {
    // "437 me #channel :unavailable": a channel that cannot be joined now.
    if (m.command == "437" && server().IsChannel(Text(m.Param(1)))) return OnJoinRefused(m, now);
    // The answer to the owner's /nick, if he asked; otherwise nothing was asked.
    if (std::exchange(nickAsked_, false)) Notice("The nick " + Text(m.Param(1)) + " is refused: " + Last(m));
    return;
  }
  constexpr int kNickTries = 5;
  if (++nickTries_ > kNickTries) return Lose("every screen name tried is refused", true);
  const QByteArray next = NextNick(NickFromScreenName(screenName_), nickTries_, server().nickLength());
  if (m.command == "432") {
    Notice("The server takes the screen name " + Text(nick_) + " for an erroneous nick (" + Last(m) + "); trying " +
           Text(next));
  } else {
    Notice("The screen name " + Text(nick_) + " is taken here; trying " + Text(next));
  }
  nick_ = next;
  Write("NICK " + nick_);
}

}  // namespace irc
