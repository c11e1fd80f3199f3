// The setup object's feature paths and how the build-time answer for each is computed. The
// table holds all 64 paths, language sub-features spelled out, in the order they are listed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

struct FeatureRow {
  enum class Rule {
    Always,            // the object's own parts: always included
    Driver,            // included when the named driver is selected
    AnyDriverVersion,  // included when any driver is selected and the version matches
    DriverVersion,     // included when the named driver is selected and the version matches
  };
  std::string path;  // as listed ("DTDB 3.5\ACCESS DRIVER\ENGLISH")
  Rule rule = Rule::Always;
  std::string driver;   // the driver's ODBC name, for the Driver rules
  int32_t version = 0;  // DTDBVerNo required, for the version rules
};

const std::vector<FeatureRow>& FeatureTable();
// The row whose path equals `path` ignoring case (both upper-cased), or null.
const FeatureRow* FindFeature(std::string_view path);

}  // namespace lumora
