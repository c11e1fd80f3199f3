// Records and name lists shared by the services tests.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
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
inline std::string Describe(const std::string& name, const std::string& attribs,
                            std::initializer_list<std::pair<bool, const char*>> flags) {
  std::string out = name + " | " + attribs;
  for (const auto& [set, flag] : flags) {
    if (set) out += std::string(" ") + flag;
  }
  return out;
}
inline std::string Describe(const Driver& d) {
  return Describe(
      d.Name(), d.AttribsString(),
      {{d.Selected(), "selected"}, {d.ObjectProvided(), "provided"}, {d.DTDBDriver(), "dtdb"}});
}
inline std::string Describe(const Translator& t) {
  return Describe(t.Name(), t.AttribsString(),
                  {{t.Selected(), "selected"}, {t.ObjectProvided(), "provided"}});
}
inline std::string Describe(const DataSource& s) {
  return Describe(s.Name(), s.AttribsString(),
                  {{s.Selected(), "selected"},
                   {s.UserDSN(), "user"},
                   {s.SystemDSN(), "system"},
                   {s.Uninstall(), "uninstall"}});
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
