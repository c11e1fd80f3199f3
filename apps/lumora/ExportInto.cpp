#include "ExportInto.h"

#include <cstdio>

#include "export/InstallerFormats.h"

namespace lumora::cli {

ExitStatus WriteIntoPackage(const std::string& package, const exporting::ExportOutput& output,
                            bool force) {
  using namespace exporting;
  for (const std::string& warning : output.warnings) PrintError("warning: " + warning);
  try {
    const InstallerFormats& formats = LoadInstallerFormats();
    for (const std::string& line : formats.writeIntoPackage(
             package, output, force ? ExistingRows::kReplace : ExistingRows::kRefuse)) {
      std::printf("%s: %s\n", package.c_str(), line.c_str());
    }
  } catch (const ExportError& e) {
    throw ExportError(std::string(e.what()) + "; the package is left as it was");
  }
  return ExitStatus::kDone;
}

}  // namespace lumora::cli
