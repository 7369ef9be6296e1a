#pragma once

#include <functional>

#include <QWidget>

#include "platform/chatclient/ChatRoom.h"

class ChatClient;
class ChatInputLine;
class QLabel;
class QListWidget;
class QTextEdit;

// The open room on the desktop, a front end of the chat client as the
// console is: the transcript, the member list with its count, an input box
// and a send button. Every line shows its time (HH:MM); a line's chat HTML is
// shown as chathtml::ReadChatHtml reads it (colour, face, bold, italic,
// underline, links as text with their address), everything else as the text
// it is; a colour too close to the background is darkened or lightened until
// it reads. What is typed here goes through the room's input box window, as
// the console's lines do, slash commands included.
//
// Closing the window closes the chat client, and with it the program. When
// something would stop with it (a track playing), the window asks first.
class RoomWindowWidget : public QWidget {
  Q_OBJECT

 public:
  // A line longer than this shows its first part and how much is left out:
  // laying out megabytes in one paragraph would freeze the window.
  static constexpr qsizetype kLongestShownLine = 16 * 1024;

  explicit RoomWindowWidget(ChatClient& client, QWidget* parent = nullptr);

  // What closing would stop ("the track Night Drive"), or empty for nothing.
  void SetWhatClosingStops(std::function<QString()> whatStops) { whatStops_ = std::move(whatStops); }
  // Asks the owner whether to close, naming what would stop; a message box
  // by default.
  void SetCloseQuestion(std::function<bool(const QString& question)> ask) { ask_ = std::move(ask); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowRoom();
  void AppendLine(const ChatLine& line);
  void AppendNotice(const QString& text);
  void ShowMembers();
  void Send();

  ChatClient& client_;
  QTextEdit* transcript_;
  QLabel* headCount_;
  QListWidget* members_;
  ChatInputLine* input_;
  std::function<QString()> whatStops_;
  std::function<bool(const QString&)> ask_;
};
