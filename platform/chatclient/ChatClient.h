#pragma once

#include <optional>

#include <QObject>
#include <QString>

#include "platform/chatclient/ChatClientOptions.h"
#include "platform/chatclient/ChatRoom.h"
#include "platform/win32/WindowSystem.h"

// The chat client: its windows in the window system and the local rooms
// behind them.
//
//   "AOL Frame25"
//     "AOL Toolbar" > "_AOL_Toolbar" > "_AOL_Combobox" > "Edit"   keyword box
//     "MDIClient"
//       "AOL Child" <room name>        the open room, on top:
//         "RICHCNTL" transcript, "RICHCNTL" input box, "_AOL_Listbox" members,
//         "_AOL_Icon" send button, "_AOL_Static" head count
//       "AOL Child" "Welcome, <screen name>!"   (signed on)
//       "AOL Child" "Buddy List Window"        (signed on) / "Sign On" (signed off)
//
// The input box takes WM_SETTEXT and characters; Enter sends its content to
// the open room as a line of the signed-on user and empties it. The keyword
// box takes WM_SETTEXT and characters; Enter on "aol://2719:2-2-" + name
// (blanks around the keyword and around the name ignored) goes to that room: its window
// opens on top and the window of the room left behind closes. One room is
// open at a time. Everything runs on the user-interface thread.
class ChatClient : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kPrivateRoomPrefix = "aol://2719:2-2-";

  ChatClient(WindowSystem& windows, ChatClientOptions options, QObject* parent = nullptr);
  ~ChatClient() override;
  ChatClient(const ChatClient&) = delete;
  ChatClient& operator=(const ChatClient&) = delete;

  WindowSystem& windows() const { return windows_; }
  const QString& screenName() const { return screenName_; }
  bool isSignedOn() const { return signedOn_; }
  // False once Close() has run.
  bool isRunning() const { return frame_ != kNullWindow; }

  // The open room; null when none is open.
  ChatRoom* openRoom() const { return openRoom_; }
  RoomHub& rooms() { return rooms_; }

  HWND frame() const { return frame_; }
  HWND mdiClient() const { return mdi_; }
  HWND keywordBox() const { return keywordBox_; }
  HWND welcomeWindow() const { return welcome_; }
  HWND roomWindow() const { return room_.window; }
  HWND roomInputBox() const { return room_.input; }

  // A member of the open room says the text; nothing when no room is open.
  void SayAs(const QString& screenName, const QString& text);
  // Goes to the room of that name, as the keyword box does. Nothing when
  // signed off, when the name is empty or when that room is already open.
  void EnterRoom(const QString& name);
  // Quits the client: all its windows go. Emits closed().
  void Close();

 signals:
  // A line was shown in the open room: its speaker and its text as sent.
  void lineShown(const QString& screenName, const QString& text);
  // Another room is now the open one.
  void roomChanged(const QString& roomName);
  void membersChanged();
  void closed();
  // Something the user should know that is not a line of the room.
  void notice(const QString& text);

 private:
  struct RoomWindows {
    HWND window = kNullWindow;
    HWND transcript = kNullWindow;
    HWND input = kNullWindow;
    HWND members = kNullWindow;
    HWND headCount = kNullWindow;
  };

  RoomWindows CreateRoomWindow(const QString& name);
  // Says the line in the open room and shows it.
  void SayInOpenRoom(const QString& screenName, const QString& text);
  void UpdateMemberWindows();
  LRESULT InputBoxProc(HWND window, UINT message, WPARAM wParam);
  LRESULT KeywordBoxProc(HWND window, UINT message, WPARAM wParam);
  void Type(HWND window, WPARAM character);
  // Types the character into an edit box; on Enter returns the box's text
  // and empties the box.
  std::optional<QString> Entered(HWND window, UINT message, WPARAM wParam);
  void GoToKeyword(const QString& keyword);

  WindowSystem& windows_;
  QString screenName_;
  bool signedOn_;
  RoomHub rooms_;
  ChatRoom* openRoom_ = nullptr;
  HWND frame_ = kNullWindow;
  HWND mdi_ = kNullWindow;
  HWND keywordBox_ = kNullWindow;
  HWND welcome_ = kNullWindow;
  RoomWindows room_;
};
