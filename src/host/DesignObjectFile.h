// A design object kept in a JSON file: {"properties": {...}}. Loading refuses a broken file
// (not UTF-8, not JSON, a member named twice, an integer beyond 32 bits) with its path, line and
// column; properties the component never puts are written back exactly as they were read, in
// their order, with every other top-level member. Save keeps the file what it was and never loses
// the author's choices: when the file cannot or may not be written, they go to a recovery file and
// the error names both (see Save).
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "contract/DesignObject.h"
#include "host/DesignObjectText.h"
#include "platform/FileSystem.h"

namespace lumora {

// Which file was read: a file replaced by another since then is not overwritten.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
};

// What was read, to tell whether the file changed since: its size and a hash of its bytes.
struct ContentDigest {
  size_t size = 0;
  size_t hash = 0;
  static ContentDigest Of(std::string_view text);
  bool operator==(const ContentDigest&) const = default;
};

// How a save waits for another and when it gives up.
struct SaveOptions {
  // How long Save waits for another save that holds the lock on the object's folder.
  std::chrono::milliseconds lockWait{5000};
  // Told once when Save starts to wait, with whom it waits for when the system can tell.
  std::function<void(const std::string& message)> waiting;
  // Asked while Save waits and before it replaces or rewrites the object: a signal number (not
  // 0) stops the save with the object as it was and the choices in a recovery file.
  std::function<int()> stopRequested;
};

class DesignObjectFile : public DesignObject {
 public:
  // Reads and checks `path`; throws HostError. Saves go through `fs`, which must
  // outlive the object. An object whose last save was cut off while it was rewritten in place
  // is refused, naming the file that holds that save's complete text, until the author has put
  // that file in its place or removed it (when the object already reads exactly that text, the
  // leftover file is removed and the object loads).
  static DesignObjectFile Load(const std::string& path, FileSystem& fs = MachineFileSystem());
  // An object whose file does not exist yet: its first Save makes the file, and refuses to
  // replace one that someone made meanwhile.
  static DesignObjectFile New(const std::string& path, FileSystem& fs = MachineFileSystem());
  // Parses `text` as the content of `path` (for messages); throws HostError. Its
  // first Save makes the file and refuses to replace one that exists.
  static DesignObjectFile Parse(const std::string& path, const std::string& text);

  Value GetProperty(const std::string& name) override;
  void PutProperty(const std::string& name, const Value& value) override;

  const std::string& path() const { return path_; }
  // The file's text as Save writes it.
  std::string Serialize() const;
  // Writes the object over its file, under an exclusive lock on its folder taken without
  // blocking (waiting up to options.lockWait for another save) and held from the check to the
  // end: a new file beside it (savenames::NewText), synced, renamed over it with its mode and
  // owner; a symbolic link's target is what is replaced. A file with several hard links,
  // extended attributes (ACLs among them), or an owner this user cannot give is rewritten in
  // place, once its complete new text is synced beside it as savenames::InterruptedSave (removed
  // when the rewrite is done). A file that is read-only, or was changed, replaced or deleted
  // since it was read, is not written. New-text files of killed saves of this object go with the
  // next successful save; no other file is touched. Whenever the object is not written the text
  // goes to a recovery file and HostError names the object, the reason and the
  // recovery file.
  void Save(const SaveOptions& options = {});

 private:
  DesignObjectFile(std::string path, DesignObjectDocument document);

  std::string path_;
  DesignObjectDocument document_;
  ContentDigest read_;                    // the file's bytes when it was read (or last saved)
  std::optional<FileIdentity> identity_;  // the file read (or last saved)
  bool fromFile_ = false;                 // read from its file (or saved): Save checks it
  FileSystem* fs_ = &MachineFileSystem();
};

// Writes `text` to a new recovery file, never over another: "NAME.recovered-YYYYMMDD-HHMMSS.json"
// (then "-2", "-3"...) beside `path` unless anyone may write that folder, else in
// $XDG_STATE_HOME/lumora/recovered, a folder only
// this user may enter; NAME is shortened to fit. Its mode is no wider than `object`'s (when
// given) and never lets others read what the object did not. Returns its path, or "".
std::string WriteRecoveryFile(const std::string& path, const std::string& text,
                              FileSystem& fs = MachineFileSystem(),
                              const struct stat* object = nullptr);

}  // namespace lumora
