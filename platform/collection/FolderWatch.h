#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

// Watches folders with inotify, one watch a folder, and calls `changed` on
// the user-interface thread a quarter of a second after the first change in
// any of them (a file created, written and closed, removed, renamed, a folder
// that goes away). Qt's QFileSystemWatcher does not report a file closed
// after writing, which is when a copied track is whole; hence inotify itself.
class FolderWatch : public QObject {
 public:
  explicit FolderWatch(std::function<void()> changed);
  ~FolderWatch() override;
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // Watches these folders and no others. False when the kernel allows no
  // more watches (or none at all): the watch then stops altogether, and
  // `problem` says why.
  bool WatchOnly(const std::vector<std::string>& folders, std::string& problem);

 private:
  void Read();
  void StopAll();

  std::function<void()> changed_;
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  QTimer settle_;
  std::unordered_map<std::string, int> watches_;  // folder -> watch descriptor
};
