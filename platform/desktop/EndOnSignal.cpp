#include "platform/desktop/EndOnSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>

#include <QSocketNotifier>

namespace {

// Where the handler writes: the one thing a signal handler may touch.
std::atomic<int> signalPipe{-1};

void OnSignal(int number) {
  const int fd = signalPipe.load();
  if (fd < 0) return;
  const unsigned char byte = static_cast<unsigned char>(number);
  [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
}

void Handle(int number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(number, &action, nullptr);
}

}  // namespace

EndOnSignal::EndOnSignal(std::function<void()> end, QObject* parent) : QObject(parent), end_(std::move(end)) {
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  signalPipe.store(pipe_[1]);
  notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &EndOnSignal::Arrived);
  Handle(SIGINT, OnSignal);
  Handle(SIGTERM, OnSignal);
}

EndOnSignal::~EndOnSignal() {
  if (pipe_[0] < 0) return;
  Handle(SIGINT, SIG_DFL);
  Handle(SIGTERM, SIG_DFL);
  signalPipe.store(-1);
  notifier_.reset();
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void EndOnSignal::Arrived() {
  unsigned char bytes[16];
  while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
  }
  if (end_) end_();
}
