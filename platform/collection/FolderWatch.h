#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// inotify on the folders of one tree, one watch a folder, each known by its
// path below the tree's root; read on whichever thread owns it, which waits
// on Fd(). Qt's QFileSystemWatcher reports neither a file closed after
// writing (when a copied track is whole) nor what came or went by name;
// hence inotify itself.
class FolderWatch {
 public:
  // What happened to one name in a watched folder, by its path below the root.
  struct Event {
    enum Kind {
      kFileCame,    // created, closed after writing, or moved in; a link too
      kFileGone,    // deleted or moved out
      kFolderCame,  // a folder created or moved in
      kFolderGone,  // a folder deleted or moved out
      kOverflow,    // the kernel dropped events: anything may have changed
    };
    Kind kind;
    std::string path;
  };

  FolderWatch();
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // The descriptor to wait on for Read(); -1 when inotify cannot be used.
  int Fd() const { return fd_; }
  // Watches the folder `root`/`relative` ("" for the root, else ending in
  // "/"). Gives 1 when it is watched now, 0 when it was watched already
  // (under this or another path: a folder reached twice), -1 when it cannot
  // be (gone, or inotify unusable) and -2 at the kernel's limit, with
  // `problem` saying why.
  int Add(const std::string& root, const std::string& relative, std::string& problem);
  // Stops watching the folder and every folder below it ("a/b/"); gives
  // how many were watched.
  std::size_t DropUnder(const std::string& relative);
  void Clear();
  std::size_t Count() const { return folders_.size(); }

  // What has happened since the last read, oldest first, without waiting.
  std::vector<Event> Read();

 private:
  int fd_ = -1;
  std::unordered_map<int, std::string> folders_;  // watch descriptor -> folder below the root
};
