#include "hostlib/StderrErrorReport.h"

#include "contract/MessageText.h"

namespace lumora {

std::string StderrErrorReport::Format(int32_t number, const std::string& description,
                                      const std::string& source, const std::string& procedure) {
  return "lumora: error " + std::to_string(number) + " in " + EscapeForMessage(procedure) + ": " +
         EscapeForMessage(description) + " (" + EscapeForMessage(source) + ")";
}

void StderrErrorReport::ReportError(int32_t& number, std::string& description, std::string& source,
                                    std::string& procedure) {
  const std::string line = Format(number, description, source, procedure) + "\n";
  std::fputs(line.c_str(), out_);
  std::fflush(out_);
}

}  // namespace lumora
