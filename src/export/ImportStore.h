// Storing imported choices in a design object the way the wizard's Finish stores them: the
// "Drivers" and "DataSources" families of parallel arrays, every imported item selected, a data
// source's type "system" or "user" and its uninstall flag, and the one-element placeholder when a
// family ends up empty. The caller saves the object.
#pragma once

#include <string>
#include <vector>

#include "contract/DesignObject.h"
#include "export/ImportedChoices.h"

namespace lumora::exporting {

enum class ImportMode {
  kJoin,     // imported items join the stored ones; one of the same name replaces it in place
  kReplace,  // imported items replace the stored lists
};

struct StoreResult {
  size_t drivers = 0, dataSources = 0;  // stored after the import
  std::vector<std::string> replaced;    // "driver \"X\"", "data source \"Y\"" (join only)
};

// Throws ImportError, leaving the object as it was, when a list would pass 32,767 entries or
// the stored lists cannot be read whole (naming `objectName`).
StoreResult StoreImported(DesignObject& object, const std::string& objectName,
                          const ImportedChoices& choices, ImportMode mode);

}  // namespace lumora::exporting
