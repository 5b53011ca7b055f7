// Loading through the public calls: detection by content, bad input of every format,
// file descriptors with offsets, auto-detection switches.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "temp_dir.h"
#include "test_images.h"

using namespace ovtest;

namespace {

struct Format {
  const char* name;
  int code;
  int bpp;
};

const Format kFormats[] = {{"bmp", IG_FORMAT_BMP, 8},
                           {"png", IG_FORMAT_PNG, 24},
                           {"gif", IG_FORMAT_GIF, 8},
                           {"jpeg", IG_FORMAT_JPG, 24},
                           {"tiff", IG_FORMAT_TIF, 24}};

void PrintTo(const Format& f, std::ostream* os) { *os << f.name; }

// A valid file of the format, as bytes.
std::vector<uint8_t> sampleFile(const Format& f, const TempDir& dir) {
  ScopedImage image(makeImage(40, 30, f.bpp));
  const std::string path = dir.file(std::string("sample.") + f.name);
  EXPECT_EQ(IG_save_file(image.get(), path.c_str(), f.code), 0);
  return readFile(path);
}

class EveryFormat : public ::testing::TestWithParam<Format> {};

std::string formatName(const ::testing::TestParamInfo<Format>& info) { return info.param.name; }

}  // namespace

TEST_P(EveryFormat, DetectedByContentWhateverTheName) {
  TempDir dir;
  const auto bytes = sampleFile(GetParam(), dir);
  const std::string misnamed = dir.file("picture.txt");
  writeFile(misnamed, bytes);
  int32_t format = 0;
  OV_IMAGE_INFO info{};
  ASSERT_EQ(IG_info_get(misnamed.c_str(), &format, nullptr, &info), 0);
  EXPECT_EQ(format, GetParam().code);
  EXPECT_EQ(info.planes, 1);
  EXPECT_EQ(info.image_size, static_cast<uint32_t>(((40 * info.bits_per_pixel + 31) / 32) * 4 * 30));
  ScopedImage image;
  EXPECT_EQ(IG_load_file(misnamed.c_str(), image.out()), 0);
}

TEST_P(EveryFormat, BadInputIsAnErrorNeverACrash) {
  TempDir dir;
  const auto good = sampleFile(GetParam(), dir);
  ASSERT_GT(good.size(), 64u);
  std::vector<std::vector<uint8_t>> bad = {{}};
  for (size_t len : {size_t{1}, size_t{6}, size_t{16}, size_t{40}, good.size() / 2, good.size() * 3 / 4})
    bad.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(len));
  auto garbage = good;  // the signature stays, everything after it is noise
  for (size_t i = 8; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 131 + 7);
  bad.push_back(garbage);

  for (size_t i = 0; i < bad.size(); ++i) {
    const std::string path = dir.file("bad" + std::to_string(i));
    writeFile(path, bad[i]);
    OV_IMAGE image = 0;
    EXPECT_GE(IG_load_file(path.c_str(), &image), 1) << "case " << i << ", " << bad[i].size() << " bytes";
    EXPECT_EQ(takeErrorCode(), IGE_INVALID_FILE_HEADER) << "case " << i;
    EXPECT_EQ(image, 0u);
  }
}

TEST_P(EveryFormat, LoadsFromADescriptorAtAnOffsetAndFromMemory) {
  TempDir dir;
  const auto bytes = sampleFile(GetParam(), dir);
  std::vector<uint8_t> prefixed(100 + bytes.size(), 0xEE);
  std::copy(bytes.begin(), bytes.end(), prefixed.begin() + 100);
  const std::string path = dir.file("prefixed");
  writeFile(path, prefixed);
  const int fd = open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  int32_t pages = 0;
  ASSERT_EQ(IG_page_count_get_FD(fd, 100, &pages), 0);
  EXPECT_EQ(pages, 1);
  ScopedImage from_fd, from_memory;
  EXPECT_EQ(IG_load_FD(fd, 100, 0, from_fd.out()), 0);  // page 0 is the first page
  close(fd);
  EXPECT_EQ(OV_load_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), 1, from_memory.out()), 0);
  EXPECT_EQ(differingPixels(from_fd.get(), from_memory.get()), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryFormat, ::testing::ValuesIn(kFormats), formatName);

TEST(LoadFile, MissingAndEmptyFiles) {
  TempDir dir;
  OV_IMAGE image = 0;
  EXPECT_EQ(IG_load_file(dir.file("none").c_str(), &image), 1);
  EXPECT_EQ(takeErrorCode(), IGE_CANNOT_OPEN_FILE);
  writeFile(dir.file("empty"), {});
  EXPECT_EQ(IG_load_file(dir.file("empty").c_str(), &image), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_FILE_HEADER);
  EXPECT_EQ(IG_load_file(dir.path().c_str(), &image), 1);  // a folder
  EXPECT_EQ(image, 0u);
  EXPECT_EQ(IG_load_file(nullptr, &image), 1);
}

TEST(LoadFile, AutoDetectOffHidesAFormat) {
  TempDir dir;
  const auto bytes = sampleFile(kFormats[1], dir);  // PNG
  const std::string path = dir.file("x.png");
  writeFile(path, bytes);
  OV_IMAGE image = 0;
  ASSERT_EQ(IG_load_auto_detect_set(IG_FORMAT_PNG, 0), 0);
  EXPECT_EQ(IG_load_file(path.c_str(), &image), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_FILE_HEADER);
  ASSERT_EQ(IG_load_auto_detect_set(IG_FORMAT_PNG, 1), 0);
  ScopedImage loaded;
  EXPECT_EQ(IG_load_file(path.c_str(), loaded.out()), 0);
  EXPECT_EQ(IG_load_auto_detect_set(51, 1), 0);  // unknown codes are accepted silently
  EXPECT_EQ(IG_load_tag_CB_register(nullptr, nullptr), 0);
}
