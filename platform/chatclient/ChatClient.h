#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QString>
#include <QTimer>

#include "platform/chatclient/ChatClientOptions.h"
#include "platform/chatclient/ChatRoom.h"
#include "platform/chatclient/ChatTransport.h"
#include "platform/chatclient/LineClock.h"
#include "platform/win32/WindowSystem.h"

// The chat client: its windows in the window system, the transcript of its
// rooms, and a transport that carries the rooms: local ones in this process
// by default, or a chat network.
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
// the open room as a line of the signed-on user and empties it: the line is
// shown at once and the transport carries it to the others. The keyword box
// takes WM_SETTEXT and characters; Enter on "aol://2719:2-2-" + name (blanks
// around the keyword and around the name ignored) asks the transport for that
// room: once it is entered, its window opens on top and the window of the
// room left behind closes. One room is open at a time. Until the room asked
// for is entered (at most options.entryLimit), lines typed are held back and
// then said in it; when it is refused they are not sent, nor any typed in
// the next options.refusalQuiet, so that an arrival announced right after
// the request never lands in the room that was not left. While the transport is
// signed off the welcome window is gone, and a line typed is not sent: a
// notice says so. Everything runs on the user-interface thread.
//
// A line typed that starts with '/' is a command for the client, never sent
// as it is: "/me TEXT" (an action), "/msg NAME TEXT" (to one member alone,
// shown here as sent), "/join ROOM" (as the keyword box), "/nick NAME" (on a
// network), "/as NAME TEXT" (a member says it, in local rooms), "/quit"
// (closes the client). Any other is refused with a notice; "//text" says
// "/text". Lines are kept as chat HTML: the lines of a network that speaks
// IRC are turned into it, never read as it.
class ChatClient : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kPrivateRoomPrefix = "aol://2719:2-2-";

  // Without a transport the rooms are local ones.
  ChatClient(WindowSystem& windows, ChatClientOptions options, std::unique_ptr<ChatTransport> transport = nullptr,
             QObject* parent = nullptr);
  ~ChatClient() override;
  ChatClient(const ChatClient&) = delete;
  ChatClient& operator=(const ChatClient&) = delete;

  WindowSystem& windows() const { return windows_; }
  const QString& screenName() const { return screenName_; }
  bool isSignedOn() const { return welcome_ != kNullWindow; }
  // False once Close() has run.
  bool isRunning() const { return frame_ != kNullWindow; }

  // The open room's name; empty when none is open.
  QString openRoomName() const { return openRoom_ ? openRoom_->name() : QString(); }
  // The lines and members of a room, the open one by default; nothing for a
  // room never entered.
  std::vector<ChatLine> Lines(const QString& room = {}) const;
  QStringList Members(const QString& room = {}) const;
  // The open room's members as its member list shows them: operators ('@'
  // before the name), then voices ('+'), then the others, each group in
  // order of name regardless of case.
  QStringList MemberList() const;
  // How the network names the open room, for a window title: the room's
  // name, and its channel where that differs.
  QString RoomTitle() const;

  HWND frame() const { return frame_; }
  HWND mdiClient() const { return mdi_; }
  HWND keywordBox() const { return keywordBox_; }
  HWND welcomeWindow() const { return welcome_; }
  HWND roomWindow() const { return room_.window; }
  HWND roomInputBox() const { return room_.input; }

  // Types the line into the open room's input box and presses Enter, as the
  // owner does; the console and the room window both type this way. With no
  // room open, a command still runs, and a line is refused with a notice.
  void TypeLine(const QString& text);
  // A member of the open room says the text; nothing when no room is open,
  // and a notice where the transport cannot speak for others.
  void SayAs(const QString& screenName, const QString& text);
  // Goes to the room of that name, as the keyword box does. Nothing when
  // signed off, when the name is empty or when that room is already open.
  void EnterRoom(const QString& name);
  // Tells the owner alone: a notice, which the transport also carries to
  // wherever else he reads (his own IRC client behind the proxy).
  void TellOwner(const QString& text) { emit notice(text); }
  // Quits the client: all its windows go. Emits closed().
  void Close();

 signals:
  // A line was shown in the open room: its speaker and its text as sent.
  // Said lines only: the room's other lines come with lineAdded alone.
  void lineShown(const QString& screenName, const QString& text);
  // Any line added to the open room's transcript, said or not, with its time.
  void lineAdded(const ChatLine& line);
  // Another room is now the open one.
  void roomChanged(const QString& roomName);
  void membersChanged();
  // Something that happened in the open room and is no one's line (an
  // action, a channel notice); it is not part of the transcript.
  void roomNoticeShown(const QString& text);
  // Something for the owner to read, from the client or its network.
  void notice(const QString& text);
  void closed();

 private:
  struct RoomWindows {
    HWND window = kNullWindow;
    HWND transcript = kNullWindow;
    HWND input = kNullWindow;
    HWND members = kNullWindow;
    HWND headCount = kNullWindow;
  };

  RoomWindows CreateRoomWindow(const QString& name);
  void OnSignedOn(const QString& screenName);
  void OnSignedOff();
  void OnOwnNameChanged(const QString& screenName);
  void OnJoined(const QString& room);
  void OnJoinRefused(const QString& room, const QString& reason);
  // Lines held back for a room being entered are dropped, with a notice each.
  void DropHeld(const QString& why);
  void OnLineArrived(const QString& room, const QString& screenName, const QString& text);
  void OnMembersChanged(const QString& room, const QStringList& members);
  // Says the line in the open room and shows it.
  void SayInOpenRoom(const QString& screenName, const QString& text);
  // Keeps and shows a line that is not said (an action, a private line, news).
  void AddToOpenRoom(ChatLine line);
  // News of a room, as plain text, when that room is open.
  void OnRoomNews(const QString& room, const QString& text);
  // Text from the transport (a topic, a reason) as chat HTML.
  QString FromTransport(const QString& text) const;
  // A line the owner entered: a command, or a line for the open room.
  void Typed(const QString& text);
  void RunCommand(const QString& line);
  void UpdateMemberWindows();
  LRESULT InputBoxProc(HWND window, UINT message, WPARAM wParam);
  LRESULT KeywordBoxProc(HWND window, UINT message, WPARAM wParam);
  void Type(HWND window, WPARAM character);
  // Types the character into an edit box; on Enter returns the box's text
  // and empties the box.
  std::optional<QString> Entered(HWND window, UINT message, WPARAM wParam);
  void GoToKeyword(const QString& keyword);

  WindowSystem& windows_;
  std::unique_ptr<ChatTransport> transport_;
  QString screenName_;
  // The room to enter once signed on for the first time; empty for none.
  QString firstRoom_;
  RoomHub rooms_;
  LineClock clock_;
  ChatRoom* openRoom_ = nullptr;
  HWND frame_ = kNullWindow;
  HWND mdi_ = kNullWindow;
  HWND keywordBox_ = kNullWindow;
  HWND welcome_ = kNullWindow;
  HWND buddyList_ = kNullWindow;
  HWND signOn_ = kNullWindow;
  RoomWindows room_;
  // The connection went while signed on; its return is told.
  bool lost_ = false;
  // The room asked for and not yet entered, and the lines typed meanwhile.
  QString entering_;
  std::vector<QString> held_;
  QTimer entryLimit_;
  QTimer refusalQuiet_;
};
