// A design object kept in a JSON file: {"properties": {...}}. Loading refuses a broken file
// with its path, line and column; properties the component never puts are written back
// exactly as they were read, in their order, with every other top-level member. Save writes a
// new file beside the old one and renames it over, keeping mode and ownership, so a crash never
// leaves half an object behind.
#pragma once

#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "host/contract/DesignObject.h"

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
  // Writes the object atomically over its file; throws DesignObjectFileError.
  void Save();

  static Value FromJson(const nlohmann::ordered_json& json, const std::string& where);
  static nlohmann::ordered_json ToJson(const Value& value);

 private:
  DesignObjectFile(std::string path, nlohmann::ordered_json document);
  nlohmann::ordered_json& properties();

  std::string path_;
  nlohmann::ordered_json document_;
  bool modified_ = false;
};

// Writes `text` to `path` through a temporary file in the same folder and a rename, keeping
// the mode and ownership of the file it replaces; throws DesignObjectFileError.
void WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace lumora
