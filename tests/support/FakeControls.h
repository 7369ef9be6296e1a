#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include <QString>

#include "src/seams/CdPlayerControl.h"
#include "src/seams/ChatScannerControl.h"
#include "src/seams/ControlError.h"
#include "src/seams/MediaPlayerControl.h"

// A shared call log, so a test sees the order of calls across controls.
using CallLog = std::vector<std::string>;

// What every fake control can be told: which of its calls fail, and what to
// run before each call.
class FakeControl {
 public:
  // Calls by name ("OpenFile", "Pause", "CurrentTrack", ...) that are logged
  // and then fail with ControlError.
  std::set<std::string> failing;
  // Runs before each call is logged, with the call's name.
  std::function<void(const std::string& call)> beforeCall;

 protected:
  FakeControl(CallLog& log, std::string prefix) : log_(log), prefix_(std::move(prefix)) {}

  // Logs the call as prefix + entry, then fails it if it is to fail.
  void Call(const std::string& name, const std::string& entry) const {
    if (beforeCall) beforeCall(name);
    log_.push_back(prefix_ + entry);
    if (failing.count(name)) throw ControlError(name + " failed");
  }
  void Call(const std::string& name) const { Call(name, name); }

 private:
  CallLog& log_;
  std::string prefix_;
};

// Follows the state a real player would have closely enough for the
// commands: open file plays, pause pauses, stop stops.
class FakeMediaPlayer : public MediaPlayerControl, public FakeControl {
 public:
  explicit FakeMediaPlayer(CallLog& log) : FakeControl(log, "player.") {}

  void OpenFile(const QString& path) override {
    Call("OpenFile", "OpenFile(" + path.toStdString() + ")");
    if (failOpenIf && failOpenIf(path)) throw ControlError("cannot open " + path.toStdString());
    state = kPlaying;
  }
  void Play() override {
    Call("Play");
    if (state != kClosed) state = kPlaying;
  }
  void Pause() override {
    Call("Pause");
    if (state == kPlaying) state = kPaused;
  }
  void Stop() override {
    Call("Stop");
    if (state != kClosed) state = kStopped;
  }
  int PlayState() const override { return state; }
  void SetPlayCount(std::int32_t count) override { Call("PlayCount", "PlayCount=" + std::to_string(count)); }
  void SetMute(bool mute) override { Call("Mute", std::string("Mute=") + (mute ? "true" : "false")); }
  void SetVolume(std::int32_t volume) override { Call("Volume", "Volume=" + std::to_string(volume)); }
  double Duration() const override { return duration; }
  void SetEndOfStreamHandler(EndOfStreamHandler handler) override { endOfStream = std::move(handler); }

  // Plays the open file to its end, as the real player reports it.
  void End() {
    state = kStopped;
    if (endOfStream) endOfStream();
  }

  int state = kClosed;
  EndOfStreamHandler endOfStream;
  double duration = 0;
  // Files that fail to open, by path.
  std::function<bool(const QString&)> failOpenIf;
};

class FakeCdPlayer : public CdPlayerControl, public FakeControl {
 public:
  explicit FakeCdPlayer(CallLog& log) : FakeControl(log, "cd.") {}

  void Play() override {
    Call("Play");
    if (track == 0 && tracks > 0) track = 1;
  }
  void Stop() override { Call("Stop"); }
  void NextTrack() override {
    Call("Next");
    if (track > 0 && track < tracks) ++track;
  }
  void PreviousTrack() override {
    Call("Prev");
    if (track > 1) --track;
  }
  QString CurrentTrack() const override {
    Call("CurrentTrack");
    return track > 0 ? QString::number(track) : QStringLiteral("(No Disc)");
  }
  void CloseTray() override { Call("CloseTray"); }
  void OpenTray() override { Call("OpenTray"); }

  int tracks = 3;
  int track = 0;
};

class FakeChatScanner : public ChatScannerControl, public FakeControl {
 public:
  explicit FakeChatScanner(CallLog& log) : FakeControl(log, "chat.") {}

  void StartScanning() override {
    Call("StartScanning");
    scanning = true;
  }
  void SetLineReceivedHandler(LineReceivedHandler handler) override { handler_ = std::move(handler); }

  // Reports a line as the scanner would, if it has been started.
  void Receive(const QString& screenName, const QString& text) {
    if (scanning && handler_) handler_(screenName, text);
  }

  bool scanning = false;

 private:
  LineReceivedHandler handler_;
};
