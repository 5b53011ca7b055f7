#include <gtest/gtest.h>

#include <cstring>

#include "test_images.h"

using namespace ovtest;

TEST(ErrorList, GetPopsOldestFirstAndReportsModule) {
  IG_error_clear();
  IG_error_set("redeyered", 606, -10000, 0, 0);
  IG_error_set("OilPaint", 94, -2113, 7, 8);
  EXPECT_EQ(IG_error_check(), 2);

  char module[255];
  int32_t line = 0, code = 0, v1 = 0, v2 = 0;
  ASSERT_EQ(IG_error_get(0, module, sizeof module, &line, &code, &v1, &v2), 0);
  EXPECT_STREQ(module, "redeyered");
  EXPECT_EQ(line, 606);
  EXPECT_EQ(code, -10000);
  ASSERT_EQ(IG_error_get(0, module, sizeof module, &line, &code, &v1, &v2), 0);
  EXPECT_STREQ(module, "OilPaint");
  EXPECT_EQ(code, -2113);
  EXPECT_EQ(v1, 7);
  EXPECT_EQ(v2, 8);
  EXPECT_EQ(IG_error_check(), 0);
  EXPECT_EQ(IG_error_get(0, module, sizeof module, &line, &code, &v1, &v2), 1);
}

TEST(ErrorList, ModuleNameIsCutToTheBuffer) {
  IG_error_clear();
  IG_error_set("a-rather-long-module-name", 1, -1, 0, 0);
  char module[5];
  int32_t code = 0;
  ASSERT_EQ(IG_error_get(0, module, sizeof module, nullptr, &code, nullptr, nullptr), 0);
  EXPECT_STREQ(module, "a-ra");
}

TEST(ErrorList, CountedCallEmptiesTheListFirstAndReturnsItsCount) {
  IG_error_set("earlier", 1, -1, 0, 0);
  OV_IMAGE image = 0;
  EXPECT_EQ(IG_load_file("/nonexistent/file.png", &image), 1);
  EXPECT_EQ(IG_error_check(), 1);
  EXPECT_EQ(takeErrorCode(), IGE_CANNOT_OPEN_FILE);
  EXPECT_EQ(image, 0u);
}
