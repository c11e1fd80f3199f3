// Writing a small file that is ours alone, such as the component registry, so that a reader
// finds the old text or the new and never part of one: the safe write's steps
// (platform/SafeSave.h), the new text synced beside it and renamed over it. The author's design
// objects, whose links, attributes and owner must be kept, are saved by the host program
// (host/DesignObjectFile.h), not by this.
#pragma once

#include <string>

#include "contract/HostError.h"
#include "platform/FileSystem.h"

namespace lumora {

// Replaces `path` by `text`, keeping the mode of the file it replaces (0644 for a new one).
// Writers are serialised by a lock on the folder; no file of ours is left beside it whether the
// write succeeds or fails. Throws HostError (not done) naming the file and why; the file is then
// as it was.
void ReplaceFileAtomically(const std::string& path, const std::string& text,
                           FileSystem& fs = MachineFileSystem());

}  // namespace lumora
