// Attaches a ConfigurableHostLibrary to the component for the life of a test and detaches it
// afterwards, so every test starts with a fresh shared error reporter and no reports.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "contract/ProcessState.h"
#include "support/doubles/ConfigurableHostLibrary.h"

namespace lumora::testing {

class TestHost {
 public:
  explicit TestHost(std::string componentFolder = ".")
      : host_(std::make_shared<ConfigurableHostLibrary>()) {
    component::Attach(host_, std::move(componentFolder));
  }
  ~TestHost() { component::Detach(); }
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  ConfigurableHostLibrary& host() { return *host_; }
  const std::vector<ReportedError>& reports() const { return *host_->reports; }
  // The procedure texts of all reports so far, in order.
  std::vector<std::string> procedures() const {
    std::vector<std::string> out;
    for (const ReportedError& r : reports()) out.push_back(r.procedure);
    return out;
  }

 private:
  std::shared_ptr<ConfigurableHostLibrary> host_;
};

}  // namespace lumora::testing
