// lumora build OBJECT [FEATURE...]: the host's build-time questions, one line per feature.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Command.h"
#include "host/FeatureTable.h"
#include "host/LumoraCtl.h"
#include "host/contract/Failure.h"
#include "hostlib/DesignObjectFile.h"
#include "hostlib/HostSetupError.h"
#include "hostlib/StderrErrorReport.h"

namespace lumora::cli {

void AddBuildOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("OBJECT", invocation.object, "The design-object file (JSON)")->required();
  sub.add_option("FEATURE", invocation.features,
                 "Feature paths such as \"DTDB 3.5\\ACCESS DRIVER\\ENGLISH\" (quote them)");
  sub.footer(
      "Answers true or false for each feature from the stored choices alone; nothing is written.\n"
      "Exit status 0 when every question was answered, 1 when the component failed.");
}

ExitStatus RunBuild(const Invocation& invocation) {
  std::unique_ptr<DesignObjectFile> object;
  try {
    object = std::make_unique<DesignObjectFile>(DesignObjectFile::Load(invocation.object));
  } catch (const DesignObjectFileError& e) {
    PrintError(e.what());
    return ExitStatus::kBadUsage;
  }
  try {
    AttachHost(invocation);
  } catch (const HostSetupError& e) {
    PrintError(e.what());
    return ExitStatus::kBadUsage;
  }

  std::vector<std::string> features = invocation.features;
  if (features.empty()) {
    for (const FeatureRow& row : FeatureTable()) features.push_back(row.path);
  }
  LumoraCtl control;
  std::string out;
  for (const std::string& feature : features) {
    try {
      const bool included = control.ISetupDesignObjectBuild_IsIncluded(object.get(), feature);
      out += (included ? "true\t" : "false\t") + feature + "\n";
    } catch (const Failure& failure) {
      std::fputs(out.c_str(), stdout);
      std::fflush(stdout);
      std::fprintf(
          stderr, "%s\n",
          StderrErrorReport::Format(failure.number(), failure.description(), failure.source(),
                                    "LumoraCtl:ISetupDesignObjectBuild_IsIncluded")
              .c_str());
      return ExitStatus::kComponentNo;
    }
  }
  std::fputs(out.c_str(), stdout);
  return ExitStatus::kDone;
}

}  // namespace lumora::cli
