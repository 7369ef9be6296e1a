#include "platform/chatscanner/ChatScanner.h"

#include "platform/chatclient/ChatClient.h"
#include "platform/chathtml/ChatHtml.h"

ChatScanner::ChatScanner(ChatClient& client, QObject* parent) : QObject(parent), client_(client) {}

void ChatScanner::StartScanning() {
  if (scanning_) return;
  scanning_ = true;
  // Queued: the report is posted when the line is shown and delivered by the
  // event loop once the sender has returned.
  connect(&client_, &ChatClient::lineShown, this, &ChatScanner::Report, Qt::QueuedConnection);
}

void ChatScanner::Report(const QString& screenName, const QString& line) {
  if (!handler_) return;
  held_.emplace_back(screenName, chathtml::ChatHtmlText(line));
  DeliverHeld();
}

void ChatScanner::DeliverHeld() {
  while (!held_.empty() && depth_ < kMaxNesting && handler_) {
    // The handler gets its own copies; it may run event loops of its own.
    const auto [name, text] = std::move(held_.front());
    held_.pop_front();
    struct Nesting {
      int& depth;
      explicit Nesting(int& d) : depth(d) { ++depth; }
      ~Nesting() { --depth; }
    } nesting(depth_);
    handler_(name, text);
  }
}
