#include "export/OutputFolder.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/SafeSave.h"

namespace lumora::exporting {
namespace {

std::string Reason(int error) {
  return std::strerror(error);
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// One output: its name, its temporary file, and how far it got.
struct Placement {
  const OutputFile* file = nullptr;
  bool existed = false;    // a file or link was at the name
  std::string temporary;   // "" until made
  bool placed = false;     // renamed into place
  bool exchanged = false;  // placed by exchange: the old file now sits at `temporary`
};

class Folder {
 public:
  Folder(const std::string& path, FileSystem& fs) : path_(path), fs_(fs) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) throw ExportError(path + ": cannot open the folder: " + Reason(errno));
  }
  ~Folder() { ::close(fd_); }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  int fd() const { return fd_; }
  std::string Path(const std::string& name) const {
    return (std::filesystem::path(path_) / name).string();
  }

  // A new file of a name no one else holds, with `text` synced to it (the safe write's steps);
  // returns its name.
  std::string WriteTemporary(const OutputFile& file) {
    NewText fresh(fs_, path_, file.name);
    int r = fresh.Made();
    if (r == 0) r = fresh.Write(file.text);
    if (r == 0) r = fresh.SetMode(0666 & ~CurrentUmask());
    if (r == 0) r = fresh.Sync();
    if (r == 0) r = fresh.Close();
    if (r < 0) throw OutputWriteError(Path(file.name) + ": cannot write: " + Reason(-r));
    return std::filesystem::path(fresh.Release()).filename().string();
  }

 private:
  std::string path_;
  FileSystem& fs_;
  int fd_ = -1;
};

// A name held by a folder, a read-only file or anything but a file or a link, or (without
// `replace`) held at all: why it is refused, or "".
std::string Refusal(const Folder& folder, const OutputFile& file, bool replace, bool* existed) {
  struct stat st {};
  if (::fstatat(folder.fd(), file.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    *existed = false;
    return errno == ENOENT ? "" : file.name + " (" + Reason(errno) + ")";
  }
  *existed = true;
  if (!replace) return file.name;
  if (S_ISDIR(st.st_mode)) return file.name + " (a folder)";
  if (S_ISLNK(st.st_mode)) return "";  // the link itself is replaced
  if (!S_ISREG(st.st_mode)) return file.name + " (not a regular file)";
  if ((st.st_mode & 0222) == 0) return file.name + " (read-only)";
  if (::geteuid() != 0 && ::faccessat(folder.fd(), file.name.c_str(), W_OK, AT_EACCESS) != 0) {
    return file.name + " (read-only)";
  }
  return "";
}

// Puts back what was placed and removes every temporary file; says what could not be restored.
std::string RollBack(const Folder& folder, std::vector<Placement>& placements) {
  std::string lost;
  for (auto p = placements.rbegin(); p != placements.rend(); ++p) {
    const char* name = p->file->name.c_str();
    if (p->placed && p->exchanged) {
      if (::renameat2(folder.fd(), p->temporary.c_str(), folder.fd(), name, RENAME_EXCHANGE) != 0) {
        lost += " " + p->file->name;
        continue;
      }
    } else if (p->placed && !p->existed) {
      ::unlinkat(folder.fd(), name, 0);
      continue;
    } else if (p->placed) {
      lost += " " + p->file->name;  // replaced where the folder cannot exchange names
      continue;
    }
    if (!p->temporary.empty()) ::unlinkat(folder.fd(), p->temporary.c_str(), 0);
  }
  return lost;
}

}  // namespace

std::vector<std::string> WriteOutputFolder(const std::string& path,
                                           const std::vector<OutputFile>& files, bool replace,
                                           FileSystem& fs) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error) throw ExportError(path + ": cannot make the folder: " + error.message());
  Folder folder(path, fs);

  std::vector<Placement> placements;
  std::string refused;
  for (const OutputFile& file : files) {
    Placement p;
    p.file = &file;
    const std::string why = Refusal(folder, file, replace, &p.existed);
    if (!why.empty()) refused += (refused.empty() ? "" : ", ") + why;
    placements.push_back(p);
  }
  if (!refused.empty()) {
    throw ExportError(path + " already holds " + refused + "; nothing written" +
                      (replace ? "" : " (--force replaces them)"));
  }

  std::vector<std::string> written;
  try {
    for (Placement& p : placements) p.temporary = folder.WriteTemporary(*p.file);
    for (Placement& p : placements) {
      const char* name = p.file->name.c_str();
      const char* from = p.temporary.c_str();
      int result = 0;
      if (!p.existed) {
        // Something made since the check is not replaced.
        result = ::renameat2(folder.fd(), from, folder.fd(), name, RENAME_NOREPLACE);
      } else {
        result = ::renameat2(folder.fd(), from, folder.fd(), name, RENAME_EXCHANGE);
        p.exchanged = result == 0;
        if (result != 0 && errno == EINVAL) {
          result = ::renameat(folder.fd(), from, folder.fd(), name);  // no exchange here
        }
      }
      if (result != 0) {
        throw OutputWriteError(folder.Path(p.file->name) +
                               ": cannot put the new file in place: " + Reason(errno));
      }
      p.placed = true;
      written.push_back(folder.Path(p.file->name));
    }
  } catch (const OutputWriteError& e) {
    const std::string lost = RollBack(folder, placements);
    throw OutputWriteError(
        std::string(e.what()) + "; " +
        (lost.empty() ? "every old file is as it was" : "these could not be put back:" + lost));
  }
  // The old files, exchanged out of the way, go now that every new one is in place.
  for (const Placement& p : placements) {
    if (p.exchanged) ::unlinkat(folder.fd(), p.temporary.c_str(), 0);
  }
  ::fsync(folder.fd());
  return written;
}

}  // namespace lumora::exporting
