#pragma once

#include <cstdio>
#include <functional>
#include <memory>

#include <QByteArray>
#include <QObject>
#include <QString>

class ChatClient;
class QSocketNotifier;

// The chat client's console front end.
//
// Output (from construction on): every line the open room shows is written as
// NAME + ": " + the line as sent, in UTF-8, and flushed at once; a change of
// room writes "*** Now in room " + name, and a notice of the client "*** " +
// its text. Nothing else is ever written there.
//
// Input (after Start): each line read is typed into the open room's input box
// and sent, as the signed-on user would; "/as NAME TEXT" makes member NAME say
// TEXT in the open room; "/quit" closes the client and calls the quit handler.
// Bytes that are not UTF-8 become U+FFFD, NUL bytes are dropped, a trailing CR
// goes, and a line longer than kMaxLineBytes is cut there. At the end of the
// input the console stops reading; output goes on.
class Console : public QObject {
  Q_OBJECT

 public:
  static constexpr qsizetype kMaxLineBytes = 4 * 1024 * 1024;

  // Neither file is closed by the console.
  Console(ChatClient& client, FILE* in, FILE* out, QObject* parent = nullptr);
  ~Console() override;

  // What "/quit" does after closing the client; by default it leaves the
  // application's event loop with status 0.
  void SetQuitHandler(std::function<void()> handler) { quit_ = std::move(handler); }

  // Starts reading the input on the event loop.
  void Start();
  bool isReading() const { return notifier_ != nullptr; }

  // Handles one line of input (without its line feed), as if it had been read.
  void HandleInputLine(QByteArray line);

 signals:
  // The input has ended (end of file or a read error).
  void inputClosed();

 private:
  void ReadAvailable();
  void TakeLines(bool atEnd);
  void StopReading();
  void WriteLine(const QString& line);
  void TypeLine(const QString& text);

  ChatClient& client_;
  FILE* in_;
  FILE* out_;
  std::unique_ptr<QSocketNotifier> notifier_;
  QByteArray pending_;
  bool discarding_ = false;  // the rest of an over-long line is skipped
  bool quitting_ = false;
  std::function<void()> quit_;
};
