#include <gtest/gtest.h>

#include "progress_script.h"
#include "test_images.h"

using namespace ovtest;

TEST(Progress, CalledExactlyTotalTimesPerOperation) {
  ProgressScript progress;
  for (int height : {1, 7, 100, 1000}) {
    ScopedImage image(makeImage(3, height, 24));
    progress.reset();
    ScopedImage copy;
    ASSERT_EQ(IG_image_duplicate(image.get(), copy.out()), 0);
    EXPECT_GE(progress.total(), 1);
    EXPECT_EQ(progress.calls(), progress.total()) << "height " << height;
    EXPECT_EQ(progress.counter(), 0);
  }
}

TEST(Progress, FalseCancelsAndReplacesNothing) {
  ScopedImage image(makeImage(3, 500, 24));
  ProgressScript progress(2);
  OV_IMAGE copy = 0;
  EXPECT_EQ(IG_image_duplicate(image.get(), &copy), 1);
  EXPECT_EQ(takeErrorCode(), IGE_CANCELLED);
  EXPECT_EQ(copy, 0u);
  EXPECT_EQ(progress.calls(), 2);  // no calls after the cancel
}

TEST(Progress, NullTurnsProgressOff) {
  ScopedImage image(makeImage(3, 50, 24));
  int calls = 0;
  {
    ProgressScript progress;
    IG_status_bar_CB_register(nullptr, nullptr);
    ScopedImage copy;
    ASSERT_EQ(IG_image_duplicate(image.get(), copy.out()), 0);
    calls = progress.calls();
  }
  EXPECT_EQ(calls, 0);
}
