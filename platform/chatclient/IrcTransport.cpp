#include "platform/chatclient/IrcTransport.h"

#include <algorithm>

#include <QUrl>

#include "platform/chatclient/IrcEventSignals.h"
#include "platform/chatclient/irc/IrcMessage.h"

std::optional<IrcOptions> ParseIrcUrl(const QString& text, QString* error) {
  const QUrl url(text, QUrl::StrictMode);
  IrcOptions options;
  options.tls = url.scheme() == QLatin1String("ircs");
  if (!url.isValid() || (url.scheme() != QLatin1String("irc") && !options.tls) || url.host().isEmpty()) {
    if (error) *error = "--irc takes irc://HOST[:PORT][/CHANNEL] or ircs://HOST[:PORT][/CHANNEL], not " + text;
    return std::nullopt;
  }
  options.host = url.host();
  const int port = url.port(options.tls ? 6697 : 6667);
  if (port <= 0 || port > 65535) {
    if (error) *error = "--irc: no such port in " + text;
    return std::nullopt;
  }
  options.port = static_cast<quint16>(port);
  // "irc://host/#music" reads as a fragment; "irc://host/music" as a path.
  const QString path = url.path().mid(1);
  options.room = url.hasFragment() && path.isEmpty() ? "#" + url.fragment() : path;
  return options;
}

IrcTransport::IrcTransport(IrcOptions options, QObject* parent)
    : ChatTransport(parent), options_(std::move(options)), session_(options_.session), retry_(options_.firstRetry) {
  deadline_.setSingleShot(true);
  connect(&deadline_, &QTimer::timeout, this, [this] {
    deadlineAt_.reset();
    session_.Tick(Now());
    Drain();
  });
  reconnect_.setSingleShot(true);
  connect(&reconnect_, &QTimer::timeout, this, &IrcTransport::Connect);
  connect(&connection_, &irc::IrcConnection::connected, this, [this] {
    connectedAt_ = Now();
    session_.Connected(*connectedAt_);
    Drain();
  });
  connect(&connection_, &irc::IrcConnection::lineReceived, this, [this](const QByteArray& line) {
    if (auto message = irc::IrcMessage::Parse(line)) session_.Receive(*message, Now());
    Drain();
  });
  connect(&connection_, &irc::IrcConnection::lost, this, [this](const QString& reason) { OnLost(reason, true); });
}

IrcTransport::~IrcTransport() { SignOff(); }

void IrcTransport::SignOff() {
  if (!connection_.IsOpen()) return;
  // What waits its turn goes now: the program is ending, and a line the
  // room never sees is worse than a burst.
  for (const QByteArray& line : session_.Farewell()) connection_.WriteLine(line);
  connection_.FlushAndClose(std::chrono::milliseconds(2000));
}

void IrcTransport::SignOn(const QString& screenName) {
  session_.SetScreenName(screenName);
  // Later: the client connects to our notices once it has made us.
  QTimer::singleShot(0, this, &IrcTransport::Connect);
}

void IrcTransport::Connect() {
  emit notice("Connecting to " + options_.host + " port " + QString::number(options_.port));
  connectedAt_.reset();
  connection_.Open({options_.host, options_.port, options_.tls, options_.extraAuthorities, options_.handshakeSilence});
}

void IrcTransport::OnLost(const QString& reason, bool retry) {
  connection_.Close();
  deadline_.stop();
  // A connection that stayed up a while was a good one: the backoff starts
  // over. One that is lost soon after (a server that welcomes us and throws
  // us out at once) keeps the backoff growing.
  if (connectedAt_ && Now() - *connectedAt_ >= options_.stable) retry_ = options_.firstRetry;
  connectedAt_.reset();
  session_.Disconnected();
  Drain();
  if (signedOn_) {
    signedOn_ = false;
    emit signedOff(reason);
  }
  if (!retry) {
    emit notice("Connection to " + options_.host + " ended: " + reason + "; not trying again");
    return;
  }
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(retry_).count();
  emit notice("Connection to " + options_.host + " lost: " + reason + "; trying again in " +
              QString::number(std::max<long long>(seconds, 1)) + " s");
  reconnect_.start(retry_);
  retry_ = std::min(retry_ * 2, options_.longestRetry);
}

void IrcTransport::Join(const QString& room) {
  session_.Join(room, Now());
  Drain();
}

void IrcTransport::Part(const QString& room) {
  session_.Part(room);
  Drain();
}

void IrcTransport::Say(const QString& room, const QString& text) {
  session_.Say(room, text, Now());
  Drain();
}

bool IrcTransport::Act(const QString& room, const QString& text) {
  session_.Act(room, text, Now());
  Drain();
  return true;
}

bool IrcTransport::SayPrivately(const QString& member, const QString& text) {
  session_.SayTo(member, text, Now());
  Drain();
  return true;
}

bool IrcTransport::ChangeName(const QString& name) {
  session_.ChangeNick(name);
  Drain();
  return true;
}

void IrcTransport::Drain() {
  irc::IrcOutput out = session_.Take(std::move(spare_));
  for (const QByteArray& line : out.lines) connection_.WriteLine(line);
  for (const irc::IrcEvent& event : out.events) {
    if (event.kind == irc::IrcEvent::Kind::SignedOn) signedOn_ = true;
    if (!EmitIrcEvent(*this, event)) return OnLost(event.text, event.retry);
  }
  out.lines.clear();
  out.events.clear();
  spare_ = std::move(out);
  const auto next = session_.NextDeadline();
  if (!next) {
    deadline_.stop();
    deadlineAt_.reset();
    return;
  }
  // Every line heard moves the keepalive's deadline later. The timer is set
  // again only for an earlier deadline: one set too early finds nothing due,
  // and is then set for the next. Setting it anew for every line of a busy
  // room would cost more than the line.
  if (deadlineAt_ && *deadlineAt_ <= *next && deadline_.isActive()) return;
  deadlineAt_ = *next;
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*next - Now());
  deadline_.start(std::max(wait, std::chrono::milliseconds(0)));
}
