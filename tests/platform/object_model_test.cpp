#include "shell/platform/object_model.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace tessaly::platform {
namespace {

TEST(ObjectModel, PropertyNamesAreCaseInsensitive) {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot, {{"tag", "Main"}});
  EXPECT_EQ(m.get(fig, "Tag").text(), "Main");
  m.set(fig, "POINTER", "watch");
  EXPECT_EQ(m.get(fig, "pointer").text(), "watch");
  EXPECT_THROW(m.set(fig, "NoSuchProperty", 1.0), Error);
}

TEST(ObjectModel, ChildrenListNewestFirstAndFindobjByTag) {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot);
  Handle a = m.create("uicontrol", fig, {{"Tag", "XBox"}});
  Handle b = m.create("uicontrol", fig, {{"Tag", "YBox"}});
  Matrix kids = m.get(fig, "Children").matrix();
  ASSERT_EQ(kids.size(), 2);
  EXPECT_EQ(kids(0), b);
  EXPECT_EQ(kids(1), a);
  EXPECT_EQ(m.findobj("Tag", "XBox"), std::vector<Handle>{a});
  EXPECT_TRUE(m.findobj("Tag", "ZBox").empty());
  EXPECT_EQ(m.get(a, "Parent").number(), fig);
  EXPECT_EQ(m.get(a, "Type").text(), "uicontrol");
}

TEST(ObjectModel, RemoveTakesDescendantsAndForgetsCurrent) {
  ObjectModel m;
  Handle axes = m.gca();
  Handle fig = m.gcf();
  Handle line = m.create("line", axes);
  m.remove(fig);
  EXPECT_FALSE(m.isHandle(axes));
  EXPECT_FALSE(m.isHandle(line));
  EXPECT_EQ(m.currentFigure(), -1);
}

TEST(ObjectModel, ListenersHearChangesButNotNoOps) {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot);
  int heard = 0;
  int id = m.subscribe([&](const Change& c) { heard += c.kind == Change::Kind::Property; });
  m.set(fig, "Pointer", "watch");
  m.set(fig, "Pointer", "watch");
  EXPECT_EQ(heard, 1);
  m.unsubscribe(id);
  m.set(fig, "Pointer", "arrow");
  EXPECT_EQ(heard, 1);
}

}  // namespace
}  // namespace tessaly::platform
