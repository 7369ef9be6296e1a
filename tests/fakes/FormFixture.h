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

// The main window on a simulated desktop where "Joe" sits in the room
// "Lobby", with fake controls, a fake clock and a music folder of its own.
class FormFixture : public ::testing::Test {
 protected:
  FormFixture() {
    desktop.AddChild("Buddy List");
    desktop.AddWelcome("Joe");
    room = desktop.AddRoom("Lobby");
    QDir(exeDir.path()).mkpath("music");
    musicDir = exeDir.filePath("music");
    form = std::make_unique<Form1>(Form1::Platform{windows, runtime, player, chat, cd, boxes, process,
                                                   exeDir.path(), nullptr});
    form->File1->SetPath(musicDir);  // not the working directory of the test
    chat.StartScanning();
    NewCalls();
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

  // Makes empty files in the music folder and shows it in the file list.
  void MakeMusic(const std::vector<std::string>& names) {
    for (const auto& name : names) {
      QFile f(QDir(musicDir).filePath(QString::fromStdString(name)));
      f.open(QIODevice::WriteOnly);
    }
    form->File1->SetPath(musicDir);
  }

  static std::string Red(const std::string& message) {
    return "<font face=\"arial\"><font color=#ff0000>" + message;
  }
  static std::string Morva(const std::string& message) { return Red("\xE2\x80\xA2 Morva MP3 \xE2\x80\xA2 " + message); }

  WindowSystem windows;
  TestDesktop desktop{windows};
  TestDesktop::Room room;
  FakeRuntime runtime{1000.0};
  CallLog log;
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
