// Whole-image processing on a 24 MP, 24-bit picture in memory, each call against what it
// should cost: a plain memcpy of the pixel bytes for the calls that move pixels, libvips
// for the resize. Runs alternate between the calls and their yardsticks, so that a busy
// machine slows both alike, and the fastest run of each is compared.
//
// usage: process_bench [Google Benchmark options] [CORPUS_DIR | PICTURE]
// With the corpus (or a picture file) the 6000 x 4000 photo is used, otherwise a
// photo-like picture is made in memory.
#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <vips/vips.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "ovengine/ov_process.h"
#include "ovengine/ovengine.h"

namespace {

constexpr int kRounds = 3;
constexpr int kWidth = 6000, kHeight = 4000;

// The picture every case starts from, and the image the in-place cases keep working on.
OV_IMAGE g_source = 0;
OV_IMAGE g_work = 0;

// An engine call measured against a yardstick (a benchmark of kBaselines by name). Calls
// that change the size or depth of the image get a fresh copy of the source each time,
// made outside the timing; the others run again and again on the same image.
struct EngineCase {
  const char* label;
  const char* baseline;
  bool fresh_copy;
  std::function<OV_ERRCOUNT(OV_IMAGE)> run;
};

const std::vector<EngineCase>& engineCases() {
  static const std::vector<EngineCase> cases = {
      {"rotate90", "memcpy", false, [](OV_IMAGE i) { return IG_IP_rotate_multiple_90(i, 1); }},
      {"rotate90", "memcpy_new", false, [](OV_IMAGE i) { return IG_IP_rotate_multiple_90(i, 1); }},
      {"flip h", "memcpy", false, [](OV_IMAGE i) { return IG_IP_flip(i, 0); }},
      {"flip v", "memcpy", false, [](OV_IMAGE i) { return IG_IP_flip(i, 1); }},
      {"resize half", "vips_resize", true,
       [](OV_IMAGE i) { return IG_IP_resize(i, kWidth / 2, kHeight / 2, 2); }},
      // Colour: invert and swap undo themselves on the next run; gray changes the depth.
      {"invert", "memcpy", false, [](OV_IMAGE i) { return IG_IP_contrast_invert(i, nullptr, 1); }},
      {"gray", "memcpy", true, [](OV_IMAGE i) { return IG_IP_convert_to_gray(i); }},
      {"swap r/b", "memcpy", false, [](OV_IMAGE i) { return IG_IP_swap_red_blue(i); }},
  };
  return cases;
}

OV_BITMAPINFOHEADER* dibOf(OV_IMAGE image) {
  OV_BITMAPINFOHEADER* dib = nullptr;
  IG_image_DIB_pntr_get(image, &dib);
  return dib;
}

const uint8_t* pixelsOf(OV_IMAGE image) {
  const OV_BITMAPINFOHEADER* dib = dibOf(image);
  const size_t palette = dib->biBitCount <= 8 ? (size_t{1} << dib->biBitCount) * 4 : 0;
  return reinterpret_cast<const uint8_t*>(dib) + dib->biSize + palette;
}

void runEngineCase(benchmark::State& state, const EngineCase& c) {
  for (auto _ : state) {
    OV_IMAGE image = g_work;
    if (c.fresh_copy) {
      state.PauseTiming();
      IG_image_duplicate(g_source, &image);
      state.ResumeTiming();
    }
    if (c.run(image) != 0) {
      state.SkipWithError("engine call failed");
      break;
    }
    if (c.fresh_copy) {
      state.PauseTiming();
      IG_image_delete(image);
      state.ResumeTiming();
    }
  }
}

// Yardstick: one copy of the pixel bytes into a buffer that is already in memory.
void memcpyPixels(benchmark::State& state) {
  const size_t bytes = dibOf(g_source)->biSizeImage;
  std::vector<uint8_t> target(bytes, 1);
  for (auto _ : state) {
    std::memcpy(target.data(), pixelsOf(g_source), bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
}

// Yardstick for calls whose result is a new image: the same copy into a block just taken
// from the system (advised for huge pages, as the engine's results are), so that it pays
// for the first touch of the result's pages as they do. On virtual machines that cost can
// exceed the copy itself.
void memcpyNewPixels(benchmark::State& state) {
  const size_t bytes = dibOf(g_source)->biSizeImage;
  for (auto _ : state) {
    auto* target = static_cast<uint8_t*>(std::malloc(bytes + 4096));
    if (!target) {
      state.SkipWithError("out of memory");
      break;
    }
    const auto start = (reinterpret_cast<uintptr_t>(target) + 4095) & ~uintptr_t{4095};
    madvise(reinterpret_cast<void*>(start), bytes, MADV_HUGEPAGE);
    std::memcpy(target, pixelsOf(g_source), bytes);
    benchmark::DoNotOptimize(target);
    benchmark::ClobberMemory();
    std::free(target);
  }
}

// Yardstick: vips_resize by one half on one thread, over the same B,G,R pixels. Its result
// is computed strip by strip into a buffer that is already in memory, as vips' own sinks
// do, so that it pays for no fresh pages.
void vipsResize(benchmark::State& state) {
  const OV_BITMAPINFOHEADER* dib = dibOf(g_source);
  const int w = dib->biWidth, h = dib->biHeight;
  const size_t row = static_cast<size_t>(w) * 3, stride = (row + 3) & ~size_t{3};
  std::vector<uint8_t> top_down(row * h);
  for (int y = 0; y < h; ++y)
    std::memcpy(&top_down[row * y], pixelsOf(g_source) + stride * (h - 1 - y), row);
  std::vector<uint8_t> result(static_cast<size_t>(w / 2 + 1) * (h / 2 + 1) * 3, 1);
  for (auto _ : state) {
    VipsImage* in =
        vips_image_new_from_memory(top_down.data(), top_down.size(), w, h, 3, VIPS_FORMAT_UCHAR);
    VipsImage* out = nullptr;
    if (!in || vips_resize(in, &out, 0.5, nullptr) != 0) {
      state.SkipWithError("vips_resize failed");
      break;
    }
    VipsRegion* region = vips_region_new(out);
    const size_t out_row = static_cast<size_t>(out->Xsize) * 3;
    for (int y = 0; y < out->Ysize; y += 64) {
      VipsRect strip{0, y, out->Xsize, std::min(64, out->Ysize - y)};
      if (vips_region_prepare(region, &strip) != 0) {
        state.SkipWithError("vips_region_prepare failed");
        break;
      }
      for (int j = 0; j < strip.height; ++j)
        std::memcpy(&result[out_row * (y + j)], VIPS_REGION_ADDR(region, 0, y + j), out_row);
    }
    g_object_unref(region);
    g_object_unref(out);
    g_object_unref(in);
    benchmark::DoNotOptimize(result.data());
  }
}

const std::map<std::string, void (*)(benchmark::State&)>& baselines() {
  static const std::map<std::string, void (*)(benchmark::State&)> b = {
      {"memcpy", memcpyPixels},
      {"memcpy_new", memcpyNewPixels},
      {"vips_resize", vipsResize},
  };
  return b;
}

// Smooth colour fields with edges, texture and a little noise: enough detail that no
// operation meets unusually uniform data.
OV_IMAGE makePicture() {
  std::vector<uint8_t> area(static_cast<size_t>(kWidth) * kHeight * 3);
  uint32_t noise = 12345;
  size_t i = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int n = static_cast<int>(noise >> 28) - 8;
      const double fx = x / double{kWidth}, fy = y / double{kHeight};
      const bool object = std::hypot(fx - 0.6, fy - 0.45) < 0.2;
      const double texture = 20 * std::sin(x * 0.05) * std::cos(y * 0.07);
      const double b = object ? 60 + 40 * fy : 200 - 120 * fy;
      const double g = object ? 150 + texture : 90 + 80 * fx + texture;
      const double r = object ? 210 - 50 * fx : 60 + 60 * std::sin(fx * 6 + fy * 3);
      for (double v : {b, g, r}) area[i++] = static_cast<uint8_t>(std::clamp(v + n, 0.0, 255.0));
    }
  OV_IMAGE image = 0;
  if (IG_image_create_DIB_ex(kWidth, kHeight, 24, 0, nullptr, &image) != 0) return 0;
  IG_DIB_area_set(image, nullptr, area.data(), OV_AREA_FORMAT);
  return image;
}

// The corpus photo when there is one, at 24 bits and 6000 x 4000; 0 otherwise.
OV_IMAGE loadPicture(std::string path) {
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) path += "/big/photo_6000x4000.jpg";
  OV_IMAGE image = 0;
  if (IG_load_file(path.c_str(), &image) != 0) return 0;
  int32_t w = 0, h = 0, bpp = 0;
  IG_image_dimensions_get(image, &w, &h, &bpp);
  if (w == kWidth && h == kHeight && bpp == 24) return image;
  IG_image_delete(image);
  return 0;
}

void registerRounds() {
  // Each yardstick and each engine call once per round, however many lines compare them.
  std::vector<std::string> baselines_used;
  std::vector<const EngineCase*> calls;
  for (const EngineCase& c : engineCases()) {
    if (std::find(baselines_used.begin(), baselines_used.end(), c.baseline) == baselines_used.end())
      baselines_used.push_back(c.baseline);
    if (std::none_of(calls.begin(), calls.end(),
                     [&c](const EngineCase* k) { return std::string(k->label) == c.label; }))
      calls.push_back(&c);
  }
  for (int round = 0; round < kRounds; ++round) {
    for (const std::string& name : baselines_used)
      benchmark::RegisterBenchmark(name.c_str(), baselines().at(name))
          ->Unit(benchmark::kMillisecond)
          ->MinTime(0.5);
    for (const EngineCase* c : calls)
      benchmark::RegisterBenchmark(c->label, [c](benchmark::State& s) { runEngineCase(s, *c); })
          ->Unit(benchmark::kMillisecond)
          ->MinTime(0.5);
  }
}

// Keeps the fastest round of each benchmark: on a shared machine interference only ever
// adds time.
class BestOfReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      double& b =
          best_.try_emplace(run.run_name.function_name, std::numeric_limits<double>::infinity())
              .first->second;
      b = std::min(b, run.GetAdjustedRealTime());
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double best(const std::string& name) const {
    auto it = best_.find(name);
    return it == best_.end() ? std::numeric_limits<double>::quiet_NaN() : it->second;
  }

 private:
  std::map<std::string, double> best_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (VIPS_INIT(argv[0]) != 0) {
    std::fprintf(stderr, "cannot start libvips\n");
    return 2;
  }
  vips_concurrency_set(1);
  vips_cache_set_max(0);

  if (argc > 1) g_source = loadPicture(argv[1]);
  std::printf("picture: %s\n", g_source ? "corpus photo" : "made in memory");
  if (!g_source) g_source = makePicture();
  if (!g_source || IG_image_duplicate(g_source, &g_work) != 0) {
    std::fprintf(stderr, "cannot make the picture\n");
    return 2;
  }

  registerRounds();
  BestOfReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  for (const EngineCase& c : engineCases()) {
    const double engine = reporter.best(c.label), base = reporter.best(c.baseline);
    std::printf("best: %s %.1f ms, %s %.1f ms\n", c.label, engine, c.baseline, base);
  }
  for (const EngineCase& c : engineCases())
    std::printf("%s / %s = %.2f\n", c.label, c.baseline,
                reporter.best(c.label) / reporter.best(c.baseline));
  IG_image_delete(g_work);
  IG_image_delete(g_source);
  vips_shutdown();
  return 0;
}
