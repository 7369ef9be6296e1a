#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/win32/WindowSystem.h"
#include "src/app/Form1.h"
#include "tests/fakes/FakeControls.h"
#include "tests/fakes/FakeRuntime.h"
#include "tests/fakes/FakeServices.h"
#include "tests/fakes/TestDesktop.h"

// The window system, recording into the shared call log what reaches our own
// window and every line confirmed with Enter, so their order can be read
// against the controls' calls.
class RecordingWindows : public WindowSystem {
 public:
  explicit RecordingWindows(CallLog& log) : log_(log) {}

  HWND own = kNullWindow;  // set by the fixture once the window exists

  LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CHAR && wParam == 13) log_.push_back("line:" + Title(window));
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

// A fresh main window, not yet loaded, on a desktop where "Joe" sits in the
// room "Lobby"; the executable's directory is a temporary one.
class AppFixture : public ::testing::Test {
 protected:
  AppFixture() {
    desktop.AddWelcome("Joe");
    room = desktop.AddRoom("Lobby");
  }

  Form1& MakeForm(std::function<QWidget*(QWidget*)> panel = nullptr, QString executableDirectory = {}) {
    if (executableDirectory.isEmpty()) executableDirectory = exeDir.path();
    form = std::make_unique<Form1>(Form1::Platform{windows, runtime, player, chat, cd, boxes, process,
                                                   executableDirectory, std::move(panel)});
    windows.own = form->hWnd();
    return *form;
  }

  // The entries of the call log that start with the prefix.
  std::vector<std::string> Logged(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& entry : log)
      if (entry.rfind(prefix, 0) == 0) found.push_back(entry);
    return found;
  }

  void WriteSettings(const QByteArray& content) const {
    QFile file(exeDir.filePath("mp3.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
  }

  // A directory under the temporary one holding empty files of these names.
  QString MakeMusic(const QString& relative, const QStringList& names) const {
    const QString path = exeDir.filePath(relative);
    QDir().mkpath(path);
    for (const QString& name : names) {
      QFile file(QDir(path).filePath(name));
      file.open(QIODevice::WriteOnly);
    }
    return path;
  }

  static std::string Utf8(const QString& text) { return text.toStdString(); }

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
  std::unique_ptr<Form1> form;
};
