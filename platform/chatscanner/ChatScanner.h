#pragma once

#include <deque>
#include <utility>

#include <QObject>

#include "src/seams/ChatScannerControl.h"

class ChatClient;

// The chat scanner: after StartScanning() it reports every line the open room
// of the chat client shows, the user's own included, as (screen name, text
// without the chat's HTML tags). Reports come from the user-interface
// thread's event loop, at the start of its next pass, so they come after the
// line is shown and never from inside the call that sent it. A change of room
// changes nothing: whatever room is open is the one read.
//
// A line is shown from inside a pass (a socket read, a typed line) or before
// the loop runs again, so the next pass always comes: the lines held until
// then wait for it without an event of their own, whose wake-up of the loop
// would cost a busy room more than the lines do. A flood holds at most what
// one pass shows.
//
// A handler that waits lets the next report run inside it, and that one may
// wait too. So that a flood of lines cannot nest without end and exhaust the
// stack, reports beyond kMaxNesting deep are held, in order, until an inner
// handler has returned.
class ChatScanner : public QObject, public ChatScannerControl {
  Q_OBJECT

 public:
  static constexpr int kMaxNesting = 64;

  explicit ChatScanner(ChatClient& client, QObject* parent = nullptr);

  void StartScanning() override;
  void SetLineReceivedHandler(LineReceivedHandler handler) override { handler_ = std::move(handler); }
  bool isScanning() const { return scanning_; }

 private:
  void Report(const QString& screenName, const QString& line);
  void DeliverHeld();
  void FollowTheLoop();

  ChatClient& client_;
  LineReceivedHandler handler_;
  bool scanning_ = false;
  int depth_ = 0;
  // Lines shown and not yet delivered, as shown (chat HTML).
  std::deque<std::pair<QString, QString>> held_;
  bool followingTheLoop_ = false;
};
