#pragma once

#include <QString>

// What the commands know of the stream of what plays: only where listeners
// connect.
class StreamInfo {
 public:
  virtual ~StreamInfo() = default;
  // The listeners' address; empty when no stream is on.
  virtual QString ListenersAddress() const = 0;
};
