// Discovery of registered data sources over 10,000 user and 10,000 system data sources kept
// in unixODBC's files: reading the files and building the records, as the wizard's first
// activation does. With LUMORA_BENCH_DIR set, the files user.ini and sys/odbc.ini there are
// used (bench/discovery_vs_odbcinst.sh makes them); otherwise the benchmark writes its own.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "contract/ProcessState.h"
#include "hostlib/LocalHostLibrary.h"
#include "services/SortArrays.h"
#include "services/WizAPI.h"

namespace lumora {
namespace {

constexpr int kPerFile = 10000;

void WriteDataSources(const std::string& path, const char* prefix) {
  std::ofstream out(path);
  for (int i = 0; i < kPerFile; ++i) {
    out << "[" << prefix << " Source " << i << "]\n"
        << "Driver=Lumora Bench Driver\n"
        << "Description=Data source number " << i << "\n"
        << "DBQ=C:\\data\\db" << i << ".mdb\n"
        << "Setup=C:\\Windows\\System32\\odbcjt32.dll\n"
        << "UID=admin\n\n";
  }
}

// The folder holding user.ini and sys/odbc.ini, made once per process when not given.
const std::string& DataFolder() {
  static const std::string folder = [] {
    if (const char* given = std::getenv("LUMORA_BENCH_DIR"); given != nullptr && *given) {
      return std::string(given);
    }
    char pattern[] = "/tmp/lumora-discovery-XXXXXX";
    std::string made = ::mkdtemp(pattern);
    ::mkdir((made + "/sys").c_str(), 0755);
    WriteDataSources(made + "/user.ini", "User");
    WriteDataSources(made + "/sys/odbc.ini", "System");
    return made;
  }();
  return folder;
}

void Discover(HostSettings settings, benchmark::State& state) {
  int16_t found = 0;
  {
    component::Attach(std::make_shared<LocalHostLibrary>(std::move(settings)), DataFolder());
    WizAPI api;
    DataSources sources;
    api.ReadDrvDSNFromReg(kCurrentUserRoot, "SOFTWARE\\ODBC\\ODBC.INI\\", "ODBC Data Sources",
                          sources);
    api.ReadDrvDSNFromReg(kLocalMachineRoot, "SOFTWARE\\ODBC\\ODBC.INI\\", "ODBC Data Sources",
                          sources);
    found = sources.Count();
    benchmark::DoNotOptimize(found);
    component::Detach();
  }
  state.counters["dataSources"] = found;
}

// Reading both files and discovering every data source in them.
void BM_DiscoveryUnixOdbc(benchmark::State& state) {
  ::setenv("ODBCINI", (DataFolder() + "/user.ini").c_str(), 1);
  ::setenv("ODBCSYSINI", (DataFolder() + "/sys").c_str(), 1);
  for (auto _ : state) Discover(HostSettings{}, state);
}
BENCHMARK(BM_DiscoveryUnixOdbc)->Unit(benchmark::kMillisecond);

// The 10,000 user data sources alone (the system folder given holds no odbc.ini).
void BM_DiscoveryUnixOdbcUserOnly(benchmark::State& state) {
  ::setenv("ODBCINI", (DataFolder() + "/user.ini").c_str(), 1);
  ::setenv("ODBCSYSINI", (DataFolder() + "/no-such-folder").c_str(), 1);
  for (auto _ : state) Discover(HostSettings{}, state);
}
BENCHMARK(BM_DiscoveryUnixOdbcUserOnly)->Unit(benchmark::kMillisecond);

// The attribute-line sort on the largest 16-bit range: 32,767 equal lines (a data source whose
// lines repeat), then the same count of distinct lines shuffled.
void BM_QuicksortStringRepeated(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> lines(32767, "DriverName=Lumora Bench Driver");
    state.ResumeTiming();
    SortArrays::QuicksortString(lines, 0, 32766);
    benchmark::DoNotOptimize(lines.data());
  }
}
BENCHMARK(BM_QuicksortStringRepeated)->Unit(benchmark::kMillisecond);

void BM_QuicksortStringShuffled(benchmark::State& state) {
  std::vector<std::string> distinct;
  for (int i = 0; i < 32767; ++i) distinct.push_back("Key" + std::to_string(i) + "=value");
  std::shuffle(distinct.begin(), distinct.end(), std::mt19937(1));
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> lines = distinct;
    state.ResumeTiming();
    SortArrays::QuicksortString(lines, 0, 32766);
    benchmark::DoNotOptimize(lines.data());
  }
}
BENCHMARK(BM_QuicksortStringShuffled)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumora

BENCHMARK_MAIN();
