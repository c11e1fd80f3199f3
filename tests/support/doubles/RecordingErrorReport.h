// An error-report object that records every report in a list shared with whoever made it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "contract/ErrorReport.h"

namespace lumora {

struct ReportedError {
  int32_t number = 0;
  std::string description;
  std::string source;
  std::string procedure;
};

using ReportLog = std::shared_ptr<std::vector<ReportedError>>;

class RecordingErrorReport : public ErrorReport {
 public:
  explicit RecordingErrorReport(ReportLog log) : log_(std::move(log)) {}
  void ReportError(int32_t& number, std::string& description, std::string& source,
                   std::string& procedure) override {
    log_->push_back({number, description, source, procedure});
  }

 private:
  ReportLog log_;
};

}  // namespace lumora
