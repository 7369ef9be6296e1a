#include "platform/chatscanner/ChatScanner.h"

#include <QAbstractEventDispatcher>

#include "platform/chatclient/ChatClient.h"
#include "platform/chathtml/ChatHtml.h"

ChatScanner::ChatScanner(ChatClient& client, QObject* parent) : QObject(parent), client_(client) {}

void ChatScanner::StartScanning() {
  if (scanning_) return;
  scanning_ = true;
  connect(&client_, &ChatClient::lineShown, this, &ChatScanner::Report);
}

void ChatScanner::Report(const QString& screenName, const QString& line) {
  if (!handler_) return;
  held_.emplace_back(screenName, line);
  if (!followingTheLoop_) FollowTheLoop();
}

// Every pass of the loop starts with one of these two signals: awake when it
// may not wait, aboutToBlock before it may. A pass with nothing held costs a
// look at an empty queue.
void ChatScanner::FollowTheLoop() {
  QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance(thread());
  if (!loop) return;  // no event loop yet: the next line shown tries again
  followingTheLoop_ = true;
  connect(loop, &QAbstractEventDispatcher::awake, this, &ChatScanner::DeliverHeld, Qt::DirectConnection);
  connect(loop, &QAbstractEventDispatcher::aboutToBlock, this, &ChatScanner::DeliverHeld, Qt::DirectConnection);
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
