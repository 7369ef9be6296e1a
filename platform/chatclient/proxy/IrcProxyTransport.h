#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include <QHostAddress>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include "platform/chatclient/ChatTransport.h"
#include "platform/chatclient/irc/IrcConnection.h"
#include "platform/chatclient/irc/IrcLineReader.h"
#include "platform/chatclient/proxy/ProxyRelay.h"
#include "platform/chatclient/proxy/ProxySession.h"

class QTcpServer;

// The owner's own IRC client connects here, on a loopback address, and Morva
// connects on to the network for it: the chat client's rooms are the
// channels that client is in. The proxy's rules are ProxySession's; this
// holds the listening socket, the clients waiting for their password, the
// network's connection and the timer. The client that gave it is served by
// a ProxyRelay on a thread of its own, which sends the owner's plain lines
// on to a plain network connection at once; the session is shared with that
// thread under one lock.
class IrcProxyTransport : public ChatTransport {
  Q_OBJECT

 public:
  IrcProxyTransport(irc::IrcEndpoint network, irc::ProxySessionOptions options, QObject* parent = nullptr);
  ~IrcProxyTransport() override;

  // Starts listening; false with the reason when the address cannot be had.
  bool Listen(const QHostAddress& address, quint16 port, QString* error);
  quint16 port() const;

  void SignOn(const QString&) override {}
  bool IsSignedOn() const override;
  void Join(const QString& room) override;
  // The owner's client, not Morva, decides when he leaves a channel.
  void Part(const QString&) override {}
  void Say(const QString& room, const QString& text) override;
  bool SayAs(const QString&, const QString&, const QString&) override { return false; }
  bool Act(const QString& room, const QString& text) override;
  bool SayPrivately(const QString& member, const QString& text) override;
  bool ChangeName(const QString& name) override;
  // The lines relayed are IRC text; the chat client reads their formatting, never HTML.
  bool LinesAreIrcText() const override { return true; }
  QString NetworkName(const QString& room) const override;
  // A NOTICE from "*morva" to the owner's client only.
  void TellOwner(const QString& text) override;
  // Sends what waits, then QUIT, to the network: for the end of the program.
  void SignOff();

 private:
  // Every client waits here, answered by a gate of its own, until it gives
  // the password; only then does it take the place of the attached one.
  // A stranger that never gives it keeps nobody out.
  struct Newcomer {
    Newcomer(std::unique_ptr<QTcpSocket> s, const irc::ProxySessionOptions& options)
        : socket(std::move(s)), gate(options) {}
    std::unique_ptr<QTcpSocket> socket;
    irc::IrcLineReader reader;
    irc::ProxySession gate;
    // What it sent, for the session to read again once it has the place,
    // and how many lines the gate answered, not to be written twice. Both
    // bounded by the gate's limits before the password.
    std::vector<QByteArray> lines;
    std::size_t answered = 0;
  };
  void AdmitNewcomer(std::unique_ptr<QTcpSocket> socket);
  void OnNewcomerReadable(QTcpSocket* socket);
  void DropNewcomer(QTcpSocket* socket);
  // The newcomer gave the password: the attached client, if any, is told
  // and closed, and the newcomer is the client.
  void Promote(std::unique_ptr<Newcomer> newcomer);
  void OnNewClient();
  // The relay's news, on this thread: the client's lines for the session, or its end.
  Q_INVOKABLE void OnRelayNews();
  void OnClientGone();
  // Runs a step of the session under its lock, sends its lines for the
  // network in the order decided, and applies the rest.
  template <typename Step>
  void Run(Step step);
  // Under the session's lock: its output, the lines for the network sent.
  irc::ProxySession::Output TakeOutput();
  void Apply(irc::ProxySession::Output out);
  void Arm();
  // The relay stops; what it did not write goes on through Qt's sockets,
  // and the client's socket comes back as one, to be closed.
  std::unique_ptr<QTcpSocket> EndRelay();

  irc::IrcEndpoint network_;
  irc::ProxySessionOptions options_;
  // The session and the count of the client's lines handed to this thread
  // undecided: the relay's thread asks the session whether a line may go up
  // at once, and never lets one pass ahead of those.
  mutable std::mutex sessionMutex_;
  irc::ProxySession session_;
  std::size_t undecided_ = 0;
  std::unique_ptr<QTcpServer> server_;
  std::unique_ptr<irc::ProxyRelay> relay_;
  irc::IrcConnection upstream_;
  QTimer timer_;
  std::vector<std::unique_ptr<Newcomer>> newcomers_;
};
