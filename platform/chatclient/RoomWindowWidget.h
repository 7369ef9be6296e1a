#pragma once

#include <QWidget>

class ChatClient;
class QLineEdit;
class QListWidget;
class QTextBrowser;

// The open room on the desktop: the transcript with the chat's HTML shown as
// it means (font face, colour, bold, links), the member list, an input box and
// a send button. What is typed here goes through the room's input box window,
// as the console's lines do.
class RoomWindowWidget : public QWidget {
  Q_OBJECT

 public:
  explicit RoomWindowWidget(ChatClient& client, QWidget* parent = nullptr);

 private:
  void ShowRoom();
  void AppendLine(const QString& screenName, const QString& text);
  void ShowMembers();
  void Send();

  ChatClient& client_;
  QTextBrowser* transcript_;
  QListWidget* members_;
  QLineEdit* input_;
};
