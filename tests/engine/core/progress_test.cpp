#include <gtest/gtest.h>

#include "test_images.h"

using namespace ovtest;

namespace {

struct Recorder {
  int calls = 0;
  int32_t total = 0;
  int cancel_at = 0;  // 0 = never
} g_rec;

OV_BOOL record(int32_t* counter, int32_t total) {
  ++*counter;
  ++g_rec.calls;
  g_rec.total = total;
  if (*counter == total) *counter = 0;  // the last call, as the program's routine does
  return g_rec.cancel_at == 0 || g_rec.calls < g_rec.cancel_at;
}

class ProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_rec = Recorder{};
    IG_status_bar_CB_register(record, &counter_);
  }
  void TearDown() override { IG_status_bar_CB_register(nullptr, nullptr); }
  int32_t counter_ = 0;
};

}  // namespace

TEST_F(ProgressTest, CalledExactlyTotalTimesPerOperation) {
  for (int height : {1, 7, 100, 1000}) {
    ScopedImage image(makeImage(3, height, 24));
    g_rec = Recorder{};
    ScopedImage copy;
    ASSERT_EQ(IG_image_duplicate(image.get(), copy.out()), 0);
    EXPECT_GE(g_rec.total, 1);
    EXPECT_EQ(g_rec.calls, g_rec.total) << "height " << height;
    EXPECT_EQ(counter_, 0);
  }
}

TEST_F(ProgressTest, FalseCancelsAndReplacesNothing) {
  ScopedImage image(makeImage(3, 500, 24));
  g_rec.cancel_at = 2;
  OV_IMAGE copy = 0;
  EXPECT_EQ(IG_image_duplicate(image.get(), &copy), 1);
  EXPECT_EQ(takeErrorCode(), IGE_CANCELLED);
  EXPECT_EQ(copy, 0u);
  EXPECT_EQ(g_rec.calls, 2);  // no calls after the cancel
}

TEST_F(ProgressTest, NullTurnsProgressOff) {
  IG_status_bar_CB_register(nullptr, nullptr);
  ScopedImage image(makeImage(3, 50, 24));
  ScopedImage copy;
  ASSERT_EQ(IG_image_duplicate(image.get(), copy.out()), 0);
  EXPECT_EQ(g_rec.calls, 0);
}
