#pragma once

#include <QString>

#include "platform/chatclient/ChatTransport.h"

// The rooms of this process: nobody else is in them unless a line is said
// in another member's name. Everything answers at once.
class LocalRooms : public ChatTransport {
  Q_OBJECT

 public:
  using ChatTransport::ChatTransport;

  void SignOn(const QString& screenName) override;
  bool IsSignedOn() const override { return signedOn_; }
  void Join(const QString& room) override { emit joined(room); }
  void Part(const QString&) override {}
  void Say(const QString&, const QString&) override {}
  bool SayAs(const QString& room, const QString& member, const QString& text) override;
  // Nobody else hears them, but they are said.
  bool Act(const QString&, const QString&) override { return true; }
  bool SayPrivately(const QString&, const QString&) override { return true; }

 private:
  bool signedOn_ = false;
};
