#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <QCoreApplication>

// What the proxy's benchmarks share: a raw client socket that may stop
// reading, and waits on the kernel's own view of loopback connections.

// A blocking TCP connection to 127.0.0.1, its receive buffer as small as
// asked (0 leaves the system's), so that a client that stops reading is
// felt by the sender soon.
class RawSocket {
 public:
  RawSocket(quint16 port, int receiveBuffer) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    if (receiveBuffer > 0) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  RawSocket(RawSocket&& other) noexcept : fd_(other.fd_), buffer_(std::move(other.buffer_)), closed_(other.closed_) {
    other.fd_ = -1;
  }
  RawSocket(const RawSocket&) = delete;
  RawSocket& operator=(const RawSocket&) = delete;
  ~RawSocket() {
    if (fd_ >= 0) ::close(fd_);
  }

  bool open() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Writes what the peer takes within a second; the bytes written.
  long WriteSome(const std::string& bytes) {
    long sent = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (fd_ >= 0 && sent < static_cast<long>(bytes.size()) && std::chrono::steady_clock::now() < deadline) {
      pollfd writable{fd_, POLLOUT, 0};
      if (::poll(&writable, 1, 50) <= 0) continue;
      if (writable.revents & (POLLERR | POLLHUP)) break;
      const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += n;
    }
    return sent;
  }
  // Reads until a line holds the part, and forgets what came up to the end
  // of that line; false after limitMs.
  bool ReadUntil(const std::string& part, int limitMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
      const size_t found = buffer_.find(part);
      if (found != std::string::npos) {
        const size_t end = buffer_.find('\n', found);
        buffer_.erase(0, end == std::string::npos ? buffer_.size() : end + 1);
        return true;
      }
      if (std::chrono::steady_clock::now() > deadline || !ReadFor(50)) return false;
    }
  }
  // Reads what has come, answering the server's PINGs, without waiting.
  void Drain() {
    while (ReadFor(0)) {
    }
    buffer_.clear();
  }
  void Write(const std::string& bytes) { WriteSome(bytes); }
  // Everything until the peer closes or nothing comes for a second.
  std::string ReadAll() {
    while (ReadFor(1000)) {
    }
    return buffer_;
  }
  const std::string& received() const { return buffer_; }
  // Whether the peer closed the connection (seen by a read).
  bool closed() const { return closed_; }

 private:
  // Reads what comes within ms and answers a PING in it; false at the end,
  // and when nothing came within 0 or 1,000 ms or more.
  bool ReadFor(int ms) {
    pollfd readable{fd_, POLLIN, 0};
    if (fd_ < 0) return false;
    if (::poll(&readable, 1, ms) <= 0) return ms > 0 && ms < 1000;
    char chunk[65536];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) {
      closed_ = true;
      return false;
    }
    // From the start of the line that was not whole yet.
    const size_t from = buffer_.empty() ? 0 : buffer_.rfind('\n') + 1;
    buffer_.append(chunk, static_cast<size_t>(n));
    for (size_t ping = buffer_.find("PING :", from); ping != std::string::npos; ping = buffer_.find("PING :", ping + 1)) {
      if (ping != 0 && buffer_[ping - 1] != '\n') continue;
      const size_t end = buffer_.find('\n', ping);
      if (end != std::string::npos) WriteSome("PONG " + buffer_.substr(ping + 5, end - ping - 5) + "\n");
    }
    return true;
  }

  int fd_;
  std::string buffer_;
  bool closed_ = false;
};

inline bool WaitUntilAccepting(quint16 port, int limitMs = 20000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (RawSocket(port, 0).open()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// Which ends of the connections to a port count: all of them, or only the
// listener's (its clients may never read theirs).
enum class Ends { Both, Listener };

// The bytes that wait to be read on loopback TCP connections with the port
// at one end, from the kernel's table.
inline long UnreadBytes(quint16 port, Ends ends) {
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // the heading
  long unread = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues;
    fields >> slot >> local >> remote >> state >> queues;
    const auto portOf = [](const std::string& address) {
      return std::stoul(address.substr(address.find(':') + 1), nullptr, 16);
    };
    if (portOf(local) != port && (ends == Ends::Listener || portOf(remote) != port)) continue;
    unread += std::stol(queues.substr(queues.find(':') + 1), nullptr, 16);
  }
  return unread;
}

// Waits until nothing waits to be read on the port's connections for 150 ms,
// handling this process's events meanwhile.
inline void WaitUntilIdle(quint16 port, Ends ends, int limitMs = 120000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  int quiet = 0;
  while (quiet < 3 && std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    quiet = UnreadBytes(port, ends) == 0 ? quiet + 1 : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}
