// The steps every safe write of a file takes, on FileSystem so that tests can fail any of them:
// the new text goes to a file of its own beside the target under a name no other writer takes
// (".NAME.lumora-new-XXXXXX", O_EXCL), is written whole, given its mode, synced and closed, and
// only then renamed over the target, whose folder is synced so the new name outlasts a crash.
// ReplaceFile is the whole of it for files that are ours alone (the component registry, a
// catalogue); the design-object save (host/DesignObjectFile.cpp) takes the same steps with its
// own checks between them.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <string>

#include "platform/FileSystem.h"

namespace lumora {

// A descriptor of `fs`, closed at the end of the scope.
class Descriptor {
 public:
  Descriptor(FileSystem& fs, int fd) : fs_(fs), fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) fs_.Close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) fs_.Close(fd_);
    fd_ = fd;
  }
  int Close() {
    const int result = fs_.Close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  FileSystem& fs_;
  int fd_;
};

// `text` written whole to `fd`; 0 or -errno.
int WriteAll(FileSystem& fs, int fd, const std::string& text);

// A new text beside its target, from MakeNewText until it is renamed into place or dropped.
class NewText {
 public:
  NewText(FileSystem& fs, const std::string& folder, const std::string& targetName);
  ~NewText();  // drops the file unless it was renamed
  NewText(const NewText&) = delete;
  NewText& operator=(const NewText&) = delete;

  // The steps, each 0 or -errno. Made: the file under its fresh name (-errno when it could not
  // be made); the descriptor, for giving it an owner between the steps.
  int Made() const { return fd_.get() < 0 ? fd_.get() : 0; }
  int descriptor() const { return fd_.get(); }
  int Write(const std::string& text) { return WriteAll(fs_, fd_.get(), text); }
  int SetMode(mode_t mode) { return fs_.ChangeMode(fd_.get(), mode); }
  int Sync() { return fs_.Sync(fd_.get()); }
  int Check(struct stat& made) { return fs_.Stat(fd_.get(), made); }
  int Close() { return fd_.Close(); }
  // Renamed to `to` (the target, or another name the caller gives it).
  int RenameTo(const std::string& to);
  // Dropped (closed and removed); also what the destructor does.
  void Drop();
  // Handed over, closed, to a caller that puts it in place or removes it itself; its path.
  std::string Release();
  const std::string& path() const { return path_; }

 private:
  FileSystem& fs_;
  std::string path_;
  Descriptor fd_;
  bool made_ = false;
  bool renamed_ = false;
};

// Replaces `path` by `text` (a link is not followed: a file that is ours alone), keeping the
// mode of the file it replaces (`newMode` for a new one). Writers are serialised by a lock on the
// folder, waited for up to `lockWait`; no file of the write is left beside it whether it succeeds
// or fails. Throws HostError (not done) naming the file and the step that failed; the file is
// then as it was.
void ReplaceFile(FileSystem& fs, const std::string& path, const std::string& text,
                 mode_t newMode = 0644,
                 std::chrono::milliseconds lockWait = std::chrono::seconds(5));

}  // namespace lumora
