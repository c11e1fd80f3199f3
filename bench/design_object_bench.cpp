// Load and save of a design object holding 32767 drivers, the most a 16-bit counter reaches:
// parsing the file, loading the drivers into a session (on a machine without a catalogue),
// writing them back and saving the file atomically.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "contract/ProcessState.h"
#include "host/DesignObjectFile.h"
#include "services/WizAPI.h"
#include "services/WizardData.h"
#include "support/doubles/ConfigurableHostLibrary.h"

namespace lumora {
namespace {

constexpr int kDrivers = 32767;

std::string BigObjectText() {
  nlohmann::ordered_json names = nlohmann::ordered_json::array();
  nlohmann::ordered_json infos = nlohmann::ordered_json::array();
  nlohmann::ordered_json selections = nlohmann::ordered_json::array();
  for (int i = 0; i < kDrivers; ++i) {
    names.push_back("Driver " + std::to_string(i));
    infos.push_back("Driver=<WINSYSDIR>\\drv" + std::to_string(i) +
                    ".dll\r\nSetup=<WINSYSDIR>\\drvs.dll\r\nAPILevel=1");
    selections.push_back(i % 2 == 0);
  }
  nlohmann::ordered_json doc;
  doc["properties"]["DTDBVerNo"] = 0;
  doc["properties"]["Drivers"] = names;
  doc["properties"]["DriversInfo"] = infos;
  doc["properties"]["DriversSelections"] = selections;
  return doc.dump(2);
}

std::string TempPath() {
  std::string pattern = "/tmp/lumora-bench-XXXXXX";
  int fd = mkstemp(pattern.data());
  close(fd);
  return pattern;
}

void BM_ParseBigObject(benchmark::State& state) {
  const std::string text = BigObjectText();
  for (auto _ : state) {
    DesignObjectFile file = DesignObjectFile::Parse("big.json", text);
    benchmark::DoNotOptimize(file.GetProperty("Drivers"));
  }
  state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ParseBigObject)->Unit(benchmark::kMillisecond);

void BM_LoadAndSaveThroughTheSession(benchmark::State& state) {
  component::Attach(std::make_shared<ConfigurableHostLibrary>(), ".");
  const std::string path = TempPath();
  std::ofstream(path) << BigObjectText();
  WizAPI api;
  for (auto _ : state) {
    DesignObjectFile file = DesignObjectFile::Load(path);
    WizardData session;
    api.GetDriversFromObject(file, session, file.GetProperty("Drivers"),
                             file.GetProperty("DriversInfo"),
                             file.GetProperty("DriversSelections"));
    api.SetDriversInObject(session, file);
    file.Save();
    benchmark::DoNotOptimize(session.Drivers->Count());
  }
  std::remove(path.c_str());
  const size_t slash = path.rfind('/');
  std::remove((path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".lock").c_str());
  component::Detach();
}
BENCHMARK(BM_LoadAndSaveThroughTheSession)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumora

BENCHMARK_MAIN();
