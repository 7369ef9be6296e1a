#include "platform/chatclient/ChatClient.h"

#include <algorithm>
#include <utility>

#include <QScopeGuard>
#include <QStringEncoder>

#include "platform/chathtml/ChatHtml.h"
#include "platform/chatclient/LocalRooms.h"
#include "platform/chatclient/irc/IrcToHtml.h"
#include "src/seams/Diagnostic.h"

namespace {

std::string Bytes(const QString& text) { return text.toUtf8().toStdString(); }
QString Text(const std::string& bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())); }

// "!" ends the name in the welcome title, so it cannot be part of one.
QString CleanScreenName(const QString& requested) {
  QString name = ChatRoom::SingleLine(requested).trimmed();
  if (name.contains('!')) {
    Diagnose("a screen name cannot contain \"!\"; signing on without it");
    name.remove('!');
  }
  return name.isEmpty() ? DefaultScreenName() : name;
}

// "NAME: TEXT" in UTF-8, made in one piece: the transcript's title changes
// with every line of a busy room.
std::string SaidTitle(const QString& speaker, const QString& text) {
  QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
  std::string title(static_cast<std::size_t>(utf8.requiredSpace(speaker.size() + 2 + text.size())), '\0');
  char* end = utf8.appendToBuffer(title.data(), speaker);
  end = utf8.appendToBuffer(end, u": ");
  end = utf8.appendToBuffer(end, text);
  title.resize(static_cast<std::size_t>(end - title.data()));
  return title;
}

// A line of chat HTML as the owner reads it in a notice: the text without tags.
QString PlainText(const QString& chatHtml) {
  return chathtml::ChatHtmlText(ChatRoom::SingleLine(chatHtml));
}

}  // namespace

ChatClient::ChatClient(WindowSystem& windows, ChatClientOptions options, std::unique_ptr<ChatTransport> transport,
                       QObject* parent)
    : QObject(parent), windows_(windows), transport_(transport ? std::move(transport) : std::make_unique<LocalRooms>()),
      screenName_(CleanScreenName(options.screenName)), firstRoom_(options.openRoom ? options.room : QString()) {
  frame_ = windows_.CreateWindowA("AOL Frame25", "America  Online", kNullWindow, nullptr);
  HWND toolbar = windows_.CreateWindowA("AOL Toolbar", "", frame_, nullptr);
  HWND inner = windows_.CreateWindowA("_AOL_Toolbar", "", toolbar, nullptr);
  HWND combo = windows_.CreateWindowA("_AOL_Combobox", "", inner, nullptr);
  keywordBox_ = windows_.CreateWindowA("Edit", "", combo, [this](HWND w, UINT m, WPARAM wp, LPARAM) {
    return KeywordBoxProc(w, m, wp);
  });
  mdi_ = windows_.CreateWindowA("MDIClient", "", frame_, nullptr);
  signOn_ = windows_.CreateWindowA("AOL Child", "Sign On", mdi_, nullptr);

  ChatTransport& carrier = *transport_;
  connect(&carrier, &ChatTransport::signedOn, this, &ChatClient::OnSignedOn);
  connect(&carrier, &ChatTransport::signedOff, this, &ChatClient::OnSignedOff);
  connect(&carrier, &ChatTransport::ownNameChanged, this, &ChatClient::OnOwnNameChanged);
  connect(&carrier, &ChatTransport::joined, this, &ChatClient::OnJoined);
  connect(&carrier, &ChatTransport::joinRefused, this, &ChatClient::OnJoinRefused);
  connect(&carrier, &ChatTransport::roomNotice, this, [this](const QString& room, const QString& text) {
    if (!openRoom_ || openRoom_->name() != room) return;
    AddToOpenRoom({{}, FromTransport(text), ChatLine::Kind::Event, {}});
    emit roomNoticeShown(text);
  });
  entryLimit_.setSingleShot(true);
  entryLimit_.setInterval(options.entryLimit);
  connect(&entryLimit_, &QTimer::timeout, this, [this] { DropHeld("no answer yet about room " + entering_); });
  refusalQuiet_.setSingleShot(true);
  refusalQuiet_.setInterval(options.refusalQuiet);
  connect(&carrier, &ChatTransport::lineArrived, this, &ChatClient::OnLineArrived);
  connect(&carrier, &ChatTransport::membersChanged, this, &ChatClient::OnMembersChanged);
  connect(&carrier, &ChatTransport::notice, this, &ChatClient::notice);
  // Every notice, the transport's own included, reaches the owner wherever he reads.
  connect(this, &ChatClient::notice, &carrier, [&carrier](const QString& text) { carrier.TellOwner(text); });
  connect(&carrier, &ChatTransport::memberJoined, this,
          [this](const QString& room, const QString& who) { OnRoomNews(room, who + " joined the room"); });
  connect(&carrier, &ChatTransport::memberParted, this,
          [this](const QString& room, const QString& who, const QString& reason) {
            OnRoomNews(room, who + " left the room" + (reason.isEmpty() ? QString() : " (" + reason + ")"));
          });
  connect(&carrier, &ChatTransport::memberQuit, this,
          [this](const QString& room, const QString& who, const QString& reason) {
            OnRoomNews(room, who + " quit" + (reason.isEmpty() ? QString() : " (" + reason + ")"));
          });
  connect(&carrier, &ChatTransport::memberRenamed, this,
          [this](const QString& room, const QString& from, const QString& to) {
            OnRoomNews(room, from + " is now known as " + to);
          });
  connect(&carrier, &ChatTransport::memberKicked, this,
          [this](const QString& room, const QString& who, const QString& by, const QString& reason) {
            OnRoomNews(room, who + " was kicked out by " + by + (reason.isEmpty() ? QString() : " (" + reason + ")"));
          });
  connect(&carrier, &ChatTransport::topicChanged, this,
          [this](const QString& room, const QString& topic, const QString& by) {
            OnRoomNews(room, (by.isEmpty() ? QStringLiteral("The topic is: ") : by + " changed the topic to: ") + topic);
          });
  connect(&carrier, &ChatTransport::memberMarksChanged, this, [this](const QString& room, const QStringList& marked) {
    ChatRoom& changed = rooms_.Room(room);
    changed.SetMarks(marked);
    if (&changed != openRoom_) return;
    UpdateMemberWindows();
    emit membersChanged();
  });
  if (options.signedOn) carrier.SignOn(screenName_);
}

ChatClient::~ChatClient() {
  // The transport goes first: nothing it says may reach a client half gone.
  transport_->disconnect(this);
  if (frame_ != kNullWindow) windows_.DestroyWindow(frame_);
}

void ChatClient::Close() {
  if (frame_ == kNullWindow) return;
  if (openRoom_) {
    transport_->Part(openRoom_->name());
    openRoom_->Leave(screenName_);
  }
  openRoom_ = nullptr;
  windows_.DestroyWindow(frame_);
  frame_ = mdi_ = keywordBox_ = welcome_ = buddyList_ = signOn_ = kNullWindow;
  room_ = {};
  emit closed();
}

void ChatClient::OnSignedOn(const QString& screenName) {
  if (!isRunning()) return;
  screenName_ = screenName;
  if (signOn_ != kNullWindow) windows_.DestroyWindow(signOn_);
  signOn_ = kNullWindow;
  if (welcome_ == kNullWindow) {
    buddyList_ = windows_.CreateWindowA("AOL Child", "Buddy List Window", mdi_, nullptr);
    welcome_ = windows_.CreateWindowA("AOL Child", Bytes("Welcome, " + screenName_ + "!").c_str(), mdi_, nullptr);
  }
  if (std::exchange(lost_, false)) emit notice("Connected again, as " + screenName_);
  // Back on after a lost connection, the open room is entered again.
  const QString room = openRoom_ ? openRoom_->name() : std::exchange(firstRoom_, QString());
  if (!room.isEmpty()) transport_->Join(room);
}

void ChatClient::OnSignedOff() {
  if (!isRunning() || welcome_ == kNullWindow) return;
  lost_ = true;
  windows_.DestroyWindow(welcome_);
  windows_.DestroyWindow(buddyList_);
  welcome_ = buddyList_ = kNullWindow;
  signOn_ = windows_.CreateWindowA("AOL Child", "Sign On", mdi_, nullptr);
}

void ChatClient::OnOwnNameChanged(const QString& screenName) {
  const bool renamed = screenName != screenName_;
  if (openRoom_) {
    openRoom_->Leave(screenName_);
    openRoom_->Join(screenName);
    // As other clients tell it, in the room where the owner is.
    if (renamed) AddToOpenRoom({{}, chathtml::EscapeChatHtml("You are now known as " + screenName), ChatLine::Kind::Event, {}});
  }
  screenName_ = screenName;
  if (welcome_ != kNullWindow) windows_.SetTitle(welcome_, Bytes("Welcome, " + screenName_ + "!"));
  UpdateMemberWindows();
}

QString ChatClient::RoomTitle() const {
  if (!openRoom_) return {};
  const QString where = transport_->NetworkName(openRoom_->name());
  return where == openRoom_->name() ? where : openRoom_->name() + " (" + where + ")";
}

std::vector<ChatLine> ChatClient::Lines(const QString& room) const {
  const ChatRoom* found = room.isEmpty() ? openRoom_ : rooms_.Find(room);
  if (!found) return {};
  return {found->lines().begin(), found->lines().end()};
}

QStringList ChatClient::Members(const QString& room) const {
  const ChatRoom* found = room.isEmpty() ? openRoom_ : rooms_.Find(room);
  return found ? found->members() : QStringList();
}

QStringList ChatClient::MemberList() const {
  if (!openRoom_) return {};
  struct Entry {
    int rank;
    QString key;
    QString shown;
  };
  std::vector<Entry> entries;
  for (const QString& member : openRoom_->members()) {
    const QString mark = openRoom_->MarkOf(member);
    const int rank = mark == u"@" ? 0 : mark == u"+" ? 1 : 2;
    entries.push_back({rank, member.toCaseFolded(), mark + member});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.rank != b.rank ? a.rank < b.rank : a.key != b.key ? a.key < b.key : a.shown < b.shown;
  });
  QStringList list;
  for (Entry& entry : entries) list.push_back(std::move(entry.shown));
  return list;
}

ChatClient::RoomWindows ChatClient::CreateRoomWindow(const QString& name) {
  RoomWindows room;
  room.window = windows_.CreateWindowA("AOL Child", Bytes(name).c_str(), mdi_, nullptr);
  // A new child stands on top of its siblings: created last, listed first.
  room.headCount = windows_.CreateWindowA("_AOL_Static", "", room.window, nullptr);
  windows_.CreateWindowA("_AOL_Icon", "Send", room.window, nullptr);
  room.members = windows_.CreateWindowA("_AOL_Listbox", "", room.window, nullptr);
  room.input = windows_.CreateWindowA("RICHCNTL", "", room.window, [this](HWND w, UINT m, WPARAM wp, LPARAM) {
    return InputBoxProc(w, m, wp);
  });
  room.transcript = windows_.CreateWindowA("RICHCNTL", "", room.window, nullptr);
  return room;
}

void ChatClient::EnterRoom(const QString& name) {
  if (!isRunning() || !isSignedOn() || name.isEmpty()) return;
  if (openRoom_ && openRoom_->name() == name) {
    windows_.BringToTop(room_.window);
    return;
  }
  entering_ = name;
  entryLimit_.start();
  transport_->Join(name);
}

void ChatClient::DropHeld(const QString& why) {
  for (const QString& line : std::exchange(held_, {})) emit notice("Not sent, " + why + ": " + PlainText(line));
}

void ChatClient::OnJoinRefused(const QString& room, const QString& reason) {
  emit notice("Could not enter room " + room + ": " + reason);
  if (room != entering_) return;
  entering_.clear();
  entryLimit_.stop();
  DropHeld("room " + room + " could not be entered");
  refusalQuiet_.start();
}

void ChatClient::OnJoined(const QString& name) {
  if (!isRunning()) return;
  if (name == entering_) {
    entering_.clear();
    entryLimit_.stop();
    refusalQuiet_.stop();
  }
  // Said in the room entered, once it is open: what was typed for it.
  auto held = qScopeGuard([this] {
    for (const QString& line : std::exchange(held_, {})) TypeLine(line);
  });
  if (openRoom_ && openRoom_->name() == name) return;  // back in it after a lost connection
  RoomWindows left = room_;
  if (openRoom_) {
    transport_->Part(openRoom_->name());
    openRoom_->Leave(screenName_);
  }
  openRoom_ = &rooms_.Room(name);
  openRoom_->Join(screenName_);
  room_ = CreateRoomWindow(name);
  if (left.window != kNullWindow) windows_.DestroyWindow(left.window);
  UpdateMemberWindows();
  emit roomChanged(name);
  emit membersChanged();
}

void ChatClient::OnLineArrived(const QString& room, const QString& screenName, const QString& text) {
  if (openRoom_ && openRoom_->name() == room) SayInOpenRoom(screenName, FromTransport(text));
}

QString ChatClient::FromTransport(const QString& text) const {
  return transport_->LinesAreIrcText() ? irc::IrcToChatHtml(text) : text;
}

void ChatClient::OnRoomNews(const QString& room, const QString& text) {
  if (!openRoom_ || openRoom_->name() != room) return;
  AddToOpenRoom({{}, FromTransport(transport_->LinesAreIrcText() ? text : chathtml::EscapeChatHtml(text)),
                 ChatLine::Kind::Event, {}});
}

void ChatClient::AddToOpenRoom(ChatLine line) {
  line.time = clock_.Now();
  const ChatRoom::Said kept = openRoom_->Add(std::move(line));
  emit lineAdded(kept.line);
}

void ChatClient::OnMembersChanged(const QString& room, const QStringList& members) {
  ChatRoom& changed = rooms_.Room(room);
  changed.SetMembers(members);
  if (&changed != openRoom_) return;
  UpdateMemberWindows();
  emit membersChanged();
}

void ChatClient::SayAs(const QString& screenName, const QString& text) {
  if (!openRoom_) return;
  if (!transport_->SayAs(openRoom_->name(), screenName, text)) emit notice("/as works only in the local room");
}

void ChatClient::TypeLine(const QString& text) {
  if (!isRunning()) return;
  if (room_.input == kNullWindow) return Typed(text);
  const QByteArray bytes = text.toUtf8();
  windows_.SendMessageA(room_.input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bytes.constData()));
  windows_.SendMessageA(room_.input, WM_CHAR, 13, 0);
}

void ChatClient::SayInOpenRoom(const QString& name, const QString& said) {
  // Counted before the line: a first line makes its speaker a member.
  const qsizetype before = openRoom_->members().size();
  // The line as said, whole, even when the room keeps it cut.
  openRoom_->Join(ChatRoom::SingleLine(name));
  const ChatRoom::Said line = openRoom_->Add({name, said, ChatLine::Kind::Said, clock_.Now()});
  const QString& speaker = line.line.screenName;
  const QString& text = line.line.text;
  const qsizetype keptCharacters = openRoom_->lines().back().text.size();
  windows_.SetTitle(room_.transcript, SaidTitle(speaker, text));
  if (openRoom_->members().size() != before) {
    UpdateMemberWindows();
    emit membersChanged();
  }
  emit lineAdded(line.line);
  emit lineShown(speaker, text);
  if (line.keptCut)
    emit notice(QStringLiteral("The transcript keeps only the first %1 of the %2 characters of a line from %3")
                    .arg(keptCharacters)
                    .arg(text.size())
                    .arg(speaker));
}

void ChatClient::UpdateMemberWindows() {
  if (!openRoom_) return;
  windows_.SetTitle(room_.members, Bytes(MemberList().join('\n')));
  windows_.SetTitle(room_.headCount, Bytes(QString::number(openRoom_->members().size()) + " people here"));
}

void ChatClient::Type(HWND window, WPARAM character) {
  std::string text = windows_.Title(window);
  if (character == 8) {
    // Backspace takes off one whole UTF-8 character.
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
    if (!text.empty()) text.pop_back();
  } else if (character >= 32 && character <= 0xFF) {
    // A character of the code page's upper half is one UTF-8 character too.
    text += QString(QChar(static_cast<char16_t>(character))).toStdString();
  }
  windows_.SetTitle(window, text);
}

std::optional<QString> ChatClient::Entered(HWND window, UINT message, WPARAM wParam) {
  if (message != WM_CHAR) return std::nullopt;
  if (wParam != 13) {
    Type(window, wParam);
    return std::nullopt;
  }
  const QString text = Text(windows_.Title(window));
  windows_.SetTitle(window, "");
  return text;
}

LRESULT ChatClient::InputBoxProc(HWND window, UINT message, WPARAM wParam) {
  // As in any chat client, Enter on an empty or blank box sends nothing.
  if (auto text = Entered(window, message, wParam)) Typed(*text);
  return 0;
}

void ChatClient::Typed(const QString& typed) {
  if (typed.trimmed().isEmpty()) return;
  if (typed.startsWith('/') && !typed.startsWith(QLatin1String("//"))) return RunCommand(typed);
  const QString text = typed.startsWith('/') ? typed.mid(1) : typed;
  if (!openRoom_) return emit notice("No room is open: not sent: " + PlainText(text));
  if (!transport_->IsSignedOn()) {
    emit notice("Not connected: not sent: " + PlainText(text));
    return;
  }
  if (!entering_.isEmpty() && entryLimit_.isActive()) {
    held_.push_back(typed);  // typed again once the room is entered
    return;
  }
  if (refusalQuiet_.isActive()) {
    emit notice("Not sent, a room just asked for could not be entered: " + PlainText(text));
    return;
  }
  // Shown at once, as the owner's own client shows it; then carried.
  const QString room = openRoom_->name();
  SayInOpenRoom(screenName_, text);
  transport_->Say(room, ChatRoom::SingleLine(text));
}

void ChatClient::RunCommand(const QString& line) {
  const QString body = ChatRoom::SingleLine(line.mid(1));
  const qsizetype space = body.indexOf(' ');
  const QString word = (space < 0 ? body : body.left(space)).toLower();
  const QString rest = space < 0 ? QString() : body.mid(space + 1);
  // NAME TEXT: the name up to the first blank, the text after it as it is.
  const QString trimmed = rest.trimmed();
  const qsizetype gap = trimmed.indexOf(' ');
  const QString name = gap < 0 ? trimmed : trimmed.left(gap);
  const QString nameText = gap < 0 ? QString() : rest.mid(rest.indexOf(name) + name.size() + 1);
  const auto needRoom = [this](const QString& what) {
    if (!openRoom_) emit notice("No room is open: " + what + " not sent");
    else if (!transport_->IsSignedOn()) emit notice("Not connected: " + what + " not sent");
    return openRoom_ && transport_->IsSignedOn();
  };

  if (word == u"quit") {
    Close();
  } else if (word == u"join") {
    if (trimmed.isEmpty()) return emit notice("Usage: /join ROOM");
    if (!isSignedOn()) return emit notice("Not connected: cannot go to room " + trimmed);
    EnterRoom(trimmed);
  } else if (word == u"nick") {
    if (trimmed.isEmpty() || gap >= 0) return emit notice("Usage: /nick NAME");
    if (!transport_->ChangeName(trimmed)) emit notice("/nick works only on a chat network; here you are " + screenName_);
  } else if (word == u"as") {
    if (name.isEmpty() || nameText.isEmpty()) return emit notice("Usage: /as NAME TEXT");
    SayAs(name, nameText);
  } else if (word == u"me") {
    if (trimmed.isEmpty()) return emit notice("Usage: /me TEXT");
    if (!needRoom("/me")) return;
    if (!transport_->Act(openRoom_->name(), rest)) return emit notice("/me is not carried here: not sent");
    AddToOpenRoom({screenName_, rest, ChatLine::Kind::Action, {}});
  } else if (word == u"msg") {
    if (name.isEmpty() || nameText.trimmed().isEmpty()) return emit notice("Usage: /msg NAME TEXT");
    if (!transport_->IsSignedOn()) return emit notice("Not connected: /msg not sent");
    if (!transport_->SayPrivately(name, nameText)) return emit notice("/msg is not carried here: not sent");
    if (openRoom_) {
      AddToOpenRoom({name, nameText, ChatLine::Kind::Private, {}});
    } else {
      emit notice("To " + name + " only: " + chathtml::ChatHtmlText(nameText));
    }
  } else {
    emit notice("Unknown command /" + (space < 0 ? body : body.left(space)) +
                ": not sent. Commands: /me, /msg, /join, /nick, /as, /quit; start with // to say a line beginning with /");
  }
}

LRESULT ChatClient::KeywordBoxProc(HWND window, UINT message, WPARAM wParam) {
  if (auto keyword = Entered(window, message, wParam)) GoToKeyword(*keyword);
  return 0;
}

void ChatClient::GoToKeyword(const QString& keyword) {
  const QString address = keyword.trimmed();
  const QString prefix = QString::fromLatin1(kPrivateRoomPrefix);
  if (!address.startsWith(prefix)) return;
  // Blanks around the room name mean nothing either ("aol://2719:2-2- x").
  EnterRoom(address.mid(prefix.size()).trimmed());
}
