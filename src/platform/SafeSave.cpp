#include "platform/SafeSave.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "contract/HostError.h"
#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "platform/SaveNames.h"

namespace lumora {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

}  // namespace

int WriteAll(FileSystem& fs, int fd, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = fs.Write(fd, text.data() + written, text.size() - written);
    if (n < 0) return static_cast<int>(n);
    if (n == 0) return -EIO;
    written += static_cast<size_t>(n);
  }
  return 0;
}

NewText::NewText(FileSystem& fs, const std::string& folder, const std::string& targetName)
    : fs_(fs), fd_(fs, -EEXIST) {
  // Six random letters: another writer's name is taken again only by chance, and then retried.
  for (int attempt = 0; attempt < 100 && fd_.get() == -EEXIST; ++attempt) {
    path_ = Join(folder, savenames::NewText(targetName));
    fd_.Reset(fs.Open(path_, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600));
  }
  made_ = fd_.get() >= 0;
}

NewText::~NewText() {
  Drop();
}

int NewText::RenameTo(const std::string& to) {
  const int r = fs_.Rename(path_, to);
  renamed_ = r == 0;
  return r;
}

void NewText::Drop() {
  if (fd_.get() >= 0) fd_.Close();
  if (made_ && !renamed_) fs_.Unlink(path_);
  renamed_ = true;  // once
}

std::string NewText::Release() {
  if (fd_.get() >= 0) fd_.Close();
  renamed_ = true;
  return path_;
}

void ReplaceFile(FileSystem& fs, const std::string& path, const std::string& text, mode_t newMode,
                 std::chrono::milliseconds lockWait) {
  auto fail = [&](const std::string& why, int error) {
    throw HostError::NotDone(EscapeForMessage(path) + ": " + why + ": " + std::strerror(-error));
  };
  const std::string folder = FolderOf(path);
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

  Descriptor lock(fs, fs.Open(folder, O_RDONLY | O_DIRECTORY, 0));
  if (lock.get() < 0) fail("cannot open its folder", lock.get());
  const auto deadline = std::chrono::steady_clock::now() + lockWait;
  for (int r; (r = fs.TryLock(lock.get())) != 0;) {
    if (r != -EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      fail("cannot lock its folder", r);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  mode_t mode = newMode;
  if (struct stat st{}; fs.StatPath(path, st) == 0 && S_ISREG(st.st_mode)) {
    mode = st.st_mode & 07777;  // a link's own mode (0777) is no file's
  }

  NewText fresh(fs, folder, name);
  struct stat made {};
  if (const int r = fresh.Made(); r < 0) fail("cannot write beside it", r);
  if (const int r = fresh.Write(text); r < 0) fail("cannot write it", r);
  if (const int r = fresh.SetMode(mode); r < 0) fail("cannot set its mode", r);
  if (const int r = fresh.Sync(); r < 0) fail("cannot write it", r);
  if (const int r = fresh.Check(made); r < 0) fail("cannot check its new text", r);
  if (const int r = fresh.Close(); r < 0) fail("cannot write it", r);
  if (const int r = fresh.RenameTo(path); r < 0) fail("cannot replace it", r);
  if (const int r = fs.Sync(lock.get()); r < 0) {
    fail(
        "it was replaced, but its folder could not be synced, so the change may not outlast a "
        "crash",
        r);
  }
}

}  // namespace lumora
