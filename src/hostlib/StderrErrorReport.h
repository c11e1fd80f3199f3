// The command-line host's error-report object: one line on standard error per report,
//   lumora: error NUMBER in PROCEDURE: DESCRIPTION (SOURCE)
#pragma once

#include <cstdio>

#include "contract/ErrorReport.h"

namespace lumora {

class StderrErrorReport : public ErrorReport {
 public:
  explicit StderrErrorReport(std::FILE* out = stderr) : out_(out) {}
  void ReportError(int32_t& number, std::string& description, std::string& source,
                   std::string& procedure) override;
  static std::string Format(int32_t number, const std::string& description,
                            const std::string& source, const std::string& procedure);

 private:
  std::FILE* out_;
};

}  // namespace lumora
