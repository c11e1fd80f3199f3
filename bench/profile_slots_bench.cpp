// The profile functions over a catalogue with 32,767 numbered slots in one section: reading
// every slot once (the file parsed once and kept while unchanged), and one read right after
// the file changed (what each slot read cost when every call parsed the file).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/ProfileFile.h"

namespace lumora {
namespace {

constexpr int kSlots = 32767;

const std::string& Catalogue() {
  static const std::string path = [] {
    char pattern[] = "/tmp/lumora-slots-XXXXXX";
    const std::string folder = ::mkdtemp(pattern);
    const std::string file = folder + "/lumora.ini";
    std::ofstream out(file);
    out << "[ODBC Drivers]\n";
    for (int i = 0; i < kSlots; ++i) {
      out << "Driver" << i << "=Bench Driver " << i << " (*.bch)\n";
    }
    return file;
  }();
  return path;
}

void BM_EverySlotOnce(benchmark::State& state) {
  const std::string& file = Catalogue();
  for (auto _ : state) {
    for (int i = 0; i < kSlots; ++i) {
      const std::string key = "Driver" + std::to_string(i);
      benchmark::DoNotOptimize(
          GetPrivateProfileStringA("ODBC Drivers", key.c_str(), "", 256, file));
    }
  }
  state.SetItemsProcessed(state.iterations() * kSlots);
}
BENCHMARK(BM_EverySlotOnce)->Unit(benchmark::kMillisecond);

void BM_OneReadAfterAChange(benchmark::State& state) {
  const std::string& file = Catalogue();
  for (auto _ : state) {
    state.PauseTiming();
    ::utimensat(AT_FDCWD, file.c_str(), nullptr, 0);  // a new time stamp: parsed again
    state.ResumeTiming();
    benchmark::DoNotOptimize(GetPrivateProfileStringA("ODBC Drivers", "Driver0", "", 256, file));
  }
}
BENCHMARK(BM_OneReadAfterAChange)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumora

BENCHMARK_MAIN();
