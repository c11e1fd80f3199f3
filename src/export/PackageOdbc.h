// What `lumora check --package` reads of an installer package: the rows of the tables that
// place and register ODBC items (Component, File, Directory, the five ODBC tables and
// InstallExecuteSequence) as text, and the platform its summary information declares. The
// installer-format library fills it (InstallerFormats::readPackageOdbc); the findings about it
// are worked out above that library, from this plain copy.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace lumora::exporting {

struct PackageOdbc {
  struct Component {
    std::string folder;  // Directory_
    long attributes = 0;
  };
  struct File {
    std::string component;
    std::string name;  // the long name
  };
  // A row of ODBCDriver, ODBCTranslator or ODBCDataSource.
  struct Row {
    std::string key, component, description;
    std::string file, setup;   // drivers and translators: File_, File_Setup
    std::string registration;  // data sources
  };
  // A row of ODBCAttribute or ODBCSourceAttribute: the row it belongs to, the attribute.
  struct Attribute {
    std::string owner, name;
  };

  std::string path;
  std::string platform;  // the summary information's Template before its ';' ("Intel", "x64")
  std::map<std::string, Component> components;
  std::map<std::string, File> files;
  std::set<std::string> folders;
  std::vector<Row> drivers, translators, dataSources;
  std::vector<Attribute> driverAttributes, sourceAttributes;
  bool hasSequence = false;            // the package has an InstallExecuteSequence table
  std::map<std::string, int> actions;  // its actions and their sequence numbers
};

// Component.Attributes: the component is a 64-bit one.
inline constexpr long kComponent64Bit = 256;

}  // namespace lumora::exporting
