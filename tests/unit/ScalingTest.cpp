// The stored layouts at 96, 120, 144 and 192 dpi: every value rounded as
// MulDiv rounds, and rectangles by their edges.
#include "ui/Scaling.h"

#include <gtest/gtest.h>

#include <tuple>

namespace qalo::ui {
namespace {

std::tuple<int, int, int, int> Edges(const Bounds& b) { return {b.left, b.top, b.width, b.height}; }

TEST(Scaling, At96DpiEveryStoredValueStaysAsItIs) {
  const Scale scale(96);
  EXPECT_TRUE(scale.IsIdentity());
  for (const Bounds& b : {Bounds{16, 8, 119, 16}, Bounds{0, -1, 33, 19}, Bounds{8, 144, 5, 16}})
    EXPECT_EQ(Edges(scale(b)), Edges(b));
  EXPECT_EQ(scale(-11), -11);
  EXPECT_EQ(scale(-13), -13);
}

TEST(Scaling, FontHeightsRoundToTheNearestHalvesAwayFromZero) {
  struct Case {
    int dpi, stored, scaled;
  };
  for (const Case& c : {Case{120, -11, -14},  // -13.75
                        Case{144, -11, -17},  // -16.5
                        Case{192, -11, -22},
                        Case{120, -13, -16},  // -16.25
                        Case{144, -13, -20},  // -19.5
                        Case{192, -13, -26},
                        Case{144, -1, -2},    // -1.5
                        Case{144, 1, 2},      // 1.5
                        Case{120, 2, 3},      // 2.5
                        Case{120, -2, -3}})
    EXPECT_EQ(Scale(c.dpi)(c.stored), c.scaled) << c.stored << " at " << c.dpi;
}

TEST(Scaling, RectanglesScaleByTheirEdgesSoNeighboursStillTouch) {
  // The login dialog's buttons at 120 dpi: 8..83, 98..173, 182..257.
  const Scale scale(120);
  EXPECT_EQ(Edges(scale(Bounds{8, 203, 75, 25})), std::make_tuple(10, 254, 94, 31));  // 103.75 - 10
  EXPECT_EQ(Edges(scale(Bounds{98, 203, 75, 25})), std::make_tuple(123, 254, 93, 31));
  EXPECT_EQ(Edges(scale(Bounds{182, 203, 75, 25})), std::make_tuple(228, 254, 93, 31));

  // Label3 and Label4 share their top and touch at 16: so they do scaled.
  for (int dpi : {120, 144, 192}) {
    const Bounds star = Scale(dpi)(Bounds{8, 144, 8, 16});
    const Bounds note = Scale(dpi)(Bounds{16, 144, 225, 41});
    EXPECT_EQ(star.left + star.width, note.left) << dpi;
    EXPECT_EQ(star.top, note.top) << dpi;
  }

  // The progress window's block, one pixel above its track: at 144 dpi
  // -1.5 rounds to -2, and the bottom edge 18 to 27.
  EXPECT_EQ(Edges(Scale(144)(Bounds{0, -1, 33, 19})), std::make_tuple(0, -2, 50, 29));
  EXPECT_EQ(Edges(Scale(192)(Bounds{56, 80, 129, 25})), std::make_tuple(112, 160, 258, 50));
  EXPECT_EQ(Edges(Scale(144)(Bounds{16, 40, 209, 17})), std::make_tuple(24, 60, 314, 26));  // 337.5 - 24, 85.5 - 60
}

TEST(Scaling, AnUnknownDpiCountsAs96) {
  EXPECT_EQ(Scale(0).Dpi(), 96);
  EXPECT_EQ(Scale(-120)(100), 100);
}

}  // namespace
}  // namespace qalo::ui
