// The pixel-tool library against libvips, in the same run:
//   resample: RFX_image_resample of the 24 MP corpus photo to half size with Lanczos 3, against
//             vips_resize (Lanczos 3, one thread) on the same decoded pixels in memory;
//   previews: RFX_TN_preview_create over the corpus photos, against one vipsthumbnail
//             process making 75 x 75 thumbnails of the same files on one thread.
// Each figure is the best of a few rounds: on a shared machine interference only adds time.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>
#include <vips/vips.h>

#include "rasterfx32/rasterfx32.h"

namespace {

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double bestResample(OV_IMAGE photo, int rounds) {
  int32_t w = 0, h = 0;
  IG_image_dimensions_get(photo, &w, &h, nullptr);
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < rounds; ++i) {
    OV_IMAGE copy = 0;
    IG_image_duplicate(photo, &copy);
    const auto start = std::chrono::steady_clock::now();
    if (RFX_image_resample(&copy, w / 2, h / 2, 5) != 0) return -1;
    best = std::min(best, seconds(start));
    IG_image_delete(copy);
  }
  return best;
}

double bestVipsResize(OV_IMAGE photo, int rounds) {
  int32_t w = 0, h = 0;
  IG_image_dimensions_get(photo, &w, &h, nullptr);
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 3);
  IG_DIB_area_get(photo, nullptr, pixels.data(), OV_AREA_FORMAT);
  std::vector<uint8_t> result(static_cast<size_t>(w / 2 + 1) * (h / 2 + 1) * 3);
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    VipsImage* in = vips_image_new_from_memory(pixels.data(), pixels.size(), w, h, 3, VIPS_FORMAT_UCHAR);
    VipsImage* out = nullptr;
    if (!in || vips_resize(in, &out, 0.5, "kernel", VIPS_KERNEL_LANCZOS3, nullptr) != 0) return -1;
    // Computed strip by strip into memory that is already there, as vips' own sinks do.
    VipsRegion* region = vips_region_new(out);
    const size_t row = static_cast<size_t>(out->Xsize) * 3;
    for (int y = 0; y < out->Ysize; y += 64) {
      VipsRect strip{0, y, out->Xsize, std::min(64, out->Ysize - y)};
      if (vips_region_prepare(region, &strip) != 0) return -1;
      for (int j = 0; j < strip.height; ++j)
        std::memcpy(&result[row * (y + j)], VIPS_REGION_ADDR(region, 0, y + j), row);
    }
    g_object_unref(region);
    g_object_unref(out);
    g_object_unref(in);
    best = std::min(best, seconds(start));
  }
  return best;
}

std::vector<std::string> photos(const std::string& corpus) {
  std::vector<std::string> files;
  const std::string dir = corpus + "/photos";
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d))
      if (std::strstr(e->d_name, ".jpg")) files.push_back(dir + "/" + e->d_name);
    closedir(d);
  }
  std::sort(files.begin(), files.end());
  return files;
}

double bestPreviews(const std::vector<std::string>& files, const std::string& out, int rounds) {
  double best = std::numeric_limits<double>::infinity();
  const int32_t quality = 95;
  RFX_TN_compression_set(&quality, nullptr);
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    for (size_t k = 0; k < files.size(); ++k)
      if (!RFX_TN_preview_create(files[k].c_str(), (out + "/" + std::to_string(k) + ".jpg").c_str())) return -1;
    best = std::min(best, seconds(start));
  }
  return best;
}

double bestVipsThumbnails(const std::vector<std::string>& files, const std::string& out, int rounds) {
  std::string command = "VIPS_CONCURRENCY=1 vipsthumbnail -s 75x75 -o '" + out + "/%s_v.jpg[Q=95]'";
  for (const auto& f : files) command += " '" + f + "'";
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    best = std::min(best, seconds(start));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string corpus = argc > 1 ? argv[1] : "bench/corpus";
  if (VIPS_INIT(argv[0]) != 0) return 2;
  vips_concurrency_set(1);
  vips_cache_set_max(0);

  OV_IMAGE photo = 0;
  if (IG_load_file((corpus + "/big/photo_6000x4000.jpg").c_str(), &photo) != 0) {
    std::fprintf(stderr, "no corpus photo under %s (run bench/make_corpus.sh)\n", corpus.c_str());
    return 2;
  }
  const double ours = bestResample(photo, 3), theirs = bestVipsResize(photo, 3);
  std::printf("resample Lanczos 3 to half: RFX_image_resample %.3f s, vips_resize %.3f s, ratio %.2f\n",
              ours, theirs, ours / theirs);
  IG_image_delete(photo);

  const auto files = photos(corpus);
  char folder[] = "/tmp/rfx_previews_XXXXXX";
  if (files.empty() || !mkdtemp(folder)) {
    std::fprintf(stderr, "no corpus photos\n");
    return 2;
  }
  const double p = bestPreviews(files, folder, 2), v = bestVipsThumbnails(files, folder, 2);
  std::printf("previews of %zu photos: RFX_TN_preview_create %.1f/s, vipsthumbnail %.1f/s, ratio %.2f\n",
              files.size(), files.size() / p, files.size() / v, v / p);
  std::system((std::string("rm -rf '") + folder + "'").c_str());
  vips_shutdown();
  return 0;
}
