#include "platform/stream/StreamQueue.h"

#include "platform/stream/StreamFormat.h"

namespace stream {

StreamQueue::StreamQueue(double limitSeconds, double batchSeconds)
    : limitSeconds_(limitSeconds), batchSeconds_(batchSeconds) {}

bool StreamQueue::Due() const {
  return closed_ || titled_ || (!pieces_.empty() && queuedSeconds_ >= batchSeconds_);
}

void StreamQueue::Title(const std::string& title) {
  Piece piece;
  piece.kind = Piece::Kind::Title;
  piece.title = title;
  std::lock_guard lock(mutex_);
  Push(std::move(piece));
}

void StreamQueue::Sound(const std::int16_t* samples, std::size_t frames, long rate, int channels,
                        std::span<const unsigned char> mpeg) {
  if (frames == 0 || rate <= 0 || channels <= 0) return;
  Piece piece;
  piece.seconds = static_cast<double>(frames) / static_cast<double>(rate);
  const bool passes = mpeg.size() >= 4 &&
                      IsStreamFormat(std::uint32_t{mpeg[0]} << 24 | std::uint32_t{mpeg[1]} << 16 |
                                     std::uint32_t{mpeg[2]} << 8 | std::uint32_t{mpeg[3]});
  if (passes) {
    piece.kind = Piece::Kind::Mpeg;
    piece.mpeg.assign(mpeg.begin(), mpeg.end());
  } else {
    piece.kind = Piece::Kind::Pcm;
    piece.samples.assign(samples, samples + frames * static_cast<std::size_t>(channels));
    piece.rate = rate;
    piece.channels = channels;
  }
  std::lock_guard lock(mutex_);
  Push(std::move(piece));
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
  if (Due()) ready_.notify_one();
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
  titled_ = false;
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
