// An installer package opened through libmsi, for reading its tables and writing rows into them.
// The object owns the library's database handle; every failure of the library becomes an
// ExportError naming the package and what was asked. Text goes in and out as UTF-8.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumora::exporting {

class MsiDatabase {
 public:
  enum class Mode { kRead, kWrite };
  // Opens `path`; with kWrite, Commit writes the changes into the same file. Failures name
  // `shownAs` (the package a user named, when `path` is a working copy of it), else `path`.
  MsiDatabase(const std::string& path, Mode mode, const std::string& shownAs = {});
  ~MsiDatabase();
  MsiDatabase(const MsiDatabase&) = delete;
  MsiDatabase& operator=(const MsiDatabase&) = delete;

  bool HasTable(const std::string& table);
  // The table's column names, in order.
  std::vector<std::string> Columns(const std::string& table);
  // Runs `sql` with `parameters` bound to its ? markers (text) and calls `row` with each row's
  // cells as text ("" for a null cell). Integer cells come back as their decimal text.
  void Query(const std::string& sql, const std::vector<std::string>& parameters = {},
             const std::function<void(const std::vector<std::string>&)>& row = {});
  // Imports an .idt archive file into the package (its table made when missing).
  void Import(const std::string& idtPath);
  void Commit();
  // The summary information's Template ("Intel;1033", "x64;1033"); "" when it has none.
  std::string Template();
  const std::string& path() const { return path_; }

 private:
  struct Handle;
  std::string path_;
  std::unique_ptr<Handle> handle_;
};

}  // namespace lumora::exporting
