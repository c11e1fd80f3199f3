// A real installer package for the export tests: wixl builds it from the components and files
// of an exported fragment, as a package author would, so that tables can be written into it.
#pragma once

#include <regex>
#include <string>

#include "support/RunProcess.h"

namespace lumora::testing {

// A package that wixl builds from the fragment's components and files, its ODBC elements left
// out (wixl takes none), holding every file the fragment names. wixl drops Permanent="yes";
// export --into gives the components kept on uninstall their permanent bit.
inline std::string BuildPackage(const TempDir& dir, const std::string& fragment) {
  std::string files;
  const std::regex source("Source=\"([^\"]+)\"");
  for (const std::string& line : Lines(ReadFile(fragment))) {
    if (line.find("<ODBC") != std::string::npos || line.find("</ODBC") != std::string::npos ||
        line.find("<Property ") != std::string::npos) {
      continue;
    }
    files += line + "\n";
    std::smatch m;
    if (std::regex_search(line, m, source)) dir.Write("pkg/" + m[1].str(), "MZ");
  }
  dir.Write("pkg/files.wxs", files);
  dir.Write("pkg/product.wxs", ReadFile("tests/data/export/product.wxs"));
  Shell("cd '" + dir.File("pkg") + "' && wixl -o odbc.msi product.wxs files.wxs");
  return dir.File("pkg/odbc.msi");
}

}  // namespace lumora::testing
