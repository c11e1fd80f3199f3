// Build-time questions answered per second: LumoraCtl asked about every feature path of the
// table, over a stored object with the drivers an author typically ticks. The object is a plain
// host-side property store (a get returns a copy of the stored value, as a host's does).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "contract/ProcessState.h"
#include "control/FeatureTable.h"
#include "control/LumoraCtl.h"
#include "support/doubles/ConfigurableHostLibrary.h"

namespace lumora {
namespace {

class StoredObject : public DesignObject {
 public:
  Value GetProperty(const std::string& name) override {
    for (const auto& [key, value] : properties_) {
      if (key == name) return value;
    }
    return Value();
  }
  void PutProperty(const std::string& name, const Value& value) override {
    for (auto& [key, stored] : properties_) {
      if (key == name) {
        stored = value;
        return;
      }
    }
    properties_.emplace_back(name, value);
  }

 private:
  std::vector<std::pair<std::string, Value>> properties_;
};

void BM_IsIncludedEveryFeature(benchmark::State& state) {
  component::Attach(std::make_shared<ConfigurableHostLibrary>(), ".");
  StoredObject object;
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
