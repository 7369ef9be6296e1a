#include "platform/stream/Stream.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

#include "platform/stream/StreamEncoder.h"
#include "platform/stream/StreamFormat.h"
#include "src/seams/Diagnostic.h"

namespace stream {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

constexpr seconds kLongestDelay{60};
// What libshout may hold unsent (about 4 s at 128 kbit/s); beyond it the
// network is behind and new sound is dropped.
constexpr std::size_t kBacklogLimit = 64 * 1024;

Clock::duration Seconds(double value) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(value));
}

}  // namespace

Stream::Stream(Options options)
    : options_(std::move(options)),
      queue_(options_.queueSeconds),
      worker_([this] { Run(); }) {}

Stream::~Stream() {
  quit_ = true;
  queue_.Close();
  worker_.join();
}

std::string Stream::Server() const {
  return "Icecast at " + options_.target.host + ":" + std::to_string(options_.target.port);
}

void Stream::Run() {
  std::optional<StreamEncoder> encoder;
  try {
    encoder.emplace();
  } catch (const std::exception& error) {
    Diagnose(std::string("stream: ") + error.what() + "; no stream");
    return;
  }
  IcecastSource source(options_.target);
  const auto stop = [this] { return quit_.load(); };

  std::string title;
  bool connected = false;
  bool outage = false;   // told, until the server is back
  bool refused = false;  // told, until the server takes the source
  Clock::duration delay = seconds(1);
  Clock::time_point nextTry = Clock::now();
  Clock::time_point sentUntil = nextTry;
  std::vector<unsigned char> out;

  const auto retryLater = [&](Clock::duration after) {
    nextTry = Clock::now() + after;
    delay = std::min<Clock::duration>(after * 2, kLongestDelay);
  };

  while (!quit_) {
    if (!connected && Clock::now() >= nextTry) {
      std::string why;
      switch (source.Open(stop, &why)) {
        case IcecastSource::Outcome::Connected:
          connected = true;
          if (outage || refused) Diagnose("stream: " + Server() + " takes the stream again");
          outage = refused = false;
          delay = seconds(1);
          sentUntil = Clock::now();
          if (!title.empty()) source.SetTitle(title);
          break;
        case IcecastSource::Outcome::Refused:
          if (!refused)
            Diagnose("stream: " + Server() + " refuses the source for " + options_.target.mount + " (" + why +
                     "): a wrong MORVA_STREAM_PASSWORD, or another source holds the mount; trying again every minute");
          refused = true;
          retryLater(kLongestDelay);
          break;
        case IcecastSource::Outcome::Down:
          if (!outage && !refused && !quit_)
            Diagnose("stream: cannot reach " + Server() + " (" + why + "); the music plays on, trying again");
          outage = true;
          retryLater(delay);
          break;
      }
      continue;
    }

    // What gathered goes out each period; without a server it is let go as
    // often, so that none of it is stale once the server is back.
    const Clock::time_point tick = Clock::now() + options_.period;
    std::vector<Piece> pieces = queue_.Take(connected ? tick : std::min(tick, nextTry));
    if (quit_) break;
    out.clear();
    double length = 0.0;
    for (Piece& piece : pieces) {
      if (piece.kind == Piece::Kind::Title) {
        title = piece.title;
        if (connected) source.SetTitle(title);
      } else if (!connected) {
        // No server: what plays now is let go.
      } else if (piece.kind == Piece::Kind::Mpeg) {
        encoder->Flush(out);
        out.insert(out.end(), piece.mpeg.begin(), piece.mpeg.end());
        length += piece.seconds;
      } else {
        try {
          encoder->Encode(piece.samples.data(), piece.samples.size() / static_cast<std::size_t>(piece.channels),
                          piece.rate, piece.channels, out);
        } catch (const std::exception& error) {
          Diagnose(std::string("stream: ") + error.what());
        }
        length += piece.seconds;
      }
    }
    if (!connected) continue;
    if (length <= 0.0) {
      // Nothing plays: silence, up to the full lead again.
      const auto wanted = std::chrono::duration<double>(Clock::now() + options_.lead - sentUntil).count();
      if (wanted > 0)
        length = static_cast<double>(encoder->Silence(static_cast<std::size_t>(wanted * kRate), out)) / kRate;
    }
    sentUntil = std::max(sentUntil, Clock::now()) + Seconds(length);
    // A network that cannot keep up gets no more until it has taken what it holds.
    if (source.Backlog() > kBacklogLimit) out.clear();
    std::string why;
    if (!source.Send(out, &why)) {
      connected = false;
      outage = true;
      Diagnose("stream: lost " + Server() + " (" + why + "); the music plays on, trying again");
      delay = seconds(1);
      retryLater(delay);
    }
  }
}

}  // namespace stream
