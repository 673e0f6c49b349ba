#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/card/CardGeometry.h"
#include "core/card/SurfaceGeometry.h"

namespace wystrand {
namespace {

// How far a point lies outside `rect` rounded by `radius` (negative inside).
double outsideBy(const QRect& rect, double radius, double x, double y) {
    const double halfWidth = rect.width() / 2.0, halfHeight = rect.height() / 2.0;
    const double qx = std::abs(x - rect.x() - halfWidth) - (halfWidth - radius);
    const double qy = std::abs(y - rect.y() - halfHeight) - (halfHeight - radius);
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) -
           radius;
}

// Checks the bands pixel by pixel against the shape they stand for.
void expectRoundedCover(const QRect& rect, double radius, std::size_t atMostBands) {
    SCOPED_TRACE(testing::Message() << "rect " << rect.width() << "x" << rect.height() << "+"
                                    << rect.x() << "+" << rect.y() << ", radius " << radius);
    const std::vector<QRect> bands = roundedRectBands(rect, radius);
    EXPECT_LE(bands.size(), atMostBands);
    const double r = std::min({radius, rect.width() / 2.0, rect.height() / 2.0});
    const QRect around = rect.adjusted(-2, -2, 2, 2);
    int misses = 0, leaks = 0, overlaps = 0;
    for (int y = around.top(); y <= around.bottom(); ++y) {
        for (int x = around.left(); x <= around.right(); ++x) {
            const auto covering = std::count_if(bands.begin(), bands.end(),
                                                [&](const QRect& b) { return b.contains(x, y); });
            const double outside = outsideBy(rect, r, x + 0.5, y + 0.5);
            misses += covering == 0 && outside <= 0 ? 1 : 0;
            leaks += covering > 0 && (outside > 1.0 || !rect.contains(x, y)) ? 1 : 0;
            overlaps += covering > 1 ? 1 : 0;
        }
    }
    EXPECT_EQ(misses, 0) << "pixels of the shape left out";
    EXPECT_EQ(leaks, 0) << "pixels covered beyond a pixel from the shape or outside the rect";
    EXPECT_EQ(overlaps, 0);
}

TEST(SurfaceGeometryTest, BandsCoverTheRoundedShapeToAPixelAndNoMore) {
    // A card, one moved down inside its window, and a few that are not cards' sizes.
    expectRoundedCover({0, 0, cardWidth, alertCardHeight}, cardCornerRadius, 11);
    expectRoundedCover({0, 24, cardWidth, 104}, cardCornerRadius, 11);
    expectRoundedCover({-7, 3, 33, 41}, 9.5, 11);
    expectRoundedCover({0, 0, 1, 1}, cardCornerRadius, 1);
    // A radius beyond half the height rounds the ends into a pill.
    expectRoundedCover({5, 5, 60, 20}, cardCornerRadius, 11);
    // The middle rows go in one rectangle, whatever the height.
    EXPECT_LE(roundedRectBands({0, 0, 320, 100000}, cardCornerRadius).size(), 11U);
}

TEST(SurfaceGeometryTest, EmptyRectsGiveNoBandsAndNoRadiusGivesTheRect) {
    EXPECT_TRUE(roundedRectBands(QRect(), cardCornerRadius).empty());
    EXPECT_TRUE(roundedRectBands(QRect(10, 10, 0, 50), cardCornerRadius).empty());
    EXPECT_TRUE(roundedRectBands(QRect(10, 10, 50, -3), cardCornerRadius).empty());
    const QRect rect(3, 4, 320, 128);
    EXPECT_EQ(roundedRectBands(rect, 0), std::vector<QRect>{rect});
    EXPECT_EQ(roundedRectBands(rect, -5), std::vector<QRect>{rect});
    EXPECT_EQ(roundedRectBands(rect, std::nan("")), std::vector<QRect>{rect});
}

TEST(SurfaceGeometryTest, FractionalScaleRoundsEachSideUpAndTakesNoneBelowOne) {
    EXPECT_EQ(fractionalBufferSize(QSize(cardWidth, alertCardHeight), 180), QSize(480, 192));
    EXPECT_EQ(fractionalPixelRatio(180), 1.5);
    EXPECT_EQ(fractionalBufferSize(QSize(81, 77), 180), QSize(122, 116));
    EXPECT_EQ(fractionalBufferSize(QSize(1, 1), 121), QSize(2, 2));
    for (const int none : {120, 0, -240}) {
        EXPECT_EQ(fractionalBufferSize(QSize(81, 77), none), QSize(81, 77)) << none;
        EXPECT_EQ(fractionalPixelRatio(none), 1.0) << none;
    }
}

}  // namespace
}  // namespace wystrand
