#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include <QByteArray>
#include <QString>

// How the program tells its owner, and him alone, that something failed or
// changed: one line on standard error, behind the program's name, and the
// same text to whoever the launcher named to hear it too (the chat client's
// notices, which reach the console, the room window and, behind the proxy,
// the owner's own IRC client). The room never sees it.
//
// The listener is the one process-wide hook: the launcher installs it with
// a DiagnosticListener for as long as the chat client lives. Any thread may
// call Diagnose; the listener must hand the text over to its own thread.
using DiagnosticListenerFunction = std::function<void(const QString&)>;

namespace diagnostic_detail {

struct Hook {
  std::mutex mutex;
  DiagnosticListenerFunction listener;
};

inline Hook& TheHook() {
  static Hook hook;
  return hook;
}

inline void Tell(const QString& text) {
  Hook& hook = TheHook();
  const std::lock_guard lock(hook.mutex);
  if (hook.listener) hook.listener(text);
}

}  // namespace diagnostic_detail

// Installs a listener while it lives; one at a time.
class DiagnosticListener {
 public:
  explicit DiagnosticListener(DiagnosticListenerFunction listener) {
    diagnostic_detail::Hook& hook = diagnostic_detail::TheHook();
    const std::lock_guard lock(hook.mutex);
    hook.listener = std::move(listener);
  }
  ~DiagnosticListener() {
    diagnostic_detail::Hook& hook = diagnostic_detail::TheHook();
    const std::lock_guard lock(hook.mutex);
    hook.listener = nullptr;
  }
  DiagnosticListener(const DiagnosticListener&) = delete;
  DiagnosticListener& operator=(const DiagnosticListener&) = delete;
};

inline void Diagnose(const QString& message) {
  const QByteArray bytes = message.toLocal8Bit();
  std::fprintf(stderr, "morva: %.*s\n", static_cast<int>(bytes.size()), bytes.constData());
  diagnostic_detail::Tell(message);
}

inline void Diagnose(std::string_view message) {
  Diagnose(QString::fromLocal8Bit(message.data(), static_cast<qsizetype>(message.size())));
}

inline void Diagnose(const char* message) { Diagnose(std::string_view(message)); }
inline void Diagnose(const std::string& message) { Diagnose(std::string_view(message)); }
