// Lines per second from other members, through the whole path a line takes
// in a busy room: the chat client shows it, the scanner reports it and the
// intake reads the owner's name and looks at it. The same 100,000 lines come
// once from a loopback IRC server and once in the local room, in one run.

#include <chrono>
#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include "platform/chatclient/ChatClient.h"
#include "platform/chatclient/IrcTransport.h"
#include "platform/chatclient/LocalRooms.h"
#include "platform/chatscanner/ChatScanner.h"
#include "src/commands/LineReceived.h"
#include "tests/support/FakeRuntime.h"
#include "tests/support/WaitUntil.h"

namespace {

constexpr int kLines = 100000;
using Clock = std::chrono::steady_clock;

// Counts the lines that reach the intake.
struct Intake {
  Intake(WindowSystem& windows, ChatClient& client) : aol(windows, runtime), scanner(client) {
    scanner.SetLineReceivedHandler([this](const QString& name, const QString& text) {
      commands::LineReceived(aol, name, text, [](const commands::CommandRow&, const CommandLine&) {});
      ++seen;
    });
    scanner.StartScanning();
  }
  FakeRuntime runtime;
  AolClient aol;
  ChatScanner scanner;
  int seen = 0;
};

double IrcLinesPerSecond() {
  QTcpServer server;
  server.listen(QHostAddress::LocalHost);
  std::unique_ptr<QTcpSocket> peer;
  Clock::time_point start;
  QObject::connect(&server, &QTcpServer::newConnection, [&] {
    peer.reset(server.nextPendingConnection());
    peer->write(":irc.bench 001 Joe :welcome\r\n");
    QObject::connect(peer.get(), &QTcpSocket::readyRead, [&] {
      if (!peer->readAll().contains("JOIN #Lobby")) return;
      QByteArray flood = ":Joe!joe@bench JOIN #Lobby\r\n";
      for (int i = 0; i < kLines; ++i) flood += ":Ann!ann@bench PRIVMSG #Lobby :.play song " + QByteArray::number(i) + "\r\n";
      start = Clock::now();
      peer->write(flood);
    });
  });
  IrcOptions options;
  options.host = "127.0.0.1";
  options.port = server.serverPort();
  WindowSystem windows;
  ChatClientOptions chat;
  chat.screenName = "Joe";
  ChatClient client(windows, chat, std::make_unique<IrcTransport>(options));
  Intake intake(windows, client);
  if (!WaitUntil([&] { return intake.seen == kLines; }, std::chrono::minutes(2))) return 0;
  return kLines / std::chrono::duration<double>(Clock::now() - start).count();
}

double LocalLinesPerSecond() {
  WindowSystem windows;
  ChatClientOptions chat;
  chat.screenName = "Joe";
  ChatClient client(windows, chat);
  Intake intake(windows, client);
  const auto start = Clock::now();
  for (int i = 0; i < kLines; ++i) client.SayAs("Ann", ".play song " + QString::number(i));
  WaitUntil([&] { return intake.seen == kLines; }, std::chrono::minutes(2));
  return kLines / std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const double local = LocalLinesPerSecond();
  const double irc = IrcLinesPerSecond();
  std::printf("%d lines from another member, shown, scanned and taken in:\n", kLines);
  std::printf("  local room  %9.0f lines/s\n", local);
  std::printf("  IRC         %9.0f lines/s  (%.2f of the local room; aim: 100,000 lines/s)\n", irc, irc / local);
  return irc > 0 ? 0 : 1;
}
