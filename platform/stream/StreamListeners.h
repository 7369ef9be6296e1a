#pragma once

#include <QString>

#include "src/seams/StreamInfo.h"

namespace stream {

// The listeners' address as the launcher settled it, for the commands.
class StreamListeners : public StreamInfo {
 public:
  explicit StreamListeners(QString address) : address_(std::move(address)) {}
  QString ListenersAddress() const override { return address_; }

 private:
  const QString address_;
};

}  // namespace stream
