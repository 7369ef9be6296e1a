#pragma once

#include <deque>
#include <utility>

#include <QObject>

#include "src/seams/ChatScannerControl.h"

class ChatClient;

// The chat scanner: after StartScanning() it reports every line the open room
// of the chat client shows, the user's own included, as (screen name, text
// without the chat's HTML tags). Each report is a queued event on the
// user-interface thread, so it comes after the line is shown and never from
// inside the call that sent it. A change of room changes nothing: whatever
// room is open is the one read.
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

  ChatClient& client_;
  LineReceivedHandler handler_;
  bool scanning_ = false;
  int depth_ = 0;
  // Lines shown and not yet delivered, as shown (chat HTML).
  std::deque<std::pair<QString, QString>> held_;
  bool deliveryPosted_ = false;
};
