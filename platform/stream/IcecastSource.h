#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct shout;

namespace stream {

// Where the stream goes: an Icecast server's mount and its source password.
struct IcecastTarget {
  std::string host;
  int port = 8000;
  std::string user = "source";
  std::string mount = "/morva.mp3";
  std::string password;
};

// One source connection to Icecast, through libshout in its non-blocking
// mode, so that no call waits on the network for long: a connection that
// takes its time is polled, and what the socket does not take at once waits
// in libshout's queue (Backlog). Used by one thread.
class IcecastSource {
 public:
  enum class Outcome { Connected, Down, Refused };

  explicit IcecastSource(IcecastTarget target);
  ~IcecastSource();
  IcecastSource(const IcecastSource&) = delete;
  IcecastSource& operator=(const IcecastSource&) = delete;

  // Connects. Down: no server answers (or `stop` said to give up); Refused:
  // the server answered no (a wrong password, a mount that another source
  // holds). `why` tells which.
  Outcome Open(const std::function<bool()>& stop, std::string* why);
  // Sends MP3 frames; false when the connection is lost.
  bool Send(const std::vector<unsigned char>& bytes, std::string* why);
  // Bytes given to Send that the network has not taken yet.
  std::size_t Backlog();
  // The title listeners' players show (ICY StreamTitle); false when the
  // server did not take it.
  bool SetTitle(const std::string& title);
  void Close();

 private:
  void Make();

  const IcecastTarget target_;
  shout* shout_ = nullptr;
  bool open_ = false;
};

}  // namespace stream
