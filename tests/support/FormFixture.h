#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "platform/win32/WindowSystem.h"
#include "src/app/Form1.h"
#include "tests/support/FakeControls.h"
#include "tests/support/FakeRuntime.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TestDesktop.h"

// The window system, recording into the shared call log what reaches our own
// window and, once told to, every line confirmed with Enter, so their order
// can be read against the controls' calls.
class RecordingWindows : public WindowSystem {
 public:
  explicit RecordingWindows(CallLog& log) : log_(log) {}

  HWND own = kNullWindow;     // set by the fixture once the window exists
  bool recordLines = true;    // log "line:TEXT" for every line sent

  LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (recordLines && message == WM_CHAR && wParam == 13) log_.push_back("line:" + Title(window));
    if (window == own && message == WM_SYSCOMMAND) {
      const auto* position = reinterpret_cast<const std::int32_t*>(lParam);
      log_.push_back("syscommand:" + std::to_string(wParam) + ":" + (position ? std::to_string(*position) : "null"));
    }
    return WindowSystem::SendMessageA(window, message, wParam, lParam);
  }
  BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) override {
    if (window == own)
      log_.push_back("setwindowpos:" + std::to_string(insertAfter) + ":" + std::to_string(flags));
    return WindowSystem::SetWindowPos(window, insertAfter, x, y, cx, cy, flags);
  }
  BOOL ReleaseCapture() override {
    log_.push_back("releasecapture");
    return WindowSystem::ReleaseCapture();
  }

 private:
  CallLog& log_;
};

// The main window on a simulated desktop where "Joe" sits in the room
// "Lobby", with fake controls, a fake clock and a temporary folder as the
// executable's directory. MakeForm makes the window as the program does,
// before its load; MakeReadyForm makes it as the commands find it after the
// load: scanning, its file list on a music folder of its own.
class FormFixture : public ::testing::Test {
 protected:
  FormFixture() {
    desktop.AddChild("Buddy List");
    desktop.AddWelcome("Joe");
    room = desktop.AddRoom("Lobby");
    QDir(exeDir.path()).mkpath("music");
    musicDir = exeDir.filePath("music");
  }

  Form1& MakeForm(std::function<QWidget*(QWidget*)> panel = nullptr, QString settingsFolder = {}) {
    if (settingsFolder.isEmpty()) settingsFolder = exeDir.path();
    form = std::make_unique<Form1>(Form1::Platform{windows, runtime, player, chat, cd, boxes, process,
                                                   settingsFolder, std::move(panel)});
    windows.own = form->hWnd();
    return *form;
  }

  Form1& MakeReadyForm() {
    MakeForm();
    form->File1->SetPath(musicDir);  // not the working directory of the test
    chat.StartScanning();
    NewCalls();
    return *form;
  }

  // The owner (or someone else) says a line in the room.
  void Say(const QString& text, const QString& sender = "Joe") { chat.Receive(sender, text); }

  // Lines the room received since the last call.
  std::vector<std::string> NewLines() {
    std::vector<std::string> lines(desktop.sent().begin() + static_cast<long>(seenLines_), desktop.sent().end());
    seenLines_ = desktop.sent().size();
    return lines;
  }
  // Calls on the controls since the last call.
  std::vector<std::string> NewCalls() {
    std::vector<std::string> calls(log.begin() + static_cast<long>(seenCalls_), log.end());
    seenCalls_ = log.size();
    return calls;
  }
  // The entries of the call log that start with the prefix.
  std::vector<std::string> Logged(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& entry : log)
      if (entry.rfind(prefix, 0) == 0) found.push_back(entry);
    return found;
  }

  // Makes empty files in the music folder and shows it in the file list.
  void MakeMusic(const std::vector<std::string>& names) {
    for (const auto& name : names) {
      QFile f(QDir(musicDir).filePath(QString::fromStdString(name)));
      f.open(QIODevice::WriteOnly);
    }
    form->File1->SetPath(musicDir);
  }
  // A folder under the executable's directory holding empty files of these names.
  QString MakeMusicFolder(const QString& relative, const QStringList& names) const {
    const QString path = exeDir.filePath(relative);
    QDir().mkpath(path);
    for (const QString& name : names) {
      QFile file(QDir(path).filePath(name));
      file.open(QIODevice::WriteOnly);
    }
    return path;
  }

  void WriteSettings(const QByteArray& content) const {
    QFile file(exeDir.filePath("mp3.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
  }

  static std::string Utf8(const QString& text) { return text.toStdString(); }
  static std::string Red(const std::string& message) {
    return "<font face=\"arial\"><font color=#ff0000>" + message;
  }
  static std::string Morva(const std::string& message) { return Red("\xE2\x80\xA2 Morva MP3 \xE2\x80\xA2 " + message); }
  // A listing of the files a word finds: its head, an entry, and the prompt after the last.
  static std::string Multiple() { return Red("\xE2\x80\xA2 Morva MP3  [Multiple Strings Found]"); }
  static std::string Entry(int k, const std::string& name) {
    return Red("\xE2\x80\xA2  [" + std::to_string(k) + ") " + name + "]");
  }
  static std::string Prompt(int highest, const std::string& word = ".play") {
    return Red("\xE2\x80\xA2 Morva MP3  [Type ''" + word + "'' And 0 - " + std::to_string(highest) +
               " Or ''.cancel'']");
  }
  // The player's call that opens this file of the music folder.
  std::string Open(const std::string& name) const {
    return "player.OpenFile(" + musicDir.toStdString() + "/" + name + ")";
  }

  CallLog log;
  RecordingWindows windows{log};
  TestDesktop desktop{windows};
  TestDesktop::Room room;
  FakeRuntime runtime{1000.0};
  FakeMediaPlayer player{log};
  FakeCdPlayer cd{log};
  FakeChatScanner chat{log};
  FakeMessageBoxes boxes{log};
  FakeProcess process{log};
  QTemporaryDir exeDir;
  QString musicDir;
  std::unique_ptr<Form1> form;

 private:
  std::size_t seenLines_ = 0;
  std::size_t seenCalls_ = 0;
};

// The main window as the commands find it, made before each test. The
// room's lines are read with NewLines, so they stay out of the call log.
class CommandFixture : public FormFixture {
 protected:
  CommandFixture() {
    windows.recordLines = false;
    MakeReadyForm();
  }
};
