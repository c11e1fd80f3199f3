// Environment variables set for one test and put back as they were when the guard goes.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace lumora::testing {

// Sets the variable `name` of this process to `value`; a null value unsets it (support/Platform*).
void SetEnvironment(const std::string& name, const char* value);

class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const std::string& name, const char* value) { Set(name, value); }
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) Apply(name, value ? value->c_str() : nullptr);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  // Sets `name` to `value`; a null value unsets it.
  void Set(const std::string& name, const char* value) {
    const char* old = std::getenv(name.c_str());
    saved_.try_emplace(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    Apply(name, value);
  }

 private:
  static void Apply(const std::string& name, const char* value) { SetEnvironment(name, value); }
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace lumora::testing
