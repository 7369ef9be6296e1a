#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QObject>
#include <QString>

#include "platform/chatclient/ChatClient.h"
#include "platform/win32/WindowSystem.h"
#include "src/aol/AolClient.h"
#include "tests/support/FakeRuntime.h"

// The chat client on a window system of its own, with "Joe" signed on in
// "Lobby" unless a test starts it otherwise, and the system's procedures to
// reach it. Every line the client shows and every room change is recorded.
class ChatFixture : public ::testing::Test {
 protected:
  struct Shown {
    QString screenName;
    QString text;
    bool operator==(const Shown&) const = default;
  };

  ChatFixture() { Start(Joe()); }

  // Starts the client anew with these options.
  void Start(const ChatClientOptions& options) {
    client_.reset();
    client_ = std::make_unique<ChatClient>(windows_, options);
    shown_.clear();
    rooms_.clear();
    QObject::connect(client_.get(), &ChatClient::lineShown,
                     [this](const QString& name, const QString& text) { shown_.push_back({name, text}); });
    QObject::connect(client_.get(), &ChatClient::roomChanged, [this](const QString& room) { rooms_.push_back(room); });
  }

  static ChatClientOptions Joe(QString room = "Lobby") {
    ChatClientOptions options;
    options.screenName = "Joe";
    options.room = std::move(room);
    return options;
  }

  WindowSystem windows_;
  FakeRuntime runtime_;
  AolClient aol_{windows_, runtime_};
  std::unique_ptr<ChatClient> client_;
  std::vector<Shown> shown_;
  std::vector<QString> rooms_;
};
