// The host's error-report object: the component hands every trapped failure to ReportError and
// only needs the call to return. What it does with the report (log, dialog, stderr) is the host's.
#pragma once

#include <cstdint>
#include <string>

namespace lumora {

class ErrorReport {
 public:
  virtual ~ErrorReport() = default;
  // Arguments in the classic order: number, description, source, procedure text
  // ("WizAPI:ReadDrvSections"). A failure of the report itself is not trapped.
  virtual void ReportError(int32_t& number, std::string& description, std::string& source,
                           std::string& procedure) = 0;
};

}  // namespace lumora
