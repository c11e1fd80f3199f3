// The host's setup-design library as the component sees it: a factory for its utility objects.
// The component creates a utility object where it uses it and drops it after the call, as the
// original creates them with New; error-report objects are kept (see ErrorReporter).
#pragma once

#include <memory>

#include "contract/ErrorReport.h"
#include "contract/FieldParser.h"
#include "contract/FileVersionInfo.h"
#include "contract/IniFile.h"
#include "contract/PathHelper.h"
#include "contract/Registry.h"
#include "contract/SystemFolders.h"

namespace lumora {

class HostLibrary {
 public:
  virtual ~HostLibrary() = default;
  virtual std::unique_ptr<ErrorReport> NewErrorReport() = 0;
  virtual std::shared_ptr<RegistryKey> NewRegistryKey() = 0;
  virtual std::unique_ptr<RegistryConstants> NewRegistryConstants() = 0;
  virtual std::unique_ptr<IniFile> NewIniFile() = 0;
  virtual std::unique_ptr<SystemFolders> NewSystemFolders() = 0;
  virtual std::unique_ptr<PathHelper> NewPathHelper() = 0;
  virtual std::unique_ptr<FileVersionInfo> NewFileVersionInfo() = 0;
  virtual std::unique_ptr<FieldParser> NewFieldParser() = 0;
};

}  // namespace lumora
