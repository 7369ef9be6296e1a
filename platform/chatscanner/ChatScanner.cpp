#include "platform/chatscanner/ChatScanner.h"

#include "platform/chatclient/ChatClient.h"
#include "platform/chathtml/ChatHtml.h"

#include <utility>

ChatScanner::ChatScanner(ChatClient& client, QObject* parent) : QObject(parent), client_(client) {}

void ChatScanner::StartScanning() {
  if (scanning_) return;
  scanning_ = true;
  connect(&client_, &ChatClient::lineShown, this, &ChatScanner::Report);
}

void ChatScanner::Report(const QString& screenName, const QString& line) {
  if (!handler_) return;
  held_.emplace_back(screenName, line);
  // Delivered by the event loop once the sender has returned: one posted
  // event for all the lines shown until then, not one for each.
  if (std::exchange(deliveryPosted_, true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        deliveryPosted_ = false;
        DeliverHeld();
      },
      Qt::QueuedConnection);
}

void ChatScanner::DeliverHeld() {
  while (!held_.empty() && depth_ < kMaxNesting && handler_) {
    // The handler gets its own copies; it may run event loops of its own.
    const QString name = std::move(held_.front().first);
    const QString text = chathtml::ChatHtmlText(held_.front().second);
    held_.pop_front();
    struct Nesting {
      int& depth;
      explicit Nesting(int& d) : depth(d) { ++depth; }
      ~Nesting() { --depth; }
    } nesting(depth_);
    handler_(name, text);
  }
}
