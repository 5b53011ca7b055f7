#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <ctime>
#include <fstream>

#include "temp_dir.h"
#include "ovengine/ovengine.h"
#include "thumbkit/thumbkit.h"

using ovtest::TempDir;

namespace {

void touch(const std::string& path, size_t bytes, time_t when) {
  std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
  const struct timeval times[2] = {{when, 0}, {when, 0}};
  utimes(path.c_str(), times);
}

uint32_t dosDateTime(int year, int month, int day, int hour, int minute, int second) {
  return (static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day) << 16) |
         static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
}

time_t localTime(int year, int month, int day, int hour, int minute, int second) {
  struct tm t {};
  t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
  t.tm_hour = hour, t.tm_min = minute, t.tm_sec = second, t.tm_isdst = -1;
  return mktime(&t);
}

}  // namespace

TEST(GetFileDateInfo, SizeAndDosTimesOfAFile) {
  TempDir dir;
  const std::string path = dir.file("picture.bmp");
  touch(path, 1234, localTime(2024, 6, 15, 13, 45, 31));
  int32_t size = 0;
  uint32_t written = 0, created = 0, accessed = 0;
  ASSERT_EQ(_GetFileDateInfo(path.c_str(), &size, &written, &created, &accessed), 1);
  EXPECT_EQ(size, 1234);
  EXPECT_EQ(written, dosDateTime(2024, 6, 15, 13, 45, 30));  // two-second resolution
  EXPECT_EQ(accessed, written);
  EXPECT_NE(created, 0u);
}

TEST(GetFileDateInfo, WildcardTakesFirstMatchIgnoringCase) {
  TempDir dir;
  touch(dir.file("b.JPG"), 20, localTime(2020, 1, 1, 0, 0, 0));
  touch(dir.file("A.jpg"), 10, localTime(2020, 1, 1, 0, 0, 0));
  touch(dir.file("c.png"), 30, localTime(2020, 1, 1, 0, 0, 0));
  int32_t size = 0;
  ASSERT_EQ(_GetFileDateInfo(dir.file("*.jpg").c_str(), &size, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(size, 10);
}

TEST(GetFileDateInfo, MissingFileLeavesOutputsUntouched) {
  TempDir dir;
  int32_t size = 77;
  uint32_t written = 1, created = 2, accessed = 3;
  EXPECT_EQ(_GetFileDateInfo(dir.file("none.bmp").c_str(), &size, &written, &created, &accessed), 0);
  EXPECT_EQ(_GetFileDateInfo(dir.file("*.none").c_str(), &size, &written, &created, &accessed), 0);
  EXPECT_EQ(size, 77);
  EXPECT_EQ(written, 1u);
  EXPECT_EQ(created, 2u);
  EXPECT_EQ(accessed, 3u);
}

TEST(GetFileDateInfo, HugeFilesReportTheLargestSize) {
  TempDir dir;
  const std::string path = dir.file("huge.tif");
  {
    std::ofstream(path, std::ios::binary) << 'x';
  }
  ASSERT_EQ(truncate(path.c_str(), (int64_t{4} << 30) + 5), 0);  // sparse: no disk used
  int32_t size = 0;
  ASSERT_EQ(_GetFileDateInfo(path.c_str(), &size, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(size, 0x7FFFFFFF);
  ASSERT_EQ(truncate(path.c_str(), (int64_t{3} << 30)), 0);
  ASSERT_EQ(_GetFileDateInfo(path.c_str(), &size, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(size, 0x7FFFFFFF);
}

TEST(GetFileDateInfo, TimesBefore1980AreZero) {
  TempDir dir;
  const std::string path = dir.file("old.bmp");
  touch(path, 1, localTime(1975, 3, 1, 12, 0, 0));
  uint32_t written = 99;
  ASSERT_EQ(_GetFileDateInfo(path.c_str(), nullptr, &written, nullptr, nullptr), 1);
  EXPECT_EQ(written, 0u);
}

TEST(GetImageDPI, ReadsTheHeaderOrUsesTheFallback) {
  OV_IMAGE image = 0;
  ASSERT_EQ(IG_image_create_DIB_ex(4, 4, 24, 0, nullptr, &image), 0);
  ASSERT_EQ(IG_image_resolution_set(image, 300, 1, 72, 1, OV_RES_PER_INCH), 0);
  int32_t x = 0, y = 0;
  EXPECT_EQ(_GetImageDPI(image, &x, &y, 96), 1);
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 72);
  IG_image_delete(image);
  EXPECT_EQ(_GetImageDPI(image, &x, &y, 96), 1);
  EXPECT_EQ(x, 96);
  EXPECT_EQ(y, 96);
}

TEST(ImageInchGet, DividesOrGivesZero) {
  double w = -1, h = -1;
  EXPECT_EQ(_VORN_image_inch_get(600, 300, 300, 150, &w, &h), 1);
  EXPECT_DOUBLE_EQ(w, 2.0);
  EXPECT_DOUBLE_EQ(h, 2.0);
  EXPECT_EQ(_VORN_image_inch_get(600, 300, 0, 150, &w, &h), 1);
  EXPECT_EQ(w, 0.0);
  EXPECT_EQ(h, 0.0);
}
