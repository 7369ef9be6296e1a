// What the proxy's relay costs a busy room, on loopback: the same client and
// server talk once directly and once through the proxy, in one run, and the
// server sends 200,000 channel lines down to the client (lines a second).
// The client's own lines go up at the network's pace by design, so there is
// no throughput to measure that way; bench_relay_latency measures the
// latency of the relay, against ZNC.
//
// The client and the server are plain blocking sockets on threads of their
// own; the proxy runs on the main thread's event loop, as in the program.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include <QCoreApplication>
#include <QHostAddress>
#include <QMetaObject>

#include "platform/chatclient/proxy/IrcProxyTransport.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kLines = 200000;

// One blocking TCP connection read in lines.
class LineSocket {
 public:
  explicit LineSocket(int fd) : fd_(fd) {
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  ~LineSocket() { ::close(fd_); }
  bool Write(const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
      const ssize_t n = ::write(fd_, bytes.data() + sent, bytes.size() - sent);
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }
  // The next line without its CR LF; false at the end.
  bool ReadLine(std::string& line) {
    for (;;) {
      const size_t end = buffer_.find('\n', start_);
      if (end != std::string::npos) {
        line.assign(buffer_, start_, end - start_);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start_ = end + 1;
        return true;
      }
      buffer_.erase(0, start_);
      start_ = 0;
      char chunk[65536];
      const ssize_t n = ::read(fd_, chunk, sizeof chunk);
      if (n <= 0) return false;
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }

 private:
  int fd_;
  std::string buffer_;
  size_t start_ = 0;
};

int ListenOnLoopback(quint16* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd, 4) != 0) return -1;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  *port = ntohs(address.sin_port);
  return fd;
}

int ConnectTo(quint16 port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
  return fd;
}

// The network: welcomes, puts the owner in #bench, answers PING with PONG,
// and on "PING :down" sends kLines lines before its PONG.
void Serve(int listening) {
  for (;;) {
    const int fd = ::accept(listening, nullptr, nullptr);
    if (fd < 0) return;
    LineSocket peer(fd);
    std::string line;
    while (peer.ReadLine(line)) {
      if (line.rfind("USER ", 0) == 0) {
        peer.Write(":irc.bench 001 Joe :Welcome\r\n:Joe!joe@bench JOIN #bench\r\n");
      } else if (line == "PING :down") {
        std::string flood;
        for (int i = 0; i < kLines; ++i) flood += ":Ann!ann@bench PRIVMSG #bench :a line of the room " + std::to_string(i) + "\r\n";
        peer.Write(flood + ":irc.bench PONG irc.bench :down\r\n");
      } else if (line.rfind("PING ", 0) == 0) {
        peer.Write(":irc.bench PONG irc.bench " + line.substr(5) + "\r\n");
      } else if (line.rfind("QUIT", 0) == 0) {
        break;
      }
    }
  }
}

struct Figures {
  double downLinesPerSecond = 0;
};

bool WaitFor(LineSocket& socket, const std::string& part) {
  std::string line;
  while (socket.ReadLine(line))
    if (line.find(part) != std::string::npos) return true;
  return false;
}

Figures Measure(quint16 port) {
  Figures figures;
  LineSocket client(ConnectTo(port));
  client.Write("PASS :bench\r\nNICK Joe\r\nUSER joe 0 * :Joe\r\n");
  WaitFor(client, " JOIN #bench");
  const Clock::time_point start = Clock::now();
  client.Write("PING :down\r\n");
  WaitFor(client, ":down");
  figures.downLinesPerSecond = kLines / std::chrono::duration<double>(Clock::now() - start).count();
  client.Write("QUIT :done\r\n");
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  quint16 serverPort = 0;
  const int listening = ListenOnLoopback(&serverPort);
  if (listening < 0) return 1;
  std::thread server(Serve, listening);

  irc::ProxySessionOptions options;
  options.password = "bench";
  auto proxy = std::make_unique<IrcProxyTransport>(irc::IrcEndpoint{"127.0.0.1", serverPort, false, {}}, options);
  QString error;
  if (!proxy->Listen(QHostAddress::LocalHost, 0, &error)) return 1;
  const quint16 proxyPort = proxy->port();

  Figures direct, through;
  std::thread measuring([&] {
    direct = Measure(serverPort);
    through = Measure(proxyPort);
    // Once more each, so that neither goes first cold.
    direct = Measure(serverPort);
    through = Measure(proxyPort);
    QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
  });
  app.exec();
  measuring.join();
  // Its connection to the server goes with it, so that the server's last read ends.
  proxy.reset();
  ::shutdown(listening, SHUT_RDWR);
  ::close(listening);
  server.join();

  std::printf("throughput, %d lines      direct     through Morva   ratio\n", kLines);
  std::printf("  network to client       %9.0f/s  %9.0f/s    %.2f\n", direct.downLinesPerSecond,
              through.downLinesPerSecond, through.downLinesPerSecond / direct.downLinesPerSecond);
  return 0;
}
