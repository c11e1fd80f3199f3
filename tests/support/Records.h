// Records and name lists shared by the services tests.
#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/Collections.h"
#include "support/TestHost.h"

namespace lumora::testing {

template <class Record = Driver>
std::shared_ptr<Record> Make(const std::string& name, const std::string& attribs = "",
                             bool selected = false) {
  auto r = std::make_shared<Record>();
  r->SetName(name);
  r->SetAttribsString(attribs);
  r->SetSelected(selected);
  return r;
}

inline DataSourcePtr MakeSource(const std::string& name, const std::string& attribs, bool selected,
                                bool system, bool uninstall) {
  DataSourcePtr s = Make<DataSource>(name, attribs, selected);
  s->SetSystemDSN(system);
  s->SetUninstall(uninstall);
  return s;
}

template <class Collection>
std::vector<std::string> Names(const Collection& c) {
  std::vector<std::string> names;
  for (const auto& member : c) names.push_back(member->Name());
  return names;
}

// One record as "name | attributes" and its set flags, so a whole collection compares at once.
template <class Record>
requires requires(const Record& r) {
  r.AttribsString();
}
std::string Describe(const Record& r) {
  std::string out = r.Name() + " | " + r.AttribsString();
  auto flag = [&](bool set, const char* name) { out += set ? std::string(" ") + name : ""; };
  flag(r.Selected(), "selected");
  if constexpr (std::is_same_v<Record, DataSource>) {
    flag(r.UserDSN(), "user");
    flag(r.SystemDSN(), "system");
    flag(r.Uninstall(), "uninstall");
  } else {
    flag(r.ObjectProvided(), "provided");
    if constexpr (std::is_same_v<Record, Driver>) flag(r.DTDBDriver(), "dtdb");
  }
  return out;
}
template <class Collection>
std::vector<std::string> Describe(const Collection& c) {
  std::vector<std::string> out;
  for (const auto& member : c) out.push_back(Describe(*member));
  return out;
}

// The reports a host heard so far, each as "procedure number".
inline std::vector<std::string> Reported(const TestHost& host) {
  std::vector<std::string> out;
  for (const ReportedError& r : host.reports()) {
    out.push_back(r.procedure + " " + std::to_string(r.number));
  }
  return out;
}

}  // namespace lumora::testing
