#include "host/DesignObjectFile.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <thread>
#include <vector>

#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "host/LockHolder.h"
#include "platform/InputFile.h"
#include "platform/SafeSave.h"
#include "platform/SaveNames.h"

namespace lumora {
namespace {

// The object could not be written.
[[noreturn]] void Fail(const std::string& message) {
  throw HostError::NotDone(message);
}

}  // namespace

ContentDigest ContentDigest::Of(std::string_view text) {
  return ContentDigest{text.size(), std::hash<std::string_view>{}(text)};
}

DesignObjectFile::DesignObjectFile(std::string path, DesignObjectDocument document)
    : path_(std::move(path)), document_(std::move(document)) {}

namespace {

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string Reason(int negativeErrno) {
  return std::strerror(-negativeErrno);
}

int ReadAll(FileSystem& fs, int fd, std::string& text) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = fs.Read(fd, buffer, sizeof buffer);
    if (n < 0) return static_cast<int>(n);
    if (n == 0) return 0;
    text.append(buffer, static_cast<size_t>(n));
    if (text.size() > kMaxInputFileBytes) return -EFBIG;
  }
}

// The file a symbolic link at `path` leads to (the path itself when it names no link); "" with
// `error` set when it cannot be found.
std::string TargetOf(FileSystem& fs, const std::string& path, int& error) {
  std::string target;
  error = fs.ResolvePath(path, target);
  return error == 0 ? target : path;
}

// A regular file of this user's: only such a file can be one a save of ours left.
bool IsOwnRegularFile(FileSystem& fs, const std::string& path) {
  struct stat st {};
  return fs.StatPath(path, st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

// The text of the file at `path`, or nullopt.
std::optional<std::string> TextOf(FileSystem& fs, const std::string& path) {
  Descriptor fd(fs, fs.Open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0));
  std::string text;
  if (fd.get() < 0 || ReadAll(fs, fd.get(), text) < 0) return std::nullopt;
  return text;
}

// "" when no rewrite in place of the object at `target` was cut off; else why it cannot be
// opened. A leftover whose text the object already holds is of a rewrite that finished: it goes.
std::string InterruptedSaveOf(FileSystem& fs, const std::string& path, const std::string& target,
                              const std::string& objectText) {
  const std::string leftover = Join(FolderOf(target), savenames::InterruptedSave(NameOf(target)));
  struct stat st {};
  if (fs.StatPath(leftover, st) != 0) return {};  // none (or none that can be seen)
  if (IsOwnRegularFile(fs, leftover) && TextOf(fs, leftover) == objectText &&
      fs.Unlink(leftover) == 0) {
    return {};
  }
  const std::string object = EscapeForMessage(path), kept = EscapeForMessage(leftover);
  return object +
         ": the last save of it was interrupted while it was rewritten in place, so it "
         "may be incomplete; the complete text of that save is in " +
         kept + ". Put that text in its place (cp " + kept + " " + object + " && rm " + kept +
         ") or keep the object as it is (rm " + kept + "), then try again";
}

}  // namespace

DesignObjectFile DesignObjectFile::Load(const std::string& path, FileSystem& fs) {
  int error = 0;
  const std::string target = TargetOf(fs, path, error);
  struct stat before {};
  const bool known = error == 0 && fs.StatPath(target, before) == 0;
  const std::string text = ReadInputFile(path, "design object");
  if (error == 0) {
    if (const std::string why = InterruptedSaveOf(fs, path, target, text); !why.empty()) {
      throw HostError::BadInput(why);
    }
  }
  DesignObjectFile file = Parse(path, text);
  file.fs_ = &fs;
  file.fromFile_ = true;
  if (known) file.identity_ = FileIdentity{before.st_dev, before.st_ino};
  return file;
}

DesignObjectFile DesignObjectFile::New(const std::string& path, FileSystem& fs) {
  DesignObjectFile file(path, ReadDesignObjectText(path, "{}"));
  file.fs_ = &fs;
  return file;
}

DesignObjectFile DesignObjectFile::Parse(const std::string& path, const std::string& text) {
  DesignObjectFile file(path, ReadDesignObjectText(path, text));
  file.read_ = ContentDigest::Of(text);
  return file;
}

Value DesignObjectFile::GetProperty(const std::string& name) {
  const Value* value = document_.properties.Find(name);
  return value == nullptr ? Value() : *value;
}

void DesignObjectFile::PutProperty(const std::string& name, const Value& value) {
  if (!document_.propertiesAt) {
    document_.propertiesAt = document_.members.size();
    document_.members.emplace_back("properties", nlohmann::ordered_json());
  }
  if (value.IsEmpty()) {
    document_.properties.Erase(name);
  } else {
    document_.properties.Put(name, value);
  }
}

std::string DesignObjectFile::Serialize() const {
  return WriteDesignObjectText(document_);
}

namespace {

mode_t CurrentUmask() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// What a save expects to find where it writes.
struct Expectation {
  std::optional<ContentDigest> read;  // what was read; nullopt: no file may be there yet
  std::optional<FileIdentity> identity;
};

struct SaveOutcome {
  std::string refusal;   // why the file was not written, or not durably; "" when it was
  bool exists = false;   // the file that was there, for the recovery file's permissions
  bool touched = false;  // the object was changed before the save stopped
  int stoppedBy = 0;     // the signal that stopped the save
  struct stat found {};
  FileIdentity written;
};

std::string SignalName(int signal) {
  const char* name = ::sigabbrev_np(signal);
  return name != nullptr ? std::string("SIG") + name : "signal " + std::to_string(signal);
}

std::string Duration(std::chrono::milliseconds wait) {
  const auto ms = wait.count();
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " seconds" : std::to_string(ms) + " ms";
}

// Takes the exclusive lock on the folder `fd`, waiting up to options.lockWait for another holder;
// "" when taken, else why not.
std::string LockFolder(FileSystem& fs, int fd, const std::string& path, const SaveOptions& options,
                       SaveOutcome& outcome) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + options.lockWait;
  bool told = false;
  std::string holder;
  for (;;) {
    const int locked = fs.TryLock(fd);
    if (locked == 0) return {};
    if (locked != -EWOULDBLOCK) return "cannot lock its folder: " + Reason(locked);
    if (!told) {
      struct stat st {};
      if (fs.Stat(fd, st) == 0) holder = DescribeLockHolder(st.st_dev, st.st_ino);
      if (options.waiting) {
        options.waiting(EscapeForMessage(path) + ": waiting up to " + Duration(options.lockWait) +
                        " for another save in its folder to end" +
                        (holder.empty() ? "" : "; " + holder + " holds its lock"));
      }
      told = true;
    }
    if (options.stopRequested) {
      if (const int signal = options.stopRequested(); signal != 0) {
        outcome.stoppedBy = signal;
        return "the save was stopped by " + SignalName(signal) + " while it waited for its lock";
      }
    }
    if (Clock::now() >= deadline) {
      return "the lock on its folder was held by another save for " + Duration(options.lockWait) +
             (holder.empty() ? "" : ", by " + holder);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// "" to go on; else the signal that asks the save to stop before the object is touched.
std::string StopRequested(const SaveOptions& options, SaveOutcome& outcome) {
  if (!options.stopRequested) return {};
  const int signal = options.stopRequested();
  if (signal == 0) return {};
  outcome.stoppedBy = signal;
  return "the save was stopped by " + SignalName(signal) + " before the object was written";
}

// Writes `text` over `path` (see DesignObjectFile::Save), under the lock on its folder.
SaveOutcome WriteOver(FileSystem& fs, const std::string& path, const std::string& text,
                      const Expectation& expected, const SaveOptions& options) {
  SaveOutcome outcome;
  auto refuse = [&](std::string why) {
    outcome.refusal = std::move(why);
    return outcome;
  };
  // A symbolic link stays a link: its target is what is replaced.
  int resolved = 0;
  const std::string target = TargetOf(fs, path, resolved);
  if (resolved == -ENOENT && expected.read) {
    return refuse("it was deleted since it was read, so it was not made again");
  } else if (resolved != 0 && resolved != -ENOENT) {
    return refuse("cannot find it: " + Reason(resolved));
  }
  const std::string folder = FolderOf(target), name = NameOf(target);

  // The lock is taken before the check and held to the end, so two saves of one object never
  // both pass the check, and a save finds no other one's files half made.
  Descriptor lock(fs, fs.Open(folder, O_RDONLY | O_DIRECTORY, 0));
  if (lock.get() < 0) return refuse("cannot open its folder to lock it: " + Reason(lock.get()));
  if (std::string why = LockFolder(fs, lock.get(), path, options, outcome); !why.empty()) {
    return refuse(why);
  }

  Descriptor current(fs, fs.Open(target, O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0));
  bool inPlace = false;
  if (current.get() >= 0) {
    outcome.exists = true;
    struct stat& st = outcome.found;
    if (const int r = fs.Stat(current.get(), st); r < 0)
      return refuse("cannot check it: " + Reason(r));
    if (!S_ISREG(st.st_mode)) return refuse("it is not a regular file");
    if (!expected.read) return refuse("someone else made a file of that name meanwhile");
    if (expected.identity &&
        (expected.identity->device != st.st_dev || expected.identity->inode != st.st_ino)) {
      return refuse("it was replaced by another file since it was read");
    }
    std::string now;
    if (const int r = ReadAll(fs, current.get(), now); r < 0) {
      return refuse("cannot read it again to check it: " + Reason(r));
    }
    if (ContentDigest::Of(now) != *expected.read)
      return refuse("it was changed by someone else since it was read");
    if (const int r = fs.CanWrite(target);
        (st.st_mode & 0222) == 0 || r == -EACCES || r == -EPERM || r == -EROFS) {
      return refuse("it is read-only");
    } else if (r < 0) {
      return refuse("cannot check whether it may be written: " + Reason(r));
    }
    const ssize_t attributes = fs.ExtendedAttributeNames(current.get());
    if (attributes < 0)
      return refuse("cannot read its extended attributes: " + Reason(static_cast<int>(attributes)));
    // A rename would make a new file: the other hard links would keep the old text, and
    // extended attributes (ACLs among them) would be lost.
    inPlace = st.st_nlink > 1 || attributes > 0;
  } else if (current.get() != -ENOENT) {
    return refuse("cannot read it again to check it: " + Reason(current.get()));
  } else if (expected.read) {
    return refuse("it was deleted since it was read, so it was not made again");
  }
  current.Close();
  if (std::string why = StopRequested(options, outcome); !why.empty()) return refuse(why);

  const struct stat& st = outcome.found;
  const std::string kept = Join(folder, savenames::InterruptedSave(name));
  if (inPlace) {
    struct stat found {};
    if (fs.StatPath(kept, found) != -ENOENT) {
      return refuse("an interrupted save of it left " + EscapeForMessage(kept) +
                    " beside it; open the object again to see what to do with it");
    }
  }
  // The new text goes to a file of its own beside the object, complete and synced before the
  // object is touched; it is dropped on every way out that does not rename it.
  NewText fresh(fs, folder, name);
  if (const int r = fresh.Made(); r < 0) return refuse("cannot write beside it: " + Reason(r));
  const std::string besideIt =
      inPlace ? "cannot write its new text beside it: " : "cannot write it: ";
  if (const int r = fresh.Write(text); r < 0) return refuse(besideIt + Reason(r));
  // Only a rewrite in place keeps an owner or group this user may not give.
  if (!inPlace && outcome.exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
    inPlace = fs.ChangeOwner(fresh.descriptor(), st.st_uid, st.st_gid) < 0;
  }
  mode_t mode = outcome.exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  if (inPlace) {
    // The kept text is no more readable than the object, and by its group only when that is ours.
    mode = (st.st_mode & 0666) | 0600;
    if (st.st_gid != ::getegid()) mode &= ~0070;
  }
  if (const int r = fresh.SetMode(mode); r < 0) {
    return refuse("cannot set the mode of its new text: " + Reason(r));
  }
  if (const int r = fresh.Sync(); r < 0) return refuse(besideIt + Reason(r));
  struct stat made {};
  if (const int r = fresh.Check(made); r < 0) {
    return refuse("cannot check its new text: " + Reason(r));
  }
  if (const int r = fresh.Close(); r < 0) return refuse(besideIt + Reason(r));
  if (std::string why = StopRequested(options, outcome); !why.empty()) return refuse(why);

  if (!inPlace) {
    if (const int r = fresh.RenameTo(target); r < 0)
      return refuse("cannot replace it: " + Reason(r));
    outcome.written = FileIdentity{made.st_dev, made.st_ino};
    outcome.touched = true;
    if (const int r = fs.Sync(lock.get()); r < 0) {
      return refuse("it was replaced, but its folder could not be synced (" + Reason(r) +
                    "), so the change may not outlast a crash");
    }
  } else {
    // The complete new text takes its telling name (a rename: whoever finds that name finds the
    // whole text), and the name is made to outlast a crash; only then is the object rewritten.
    // If the rewrite is cut off, the next open finds the kept text and says so.
    if (const int r = fresh.RenameTo(kept); r < 0) return refuse(besideIt + Reason(r));
    auto dropKept = [&](const std::string& why) {
      fs.Unlink(kept);
      return refuse(why);
    };
    if (const int r = fs.Sync(lock.get()); r < 0) return dropKept(besideIt + Reason(r));
    Descriptor same(fs, fs.Open(target, O_WRONLY | O_NOFOLLOW, 0));
    if (same.get() < 0) return dropKept("cannot open it for writing: " + Reason(same.get()));
    outcome.touched = true;
    int r = WriteAll(fs, same.get(), text);
    if (r == 0) r = fs.Truncate(same.get(), static_cast<off_t>(text.size()));
    if (r == 0) r = fs.Sync(same.get());
    if (r == 0) r = same.Close();
    if (r < 0) {
      return refuse("rewriting it in place failed part-way (" + Reason(r) +
                    "); its complete new text is in " + EscapeForMessage(kept));
    }
    fs.Unlink(kept);  // if this fails, the next open finds it equal to the object and removes it
    outcome.written = FileIdentity{st.st_dev, st.st_ino};
  }
  // Under the lock no other save is running, so a new-text file of this object is a killed
  // save's; none survives a successful one. Only regular files of this user's of that name go.
  std::vector<std::string> names;
  if (fs.List(folder, names) == 0) {
    for (const std::string& entry : names) {
      if (savenames::IsNewText(entry, name) && IsOwnRegularFile(fs, Join(folder, entry)))
        fs.Unlink(Join(folder, entry));
    }
  }
  return outcome;
}

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &local);
  return buf;
}

// $XDG_STATE_HOME/lumora/recovered (else ~/.local/state/...), made when missing; "" when it
// cannot be made, is not a folder of this user's, or others may enter it and that cannot be
// changed.
std::string PrivateRecoveryFolder(FileSystem& fs) {
  std::vector<std::string> parts;  // the folders to make, outermost first
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    parts = {xdg};
  } else if (const std::string home = HomeFolder(); !home.empty()) {
    parts = {home + "/.local", home + "/.local/state"};
  } else {
    return {};
  }
  const std::string state = parts.back();
  parts.push_back(state + "/lumora");
  parts.push_back(state + "/lumora/recovered");
  std::string folder;
  for (const std::string& part : parts) {
    folder = part;
    const int r = fs.MakeFolder(folder, 0700);
    if (r < 0 && r != -EEXIST) return {};
  }
  Descriptor fd(fs, fs.Open(folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0));
  struct stat st {};
  if (fd.get() < 0 || fs.Stat(fd.get(), st) != 0 || !S_ISDIR(st.st_mode) ||
      st.st_uid != ::geteuid()) {
    return {};
  }
  if ((st.st_mode & 077) != 0 && fs.ChangeMode(fd.get(), 0700) != 0) return {};
  return folder;
}

// `name` cut to at most `bytes` bytes, never inside a UTF-8 character.
std::string Shortened(std::string name, size_t bytes) {
  if (name.size() <= bytes) return name;
  size_t cut = bytes;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  name.resize(cut);
  return name;
}

}  // namespace

void DesignObjectFile::Save(const SaveOptions& options) {
  std::string text;
  SaveOutcome outcome;
  try {
    text = Serialize();
    Expectation expected;
    if (fromFile_) expected.read = read_;
    expected.identity = identity_;
    outcome = WriteOver(*fs_, path_, text, expected, options);
  } catch (const std::exception& e) {
    outcome.refusal = std::string("it could not be written: ") + e.what();
  }
  if (outcome.touched) {
    read_ = ContentDigest::Of(text);
    fromFile_ = true;
    identity_ = outcome.written;
  }
  if (outcome.refusal.empty()) return;
  const std::string recovery =
      WriteRecoveryFile(path_, text, *fs_, outcome.exists ? &outcome.found : nullptr);
  Fail(EscapeForMessage(path_) + ": " + outcome.refusal +
       (outcome.touched ? "" : "; the object was left as it was") +
       (recovery.empty() ? std::string("; your choices could not be kept anywhere")
                         : "; your choices are in " + EscapeForMessage(recovery)));
}

std::string WriteRecoveryFile(const std::string& path, const std::string& text, FileSystem& fs,
                              const struct stat* object) {
  // No more permission than the object had; readable by its group only when that is ours.
  mode_t mode = 0600;
  if (object != nullptr) {
    mode = (object->st_mode & 0666) | 0600;
    if (object->st_gid != ::getegid()) mode &= ~0070;
  }
  std::string base = NameOf(path);
  if (base.size() > 5 && base.ends_with(".json")) base.resize(base.size() - 5);
  const std::string stamp = ".recovered-" + Timestamp();
  // Beside the object, unless others may make files there too (a shared folder such as /tmp,
  // where they could guess the name and take it first).
  std::vector<std::string> folders;
  {
    Descriptor besideFd(fs, fs.Open(FolderOf(path), O_RDONLY | O_DIRECTORY, 0));
    struct stat besideIt {};
    if (besideFd.get() >= 0 && fs.Stat(besideFd.get(), besideIt) == 0 &&
        (besideIt.st_mode & S_IWOTH) == 0) {
      folders.push_back(FolderOf(path));
    }
  }
  const std::string privateFolder = PrivateRecoveryFolder(fs);
  if (!privateFolder.empty()) folders.push_back(privateFolder);
  for (const std::string& folder : folders) {
    for (int n = 1; n <= 100; ++n) {
      const std::string suffix = stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".json";
      const std::string candidate =
          Join(folder, Shortened(base, NAME_MAX - suffix.size()) + suffix);
      Descriptor fd(fs, fs.Open(candidate, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, mode));
      if (fd.get() == -EEXIST) continue;
      if (fd.get() < 0) break;
      if (WriteAll(fs, fd.get(), text) == 0 && fs.Sync(fd.get()) == 0 && fd.Close() == 0) {
        return candidate;
      }
      fs.Unlink(candidate);
      break;
    }
  }
  return {};
}

}  // namespace lumora
