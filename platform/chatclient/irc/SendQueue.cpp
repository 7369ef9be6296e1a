#include "platform/chatclient/irc/SendQueue.h"

#include <algorithm>

namespace irc {

SendQueue::SendQueue(int burst, Clock::duration interval)
    : interval_(std::max(interval, Clock::duration(1))), slack_((std::max(burst, 1) - 1) * interval_) {}

void SendQueue::Push(QByteArray line) { lines_.push_back(std::move(line)); }

void SendQueue::Spend(Clock::time_point now) {
  emptyAt_ = std::min(std::max(emptyAt_, now) + interval_, now + slack_ + interval_);
}

std::vector<QByteArray> SendQueue::TakeDue(Clock::time_point now) {
  std::vector<QByteArray> due;
  while (!lines_.empty() && Allows(now)) {
    Spend(now);
    due.push_back(std::move(lines_.front()));
    lines_.pop_front();
  }
  return due;
}

std::optional<SendQueue::Clock::time_point> SendQueue::NextDue() const {
  if (lines_.empty()) return std::nullopt;
  return emptyAt_ - slack_;
}

std::vector<QByteArray> SendQueue::Clear() {
  std::vector<QByteArray> unsent(std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()));
  lines_.clear();
  emptyAt_ = {};
  return unsent;
}

}  // namespace irc
