// Lines per second from other members, through the whole path a line takes
// in a busy room: the chat client shows it, the scanner reports it and the
// intake reads the owner's name and looks at it. The same 100,000 lines come
// once from a loopback IRC server and once in the local room, in one run;
// by the wall clock, and in CPU time (which a busy machine disturbs less, and
// which leaves out the waits between passes of the event loop).
//
// The whole road runs on the main thread. The server plays the network: it
// runs on a thread of its own, and the CPU time counted is the main
// thread's, so that sending the lines (and, on loopback, the kernel's
// delivery of them) is not counted as the road's.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include "bench/foundation/CpuTime.h"
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

struct Rate {
  double wall = 0;  // lines a second
  double cpu = 0;   // lines a CPU second
};

// From a start taken by the wall clock and in the main thread's CPU time, to now.
Rate RateSince(Clock::time_point start, double cpuStart) {
  const double cpu = ThreadCpuSeconds() - cpuStart;
  return {kLines / std::chrono::duration<double>(Clock::now() - start).count(), kLines / cpu};
}

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

// The network: a loopback server on its own thread that welcomes the
// client, answers its JOIN of #Lobby, and sends what it is given.
class Network {
 public:
  Network() {
    thread_.start();
    worker_.moveToThread(&thread_);
    QMetaObject::invokeMethod(&worker_, [this] { Listen(); }, Qt::BlockingQueuedConnection);
  }
  ~Network() {
    QMetaObject::invokeMethod(
        &worker_,
        [this] {
          peer_.reset();
          server_.reset();
        },
        Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
  }
  quint16 port() const { return port_; }
  bool joined() const { return joined_; }
  void Send(const QByteArray& bytes) {
    QMetaObject::invokeMethod(&worker_, [this, bytes] { peer_->write(bytes); });
  }

 private:
  void Listen() {
    server_ = std::make_unique<QTcpServer>();
    server_->listen(QHostAddress::LocalHost);
    port_ = server_->serverPort();
    QObject::connect(server_.get(), &QTcpServer::newConnection, &worker_, [this] {
      peer_.reset(server_->nextPendingConnection());
      peer_->write(":irc.bench 001 Joe :welcome\r\n");
      QObject::connect(peer_.get(), &QTcpSocket::readyRead, &worker_, [this] {
        if (!peer_->readAll().contains("JOIN #Lobby")) return;
        peer_->write(":Joe!joe@bench JOIN #Lobby\r\n");
        joined_ = true;
      });
    });
  }

  QThread thread_;
  QObject worker_;  // lives on thread_, as the server and its peer do
  std::unique_ptr<QTcpServer> server_;
  std::unique_ptr<QTcpSocket> peer_;
  quint16 port_ = 0;
  std::atomic<bool> joined_ = false;
};

Rate IrcLines(const QByteArray& flood) {
  Network network;
  IrcOptions options;
  options.host = "127.0.0.1";
  options.port = network.port();
  WindowSystem windows;
  ChatClientOptions chat;
  chat.screenName = "Joe";
  ChatClient client(windows, chat, std::make_unique<IrcTransport>(options));
  Intake intake(windows, client);
  if (!WaitUntil([&] { return network.joined(); })) return {};
  const auto start = Clock::now();
  const double cpuStart = ThreadCpuSeconds();
  network.Send(flood);
  if (!WaitUntil([&] { return intake.seen == kLines; }, std::chrono::minutes(2))) return {};
  return RateSince(start, cpuStart);
}

Rate LocalLines() {
  WindowSystem windows;
  ChatClientOptions chat;
  chat.screenName = "Joe";
  ChatClient client(windows, chat);
  Intake intake(windows, client);
  const auto start = Clock::now();
  const double cpuStart = ThreadCpuSeconds();
  for (int i = 0; i < kLines; ++i) client.SayAs("Ann", ".play song " + QString::number(i));
  WaitUntil([&] { return intake.seen == kLines; }, std::chrono::minutes(2));
  return RateSince(start, cpuStart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  constexpr int kRounds = 5;
  QByteArray flood;
  for (int i = 0; i < kLines; ++i) flood += ":Ann!ann@bench PRIVMSG #Lobby :.play song " + QByteArray::number(i) + "\r\n";
  std::vector<double> localWall, localCpu, ircWall, ircCpu;
  for (int round = 0; round < kRounds; ++round) {
    const Rate local = LocalLines();
    const Rate irc = IrcLines(flood);
    if (irc.wall <= 0) return 1;
    localWall.push_back(local.wall), localCpu.push_back(local.cpu);
    ircWall.push_back(irc.wall), ircCpu.push_back(irc.cpu);
  }
  const Rate local{Median(localWall), Median(localCpu)};
  const Rate irc{Median(ircWall), Median(ircCpu)};
  std::printf("%d lines from another member, shown, scanned and taken in (medians of %d rounds):\n", kLines, kRounds);
  std::printf("  local room  %9.0f lines/s, %9.0f lines a CPU second of the main thread\n", local.wall, local.cpu);
  std::printf("  IRC         %9.0f lines/s, %9.0f lines a CPU second  (%.2f of the local room, in CPU time %.2f; "
              "aim: 100,000 lines/s)\n",
              irc.wall, irc.cpu, irc.wall / local.wall, irc.cpu / local.cpu);
  return 0;
}
