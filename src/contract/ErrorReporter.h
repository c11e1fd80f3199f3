// Hands trapped failures to one of the host's error-report objects. The report object is created
// from the host library at the first report and kept while the reporter lives: the component
// keeps one shared reporter for the whole time it is loaded, and the wizard form one of its own.
#pragma once

#include <memory>
#include <string_view>

#include "contract/ErrorReport.h"
#include "contract/Failure.h"

namespace lumora {

class ErrorReporter {
 public:
  ErrorReporter();
  ~ErrorReporter();
  ErrorReporter(const ErrorReporter&) = delete;
  ErrorReporter& operator=(const ErrorReporter&) = delete;

  // Reports `failure` with the procedure text of the trapping operation.
  void Report(const Failure& failure, std::string_view procedure);
  // Reports the exception being handled (call only inside a catch block); anything that is not
  // a Failure is reported as out of memory (7) or internal error (51).
  void ReportCurrentException(std::string_view procedure);

 private:
  std::unique_ptr<ErrorReport> report_;
};

}  // namespace lumora
