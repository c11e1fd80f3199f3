// OutputFolder.h on Windows: each file is written to a new temporary file in the folder (the safe
// write's new text: made new, written, flushed); only when all are written does each go into place
// with ReplaceFileW, which keeps the replaced file under a backup name, or MoveFileExW for a new
// name (which never replaces something made since the check). A failure puts the backups back and
// removes the temporary files, so the folder holds the old files or the new ones.
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "contract/WideText.h"
#include "export/OutputFolder.h"
#include "platform/SafeSave.h"

namespace lumora::exporting {
namespace {

struct Placement {
  const OutputFile* file = nullptr;
  bool existed = false;
  std::wstring target, temporary, backup;  // temporary: "" until made
  bool placed = false;
};

std::wstring Join(const std::string& folder, const std::string& name) {
  return Widen(folder) + L"\\" + Widen(name);
}

std::wstring FreshName(const std::string& folder, const std::string& name, const wchar_t* kind) {
  static std::mt19937 random{std::random_device{}()};
  return Join(folder, "." + name) + kind + std::to_wstring(random() % 1000000);
}

std::string Refusal(const Placement& p, bool replace, bool* existed) {
  const DWORD attributes = ::GetFileAttributesW(p.target.c_str());
  *existed = attributes != INVALID_FILE_ATTRIBUTES;
  if (!*existed) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return "";
    return p.file->name + " (" + SystemErrorText(error) + ")";
  }
  if (!replace) return p.file->name;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return p.file->name + " (a folder)";
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return p.file->name + " (read-only)";
  return "";
}

// The new text under a fresh name beside its target, written and flushed through `fs`.
void WriteTemporary(FileSystem& fs, const std::string& folder, Placement& p) {
  NewText fresh(fs, folder, p.file->name);
  int r = fresh.Made();
  if (r == 0) r = fresh.Write(p.file->text);
  if (r == 0) r = fresh.Sync();
  if (r == 0) r = fresh.Close();
  if (r < 0) {
    throw OutputWriteError(Narrow(p.target) + ": cannot write: " + std::strerror(-r));
  }
  p.temporary = Widen(fresh.Release());
}

std::string RollBack(std::vector<Placement>& placements) {
  std::string lost;
  for (auto p = placements.rbegin(); p != placements.rend(); ++p) {
    if (p->placed && p->existed) {
      if (!::MoveFileExW(p->backup.c_str(), p->target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        lost += " " + p->file->name;
      }
    } else if (p->placed) {
      ::DeleteFileW(p->target.c_str());
    }
    if (!p->placed && !p->temporary.empty()) ::DeleteFileW(p->temporary.c_str());
  }
  return lost;
}

}  // namespace

std::vector<std::string> WriteOutputFolder(const std::string& path,
                                           const std::vector<OutputFile>& files, bool replace,
                                           FileSystem& fs) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(Widen(path)), error);
  if (error) throw ExportError(path + ": cannot make the folder: " + error.message());

  std::vector<Placement> placements;
  std::string refused;
  for (const OutputFile& file : files) {
    Placement p;
    p.file = &file;
    p.target = Join(path, file.name);
    const std::string why = Refusal(p, replace, &p.existed);
    if (!why.empty()) refused += (refused.empty() ? "" : ", ") + why;
    placements.push_back(p);
  }
  if (!refused.empty()) {
    throw ExportError(path + " already holds " + refused + "; nothing written" +
                      (replace ? "" : " (--force replaces them)"));
  }

  std::vector<std::string> written;
  try {
    for (Placement& p : placements) WriteTemporary(fs, path, p);
    for (Placement& p : placements) {
      bool moved = false;
      if (p.existed) {
        p.backup = FreshName(path, p.file->name, L".lumora-old-");
        moved = ::ReplaceFileW(p.target.c_str(), p.temporary.c_str(), p.backup.c_str(),
                               REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
      } else {
        moved = ::MoveFileExW(p.temporary.c_str(), p.target.c_str(), MOVEFILE_WRITE_THROUGH);
      }
      if (!moved) {
        throw OutputWriteError(Narrow(p.target) + ": cannot put the new file in place: " +
                               SystemErrorText(::GetLastError()));
      }
      p.placed = true;
      written.push_back(Narrow(p.target));
    }
  } catch (const OutputWriteError& e) {
    const std::string lost = RollBack(placements);
    throw OutputWriteError(
        std::string(e.what()) + "; " +
        (lost.empty() ? "every old file is as it was" : "these could not be put back:" + lost));
  }
  for (const Placement& p : placements) {
    if (!p.backup.empty()) ::DeleteFileW(p.backup.c_str());
  }
  return written;
}

}  // namespace lumora::exporting
