#include "platform/stream/StreamQueue.h"

#include "platform/stream/StreamFormat.h"

namespace stream {

StreamQueue::StreamQueue(double limitSeconds) : limitSeconds_(limitSeconds) {}

namespace {
// Sound after a new title that wakes the taker: enough for a listener's
// player to start on, past the near silence a file begins with.
constexpr double kTitledSeconds = 0.25;
}  // namespace

bool StreamQueue::Due() const { return closed_ || titledSeconds_ >= kTitledSeconds; }

void StreamQueue::Title(const std::string& title) {
  Piece piece;
  piece.kind = Piece::Kind::Title;
  piece.title = title;
  std::lock_guard lock(mutex_);
  passing_ = false;  // what follows comes from elsewhere
  Push(std::move(piece));
}

namespace {

// A player hands over a few hundredths of a second at a time. Sound that
// follows sound of the same kind is added to the piece before it, up to this
// long, so that the queue makes one piece, not one allocation, per chunk;
// pieces stay short enough to drop the oldest sound in small steps.
constexpr double kPieceSeconds = 0.1;

bool PassesAsItIs(std::span<const unsigned char> mpeg) {
  return mpeg.size() >= 4 && IsStreamFormat(std::uint32_t{mpeg[0]} << 24 | std::uint32_t{mpeg[1]} << 16 |
                                            std::uint32_t{mpeg[2]} << 8 | std::uint32_t{mpeg[3]});
}

}  // namespace

void StreamQueue::Sound(const std::int16_t* samples, std::size_t frames, long rate, int channels,
                        std::span<const unsigned char> mpeg) {
  if (frames == 0 || rate <= 0 || channels <= 0) return;
  const double seconds = static_cast<double>(frames) / static_cast<double>(rate);
  const bool passes = PassesAsItIs(mpeg);
  const std::size_t count = frames * static_cast<std::size_t>(channels);
  bool wake = false;  // the taker, once the lock is let go
  {
    std::unique_lock lock(mutex_);
    if (closed_) return;
    // Sound after a new title wakes the taker.
    const bool wasDue = Due();
    if (titled_) titledSeconds_ += seconds;
    wake = Due() && !wasDue;
    // A player's chunk is shorter than an MPEG frame now and then, and its
    // sound then lies in the frame handed over with the chunk before: it
    // goes out in that frame, and only its time is counted here.
    const bool covered = !passes && mpeg.empty() && passing_ && rate == kRate && channels == passingChannels_ &&
                         frames <= static_cast<std::size_t>(kMpegFrameSamples);
    passing_ = passes || covered;
    if (passes) passingChannels_ = channels;
    Piece* last = pieces_.empty() ? nullptr : &pieces_.back();
    const bool joins =
        last && (passes || covered ? last->kind == Piece::Kind::Mpeg && (covered || last->seconds < kPieceSeconds)
                                   : last->kind == Piece::Kind::Pcm && last->rate == rate &&
                                         last->channels == channels && last->seconds < kPieceSeconds);
    if (joins) {
      if (passes) last->mpeg.insert(last->mpeg.end(), mpeg.begin(), mpeg.end());
      if (!passes && !covered) last->samples.insert(last->samples.end(), samples, samples + count);
      last->seconds += seconds;
      queuedSeconds_ += seconds;
    } else if (covered) {
      Piece time;  // no bytes: the time of frames already queued or taken
      time.kind = Piece::Kind::Mpeg;
      time.seconds = seconds;
      Push(std::move(time));
    }
    if (joins || covered) {
      lock.unlock();
      if (wake) ready_.notify_one();
      return;
    }
  }
  // A new piece, made outside the lock, with room for what will join it.
  Piece piece;
  piece.seconds = seconds;
  if (passes) {
    piece.kind = Piece::Kind::Mpeg;
    piece.mpeg.reserve(static_cast<std::size_t>(static_cast<double>(mpeg.size()) * kPieceSeconds / seconds) +
                       mpeg.size() * 2);
    piece.mpeg.assign(mpeg.begin(), mpeg.end());
  } else {
    piece.kind = Piece::Kind::Pcm;
    piece.samples.reserve(static_cast<std::size_t>(kPieceSeconds * static_cast<double>(rate)) *
                              static_cast<std::size_t>(channels) + count);
    piece.samples.assign(samples, samples + count);
    piece.rate = rate;
    piece.channels = channels;
  }
  {
    std::lock_guard lock(mutex_);
    Push(std::move(piece));
  }
  if (wake) ready_.notify_one();
}

void StreamQueue::Push(Piece piece) {
  if (closed_) return;
  queuedSeconds_ += piece.seconds;
  titled_ = titled_ || piece.kind == Piece::Kind::Title;
  pieces_.push_back(std::move(piece));
  // Too much waits: the oldest sound goes; titles stay, in their order.
  for (auto it = pieces_.begin(); queuedSeconds_ > limitSeconds_ && it != pieces_.end();) {
    if (it->kind == Piece::Kind::Title) {
      ++it;
      continue;
    }
    queuedSeconds_ -= it->seconds;
    droppedSeconds_ += it->seconds;
    it = pieces_.erase(it);
  }
}

std::vector<Piece> StreamQueue::Take(std::optional<Clock::time_point> until) {
  std::unique_lock lock(mutex_);
  const auto due = [this] { return Due(); };
  if (until) {
    ready_.wait_until(lock, *until, due);
  } else {
    ready_.wait(lock, due);
  }
  std::vector<Piece> taken;
  if (closed_) return taken;
  taken.assign(std::make_move_iterator(pieces_.begin()), std::make_move_iterator(pieces_.end()));
  pieces_.clear();
  queuedSeconds_ = 0.0;
  // A title taken on the clock, before enough of its sound came, goes on
  // counting: the rest of that sound still wakes the taker, and the new
  // track does not wait a whole period for it.
  if (Due()) {
    titled_ = false;
    titledSeconds_ = 0.0;
  }
  return taken;
}

void StreamQueue::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  pieces_.clear();
  ready_.notify_all();
}

double StreamQueue::DroppedSeconds() const {
  std::lock_guard lock(mutex_);
  return droppedSeconds_;
}

}  // namespace stream
