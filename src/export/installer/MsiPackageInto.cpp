#include "export/installer/MsiPackageInto.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "export/installer/MsiDatabase.h"
#include "host/LockHolder.h"

namespace lumora::exporting {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// One .idt file read back: its table, columns, key columns and rows.
struct IdtTable {
  std::string file, name;
  std::vector<std::string> columns, types, keys;
  std::vector<std::vector<std::string>> rows;

  static IdtTable Parse(const OutputFile& file) {
    IdtTable t;
    t.file = file.name;
    std::vector<std::string> lines = Split(file.text, '\n');
    for (std::string& line : lines) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.size() < 3) return t;
    t.columns = Split(lines[0], '\t');
    t.types = Split(lines[1], '\t');
    const std::vector<std::string> header = Split(lines[2], '\t');
    t.name = header[0];
    t.keys.assign(header.begin() + 1, header.end());
    for (size_t i = 3; i < lines.size(); ++i) t.rows.push_back(Split(lines[i], '\t'));
    return t;
  }

  size_t Column(const std::string& column) const {
    for (size_t i = 0; i < columns.size(); ++i) {
      if (columns[i] == column) return i;
    }
    return columns.size();
  }

  std::vector<std::string> Key(const std::vector<std::string>& row) const {
    std::vector<std::string> key;
    for (const std::string& k : keys) key.push_back(row[Column(k)]);
    return key;
  }
};

std::string Join(const std::vector<std::string>& cells) {
  std::string text;
  for (const std::string& c : cells) text += (text.empty() ? "" : "/") + c;
  return text;
}

std::set<std::string> KeysIn(MsiDatabase& db, const std::string& table, const std::string& column) {
  std::set<std::string> keys;
  if (!db.HasTable(table)) return keys;
  db.Query("SELECT `" + column + "` FROM `" + table + "`", {},
           [&keys](const std::vector<std::string>& cells) { keys.insert(cells[0]); });
  return keys;
}

// The name of a working file or folder beside `target`, before mkstemp or mkdtemp fills it in.
std::string TemporaryPattern(const std::string& target) {
  return "." + fs::path(target).filename().string() + ".lumora-XXXXXX";
}

// A file or folder made beside `target`, removed again unless Keep() was called. Failures name
// `shown`, the package as the user named it.
class TemporaryBeside {
 public:
  TemporaryBeside(const std::string& target, const std::string& shown, bool folder) {
    std::string pattern = (fs::path(target).parent_path() / TemporaryPattern(target)).string();
    if (folder) {
      if (::mkdtemp(pattern.data()) == nullptr) {
        throw ExportError(shown +
                          ": cannot make a working folder beside it: " + std::strerror(errno));
      }
    } else {
      const int fd = ::mkstemp(pattern.data());
      if (fd < 0) {
        throw ExportError(shown +
                          ": cannot make a working copy beside it: " + std::strerror(errno));
      }
      ::close(fd);
    }
    path_ = pattern;
  }
  ~TemporaryBeside() {
    std::error_code ignored;
    if (!kept_) fs::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  bool kept_ = false;
};

// The exclusive lock on the package's folder that saves of design objects and imports take, so
// that two writers of one folder never interleave; held while the object lives.
class FolderLock {
 public:
  FolderLock(const std::string& folder, const std::string& shown) {
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
      throw ExportError(shown + ": cannot open its folder to lock it: " + std::strerror(errno));
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + kWait;
    std::string holder;
    for (bool told = false; ::flock(fd_, LOCK_EX | LOCK_NB) != 0;) {
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) {
        const std::string why = std::strerror(errno);
        ::close(fd_);
        throw ExportError(shown + ": cannot lock its folder: " + why);
      }
      if (!told) {
        struct stat st {};
        if (::fstat(fd_, &st) == 0) holder = DescribeLockHolder(st.st_dev, st.st_ino);
        std::fprintf(stderr,
                     "lumora: %s: waiting up to %lld seconds for another writer in its "
                     "folder to end%s\n",
                     shown.c_str(), static_cast<long long>(kWait.count()),
                     holder.empty() ? "" : ("; " + holder + " holds its lock").c_str());
        told = true;
      }
      if (Clock::now() >= deadline) {
        ::close(fd_);
        throw ExportError(shown + ": the lock on its folder was held by another writer for " +
                          std::to_string(kWait.count()) + " seconds" +
                          (holder.empty() ? "" : ", by " + holder));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~FolderLock() { ::close(fd_); }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  int fd() const { return fd_; }

 private:
  static constexpr std::chrono::seconds kWait{30};
  int fd_ = -1;
};

// Removes the working copies and folders an earlier run left beside `target` when it was
// killed: this user's entries named as TemporaryPattern makes them. Called under the folder
// lock, so no running writer owns one. Returns how many went.
size_t RemoveLeftovers(const std::string& target) {
  const std::string pattern = TemporaryPattern(target);
  const std::string prefix = pattern.substr(0, pattern.size() - 6);
  size_t removed = 0;
  std::error_code error;
  for (const fs::directory_entry& entry :
       fs::directory_iterator(fs::path(target).parent_path(), error)) {
    const std::string name = entry.path().filename().string();
    struct stat st {};
    if (name.size() != pattern.size() || !name.starts_with(prefix) ||
        ::lstat(entry.path().c_str(), &st) != 0 || st.st_uid != ::geteuid() ||
        !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))) {
      continue;
    }
    if (fs::remove_all(entry.path(), error) > 0 && !error) ++removed;
  }
  return removed;
}

// Whether a summary information Template names a 64-bit platform ("x64;1033").
bool Is64BitTemplate(const std::string& text) {
  const std::string platform = text.substr(0, text.find(';'));
  return platform == "x64" || platform == "Intel64" || platform == "Arm64" || platform == "AMD64";
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// "2 components (A, B)" for the names of one kind.
std::string Counted(const std::set<std::string>& names, const char* one, const char* many) {
  std::string text = std::to_string(names.size()) + " " + (names.size() == 1 ? one : many) + " (";
  bool first = true;
  for (const std::string& n : names) {
    text += (first ? "" : ", ") + n;
    first = false;
  }
  return text + ")";
}

// The rows of `t` inserted into its table in `db`: text cells bound as parameters, integer cells
// (which the tables hold as decimal digits) written as they are, empty cells left out (null).
void InsertRows(MsiDatabase& db, const IdtTable& t) {
  for (const std::vector<std::string>& row : t.rows) {
    std::string columns, values;
    std::vector<std::string> parameters;
    for (size_t c = 0; c < t.columns.size() && c < row.size(); ++c) {
      if (row[c].empty()) continue;
      const bool integer = c < t.types.size() &&
                           (t.types[c].starts_with('i') || t.types[c].starts_with('I')) &&
                           row[c].find_first_not_of("-0123456789") == std::string::npos;
      columns += (columns.empty() ? "`" : ", `") + t.columns[c] + "`";
      values += (values.empty() ? "" : ", ") + (integer ? row[c] : std::string("?"));
      if (!integer) parameters.push_back(row[c]);
    }
    db.Query("INSERT INTO `" + t.name + "` (" + columns + ") VALUES (" + values + ")", parameters);
  }
}

void SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::vector<std::string> WriteIntoPackage(const std::string& package, const ExportOutput& tables,
                                          ExistingRows existing) {
  // A link stays a link: what it points at is the package written.
  std::error_code error;
  std::string target = fs::absolute(package, error).lexically_normal().string();
  if (fs::is_symlink(package, error)) {
    target = fs::canonical(package, error).string();
    if (error) throw ExportError(package + ": a link to no package (" + error.message() + ")");
  }
  if (!fs::is_regular_file(target, error)) {
    throw ExportError(package + ": no installer package there (" +
                      (error ? error.message() : "not a regular file") + ")");
  }
  // A read-only package stays as it is, as a read-only design object does (root included).
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0 || (st.st_mode & 0222) == 0 ||
      ::access(target.c_str(), W_OK) != 0) {
    throw ExportError(package + " is read-only");
  }
  {
    // An installer package is a compound file; libmsi says no more than "failed" of another.
    std::ifstream in(target, std::ios::binary);
    char start[8] = {};
    in.read(start, sizeof start);
    if (in.gcount() != sizeof start ||
        std::memcmp(start, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) != 0) {
      throw ExportError(package +
                        ": not an installer package (it does not start as a compound file, "
                        "with the bytes D0 CF 11 E0 A1 B1 1A E1)");
    }
  }
  std::vector<IdtTable> parsed;
  for (const OutputFile& file : tables.files) {
    if (file.name.ends_with(".idt")) parsed.push_back(IdtTable::Parse(file));
  }

  // Under the lock the package is read and replaced whole, so two writers of one package never
  // both work on the same old copy (one write would be lost).
  const FolderLock lock(fs::path(target).parent_path().string(), package);
  std::vector<std::string> report;
  if (const size_t removed = RemoveLeftovers(target); removed > 0) {
    report.push_back("removed " + std::to_string(removed) +
                     " working files an interrupted run left beside it");
  }
  // Opened as it is first, so that what libmsi says of a package it cannot read names the
  // package rather than the working copy.
  { const MsiDatabase readable(target, MsiDatabase::Mode::kRead, package); }
  TemporaryBeside copy(target, package, false);
  fs::copy_file(target, copy.path(), fs::copy_options::overwrite_existing, error);
  if (error) throw ExportError(package + ": cannot copy it: " + error.message());
  {
    MsiDatabase db(copy.path(), MsiDatabase::Mode::kWrite, package);
    // The package's platform and the tables' must agree.
    const std::string templ = db.Template();
    const bool package64 = Is64BitTemplate(templ);
    const bool tables64 = tables.arch == Arch::kX64;
    if (package64 != tables64) {
      throw ExportError(package + " is a " + (package64 ? "64-bit" : "32-bit") +
                        " package (Template " + Quoted(templ) + ") and the tables are for " +
                        (tables64 ? "x64" : "x86") + " components: export with --arch " +
                        (package64 ? "x64" : "x86") +
                        (tables64 ? ", or build the package for x64 (wixl -a x64)" : ""));
    }
    // Every File and Component the rows name must be in the package (or come with the rows).
    std::set<std::string> files = KeysIn(db, "File", "File");
    std::set<std::string> components = KeysIn(db, "Component", "Component");
    std::set<std::string> missingFiles, missingComponents;
    for (const IdtTable& t : parsed) {
      for (const auto& row : t.rows) {
        for (size_t c = 0; c < t.columns.size() && c < row.size(); ++c) {
          const std::string& column = t.columns[c];
          const bool file = column == "File_" || column == "File_Setup";
          if (row[c].empty() || (!file && column != "Component_")) continue;
          if (!(file ? files : components).contains(row[c])) {
            (file ? missingFiles : missingComponents).insert(row[c]);
          }
        }
      }
    }
    if (!missingFiles.empty() || !missingComponents.empty()) {
      std::string lacks;
      if (!missingComponents.empty()) lacks = Counted(missingComponents, "component", "components");
      if (!missingFiles.empty()) {
        lacks += (lacks.empty() ? "" : " and ") + Counted(missingFiles, "file", "files");
      }
      throw ExportError(package + " lacks " + lacks +
                        " that the tables name; `lumora export OBJECT --format wix --for wixl` "
                        "of the same object writes them for wixl to build the package from");
    }
    // In a 32-bit package no component of the tables may be a 64-bit one.
    std::map<std::string, long> attributesOf;
    if (db.HasTable("Component")) {
      db.Query("SELECT `Component`, `Attributes` FROM `Component`", {},
               [&attributesOf](const std::vector<std::string>& cells) {
                 attributesOf[cells[0]] = cells[1].empty() ? 0 : std::stol(cells[1]);
               });
    }
    if (!package64) {
      std::set<std::string> wide;
      for (const std::string& c : tables.components) {
        if (auto found = attributesOf.find(c);
            found != attributesOf.end() && (found->second & k64BitComponent) != 0) {
          wide.insert(c);
        }
      }
      if (!wide.empty()) {
        throw ExportError(package + " is a 32-bit package (Template " + Quoted(templ) +
                          ") and holds the 64-bit " + Counted(wide, "component", "components") +
                          " the tables name: build the package for x64 and export with --arch "
                          "x64, or make the components 32-bit");
      }
    }
    // Rows whose keys are there already: refused, or removed to make room.
    std::string taken;
    for (const IdtTable& t : parsed) {
      if (t.name.empty() || t.name.starts_with('_') || t.keys.empty() || !db.HasTable(t.name)) {
        continue;
      }
      std::string where, select;
      for (const std::string& k : t.keys) {
        where += (where.empty() ? "`" : " AND `") + k + "` = ?";
        select += (select.empty() ? "`" : ", `") + k + "`";
      }
      std::set<std::vector<std::string>> present;
      db.Query("SELECT " + select + " FROM `" + t.name + "`", {},
               [&present](const std::vector<std::string>& cells) { present.insert(cells); });
      for (const auto& row : t.rows) {
        const std::vector<std::string> key = t.Key(row);
        if (!present.contains(key)) continue;
        if (existing == ExistingRows::kRefuse) {
          taken += (taken.empty() ? "" : ", ") + t.name + " " + Join(key);
        } else {
          db.Query("DELETE FROM `" + t.name + "` WHERE " + where, key);
        }
      }
    }
    if (!taken.empty()) {
      throw ExportError(package + " already has the rows " + taken +
                        "; nothing written (--force replaces them)");
    }
    if (!db.HasTable("InstallExecuteSequence")) {
      throw ExportError(package +
                        " has no InstallExecuteSequence table, so the installer would never "
                        "read the ODBC tables; build it as an installable package first");
    }
    // A table the package lacks is imported whole; into one it has, the rows are inserted (an
    // import would replace the rows already there).
    TemporaryBeside folder(target, package, true);
    for (const IdtTable& t : parsed) {
      if (!t.name.empty() && !t.name.starts_with('_') && db.HasTable(t.name)) {
        InsertRows(db, t);
      } else {
        const std::string idt = (fs::path(folder.path()) / t.file).string();
        for (const OutputFile& file : tables.files) {
          if (file.name == t.file) std::ofstream(idt, std::ios::binary) << file.text;
        }
        db.Import(idt);
      }
      if (!t.file.starts_with('_')) {
        report.push_back(t.name + ": " + std::to_string(t.rows.size()) + " rows");
      }
    }
    // The actions that make the installer read the tables; one the author placed stays there.
    std::map<std::string, std::string> placed;
    db.Query("SELECT `Action`, `Sequence` FROM `InstallExecuteSequence`", {},
             [&placed](const std::vector<std::string>& cells) { placed[cells[0]] = cells[1]; });
    for (const OdbcAction& action : OdbcActions()) {
      if (auto found = placed.find(action.name); found != placed.end()) {
        report.push_back(std::string("InstallExecuteSequence: ") + action.name + " kept at " +
                         (found->second.empty() ? "no number" : found->second) +
                         ", where the package places it");
        continue;
      }
      db.Query("INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES (?, " +
                   std::to_string(action.sequence) + ")",
               {action.name});
      report.push_back(std::string("InstallExecuteSequence: ") + action.name + " added at " +
                       std::to_string(action.sequence));
    }
    // The components kept on uninstall are the tables' own: they are made permanent here, as the
    // WiX linker does for Permanent="yes" (wixl drops that attribute). In a 64-bit package every
    // component of the tables is a 64-bit one.
    std::map<std::string, long> wanted;
    if (package64) {
      for (const std::string& c : tables.components) wanted[c] |= k64BitComponent;
    }
    for (const std::string& c : tables.permanentComponents) wanted[c] |= kPermanentComponent;
    for (const auto& [component, bits] : wanted) {
      const auto found = attributesOf.find(component);
      const long before = found == attributesOf.end() ? 0 : found->second;
      if ((before & bits) == bits) continue;
      // Identifiers are ASCII letters, digits, `_` and `.`: they stand in the query as they are.
      db.Query("UPDATE `Component` SET `Attributes` = " + std::to_string(before | bits) +
               " WHERE `Component` = '" + component + "'");
      const long added = bits & ~before;
      report.push_back("Component " + component + ": marked " +
                       (added == (kPermanentComponent | k64BitComponent) ? "permanent and 64-bit"
                        : added == kPermanentComponent                   ? "permanent"
                                                                         : "64-bit"));
    }
    db.Commit();
  }
  SyncFile(copy.path());
  fs::rename(copy.path(), target, error);
  if (error) throw ExportError(package + ": cannot replace it: " + error.message());
  copy.Keep();
  ::fsync(lock.fd());
  return report;
}

}  // namespace lumora::exporting
