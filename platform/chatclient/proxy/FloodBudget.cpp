#include "platform/chatclient/proxy/FloodBudget.h"

#include <algorithm>

namespace irc {

FloodBudget::FloodBudget(int burst, Clock::duration interval)
    : interval_(std::max(interval, Clock::duration(1))), slack_((std::max(burst, 1) - 1) * interval_) {}

void FloodBudget::Spend(Clock::time_point now) { emptyAt_ = std::max(emptyAt_, now) + interval_; }

bool FloodBudget::Allows(Clock::time_point now) const { return emptyAt_ <= now + slack_; }

FloodBudget::Clock::time_point FloodBudget::AllowedFrom() const { return emptyAt_ - slack_; }

}  // namespace irc
