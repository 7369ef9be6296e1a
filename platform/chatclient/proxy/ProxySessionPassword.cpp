// The client before its password: Morva answers CAP and SASL itself, and
// opens the network only once the password is right.

#include "platform/chatclient/proxy/ProxySession.h"

#include "platform/chatclient/irc/IrcWire.h"

namespace irc {
namespace {

constexpr const char* kOwnCaps = "sasl=PLAIN cap-notify";
// The prefix of Morva's own replies to the client before the network is there.
constexpr const char* kMe = ":morva";
// The most of what a client sent that one of those replies repeats: a
// stranger's long nick or CAP request is not sent back at length.
constexpr qsizetype kMostEchoed = 64;

// Compares without stopping at the first difference, so that the time taken
// says nothing about the password.
bool SameSecret(QByteArrayView a, QByteArrayView b) {
  if (a.size() != b.size() || b.isEmpty()) return false;
  unsigned char differ = 0;
  for (qsizetype i = 0; i < a.size(); ++i) differ |= static_cast<unsigned char>(a[i] ^ b[i]);
  return differ == 0;
}

}  // namespace

// The proxy's password is the client's to give Morva only: a PASS (or, where
// Morva answered the client's SASL, an AUTHENTICATE) that comes again later
// never goes on to the network, however it is spelled: blanks before it, a
// tag or a prefix, any case. The command word is found as a lenient server
// would find it, not as the strict parser does, so that no spelling the
// parser refuses slips by.
bool ProxySession::KeptFromNetwork(QByteArrayView line) const {
  qsizetype at = 0;
  auto skipBlanks = [&] {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  };
  auto word = [&] {
    const qsizetype from = at;
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
    return line.sliced(from, at - from);
  };
  skipBlanks();
  if (at < line.size() && line[at] == '@') {
    word();
    skipBlanks();
  }
  if (at < line.size() && line[at] == ':') {
    word();
    skipBlanks();
  }
  const QByteArrayView command = word();
  auto is = [&command](QByteArrayView name) { return command.compare(name, Qt::CaseInsensitive) == 0; };
  return is("PASS") || (localCap_ && is("AUTHENTICATE"));
}

void ProxySession::BeforePassword(const QByteArray& line, const IrcMessage* m) {
  if (line.size() > options_.longestLineBeforePassword) return RefuseClient("line too long");
  // Every line counts, CAP, PING, NICK and the like too: a stranger gets a
  // few replies, never as many as he sends lines.
  if (!passwordGiven_ && ++linesBeforePassword_ > options_.linesBeforePassword)
    return RefuseClient("give the password first");
  const QByteArrayView command = m ? m->command() : QByteArrayView();
  if (command == "CAP") return LocalCap(*m);
  if (command == "AUTHENTICATE") return LocalAuthenticate(*m);
  if (command == "PASS") return CheckPassword(m->Param(0));
  if (command == "NICK" && !m->Param(0).isEmpty()) {
    nickLine_ = line;
    clientNick_ = m->Param(0);
    return OpenWhenReady();
  }
  if (command == "USER") {
    userLine_ = line;
    return OpenWhenReady();
  }
  if (command == "PING") return ToClient(QByteArray(kMe) + " PONG morva :" + m->Param(0).left(kMostEchoed));
  if (command == "QUIT") return RefuseClient("Bye");
}

void ProxySession::LocalCap(const IrcMessage& m) {
  const QByteArray what = m.Param(0).toUpper();
  const QByteArray head = QByteArray(kMe) + " CAP " + ClientNick() + ' ';
  if (what == "LS") {
    localCap_ = true;
    capEnded_ = false;
    if (m.Param(1).toInt() >= 302) clientCapNotify_ = true;
    return ToClient(head + "LS :" + kOwnCaps);
  }
  if (what == "REQ") {
    capEnded_ = false;
    const QList<QByteArray> asked = m.Param(1).trimmed().split(' ');
    bool known = true;
    for (const QByteArray& cap : asked) {
      const QByteArray name = cap.startsWith('-') ? cap.mid(1) : cap;
      known = known && (name == "sasl" || name == "cap-notify");
    }
    if (!known) return ToClient(head + "NAK :" + m.Param(1).left(kMostEchoed));
    for (const QByteArray& cap : asked)
      if (cap.endsWith("cap-notify")) clientCapNotify_ = !cap.startsWith('-');
    return ToClient(head + "ACK :" + m.Param(1).left(kMostEchoed));
  }
  if (what == "LIST") return ToClient(head + "LIST :" + (clientCapNotify_ ? "cap-notify" : ""));
  if (what == "END") {
    capEnded_ = true;
    return OpenWhenReady();
  }
  ToClient(QByteArray(kMe) + " 410 " + ClientNick() + ' ' + m.Param(0).left(kMostEchoed) + " :Invalid CAP command");
}

void ProxySession::LocalAuthenticate(const IrcMessage& m) {
  const QByteArray data = m.Param(0);
  if (passwordGiven_) return ToClient(QByteArray(kMe) + " 907 " + ClientNick() + " :You have already authenticated");
  if (data == "*") return ToClient(QByteArray(kMe) + " 906 " + ClientNick() + " :SASL authentication aborted");
  if (data.toUpper() == "PLAIN" && saslBuffer_.isEmpty()) return ToClient("AUTHENTICATE +");
  if (data.toUpper() != "PLAIN" && saslBuffer_.isEmpty() && data.size() < 400 && data != "+" &&
      QByteArray::fromBase64(data).count('\0') < 2) {
    ToClient(QByteArray(kMe) + " 908 " + ClientNick() + " PLAIN :are available SASL mechanisms");
    return ToClient(QByteArray(kMe) + " 904 " + ClientNick() + " :SASL authentication failed");
  }
  // PLAIN's answer comes in pieces of 400, the last shorter (or "+").
  if (data != "+") saslBuffer_ += data;
  if (saslBuffer_.size() > 4096) return RefuseClient("SASL answer too long");
  if (data.size() == 400) return;
  const QList<QByteArray> parts = QByteArray::fromBase64(std::exchange(saslBuffer_, {})).split('\0');
  if (parts.size() != 3 || !SameSecret(parts[2], options_.password)) {
    ToClient(QByteArray(kMe) + " 904 " + ClientNick() + " :SASL authentication failed");
    return RefuseClient("wrong password");
  }
  const QByteArray account = parts[1].isEmpty() ? QByteArray("owner") : WireSafe(parts[1]).left(kMostEchoed);
  ToClient(QByteArray(kMe) + " 900 " + ClientNick() + ' ' + ClientNick() + "!morva@morva " + account +
           " :You are now logged in as " + account);
  ToClient(QByteArray(kMe) + " 903 " + ClientNick() + " :SASL authentication successful");
  passwordGiven_ = true;
  OpenWhenReady();
}

void ProxySession::CheckPassword(const QByteArray& given) {
  if (passwordGiven_) return;
  if (!SameSecret(given, options_.password)) return RefuseClient("wrong password");
  passwordGiven_ = true;
  OpenWhenReady();
}

void ProxySession::OpenWhenReady() {
  if (state_ != State::BeforePassword || !passwordGiven_) return;
  // Answered locally, the client's registration is Morva's to carry: it
  // needs the nick, the user and the end of CAP. Otherwise the client
  // registers with the network itself, through Morva.
  if (localCap_ && (nickLine_.isEmpty() || userLine_.isEmpty() || !capEnded_)) return;
  state_ = State::Connecting;
  out_.openUpstream = true;
}

void ProxySession::RefuseClient(const QString& reason) {
  ToClient("ERROR :Closing link: " + WireSafe(reason.toUtf8()));
  out_.closeClient = true;
  state_ = State::Closed;
}

void ProxySession::ClientLineTooLong() {
  if (state_ == State::BeforePassword) return RefuseClient("line too long");
  if (state_ == State::Connecting || state_ == State::Relaying)
    ToClient(QByteArray(kMe) + " 417 " + (registered_ ? nick_ : ClientNick()) + " :Input line was too long");
}

void ProxySession::ClientPending(qsizetype bytes) {
  if (state_ == State::BeforePassword && bytes > options_.longestLineBeforePassword) RefuseClient("line too long");
}

}  // namespace irc
