#include "platform/chatclient/proxy/ProxyRelay.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <utility>

#include "platform/chatclient/irc/IrcWire.h"

namespace irc {
namespace {

// Lines that already went up reach the proxy's thread this much later, so
// that its work on them (the room window, the commands) does not take the
// processor from the network and the room while the line is on its way.
// Anything that needs the proxy's decision is handed over at once.
constexpr auto kTellRelayedAfter = std::chrono::milliseconds(2);

bool Retry(ssize_t result) { return result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR); }

}  // namespace

bool ProxyRelay::Outlet::Write(QByteArrayView bytes) {
  std::lock_guard lock(mutex);
  if (fd < 0 || failed || bytes.isEmpty()) return true;
  if (pending.isEmpty()) {
    const ssize_t sent = ::send(fd, bytes.data(), static_cast<size_t>(bytes.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent == bytes.size()) return true;
    if (sent < 0 && !Retry(sent)) {
      // The connection is gone; its reader hears of it.
      failed = true;
      return true;
    }
    bytes = bytes.sliced(sent < 0 ? 0 : sent);
  }
  pending.append(bytes);
  return false;
}

void ProxyRelay::Outlet::Drain() {
  std::lock_guard lock(mutex);
  if (fd < 0 || failed || pending.isEmpty()) return;
  const ssize_t sent = ::send(fd, pending.constData(), static_cast<size_t>(pending.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
  if (sent > 0) {
    pending.remove(0, sent);
  } else if (!Retry(sent)) {
    failed = true;
    pending.clear();
  }
}

bool ProxyRelay::Outlet::Waiting() const {
  std::lock_guard lock(mutex);
  return fd >= 0 && !failed && !pending.isEmpty();
}

ProxyRelay::ProxyRelay(int clientFd, IrcLineReader reader, Decide decide, Tell tell)
    : clientFd_(clientFd),
      reader_(std::move(reader)),
      decide_(std::move(decide)),
      tell_(std::move(tell)),
      wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  client_.fd = clientFd_;
  thread_ = std::thread([this] { Run(); });
}

ProxyRelay::~ProxyRelay() {
  const Leftovers left = Stop();
  if (left.clientFd >= 0) ::close(left.clientFd);
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void ProxyRelay::Wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void ProxyRelay::AttachUpstream(int fd) {
  std::lock_guard lock(upstream_.mutex);
  if (upstream_.fd >= 0) ::close(upstream_.fd);
  upstream_.fd = fd;
  upstream_.failed = false;
  upstream_.pending.clear();
}

bool ProxyRelay::HasUpstream() const {
  std::lock_guard lock(upstream_.mutex);
  return upstream_.fd >= 0;
}

void ProxyRelay::WriteUpstream(QByteArrayView bytes) {
  if (!upstream_.Write(bytes)) Wake();
}

void ProxyRelay::WriteClient(QByteArrayView bytes) {
  if (!client_.Write(bytes)) Wake();
}

qint64 ProxyRelay::ClientUnwritten() const {
  std::lock_guard lock(client_.mutex);
  return client_.pending.size();
}

ProxyRelay::News ProxyRelay::Take() {
  bool wasFull = false;
  News news;
  {
    std::lock_guard lock(mutex_);
    wasFull = handed_.lines.size() >= kMostHanded;
    news = std::exchange(handed_, News{});
    told_ = false;
  }
  if (wasFull) Wake();
  return news;
}

ProxyRelay::Leftovers ProxyRelay::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  if (thread_.joinable()) {
    Wake();
    thread_.join();
  }
  Leftovers left;
  left.clientFd = std::exchange(clientFd_, -1);
  {
    std::lock_guard lock(client_.mutex);
    left.toClient = std::exchange(client_.pending, {});
    client_.fd = -1;
  }
  {
    std::lock_guard lock(upstream_.mutex);
    left.toUpstream = std::exchange(upstream_.pending, {});
    if (upstream_.fd >= 0) ::close(upstream_.fd);
    upstream_.fd = -1;
  }
  return left;
}

void ProxyRelay::Run() {
  for (;;) {
    bool reading = false;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      reading = !ended_ && handed_.lines.size() < kMostHanded;
    }
    const bool clientWaiting = client_.Waiting();
    int upstreamFd = -1;
    {
      std::lock_guard lock(upstream_.mutex);
      if (upstream_.fd >= 0 && !upstream_.failed && !upstream_.pending.isEmpty()) upstreamFd = upstream_.fd;
    }
    // A socket with nothing asked of it is left out: its hang-up alone
    // would wake the loop again and again.
    const short clientEvents = static_cast<short>((reading ? POLLIN : 0) | (clientWaiting ? POLLOUT : 0));
    pollfd fds[3] = {{wakeFd_, POLLIN, 0},
                     {clientEvents != 0 ? clientFd_ : -1, clientEvents, 0},
                     {upstreamFd, POLLOUT, 0}};
    int wait = -1;
    if (tellAt_) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*tellAt_ - std::chrono::steady_clock::now());
      wait = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }
    if (::poll(fds, 3, wait) < 0) {
      if (errno == EINTR) continue;
      return Hand({}, true);
    }
    if (tellAt_ && std::chrono::steady_clock::now() >= *tellAt_) {
      FeedDeferred();
      TellNow();
    }
    if (fds[0].revents & POLLIN) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);
    }
    if (fds[2].revents != 0) upstream_.Drain();
    if (clientWaiting && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) client_.Drain();
    if (reading && (fds[1].revents & (POLLIN | POLLERR | POLLHUP))) ReadClient();
  }
}

void ProxyRelay::ReadClient() {
  FeedDeferred();
  const ssize_t got = ::read(clientFd_, buffer_, sizeof buffer_);
  if (Retry(got)) return;
  if (got <= 0) return Hand({}, true);
  const QByteArrayView chunk(buffer_, got);
  bool attached = false;
  {
    std::lock_guard lock(upstream_.mutex);
    attached = upstream_.fd >= 0 && !upstream_.failed;
  }
  // The first whole lines the session lets go up leave from the buffer
  // itself, in one write, before anything is copied: the owner's line is
  // on its way with as little work before it as can be. A line that is not
  // plainly one (empty, without CR LF, holding a NUL or a CR) waits for the
  // reader below.
  std::size_t sentAtOnce = 0;
  bool refused = false;
  qsizetype end = 0;
  if (attached && !reader_.midLine()) {
    for (qsizetype lf = chunk.indexOf('\n'); lf >= 0; lf = chunk.indexOf('\n', end)) {
      const QByteArrayView line = chunk.sliced(end, lf - end);
      if (line.size() < 2 || !line.endsWith('\r') || line.size() - 1 > IrcLineReader::kMaxLineBytes) break;
      const QByteArrayView text = line.chopped(1);
      if (text.contains('\0') || text.contains('\r')) break;
      if (!decide_(text, true)) {
        refused = true;
        break;
      }
      ++sentAtOnce;
      end = lf + 1;
    }
    // The loop polls for what the socket did not take on its next turn.
    if (end > 0) upstream_.Write(chunk.first(end));
  }
  // Every whole line went up: the rest of the work waits for the loop's
  // next turn, with the telling, so that nothing here holds the processor
  // while the line is on its way through the network and the room.
  if (sentAtOnce > 0 && !refused && chunk.indexOf('\n', end) < 0) {
    deferred_ = got;
    deferredSent_ = sentAtOnce;
    if (!tellAt_) tellAt_ = std::chrono::steady_clock::now() + kTellRelayedAfter;
    return;
  }
  Feed(chunk, sentAtOnce, refused, attached);
}

void ProxyRelay::FeedDeferred() {
  if (deferred_ == 0) return;
  Feed(QByteArrayView(buffer_, std::exchange(deferred_, 0)), deferredSent_, false, true);
}

void ProxyRelay::Feed(QByteArrayView chunk, std::size_t sentAtOnce, bool refused, bool attached) {
  const qsizetype tooLong = reader_.linesTooLong();
  std::vector<QByteArray> read = reader_.Feed(chunk);
  std::vector<Line> lines;
  lines.reserve(read.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    bool now = i < sentAtOnce;
    if (i > sentAtOnce || (i == sentAtOnce && !refused)) {
      now = decide_(read[i], attached);
      if (now) upstream_.Write(WireSafe(read[i]) + "\r\n");
    }
    lines.push_back({now ? Kind::Relayed : Kind::Undecided, std::move(read[i])});
  }
  for (qsizetype i = tooLong; i < reader_.linesTooLong(); ++i) lines.push_back({Kind::TooLong, {}});
  if (!lines.empty()) Hand(std::move(lines), false);
}

void ProxyRelay::Hand(std::vector<Line> lines, bool gone) {
  const bool urgent =
      gone || std::any_of(lines.begin(), lines.end(), [](const Line& line) { return line.kind != Kind::Relayed; });
  {
    std::lock_guard lock(mutex_);
    for (Line& line : lines) handed_.lines.push_back(std::move(line));
    if (gone && !ended_) {
      ended_ = true;
      handed_.gone = true;
    }
    if (told_) return;
    if (!urgent && handed_.lines.size() < kMostHanded) {
      if (!tellAt_) tellAt_ = std::chrono::steady_clock::now() + kTellRelayedAfter;
      return;
    }
  }
  TellNow();
}

void ProxyRelay::TellNow() {
  tellAt_.reset();
  {
    std::lock_guard lock(mutex_);
    if (told_ || (!handed_.gone && handed_.lines.empty())) return;
    told_ = true;
  }
  tell_();
}

}  // namespace irc
