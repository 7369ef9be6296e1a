// Where the room window opens beside the Morva window's corner column.

#include <gtest/gtest.h>

#include <QRect>

#include "platform/desktop/Placement.h"

namespace {

TEST(Placement, TheRoomWindowKeepsClearOfTheCornerColumnWhereTheScreenAllows) {
  const QSize room(648, 452);  // 640x420 and a window manager's frame
  const int column = 284, columnHeight = 229;
  struct Case {
    QRect area;
    bool beside;  // else under the column
  };
  for (const Case& c : {Case{{0, 0, 1280, 1024}, true}, Case{{0, 0, 1024, 768}, true},
                        Case{{1920, 30, 1920, 1050}, true}, Case{{0, 0, 900, 800}, false}}) {
    SCOPED_TRACE(c.area.width());
    const QRect placed(PlaceBesideColumn(c.area, room, column, columnHeight), room);
    const QRect corner(c.area.right() + 1 - column, c.area.top(), column, columnHeight);
    EXPECT_FALSE(placed.intersects(corner));
    EXPECT_TRUE(c.area.contains(placed));
    EXPECT_EQ(placed.right() < corner.left(), c.beside);
  }
}

}  // namespace
