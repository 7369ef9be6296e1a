#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <mutex>
#include <thread>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>

#include "platform/chatclient/irc/IrcLineReader.h"

namespace irc {

// The signed-in client's connection on a thread of its own, a loop on poll
// over the raw sockets: a line from the owner's client that may go up as it
// is (Decide, asked on this thread) is written to the network's socket as
// soon as it is read, with nothing of Qt's or the user interface's before
// it; every line is then handed to the proxy's thread (News), which decides
// on the rest. The hand-over is bounded: while it is full the client is not
// read, and the kernel holds its lines back.
//
// Each socket has one writer of whole lines: the client's is written by the
// proxy's thread through WriteClient, and a plain network connection, once
// attached, by both threads through this relay alone. What a socket does not
// take at once waits here for the loop. The loop sleeps in poll while nothing
// happens: no timer, no periodic wake-up.
class ProxyRelay {
 public:
  enum class Kind {
    Relayed,    // written to the network already: the session reads it (ReadRelayed)
    Undecided,  // for the session to decide (FromClient)
    TooLong,    // a line dropped for its length
  };
  struct Line {
    Kind kind;
    QByteArray text;
  };
  struct News {
    std::vector<Line> lines;
    bool gone = false;  // the client closed, or its connection failed
  };
  // What is left once the loop stopped: the client's socket, and what was
  // not written to either side yet.
  struct Leftovers {
    int clientFd = -1;
    QByteArray toClient;
    QByteArray toUpstream;
  };
  // Asked on the relay's thread for each line, with whether the network is
  // attached: true when the line goes up now. The relay writes it then, in
  // order; the callee keeps count of the lines it did not let through.
  using Decide = std::function<bool(QByteArrayView line, bool attached)>;
  // Called on the relay's thread when news wait that were not told of yet:
  // it posts to the proxy's thread, which calls Take.
  using Tell = std::function<void()>;

  // The most lines handed over that the proxy's thread has not taken.
  static constexpr std::size_t kMostHanded = 256;

  // Takes the client's socket (a non-blocking descriptor, ours to close)
  // and what was read of it, and starts.
  ProxyRelay(int clientFd, IrcLineReader reader, Decide decide, Tell tell);
  ~ProxyRelay();
  ProxyRelay(const ProxyRelay&) = delete;
  ProxyRelay& operator=(const ProxyRelay&) = delete;

  // A plain network connection's socket (a copy, ours to close): from now
  // on every line for the network goes through WriteUpstream.
  void AttachUpstream(int fd);
  bool HasUpstream() const;
  // Whole lines with their ends, from either thread.
  void WriteUpstream(QByteArrayView bytes);
  void WriteClient(QByteArrayView bytes);
  // Bytes that wait to be written to the client.
  qint64 ClientUnwritten() const;

  // What was handed over since the last call; reading resumes if it was full.
  News Take();
  // Stops the loop and waits for it; the sockets are the caller's then.
  Leftovers Stop();

 private:
  // One socket's writes: as much as the system takes at once, the rest
  // kept in order for the loop.
  struct Outlet {
    mutable std::mutex mutex;
    int fd = -1;
    QByteArray pending;
    bool failed = false;
    // False when the bytes could not all be written now (the loop is woken).
    bool Write(QByteArrayView bytes);
    void Drain();
    bool Waiting() const;
  };

  void Run();
  void ReadClient();
  // Cuts what was read into lines and hands them over; the first
  // `sentAtOnce` went up already, and the one after was refused (counted
  // as undecided by Decide) when `refused`.
  void Feed(QByteArrayView chunk, std::size_t sentAtOnce, bool refused, bool attached);
  void FeedDeferred();
  void Hand(std::vector<Line> lines, bool gone);
  void TellNow();
  void Wake();

  int clientFd_;
  IrcLineReader reader_;  // the loop's alone
  // When the lines that went up are to be told of; the loop's alone.
  std::optional<std::chrono::steady_clock::time_point> tellAt_;
  // What was read last; its first bytes, whose whole lines all went up, may
  // wait here for the loop's next turn to be cut into lines. The loop's alone.
  char buffer_[16384];
  qsizetype deferred_ = 0;
  std::size_t deferredSent_ = 0;
  Decide decide_;
  Tell tell_;
  int wakeFd_ = -1;  // the proxy's thread wakes the loop
  Outlet client_;
  Outlet upstream_;

  mutable std::mutex mutex_;  // guards what follows
  News handed_;
  bool told_ = false;
  bool ended_ = false;  // the client's end was read: no more reading
  bool stopping_ = false;

  std::thread thread_;
};

}  // namespace irc
