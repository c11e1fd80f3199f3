// A compiled help file opened for reading: the objects inside it by path ("/topic3.html",
// "/lumora.css") and its default topic. Both renderers read topics through it: the window's
// help window (with their stylesheets) and the terminal's help pager. Opening never throws; a
// missing or unreadable file gives a closed ChmFile whose Error() says why, and every read of a
// closed file finds nothing.
#pragma once

#include <memory>
#include <optional>
#include <string>

struct chmFile;

namespace lumora::forms {

class ChmFile {
 public:
  explicit ChmFile(const std::string& path);
  ~ChmFile();
  ChmFile(const ChmFile&) = delete;
  ChmFile& operator=(const ChmFile&) = delete;

  bool IsOpen() const { return handle_ != nullptr; }
  // Why the file could not be opened ("" when it is open).
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }

  // The bytes of the object at `objectPath` (a leading "/" is added when missing), or nothing
  // when the file holds no such object or it cannot be read whole.
  std::optional<std::string> Read(const std::string& objectPath) const;
  // The default topic named in the file's system data ("/topic0.html"), or "" when it names none.
  std::string DefaultTopic() const;
  // The object path of help context `contextId`: "/topicN.html", and the default topic for 0
  // when the file names one.
  std::string TopicPath(int contextId) const;

 private:
  std::string path_;
  std::string error_;
  chmFile* handle_ = nullptr;
};

}  // namespace lumora::forms
