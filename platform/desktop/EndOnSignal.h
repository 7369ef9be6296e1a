#pragma once

#include <functional>
#include <memory>

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM (Ctrl-C, a logout, `systemctl --user stop`) reach the
// user-interface thread as a call of `end`, instead of killing the program
// where it stands: the signal handler only writes a byte to a pipe that the
// event loop watches. One at a time; the handlers it replaced come back when
// it goes.
class EndOnSignal : public QObject {
 public:
  explicit EndOnSignal(std::function<void()> end, QObject* parent = nullptr);
  ~EndOnSignal() override;
  EndOnSignal(const EndOnSignal&) = delete;
  EndOnSignal& operator=(const EndOnSignal&) = delete;

  // What a signal runs from now on.
  void SetEnd(std::function<void()> end) { end_ = std::move(end); }

 private:
  void Arrived();

  std::function<void()> end_;
  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};
