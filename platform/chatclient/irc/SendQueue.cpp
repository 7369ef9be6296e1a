#include "platform/chatclient/irc/SendQueue.h"

#include <algorithm>
#include <utility>

namespace irc {

SendQueue::SendQueue(int burst, Clock::duration interval, std::size_t most)
    : interval_(std::max(interval, Clock::duration(1))),
      slack_((std::max(burst, 1) - 1) * interval_),
      most_(std::max<std::size_t>(most, 1)) {}

bool SendQueue::Push(QByteArray line) {
  if (lines_.empty()) dropping_ = false;
  bool tell = false;
  if (lines_.size() >= most_) {
    const auto oldest = std::find_if(lines_.begin(), lines_.end(),
                                     [](const QByteArray& waiting) { return waiting.startsWith("PRIVMSG "); });
    if (oldest != lines_.end()) {
      lines_.erase(oldest);
      tell = !std::exchange(dropping_, true);
    }
  }
  lines_.push_back(std::move(line));
  return tell;
}

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
