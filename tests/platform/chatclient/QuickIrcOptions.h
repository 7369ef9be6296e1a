#pragma once

#include <chrono>

#include <QString>

#include "platform/chatclient/IrcTransport.h"

// The IRC client's timings cut short, so that no test waits for seconds:
// retries, a kick's rejoin and the pacing of own lines in milliseconds.
inline IrcOptions QuickIrcOptions(const QString& host, quint16 port) {
  using namespace std::chrono_literals;
  IrcOptions options;
  options.host = host;
  options.port = port;
  options.firstRetry = 50ms;
  options.longestRetry = 400ms;
  options.session.registration = 10s;
  options.session.rejoinAfterKick = 100ms;
  options.session.sendInterval = 20ms;
  return options;
}
