// The one-level undo area: undo swaps, so a second undo redoes.
#include <gtest/gtest.h>

#include "rasterfx32/rasterfx32.h"
#include "test_images.h"

using namespace ovtest;

namespace {

void paintWhite(OV_IMAGE image, const OV_RECT& r) {
  const uint8_t white[3] = {255, 255, 255};
  for (int y = r.top; y <= r.bottom; ++y)
    for (int x = r.left; x <= r.right; ++x) IG_DIB_pixel_set(image, x, y, white);
}

}  // namespace

TEST(UndoArea, UndoTwiceRestoresTheChangeAndSecondImageFollows) {
  for (bool whole : {false, true}) {
    ScopedImage image(makeImage(10, 8, 24)), before(makeImage(10, 8, 24)),
        second(makeImage(10, 8, 24, Pattern::kGray));
    const OV_RECT r{2, 1, 6, 4};
    ASSERT_EQ(Undo_area_set(image.get(), whole ? nullptr : &r, 1234), 1);
    paintWhite(image.get(), r);
    ScopedImage after;
    IG_image_duplicate(image.get(), after.out());

    ASSERT_EQ(Undo_last_operation(image.get(), second.get()), 1);
    EXPECT_EQ(differingPixels(image.get(), before.get()), 0);
    if (whole) {
      EXPECT_EQ(differingPixels(second.get(), before.get()), 0);
    }
    ASSERT_EQ(Undo_last_operation(image.get(), 0), 1);  // an invalid second image is skipped
    EXPECT_EQ(differingPixels(image.get(), after.get()), 0);
  }
}

TEST(UndoArea, NothingSavedOrAnotherSizeChangesNothing) {
  ScopedImage image(makeImage(10, 8, 24)), copy(makeImage(10, 8, 24));
  Undo_area_free();
  EXPECT_EQ(Undo_last_operation(image.get(), 0), 0);
  ASSERT_EQ(Undo_area_set(image.get(), nullptr, 0), 1);
  ScopedImage smaller(makeImage(5, 5, 24));
  EXPECT_EQ(Undo_last_operation(smaller.get(), 0), 0);
  Undo_area_free();
  EXPECT_EQ(Undo_last_operation(image.get(), 0), 0);
  EXPECT_EQ(differingPixels(image.get(), copy.get()), 0);
  EXPECT_EQ(Undo_area_set(0, nullptr, 0), 0);
}
