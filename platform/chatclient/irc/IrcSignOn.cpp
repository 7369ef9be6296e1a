#include "platform/chatclient/irc/IrcSignOn.h"

#include "platform/chatclient/irc/IrcText.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace irc {

namespace {

constexpr qsizetype kLongestCapList = 8192;  // what a server's CAP LS may grow to
constexpr const char* kNoPlain = "SASL sign-in failed: the server offers no SASL PLAIN sign-in";

IrcSignOn::Step Taken() {
  IrcSignOn::Step step;
  step.taken = true;
  return step;
}

IrcSignOn::Step Failed(const QString& why) {
  IrcSignOn::Step step = Taken();
  step.failed = why;
  return step;
}

long long Seconds(std::chrono::milliseconds limit) {
  return std::chrono::duration_cast<std::chrono::seconds>(limit).count();
}

}  // namespace

bool IrcSignOn::Start(Time now, bool negotiate, std::vector<QByteArray>& lines) {
  startedAt_ = now;
  signedOn_ = false;
  offered_.clear();
  acked_.clear();
  requestsOpen_ = 0;
  state_ = negotiate ? State::Listing : State::Off;
  if (negotiate) lines.push_back("CAP LS 302");
  return !negotiate || !sasl();
}

IrcSignOn::Step IrcSignOn::Read(const IrcMessage& m, std::vector<QByteArray>& lines) {
  const QByteArrayView command = m.command();
  if (command == "001") {
    // Signed on: with an account, only once SASL has said yes.
    if (sasl() && state_ != State::Done && !signedOn_) return Failed("SASL sign-in failed: the server signed us on without SASL");
    signedOn_ = true;
    if (state_ != State::Off) state_ = State::Done;
    return {};
  }
  if (!negotiating()) return {};
  if (command == "CAP") return OnCap(m, lines);
  if (command == "421" && m.Param(1) == "CAP") {
    // An old server: it registers us without capabilities, but not without the account.
    state_ = State::Done;
    return sasl() ? Failed("SASL sign-in failed: the server has no SASL") : Taken();
  }
  if (command == "AUTHENTICATE" || (command.size() == 3 && command.startsWith("90"))) return OnSasl(m, lines);
  return {};
}

IrcSignOn::Step IrcSignOn::OnCap(const IrcMessage& m, std::vector<QByteArray>& lines) {
  const QByteArray what = m.Param(1);
  if (what == "LS" && state_ == State::Listing) {
    // "CAP * LS * :part" goes on in another line; "CAP * LS :last" ends the list.
    const bool more = m.Param(2) == "*" && m.params().size() > 3;
    if (offered_.size() < kLongestCapList) offered_ += ' ' + (more ? m.Param(3) : m.Param(2));
    if (more) return Taken();
    offered_ = offered_.trimmed();
    std::vector<QByteArray> wanted;
    bool plain = false;
    for (const QByteArray& offer : offered_.split(' ')) {
      const QByteArray name = offer.contains('=') ? offer.left(offer.indexOf('=')) : offer;
      plain |= offer == "sasl" || (name == "sasl" && offer.mid(5).split(',').contains("PLAIN"));
      for (const QByteArray& asked : options_.wanted)
        if (name == asked) wanted.push_back(name);
    }
    if (sasl() && !plain) return Failed(kNoPlain);
    if (sasl()) wanted.push_back("sasl");
    state_ = State::Requesting;
    for (const QByteArray& name : wanted) lines.push_back("CAP REQ :" + name);
    requestsOpen_ = static_cast<int>(wanted.size());
    Step step = Settled(lines);
    step.registerNow = sasl();
    return step;
  }
  if ((what == "ACK" || what == "NAK") && state_ == State::Requesting && requestsOpen_ > 0) {
    --requestsOpen_;
    if (what == "ACK") acked_ += m.Param(2).split(' ');
    return Settled(lines);
  }
  return {};  // the client's own negotiation, behind the proxy
}

IrcSignOn::Step IrcSignOn::Settled(std::vector<QByteArray>& lines) {
  if (state_ != State::Requesting || requestsOpen_ > 0) return Taken();
  if (!sasl()) {
    state_ = State::Done;
    lines.push_back("CAP END");
    return Taken();
  }
  if (!acked_.contains("sasl")) return Failed(kNoPlain);
  state_ = State::Authenticating;
  lines.push_back("AUTHENTICATE PLAIN");
  return Taken();
}

IrcSignOn::Step IrcSignOn::OnSasl(const IrcMessage& m, std::vector<QByteArray>& lines) {
  if (state_ != State::Authenticating) return {};  // never asked for
  const QByteArrayView code = m.command();
  if (code == "AUTHENTICATE") {
    if (m.Param(0) != "+") return Failed("SASL sign-in failed: the server's AUTHENTICATE reply makes no sense");
    for (QByteArray& line : SaslPlainLines(options_.saslAccount, options_.saslPassword)) lines.push_back(std::move(line));
    return Taken();
  }
  if (code == "900") {
    Step step = Taken();
    step.notice = "Signed in to the account " + DecodeIrcText(m.Param(2));
    return step;
  }
  if (code == "903") {
    state_ = State::Done;
    lines.push_back("CAP END");
    return Taken();
  }
  if (code == "908") return Taken();  // the mechanisms, before a 904
  if (code == "904")
    return Failed("SASL sign-in failed: the server refused the account or password; check the account and "
                  "password in MORVA_IRC_SASL (account:password)");
  if (code == "902" || code == "905" || code == "906" || code == "907") return Failed("SASL sign-in failed: " + LastText(m));
  return {};
}

IrcSignOn::Step IrcSignOn::Tick(Time now) const {
  if (signedOn_) return {};
  if (sasl() && state_ == State::Listing && offered_.isEmpty() && now - startedAt_ >= options_.capAnswer)
    return Failed(QStringLiteral("SASL sign-in failed: the server offers no SASL (no answer to CAP LS in %1 s)")
                      .arg(Seconds(options_.capAnswer)));
  if (now - startedAt_ < options_.registration) return {};
  if (sasl() && state_ != State::Done) return Failed("SASL sign-in failed: the server did not answer CAP in time");
  Step step = Failed(QStringLiteral("the server did not let us sign on in %1 s").arg(Seconds(options_.registration)));
  step.retry = true;
  return step;
}

std::optional<IrcSignOn::Time> IrcSignOn::NextDeadline() const {
  if (signedOn_) return std::nullopt;
  if (sasl() && state_ == State::Listing && offered_.isEmpty()) return startedAt_ + options_.capAnswer;
  return startedAt_ + options_.registration;
}

}  // namespace irc
