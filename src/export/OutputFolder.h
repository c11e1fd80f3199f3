// Puts the files of one export into the output folder all or nothing. Every target is checked
// first; each file is then written to a new temporary file in the folder (O_EXCL|O_NOFOLLOW) and
// synced, and only when all are written are they renamed into place, one after another. A
// failure on the way removes the temporary files and puts back what was already renamed, so the
// folder holds the old files or the new ones. No lock file is made, and nothing outside the
// folder is touched: a name that is a symbolic link or a hard link is replaced, never followed.
#pragma once

#include <string>
#include <vector>

#include "contract/HostError.h"
#include "export/ExportWriters.h"
#include "platform/FileSystem.h"

namespace lumora::exporting {

// A write that failed after the checks passed (a full disk, a refused rename); the folder holds
// its old files again, as far as the message says.
class OutputWriteError : public HostError {
 public:
  explicit OutputWriteError(const std::string& message) : HostError(Kind::kNotDone, message) {}
};

// Writes `files` into `folder` (made when missing). Without `replace` a name already present is
// refused; with it a regular file or link there is replaced, but a read-only file (no write
// permission bit for anyone) and a folder are refused. A refusal is an ExportError naming every
// such file, with nothing written; returns the paths written, in order. The new files are made,
// written and synced through `fs`.
std::vector<std::string> WriteOutputFolder(const std::string& folder,
                                           const std::vector<OutputFile>& files, bool replace,
                                           FileSystem& fs = MachineFileSystem());

}  // namespace lumora::exporting
