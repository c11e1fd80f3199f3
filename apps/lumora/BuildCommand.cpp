// lumora build OBJECT [FEATURE...]: the host's build-time questions, one line per feature, asked
// of the component's ISetupDesignObjectBuild. A FEATURE that is none of the setup object's paths
// is noted on standard error; its answer, false, is printed like any other.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "Command.h"
#include "ComponentHost.h"
#include "contract/Text.h"
#include "host/DesignObjectFile.h"
#include "hostlib/StderrErrorReport.h"

namespace lumora::cli {
namespace {

// The setup object's 64 feature paths, in the component's table order (written out from the
// component's feature table when lumora is built).
const std::vector<std::string>& AllFeaturePaths() {
  static const std::vector<std::string> paths = {
#include "FeaturePaths.inc"
  };
  return paths;
}

// Whether the component knows `feature`: it compares the path up to a NUL with its own, ignoring
// case, as a whole.
bool IsFeaturePath(const std::string& feature) {
  static const std::unordered_set<std::string> known = [] {
    std::unordered_set<std::string> upper;
    for (const std::string& path : AllFeaturePaths()) upper.insert(UCase(path));
    return upper;
  }();
  return known.count(UCase(feature.substr(0, feature.find('\0')))) != 0;
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
  const std::shared_ptr<DesignObjectFile> file = LoadObject(invocation.object);
  CheckHostSettings(invocation);  // like every other command, though build uses none of them
  Ref<ISetupDesignObjectBuild> build;
  build.Adopt(static_cast<ISetupDesignObjectBuild*>(CreateLumoraCtl(IID_ISetupDesignObjectBuild)));
  // The answers come from the design object alone: the component is handed no registry and no
  // host settings file, so neither is read.
  Invocation asked = invocation;
  asked.host.registry = "none";
  asked.host.hostConfig.clear();
  Ref<IDesignObject> object(NewHostDesignObject(file, asked, LUMORA_WIZARD_WINDOW));

  std::vector<std::string> features = invocation.features;
  if (features.empty()) features = AllFeaturePaths();
  std::string out;
  for (const std::string& feature : features) {
    if (!IsFeaturePath(feature)) {
      PrintError("note: \"" + feature +
                 "\" is not one of the setup object's 64 feature paths; the answer is false");
    }
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
