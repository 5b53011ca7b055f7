// Saving never destroys a good file, and the save code picks format and compression.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "progress_script.h"
#include "temp_dir.h"
#include "test_images.h"

using namespace ovtest;

namespace {

int filesIn(const std::string& dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

}  // namespace

TEST(SaveFile, ReplacesAnExistingFileWhole) {
  TempDir dir;
  const std::string path = dir.file("picture.bmp");
  writeFile(path, std::vector<uint8_t>(100000, 'x'));  // longer than the new file
  ScopedImage image(makeImage(10, 10, 8));
  ASSERT_EQ(IG_save_file(image.get(), path.c_str(), IG_FORMAT_BMP), 0);
  ScopedImage loaded;
  ASSERT_EQ(IG_load_file(path.c_str(), loaded.out()), 0);
  EXPECT_EQ(differingPixels(image.get(), loaded.get()), 0);
  EXPECT_LT(std::filesystem::file_size(path), 100000u);
  EXPECT_EQ(filesIn(dir.path()), 1);
}

TEST(SaveFile, FailedSaveLeavesTheOldFileAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.file("keep.jpg");
  const std::vector<uint8_t> old(5000, 'k');
  writeFile(path, old);
  ScopedImage mono(makeImage(10, 10, 1));
  EXPECT_EQ(IG_save_file(mono.get(), path.c_str(), IG_FORMAT_JPG), 1);  // JPEG needs 8+ bits
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_BIT_DEPTH);
  EXPECT_EQ(readFile(path), old);
  EXPECT_EQ(filesIn(dir.path()), 1);
}

TEST(SaveFile, CancelledSaveLeavesTheOldFile) {
  TempDir dir;
  const std::string path = dir.file("keep.bmp");
  const std::vector<uint8_t> old(5000, 'k');
  writeFile(path, old);
  ScopedImage image(makeImage(64, 400, 24));
  {
    ProgressScript progress(3);
    EXPECT_EQ(IG_save_file(image.get(), path.c_str(), IG_FORMAT_BMP), 1);
  }
  EXPECT_EQ(takeErrorCode(), IGE_CANCELLED);
  EXPECT_EQ(readFile(path), old);
  EXPECT_EQ(filesIn(dir.path()), 1);
}

TEST(SaveFile, UnwritableTargetsFail) {
  TempDir dir;
  ScopedImage image(makeImage(4, 4, 24));
  struct Case {
    std::string path;
    int32_t code;
    int32_t error;
  };
  const Case cases[] = {
      {dir.file("x.pcd"), IG_FORMAT_PCD, IGE_FORMAT_NOT_WRITABLE},  // load-only
      {dir.file("x.what"), 99, IGE_FORMAT_NOT_WRITABLE},
      {dir.path(), IG_FORMAT_BMP, IGE_CANNOT_OPEN_FILE},  // a folder
      {dir.file("no/such/folder.bmp"), IG_FORMAT_BMP, IGE_CANNOT_OPEN_FILE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IG_save_file(image.get(), c.path.c_str(), c.code), 1) << c.path;
    EXPECT_EQ(takeErrorCode(), c.error) << c.path;
  }
  EXPECT_EQ(filesIn(dir.path()), 0);
  EXPECT_EQ(IG_save_file(0, dir.file("a.bmp").c_str(), IG_FORMAT_BMP), 1);
  EXPECT_EQ(takeErrorCode(), IGE_INVALID_IMAGE);
}

TEST(SaveFile, ReadOnlyFileIsReported) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write anything";
  TempDir dir;
  const std::string path = dir.file("ro.bmp");
  writeFile(path, {1, 2, 3});
  chmod(path.c_str(), 0444);
  ScopedImage image(makeImage(4, 4, 24));
  EXPECT_EQ(IG_save_file(image.get(), path.c_str(), IG_FORMAT_BMP), 1);
  EXPECT_EQ(takeErrorCode(), IGE_FILE_READ_ONLY);
}

TEST(SaveFD, SinglePageFormatsWriteTheWholeFile) {
  TempDir dir;
  const std::string path = dir.file("fd.bmp");
  writeFile(path, std::vector<uint8_t>(100000, 'x'));
  ScopedImage image(makeImage(9, 9, 4));
  const int fd = open(path.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(IG_save_FD(image.get(), fd, 1, 0, IG_FORMAT_BMP), 0);
  close(fd);
  ScopedImage loaded;
  ASSERT_EQ(IG_load_file(path.c_str(), loaded.out()), 0);
  EXPECT_EQ(differingPixels(image.get(), loaded.get()), 0);
}

TEST(JpegQuality, ControlOption277SetsTheQuality) {
  int32_t q = 0;
  ASSERT_EQ(IG_save_JPEG_quality_set(0), 0);
  IG_image_control_get(IG_CONTROL_JPEG_QUALITY, &q);
  EXPECT_EQ(q, 1);  // 0 is taken as 1
  IG_image_control_set(IG_CONTROL_JPEG_QUALITY, 95);
  IG_image_control_get(IG_CONTROL_JPEG_QUALITY, &q);
  EXPECT_EQ(q, 95);
  IG_image_control_set(533, 1);  // stored only
  IG_image_control_get(533, &q);
  EXPECT_EQ(q, 1);
}
