#include "host/DesignObjectFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <random>
#include <vector>

#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "platform/InputFile.h"

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

DesignObjectFile DesignObjectFile::Load(const std::string& path, FileSystem& fs) {
  struct stat before {};
  const bool known = ::stat(path.c_str(), &before) == 0;
  DesignObjectFile file = Parse(path, ReadInputFile(path, "design object"));
  file.fs_ = &fs;
  file.fromFile_ = true;
  if (known) file.identity_ = FileIdentity{before.st_dev, before.st_ino};
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

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string Reason(int negativeErrno) {
  return std::strerror(-negativeErrno);
}

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
  int Close() {
    const int result = fs_.Close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  FileSystem& fs_;
  int fd_;
};

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

// Temporary files beside an object are ".NAME." and six letters or digits.
constexpr size_t kTempSuffix = 6;

std::string RandomSuffix() {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937_64 random{std::random_device{}() ^ static_cast<uint64_t>(::getpid())};
  std::string suffix(kTempSuffix, 'x');
  for (char& c : suffix) c = kLetters[random() % (sizeof kLetters - 1)];
  return suffix;
}

bool IsTemporaryOf(const std::string& entry, const std::string& name) {
  if (entry.size() != name.size() + 2 + kTempSuffix || entry[0] != '.' ||
      entry.compare(1, name.size(), name) != 0 || entry[name.size() + 1] != '.') {
    return false;
  }
  return std::all_of(entry.end() - kTempSuffix, entry.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

int CreateTemporary(FileSystem& fs, const std::string& folder, const std::string& name,
                    std::string& temp) {
  int fd = -EEXIST;
  for (int attempt = 0; attempt < 100 && fd == -EEXIST; ++attempt) {
    temp = Join(folder, "." + name + "." + RandomSuffix());
    fd = fs.Open(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
  }
  return fd;
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// What a save expects to find where it writes.
struct Expectation {
  bool anything = false;              // replace whatever is there (the component registry)
  std::optional<ContentDigest> read;  // what was read; nullopt: no file may be there yet
  std::optional<FileIdentity> identity;
};

struct SaveOutcome {
  std::string refusal;   // why the file was not written; "" when it was
  bool exists = false;   // the file that was there, for the recovery file's permissions
  bool damaged = false;  // an in-place rewrite stopped part-way
  struct stat found {};
  FileIdentity written;
};

// Writes `text` over `path` (see DesignObjectFile::Save), under the lock file beside it.
SaveOutcome WriteOver(FileSystem& fs, const std::string& path, const std::string& text,
                      const Expectation& expected) {
  SaveOutcome outcome;
  auto refuse = [&](std::string why) {
    outcome.refusal = std::move(why);
    return outcome;
  };
  // A symbolic link stays a link: its target is what is replaced.
  std::string target = path;
  if (char* resolved = ::realpath(path.c_str(), nullptr)) {
    target = resolved;
    std::free(resolved);
  } else if (errno == ENOENT && expected.read) {
    return refuse("it was deleted since it was read, so it was not made again");
  } else if (errno != ENOENT) {
    return refuse(std::string("cannot find it: ") + std::strerror(errno));
  }
  const std::string folder = FolderOf(target), name = NameOf(target);

  // The lock is taken before the check and held past the rename, so two saves of one object
  // never both pass the check.
  Descriptor lock(fs, fs.Open(Join(folder, "." + name + ".lock"),
                              O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK, 0644));
  if (lock.get() < 0) return refuse("cannot make its lock file beside it: " + Reason(lock.get()));
  if (const int locked = fs.Lock(lock.get()); locked < 0) {
    return refuse("cannot lock it: " + Reason(locked));
  }

  Descriptor current(fs, fs.Open(target, O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0));
  bool inPlace = false;
  if (current.get() >= 0) {
    outcome.exists = true;
    struct stat& st = outcome.found;
    if (const int r = fs.Stat(current.get(), st); r < 0)
      return refuse("cannot check it: " + Reason(r));
    if (!S_ISREG(st.st_mode)) return refuse("it is not a regular file");
    if (!expected.anything) {
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
    }
    if ((st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
      return refuse("it is read-only");
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

  std::string temp;
  Descriptor fresh(fs, CreateTemporary(fs, folder, name, temp));
  if (fresh.get() < 0) return refuse("cannot write beside it: " + Reason(fresh.get()));
  auto dropTemp = [&](const std::string& why) {
    fresh.Close();
    fs.Unlink(temp);
    return refuse(why);
  };
  if (const int r = WriteAll(fs, fresh.get(), text); r < 0) {
    return dropTemp("cannot write it: " + Reason(r));
  }
  const struct stat& st = outcome.found;
  if (outcome.exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
      fs.ChangeOwner(fresh.get(), st.st_uid, st.st_gid) < 0) {
    inPlace = true;  // only an in-place rewrite keeps an owner or group we may not give
  }
  const mode_t mode = outcome.exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  if (const int r = fs.ChangeMode(fresh.get(), mode); r < 0) {
    return dropTemp("cannot set the mode of its new text: " + Reason(r));
  }
  if (const int r = fs.Sync(fresh.get()); r < 0) return dropTemp("cannot write it: " + Reason(r));
  struct stat made {};
  fs.Stat(fresh.get(), made);
  if (const int r = fresh.Close(); r < 0) {
    fs.Unlink(temp);
    return refuse("cannot write it: " + Reason(r));
  }

  if (!inPlace) {
    if (const int r = fs.Rename(temp, target); r < 0) {
      fs.Unlink(temp);
      return refuse("cannot replace it: " + Reason(r));
    }
    outcome.written = FileIdentity{made.st_dev, made.st_ino};
    Descriptor folderFd(fs, fs.Open(folder, O_RDONLY | O_DIRECTORY, 0));
    if (folderFd.get() >= 0) fs.Sync(folderFd.get());
  } else {
    // The complete new text is synced beside the object; only now is the object rewritten.
    Descriptor same(fs, fs.Open(target, O_WRONLY | O_NOFOLLOW, 0));
    if (same.get() < 0) {
      fs.Unlink(temp);
      return refuse("cannot open it for writing: " + Reason(same.get()));
    }
    int r = WriteAll(fs, same.get(), text);
    if (r == 0) r = fs.Truncate(same.get(), static_cast<off_t>(text.size()));
    if (r == 0) r = fs.Sync(same.get());
    if (r == 0) r = same.Close();
    if (r < 0) {
      outcome.damaged = true;
      return refuse("rewriting it in place failed part-way (" + Reason(r) +
                    "); its complete new text is in " + temp);
    }
    fs.Unlink(temp);
    outcome.written = FileIdentity{st.st_dev, st.st_ino};
  }
  // Under the lock no other save is running, so any temporary file left of this object is a
  // killed save's; none survives a successful one.
  std::vector<std::string> names;
  if (fs.List(folder, names) == 0) {
    for (const std::string& entry : names) {
      if (IsTemporaryOf(entry, name)) fs.Unlink(Join(folder, entry));
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
  std::string state;
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    state = xdg;
  } else if (const std::string home = HomeFolder(); !home.empty()) {
    state = home + "/.local/state";
  } else {
    return {};
  }
  std::string folder;
  for (const std::string& part : {state, state + "/lumora", state + "/lumora/recovered"}) {
    folder = part;
    const int r = fs.MakeFolder(folder, 0700);
    if (r < 0 && r != -EEXIST) return {};
  }
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
    return {};
  }
  if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) return {};
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

void DesignObjectFile::Save() {
  std::string text;
  SaveOutcome outcome;
  try {
    text = Serialize();
    Expectation expected;
    if (fromFile_) expected.read = read_;
    expected.identity = identity_;
    outcome = WriteOver(*fs_, path_, text, expected);
  } catch (const std::exception& e) {
    outcome.refusal = std::string("it could not be written: ") + e.what();
  }
  if (outcome.refusal.empty()) {
    read_ = ContentDigest::Of(text);
    fromFile_ = true;
    identity_ = outcome.written;
    return;
  }
  const std::string recovery =
      WriteRecoveryFile(path_, text, *fs_, outcome.exists ? &outcome.found : nullptr);
  Fail(EscapeForMessage(path_) + ": " + outcome.refusal +
       (outcome.damaged ? "" : "; the object was left as it was") +
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
  struct stat besideIt {};
  if (::stat(FolderOf(path).c_str(), &besideIt) == 0 && (besideIt.st_mode & S_IWOTH) == 0) {
    folders.push_back(FolderOf(path));
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

void WriteFileAtomically(const std::string& path, const std::string& text, FileSystem& fs) {
  Expectation anything;
  anything.anything = true;
  const SaveOutcome outcome = WriteOver(fs, path, text, anything);
  if (!outcome.refusal.empty()) Fail(EscapeForMessage(path) + ": " + outcome.refusal);
}

}  // namespace lumora
