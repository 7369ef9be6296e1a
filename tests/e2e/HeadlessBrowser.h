#pragma once

#include <chrono>

#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QWebSocket>

// A real browser for one test: Debian's headless Chromium with a profile in
// the test's folder, driven over its DevTools protocol on loopback (a
// WebSocket). Autoplay needs no gesture, and its sound is muted, so no sound
// card is needed. Ends with the object.
class HeadlessBrowser {
 public:
  explicit HeadlessBrowser(const QString& folder);
  ~HeadlessBrowser();
  HeadlessBrowser(const HeadlessBrowser&) = delete;
  HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

  // Starts the browser and attaches to its page. Returns what went wrong, or
  // the empty text; `cannotStart` is set when the browser itself would not
  // run here (as opposed to a fault of the test).
  QString Start(bool* cannotStart);
  // Opens the address in the page.
  bool Navigate(const QString& url);
  // The value of a JavaScript expression in the page; undefined on failure.
  QJsonValue Evaluate(const QString& expression);

 private:
  // Sends one command (to the page once attached) and waits for its answer's result.
  QJsonObject Call(const QString& method, const QJsonObject& params,
                   std::chrono::milliseconds limit = std::chrono::seconds(15));

  const QString folder_;
  QProcess process_;
  QWebSocket socket_;
  QString session_;
  int lastId_ = 0;
  QJsonObject answer_;  // to the command waited for
  int waitingFor_ = 0;
};
