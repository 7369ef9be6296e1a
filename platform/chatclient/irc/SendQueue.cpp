#include "platform/chatclient/irc/SendQueue.h"

#include <algorithm>

namespace irc {

SendQueue::SendQueue(int burst, Clock::duration interval)
    : burst_(std::max(burst, 1)),
      interval_(std::max(interval, Clock::duration(1))),
      tokens_(burst_) {}

void SendQueue::Push(QByteArray line) { lines_.push_back(std::move(line)); }

void SendQueue::Refill(Clock::time_point now) {
  lastNow_ = std::max(lastNow_, now);
  if (tokens_ >= burst_ || now <= refilledAt_) return;
  const auto gained = (now - refilledAt_) / interval_;
  if (gained <= 0) return;
  tokens_ = int(std::min<decltype(gained)>(burst_, tokens_ + gained));
  refilledAt_ += gained * interval_;
}

std::vector<QByteArray> SendQueue::TakeDue(Clock::time_point now) {
  Refill(now);
  std::vector<QByteArray> due;
  while (tokens_ > 0 && !lines_.empty()) {
    if (tokens_ == burst_) refilledAt_ = now;
    --tokens_;
    due.push_back(std::move(lines_.front()));
    lines_.pop_front();
  }
  return due;
}

std::optional<SendQueue::Clock::time_point> SendQueue::NextDue() const {
  if (lines_.empty()) return std::nullopt;
  if (tokens_ > 0) return lastNow_;
  return refilledAt_ + interval_;
}

std::vector<QByteArray> SendQueue::Clear() {
  std::vector<QByteArray> unsent(std::make_move_iterator(lines_.begin()),
                                 std::make_move_iterator(lines_.end()));
  lines_.clear();
  tokens_ = burst_;
  return unsent;
}

}  // namespace irc
