// Loading the corpus's 12 MP PNG through the engine, against libpng's simplified API doing
// the same work: the whole file decoded to 8-bit B,G,R in a fresh buffer, which is freed.
// The two run in alternation (so that a busy machine slows both alike) and the fastest run
// of each is compared.
//
// usage: png_load_bench CORPUS_DIR [Google Benchmark options]
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "ovengine/ovengine.h"

namespace {

constexpr const char* kEngine = "engine_png_load";
constexpr const char* kLibpng = "libpng_simplified_load";
constexpr int kRounds = 5;

std::string g_file;

void engineLoad(benchmark::State& state) {
  for (auto _ : state) {
    OV_IMAGE image = 0;
    if (IG_load_file(g_file.c_str(), &image) != 0) {
      state.SkipWithError("IG_load_file failed");
      break;
    }
    IG_image_delete(image);
  }
}

void libpngLoad(benchmark::State& state) {
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, g_file.c_str())) {
      state.SkipWithError(image.message);
      break;
    }
    image.format = PNG_FORMAT_BGR;
    void* buffer = std::malloc(PNG_IMAGE_SIZE(image));
    const bool ok = buffer && png_image_finish_read(&image, nullptr, buffer, 0, nullptr);
    std::free(buffer);
    if (!ok) {
      png_image_free(&image);
      state.SkipWithError("png_image_finish_read failed");
      break;
    }
  }
}

// The console report, remembering the fastest time of each benchmark name.
class FastestReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      double& best = fastest_[run.run_name.function_name];
      const double t = run.GetAdjustedRealTime();
      if (best == 0 || t < best) best = t;
    }
  }
  double fastest(const std::string& name) const {
    auto it = fastest_.find(name);
    return it == fastest_.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, double> fastest_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR [benchmark options]\n", argv[0]);
    return 2;
  }
  g_file = std::string(argv[1]) + "/png/photo_4000x3000.png";
  // The corpus folder is ours; Google Benchmark gets the rest.
  argv[1] = argv[0];
  --argc;
  ++argv;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

  for (int round = 0; round < kRounds; ++round) {
    benchmark::RegisterBenchmark(kEngine, engineLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(kLibpng, libpngLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  FastestReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const double engine = reporter.fastest(kEngine), libpng = reporter.fastest(kLibpng);
  if (engine <= 0 || libpng <= 0) {
    std::fprintf(stderr, "a benchmark failed; no ratio\n");
    return 1;
  }
  std::printf("png load / libpng simplified = %.2f\n", engine / libpng);
  return 0;
}
