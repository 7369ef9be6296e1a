#pragma once

#include <cstdio>
#include <functional>
#include <memory>

#include <QByteArray>
#include <QObject>
#include <QString>

class ChatClient;
struct ChatLine;
class QSocketNotifier;

// The chat client's console front end.
//
// Output (from construction on), in UTF-8 and flushed at once, one line for
// each, every line as its visible text (its chat HTML read as the room window
// reads it): a line said in the open room as NAME + ": " + TEXT; an action as
// "* NAME TEXT", a private line of the owner's as "-> *NAME* TEXT", the
// room's news (joins, topics) as "*** " + TEXT; a change of room as
// "*** Now in room " + name, and each of the client's notices as
// "*** " + the notice. Nothing else is ever written there.
//
// Input (after Start): each line read is typed into the open room's input box,
// as the signed-on user would; the client runs the slash commands ("/me",
// "/msg", "/join", "/nick", "/as", "/quit"). Once the client is closed, by
// "/quit" or otherwise, the console stops reading and calls the quit handler.
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

  // What follows the client's closing; by default it leaves the
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
  static QString Shown(const ChatLine& line);

  ChatClient& client_;
  FILE* in_;
  FILE* out_;
  std::unique_ptr<QSocketNotifier> notifier_;
  QByteArray pending_;
  bool discarding_ = false;  // the rest of an over-long line is skipped
  bool quitting_ = false;
  std::function<void()> quit_;
};
