// The groups' pictures as shapes on their 32 x 32 grid.
#include "editor/screen_icon_shapes.h"

#include <gtest/gtest.h>

namespace klv {
namespace {

TEST(ScreenIconShapes, EveryPictureStaysOnItsGrid) {
  for (const ScreenIcon icon : kScreenIcons) {
    SCOPED_TRACE(static_cast<int>(icon));
    const std::vector<IconShape> shapes = ScreenIconShapes(icon);
    ASSERT_FALSE(shapes.empty());
    for (const IconShape& shape : shapes) {
      // A line needs two points, a box its two corners in order.
      ASSERT_GE(shape.points.size(), 2u);
      if (shape.kind != IconShape::Kind::Lines) {
        ASSERT_EQ(shape.points.size(), 2u);
        EXPECT_LT(shape.points[0].x, shape.points[1].x);
        EXPECT_LT(shape.points[0].y, shape.points[1].y);
      }
      // Something is seen of every shape.
      EXPECT_TRUE(shape.line != IconLine::None || shape.filled);
      for (const IconPoint& point : shape.points) {
        // Half the widest line may reach past a point.
        EXPECT_GE(point.x - shape.lineWidth / 2, 0);
        EXPECT_GE(point.y - shape.lineWidth / 2, 0);
        EXPECT_LE(point.x + shape.lineWidth / 2, 32);
        EXPECT_LE(point.y + shape.lineWidth / 2, 32);
      }
    }
  }
}

TEST(ScreenIconShapes, AlarmPicturesCarryTheRedMarkAndTheOthersDoNot) {
  const auto hasAlarmMark = [](ScreenIcon icon) {
    for (const IconShape& shape : ScreenIconShapes(icon)) {
      if (shape.kind == IconShape::Kind::Ellipse && shape.filled && shape.fill == IconColor{210, 30, 30} &&
          shape.points[0].x == 19 && shape.points[0].y == 19) {
        return true;
      }
    }
    return false;
  };
  for (const ScreenIcon icon : kScreenIcons) {
    const bool alarm = icon == ScreenIcon::PowerSupplyError || icon == ScreenIcon::CurrentError ||
                       icon == ScreenIcon::HardwareError || icon == ScreenIcon::TemperatureError;
    EXPECT_EQ(hasAlarmMark(icon), alarm) << static_cast<int>(icon);
  }
}

}  // namespace
}  // namespace klv
