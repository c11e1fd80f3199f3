// A design object kept in a JSON file: {"properties": {...}}. Loading refuses a broken file
// with its path, line and column; properties the component never puts are written back
// exactly as they were read, in their order, with every other top-level member. Save writes a
// new file beside the old one and renames it over, keeping mode and ownership, so a crash never
// leaves half an object behind. Nothing the author chose is lost: when the file was changed by
// someone else since it was read, or the save fails, the old file stays as it is and the new
// content goes to a recovery file beside it (or in the temporary folder when that folder
// refuses it); the error names both.
#pragma once

#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "contract/DesignObject.h"

namespace lumora {

// A design-object file that cannot be read, parsed or written; what() names the file.
class DesignObjectFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class DesignObjectFile : public DesignObject {
 public:
  // Reads and checks `path`; throws DesignObjectFileError.
  static DesignObjectFile Load(const std::string& path);
  // Parses `text` as the content of `path` (for messages); throws DesignObjectFileError.
  static DesignObjectFile Parse(const std::string& path, const std::string& text);

  Value GetProperty(const std::string& name) override;
  void PutProperty(const std::string& name, const Value& value) override;

  const std::string& path() const { return path_; }
  bool modified() const { return modified_; }
  // The file's text as Save writes it.
  std::string Serialize() const;
  // Writes the object atomically over its file; throws DesignObjectFileError (see above).
  void Save();

  static Value FromJson(const nlohmann::ordered_json& json, const std::string& where);
  static nlohmann::ordered_json ToJson(const Value& value);

 private:
  DesignObjectFile(std::string path, nlohmann::ordered_json document);
  nlohmann::ordered_json& properties();

  std::string path_;
  nlohmann::ordered_json document_;
  std::string readText_;  // the file's bytes when it was read (or last saved)
  bool modified_ = false;
};

// Writes `text` to `path` through a temporary file in the same folder and a rename, keeping
// the mode and ownership of the file it replaces; throws DesignObjectFileError. For tests of the
// whole process, the environment variable LUMORA_TEST_SAVE_FAULT set to "write" (the disk
// fills half-way) or "rename" (the rename is refused) makes the write of a design object fail.
void WriteFileAtomically(const std::string& path, const std::string& text);

// Writes `text` to a new recovery file beside `path` ("NAME.recovered-YYYYMMDD-HHMMSS.json"),
// or in the temporary folder when that fails; returns its path, or "" when neither could be
// written.
std::string WriteRecoveryFile(const std::string& path, const std::string& text);

}  // namespace lumora
