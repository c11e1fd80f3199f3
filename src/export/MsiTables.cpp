// The .idt archive form of a table, as database tools import and export it: a line of column
// names, a line of column types (s = text, S = nullable text, L = nullable localizable text,
// i = integer, with its width), a line with the table name and its key columns, then one line per
// row; cells are separated by tabs, lines end in CR LF. A cell cannot hold a tab or a line break.
#include <algorithm>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "export/ExportWriters.h"
#include "export/InstallerModel.h"

namespace lumora::exporting {
namespace {

// A table's rows are kept as views of their cells, which must outlive File(); File() then writes
// the whole text in one piece.
class Table {
 public:
  Table(std::string name, std::vector<const char*> columns, std::vector<const char*> types,
        std::vector<const char*> keys)
      : name_(std::move(name)), columns_(columns.size()) {
    Line(columns);
    Line(types);
    std::vector<const char*> header = {name_.c_str()};
    header.insert(header.end(), keys.begin(), keys.end());
    Line(header);
  }

  // One row, a cell for each column.
  void Add(const ExportItem& item, std::initializer_list<std::string_view> cells) {
    for (std::string_view cell : cells) {
      // Tab, LF and CR all lie at or below '\r': one comparison a character for the rest.
      if (std::any_of(cell.begin(), cell.end(), [](char c) {
            return static_cast<unsigned char>(c) <= '\r' && (c == '\t' || c == '\r' || c == '\n');
          })) {
        throw ExportError(Describe(item) + ": \"" + Printable(cell) +
                          "\" holds a tab or a line break, which a table cell of " + name_ +
                          " cannot carry");
      }
      cells_.push_back(cell);
      bytes_ += cell.size() + 1;  // with the tab or the CR LF's first byte after it
    }
    bytes_ += 1;
  }

  OutputFile File() && {
    text_.reserve(text_.size() + bytes_);
    for (size_t row = 0; row < cells_.size(); row += columns_) {
      Line(std::span(cells_).subspan(row, columns_));
    }
    return {name_ + ".idt", std::move(text_)};
  }

 private:
  template <class Cells>
  void Line(const Cells& cells) {
    bool first = true;
    for (std::string_view cell : cells) {
      if (!first) text_ += '\t';
      first = false;
      text_ += cell;
    }
    text_ += "\r\n";
  }

  std::string name_;
  size_t columns_;
  std::vector<std::string_view> cells_;  // row after row
  size_t bytes_ = 0;                     // of the rows' lines
  std::string text_;
};

}  // namespace

ExportOutput WriteMsiTables(const ExportChoices& choices, const ExportOptions& options) {
  const InstallerModel layout =
      BuildInstallerModel(choices, options.folders, options.component, options.arch);
  Table drivers("ODBCDriver", {"Driver", "Component_", "Description", "File_", "File_Setup"},
                {"s72", "s72", "s255", "s72", "S72"}, {"Driver"});
  Table translators("ODBCTranslator",
                    {"Translator", "Component_", "Description", "File_", "File_Setup"},
                    {"s72", "s72", "s255", "s72", "S72"}, {"Translator"});
  Table attributes("ODBCAttribute", {"Driver_", "Attribute", "Value"}, {"s72", "s40", "L255"},
                   {"Driver_", "Attribute"});
  Table sources("ODBCDataSource",
                {"DataSource", "Component_", "Description", "DriverDescription", "Registration"},
                {"s72", "s72", "s255", "s255", "i2"}, {"DataSource"});
  Table sourceAttributes("ODBCSourceAttribute", {"DataSource_", "Attribute", "Value"},
                         {"s72", "s32", "S255"}, {"DataSource_", "Attribute"});
  for (const InstallRow& row : layout.drivers) {
    drivers.Add(*row.item, {row.id, layout.components[row.componentAt].id, row.item->name,
                            layout.files[row.fileAt].id, row.setupFile});
    for (const AttributeLine& a : row.attributes)
      attributes.Add(*row.item, {row.id, a.name, a.value});
  }
  for (const InstallRow& row : layout.translators) {
    translators.Add(*row.item, {row.id, layout.components[row.componentAt].id, row.item->name,
                                layout.files[row.fileAt].id, row.setupFile});
  }
  for (const InstallRow& row : layout.dataSources) {
    sources.Add(*row.item, {row.id, layout.components[row.componentAt].id, row.item->name,
                            row.driverDescription, row.item->system ? "0" : "1"});
    for (const AttributeLine& a : row.attributes) {
      sourceAttributes.Add(*row.item, {row.id, a.name, a.value});
    }
  }
  ExportOutput out;
  out.warnings = layout.warnings;
  out.arch = options.arch;
  // The queries of lumora-odbc.sql: the actions that read the ODBC tables, then the bits of the
  // components the tables invent, which wixl leaves out (Permanent="yes") or which a package made
  // otherwise lacks. Identifiers are ASCII letters, digits, '_' and '.': they stand as they are.
  std::string queries;
  for (const auto& [action, sequence] : OdbcActions()) {
    queries += "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('" +
               std::string(action) + "', " + std::to_string(sequence) + ")\n";
  }
  for (const InstallComponent& component : layout.components) {
    out.components.push_back(component.id);
    if (!component.permanent) continue;
    out.permanentComponents.push_back(component.id);
    queries +=
        "UPDATE `Component` SET `Attributes` = " +
        std::to_string(kPermanentComponent | (options.arch == Arch::kX64 ? k64BitComponent : 0)) +
        " WHERE `Component` = '" + component.id + "'\n";
  }
  // Names and values are UTF-8: the database takes them in that code page.
  out.files.push_back({"_ForceCodepage.idt", "\r\n\r\n65001\t_ForceCodepage\r\n"});
  for (Table* table : {&drivers, &translators, &attributes, &sources, &sourceAttributes}) {
    out.files.push_back(std::move(*table).File());
  }
  out.files.push_back({kPackageQueriesFile, std::move(queries)});
  return out;
}

}  // namespace lumora::exporting
