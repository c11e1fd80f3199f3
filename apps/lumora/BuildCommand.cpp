// lumora build OBJECT [FEATURE...]: the host's build-time questions, one line per feature, asked
// of the component's ISetupDesignObjectBuild.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Command.h"
#include "ComponentHost.h"
#include "hostlib/DesignObjectFile.h"
#include "hostlib/StderrErrorReport.h"

namespace lumora::cli {
namespace {

// The setup object's feature tree as the host lays it out, asked in full when no path is given:
// the object's own parts, the two server drivers and the desktop-database drivers of 3.5 and 4.0
// (4.0 has no FoxPro driver), each driver with its language sub-features.
std::vector<std::string> AllFeaturePaths() {
  std::vector<std::string> paths = {"ODBC",
                                    "Lumora",
                                    "Lumora\\OLEDB",
                                    "LumoraA",
                                    "LumoraA\\ENGLISH",
                                    "LumoraA\\GERMAN",
                                    "LumoraA\\JAPANESE",
                                    "LumoraA\\OLEDB GERMAN",
                                    "LumoraA\\OLEDB ENGLISH",
                                    "LumoraA\\OLEDB JAPANESE"};
  auto withLanguages = [&paths](const std::string& path) {
    paths.push_back(path);
    for (const char* language : {"ENGLISH", "GERMAN", "JAPANESE"}) {
      paths.push_back(path + "\\" + language);
    }
  };
  withLanguages("ORACLE DRIVER");
  withLanguages("SQL SERVER DRIVER");
  for (const char* group : {"DTDB 3.5", "DTDB 4.0"}) {
    paths.push_back(group);
    for (const char* driver : {"ACCESS DRIVER", "DBASE DRIVER", "EXCEL DRIVER", "FOXPRO DRIVER",
                               "PARADOX DRIVER", "TEXT DRIVER"}) {
      if (std::string(group) == "DTDB 4.0" && std::string(driver) == "FOXPRO DRIVER") continue;
      withLanguages(std::string(group) + "\\" + driver);
    }
  }
  return paths;
}

}  // namespace

void AddBuildOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("OBJECT", invocation.object, "The design-object file (JSON)")->required();
  sub.add_option("FEATURE", invocation.features,
                 "Feature paths such as \"DTDB 3.5\\ACCESS DRIVER\\ENGLISH\" (quote them)");
  sub.footer(
      "Answers true or false for each feature from the stored choices alone; nothing is written.\n"
      "Exit status 0 when every question was answered, 1 when the component failed.");
}

ExitStatus RunBuild(const Invocation& invocation) {
  const std::shared_ptr<DesignObjectFile> file = LoadObjectOrSay(invocation.object);
  if (!file) return ExitStatus::kBadUsage;
  Ref<ISetupDesignObjectBuild> build;
  build.Adopt(
      static_cast<ISetupDesignObjectBuild*>(CreateLumoraCtlOrSay(IID_ISetupDesignObjectBuild)));
  if (!build) return ExitStatus::kComponentNo;
  Ref<IDesignObject> object(NewHostDesignObject(file, invocation, LUMORA_WIZARD_WINDOW));

  std::vector<std::string> features = invocation.features;
  if (features.empty()) features = AllFeaturePaths();
  std::string out;
  for (const std::string& feature : features) {
    int32_t included = 0;
    Ref<IFailureInfo> error;
    const LumoraHResult result = build->lpVtbl->IsIncluded(
        build.get(), object.get(), LumoraString{feature.data(), feature.size()}, &included,
        error.Out());
    if (LUMORA_FAILED(result)) {
      std::fputs(out.c_str(), stdout);
      std::fflush(stdout);
      const CallFailure failure = ReadCallFailure(result, error.get());
      if (result == LUMORA_E_HOSTINPUT) {
        PrintError(failure.description);
        return ExitStatus::kBadUsage;
      }
      std::fprintf(stderr, "%s\n",
                   StderrErrorReport::Format(failure.number, failure.description, failure.source,
                                             "LumoraCtl:ISetupDesignObjectBuild_IsIncluded")
                       .c_str());
      return ExitStatus::kComponentNo;
    }
    out += (included != 0 ? "true\t" : "false\t") + feature + "\n";
  }
  std::fputs(out.c_str(), stdout);
  return ExitStatus::kDone;
}

}  // namespace lumora::cli
