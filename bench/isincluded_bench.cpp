// Build-time questions answered per second: LumoraCtl asked about every feature path of the
// table, over a stored object with the drivers an author typically ticks.
#include <benchmark/benchmark.h>

#include <memory>

#include "control/FeatureTable.h"
#include "control/LumoraCtl.h"
#include "contract/Environment.h"
#include "support/doubles/ConfigurableHostLibrary.h"
#include "support/doubles/MemoryDesignObject.h"

namespace lumora {
namespace {

void BM_IsIncludedEveryFeature(benchmark::State& state) {
  component::Attach(std::make_shared<ConfigurableHostLibrary>(), ".");
  MemoryDesignObject object;
  object.PutProperty("Drivers", Value::Strings({"SQL Server", "Microsoft Access Driver (*.mdb)",
                                                "Microsoft Text Driver (*.txt; *.csv)"}));
  object.PutProperty("DriversSelections", Value::Booleans({true, true, false}));
  object.PutProperty("DTDBVerNo", Value::Integer(0));
  LumoraCtl control;
  const std::vector<FeatureRow>& table = FeatureTable();
  int64_t answered = 0;
  for (auto _ : state) {
    for (const FeatureRow& row : table) {
      benchmark::DoNotOptimize(control.ISetupDesignObjectBuild_IsIncluded(&object, row.path));
    }
    answered += static_cast<int64_t>(table.size());
  }
  state.counters["answers/s"] =
      benchmark::Counter(static_cast<double>(answered), benchmark::Counter::kIsRate);
  component::Detach();
}
BENCHMARK(BM_IsIncludedEveryFeature);

}  // namespace
}  // namespace lumora

BENCHMARK_MAIN();
