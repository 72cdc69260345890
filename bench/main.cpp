// brindle_bench: GetPicture against the memory floor and two independent
// decoders. Run through scripts/bench.sh, which also draws the chart:
//   brindle_bench --markdown=FILE --chart-data=FILE [Google Benchmark flags]
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contenders.h"
#include "heap_counter.h"
#include "report.h"

extern "C" {
#include <pm.h>
}

namespace {

const PictureShape kPictures[] = {
    {64, 64, 255},     {640, 480, 255},     {1920, 1080, 255}, {4096, 4096, 255},
    {8192, 8191, 255}, {1920, 1080, 65535}, {1920, 1080, 15},
};

using Decode = Decoded (*)(const BenchPicture&);
const Decode kDecoders[kContenderCount] = {
    GetPictureFromMemory, GetPictureFromFile, CopyPixelBytes,
    ReadFileThenCopy,     StbImageFromMemory, NetpbmFromMemory,
};
constexpr bool kMakesBitmap[kContenderCount] = {true, true, false, false, true, true};

constexpr char kMarkdownFlag[] = "--markdown=";
constexpr char kChartDataFlag[] = "--chart-data=";
// Other jobs on the machine disturb single runs; the median of a few
// repetitions stands firmer.
constexpr double kMinimumSeconds = 0.5;
constexpr int kRepetitions = 5;
constexpr char kMedian[] = "median";

struct Pending {
  size_t Picture;
  Contender Who;
};
using PendingByName = std::map<std::string, Pending>;

// One untimed decode of each contender: is its bitmap GetPicture's, and how
// much heap did it hold at its peak.
void CheckOnce(const BenchPicture& picture, PictureResults& results) {
  const size_t bytes = BitmapBytes(picture.Shape);
  const std::string expected = GetPictureFromMemory(picture).Pixels(bytes);
  for (int who = 0; who < kContenderCount; ++who) {
    ResetHeapPeak();
    const int64_t before = HeapBytesInUse();
    const Decoded decoded = kDecoders[who](picture);
    results.Of[who].PeakHeapBytes = HeapPeak() - before;
    results.Of[who].Correct = !kMakesBitmap[who] || decoded.Pixels(bytes) == expected;
  }
}

void Measure(benchmark::State& state, const BenchPicture& picture, Contender who,
             const Measurement& checked) {
  if (!checked.Correct) {
    state.SkipWithError("its bitmap differs from GetPicture's");
    return;
  }
  for (auto _ : state) {
    const Decoded decoded = kDecoders[who](picture);
    benchmark::DoNotOptimize(&decoded);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * PixelDataBytes(picture.Shape)));
}

// Shows runs as usual and keeps each one's median time per picture.
class Collector : public benchmark::ConsoleReporter {
 public:
  Collector(std::vector<PictureResults>& results, PendingByName pending)
      : Results_(results), Pending_(std::move(pending)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != kMedian) continue;
      const Pending& which = Pending_.at(run.run_name.function_name);
      Measurement& measured = Results_[which.Picture].Of[which.Who];
      measured.Ran = !run.error_occurred;
      measured.Seconds =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
  }

 private:
  std::vector<PictureResults>& Results_;
  PendingByName Pending_;
};

std::string TakeFlag(int& argc, char** argv, const char* flag) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], flag, std::strlen(flag)) != 0) continue;
    const std::string value = argv[i] + std::strlen(flag);
    for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
    --argc;
    return value;
  }
  return std::string();
}

std::string Machine() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  std::string model = "an unknown processor";
  int cores = 0;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) != 0) continue;
    model = line.substr(line.find(':') + 2);
    ++cores;
  }
  std::ifstream loadavg("/proc/loadavg");
  std::string load = "unknown";
  loadavg >> load;
  return model + ", " + std::to_string(cores) + " cores, Linux, GCC " + __VERSION__ +
         "; load average " + load + " as it began";
}

}  // namespace

int main(int argc, char** argv) {
  pm_init(argv[0], 0);
  const std::string markdownPath = TakeFlag(argc, argv, kMarkdownFlag);
  const std::string chartDataPath = TakeFlag(argc, argv, kChartDataFlag);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  std::vector<std::unique_ptr<BenchPicture>> pictures;
  std::vector<PictureResults> results;
  PendingByName pending;
  for (const PictureShape& shape : kPictures) {
    pictures.push_back(std::make_unique<BenchPicture>(shape));
    results.push_back(PictureResults{shape, pictures.back()->File.size(), {}});
    CheckOnce(*pictures.back(), results.back());
    for (int who = 0; who < kContenderCount; ++who) {
      const Contender contender = static_cast<Contender>(who);
      const std::string name = std::string(kContenderNames[who]) + "/" + PictureName(shape);
      pending[name] = {results.size() - 1, contender};
      benchmark::RegisterBenchmark(name.c_str(), Measure, std::cref(*pictures.back()), contender,
                                   results.back().Of[who])
          ->UseRealTime()
          ->MinTime(kMinimumSeconds)
          ->Repetitions(kRepetitions)
          ->ReportAggregatesOnly(true);
    }
  }

  Collector collector(results, pending);
  benchmark::RunSpecifiedBenchmarks(&collector);
  if (!markdownPath.empty()) {
    std::ofstream markdown(markdownPath);
    WriteMarkdown(markdown, results, Machine());
  }
  if (!chartDataPath.empty()) {
    std::ofstream chartData(chartDataPath);
    WriteChartData(chartData, results);
  }
  return 0;
}
