#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "platform/chatclient/ChatTransport.h"
#include "platform/chatclient/irc/IrcLineReader.h"
#include "platform/chatclient/irc/IrcMessage.h"
#include "platform/chatclient/irc/SendQueue.h"

class QTcpSocket;

// Where an IRC network is, and how patient to be with it.
struct IrcOptions {
  QString host;
  quint16 port = 6667;
  // Sent as PASS before registering, when not empty.
  QByteArray password;
  // TLS: the server's certificate is checked against the system's trusted
  // authorities, these as well, and the host name. There is no way to turn
  // the check off.
  bool tls = false;
  QList<QSslCertificate> extraAuthorities;
  // SASL PLAIN sign-in during registration, when the account is not empty:
  // a connection that cannot sign in ends instead of going on without.
  QByteArray saslAccount;
  QByteArray saslPassword;

  // The reconnect backoff: the first wait, doubled after every failure up to the longest.
  std::chrono::milliseconds firstRetry{1000};
  std::chrono::milliseconds longestRetry{60000};
  // After this much silence a PING goes out; no answer in pingAnswer more is a lost connection.
  std::chrono::milliseconds quietBeforePing{90000};
  std::chrono::milliseconds pingAnswer{60000};
  // How long registration may take before the connection is given up.
  std::chrono::milliseconds registration{60000};
  // A kick of the owner is answered by one JOIN after this.
  std::chrono::milliseconds rejoinAfterKick{5000};
  // Flood control: this many lines at once, then one an interval.
  int burst = 5;
  std::chrono::milliseconds sendInterval{1000};
};

// "irc://HOST[:PORT]" (port 6667 by default) or "ircs://HOST[:PORT]" (TLS,
// port 6697 by default); nothing, with the reason in `error`, for anything else.
std::optional<IrcOptions> ParseIrcUrl(const QString& url, QString* error);

// A nick the network will take for a screen name: blanks become '_' and
// characters no nick may hold go.
QByteArray NickFromScreenName(const QString& screenName);

// The chat client's rooms as channels of an IRC network, over one TCP
// connection that it keeps up: registration (PASS, NICK, USER), PING and
// PONG, a keepalive, and a reconnect with backoff, forever. The owner's
// lines leave as PRIVMSG with IRC formatting for the chat HTML, split to
// fit the server's 512 bytes and paced against flooding; the network does
// not echo them, so each is reported once, by the client that showed it.
class IrcTransport : public ChatTransport {
  Q_OBJECT

 public:
  explicit IrcTransport(IrcOptions options, QObject* parent = nullptr);
  ~IrcTransport() override;

  void SignOn(const QString& screenName) override;
  bool IsSignedOn() const override { return registered_; }
  void Join(const QString& room) override;
  void Part(const QString& room) override;
  void Say(const QString& room, const QString& text) override;
  bool SayAs(const QString&, const QString&, const QString&) override { return false; }
  bool Act(const QString& room, const QString& text) override;
  bool SayPrivately(const QString& member, const QString& text) override;
  bool ChangeName(const QString& name) override;
  bool LinesAreIrcText() const override { return true; }
  QString NetworkName(const QString& room) const override;
  // Sends every line still waiting for its turn, then QUIT, and waits a
  // little for them to leave: for the end of the program.
  void SignOff();

 private:
  // One channel the owner is in, or is on the way into.
  struct Channel {
    QString room;     // as the owner named it
    QString name;     // as the server spells it
    bool joined = false;
    QStringList members;
    QStringList namesComing;  // NAMES replies not yet ended
    QStringList marksComing;  // their members with a rank, as "@nick"
    QHash<QString, QChar> marks;  // '@' or '+' by nick
  };

  void Connect();
  void OnConnected();
  void OnReadable();
  void LoseConnection(const QString& reason);
  void Write(const QByteArray& line);  // a control line, at once
  void Queue(const QByteArray& line);  // an own line, paced
  void Flush();
  void Heard();

  void Handle(const irc::IrcMessage& message);
  // SASL: the server's capabilities, its AUTHENTICATE prompts, the outcome.
  void OnCapability(const irc::IrcMessage& message);
  void SendSaslPlain();
  void FailSignIn(const QString& reason);
  void OnWelcome(const irc::IrcMessage& message);
  void OnNickTaken();
  void OnJoin(const irc::IrcMessage& message);
  void OnPrivmsg(const irc::IrcMessage& message);
  void OnLeft(const QByteArray& channel, const QString& nick);
  void OnKick(const irc::IrcMessage& message);
  void OnNames(const irc::IrcMessage& message, bool end);
  void OnJoinRefused(const irc::IrcMessage& message);
  void Rename(const QString& from, const QString& to);
  void OnMode(const irc::IrcMessage& message);
  void ReportMarks(const Channel& channel);
  // The owner's text to a channel or a nick, split to fit, paced.
  void SendPrivmsg(const QByteArray& target, const QByteArray& text);

  Channel* Find(QStringView channel);
  void ReportMembers(const Channel& channel);
  bool IsOwn(QStringView nick) const;

  IrcOptions options_;
  std::unique_ptr<QTcpSocket> socket_;
  irc::IrcLineReader reader_;
  irc::SendQueue queue_;
  QTimer sendTimer_;
  QTimer reconnectTimer_;
  QTimer quietTimer_;
  QTimer pingTimer_;
  QTimer registrationTimer_;
  std::chrono::milliseconds retry_;

  QString screenName_;  // the name the owner asked for
  QByteArray nick_;     // the nick tried, then the one in use
  int nickTries_ = 0;
  int nickLength_ = 0;  // the server's NICKLEN; 0 while unknown
  QByteArray user_;     // as the server shows us to others, once seen
  QByteArray host_;
  bool registered_ = false;
  enum class Sasl { Off, Listing, Requested, Authenticating, Done };
  Sasl sasl_ = Sasl::Off;
  QByteArray capabilities_;  // CAP LS replies so far
  QString tlsProblems_;      // why the last handshake failed
  bool signingOn_ = false;
  // By the channel's name in lower case.
  std::map<QString, Channel> channels_;
};
