#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QString>

#include "src/controls/CdPlayerControl.h"
#include "src/controls/ChatScannerControl.h"
#include "src/controls/ControlError.h"
#include "src/controls/MediaPlayerControl.h"

// A shared call log, so a test sees the order of calls across controls.
using CallLog = std::vector<std::string>;

// Records each call; follows the state a real player would have closely
// enough for the commands: open file plays, pause pauses, stop stops.
class FakeMediaPlayer : public MediaPlayerControl {
 public:
  explicit FakeMediaPlayer(CallLog& log) : log_(log) {}

  void OpenFile(const QString& path) override {
    log_.push_back("player.OpenFile(" + path.toStdString() + ")");
    if (failOpen || (failOpenIf && failOpenIf(path))) throw ControlError("cannot open " + path.toStdString());
    state = kPlaying;
  }
  void Play() override {
    log_.push_back("player.Play");
    if (state != kClosed) state = kPlaying;
  }
  void Pause() override {
    log_.push_back("player.Pause");
    if (state == kPlaying) state = kPaused;
  }
  void Stop() override {
    log_.push_back("player.Stop");
    if (state != kClosed) state = kStopped;
  }
  int PlayState() const override { return state; }
  void SetPlayCount(std::int32_t count) override { log_.push_back("player.PlayCount=" + std::to_string(count)); }
  void SetMute(bool mute) override { log_.push_back(std::string("player.Mute=") + (mute ? "true" : "false")); }
  void SetVolume(std::int32_t volume) override { log_.push_back("player.Volume=" + std::to_string(volume)); }
  double Duration() const override { return duration; }

  int state = kClosed;
  double duration = 0;
  bool failOpen = false;
  std::function<bool(const QString&)> failOpenIf;

 private:
  CallLog& log_;
};

class FakeCdPlayer : public CdPlayerControl {
 public:
  explicit FakeCdPlayer(CallLog& log) : log_(log) {}

  void Play() override {
    log_.push_back("cd.Play");
    if (track == 0 && tracks > 0) track = 1;
  }
  void Stop() override { log_.push_back("cd.Stop"); }
  void NextTrack() override {
    log_.push_back("cd.Next");
    if (track > 0 && track < tracks) ++track;
  }
  void PreviousTrack() override {
    log_.push_back("cd.Prev");
    if (track > 1) --track;
  }
  int CurrentTrack() const override {
    log_.push_back("cd.CurrentTrack");
    return track;
  }
  void CloseTray() override { log_.push_back("cd.CloseTray"); }
  void OpenTray() override { log_.push_back("cd.OpenTray"); }

  int tracks = 3;
  int track = 0;

 private:
  CallLog& log_;
};

class FakeChatScanner : public ChatScannerControl {
 public:
  explicit FakeChatScanner(CallLog& log) : log_(log) {}

  void StartScanning() override {
    log_.push_back("chat.StartScanning");
    scanning = true;
  }
  void SetLineReceivedHandler(LineReceivedHandler handler) override { handler_ = std::move(handler); }

  // Reports a line as the scanner would, if it has been started.
  void Receive(const QString& screenName, const QString& text) {
    if (scanning && handler_) handler_(screenName, text);
  }

  bool scanning = false;

 private:
  CallLog& log_;
  LineReceivedHandler handler_;
};
