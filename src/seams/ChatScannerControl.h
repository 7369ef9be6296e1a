#pragma once

#include <functional>

#include <QString>

// The chat scanner hosted as Chat1. After StartScanning() it reports every new
// line of the open chat room, the owner's own lines included, on the
// user-interface thread and never from inside the call that sent the line.
class ChatScannerControl {
 public:
  using LineReceivedHandler = std::function<void(const QString& screenName, const QString& text)>;

  virtual ~ChatScannerControl() = default;

  virtual void StartScanning() = 0;
  // The LineReceived event: one handler, set by the main window.
  virtual void SetLineReceivedHandler(LineReceivedHandler handler) = 0;
};
