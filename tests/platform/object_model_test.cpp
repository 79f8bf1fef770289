#include "platform/object_model.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <span>
#include <vector>

#include "core/error.h"
#include "support/error_text.h"

namespace tessaly::platform {
namespace {

using test_support::errorText;

TEST(ObjectModel, PropertyNamesAreCaseInsensitive) {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot, {{"tag", "Main"}});
  EXPECT_EQ(m.get(fig, "Tag").text(), "Main");
  m.set(fig, "POINTER", "watch");
  EXPECT_EQ(m.get(fig, "pointer").text(), "watch");
  EXPECT_EQ(errorText([&] { m.set(fig, "NoSuchProperty", 1.0); }),
            "There is no NoSuchProperty property on the figure class.");
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

namespace tessaly::platform {
namespace {

TEST(ObjectModel, DefaultsAreSharedAndSettingBackToDefaultIsClean) {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot);
  Handle axes = m.create("axes", fig);
  Handle a = m.create("line", axes);
  Handle b = m.create("line", axes, {{"color", RowVector{{1, 0, 0}}}});
  // One line's colour does not leak into another's or into the defaults.
  EXPECT_EQ(m.get(a, "Color").matrix(), RowVector({{0, 0, 1}}).eval());
  EXPECT_EQ(m.get(b, "COLOR").matrix(), RowVector({{1, 0, 0}}).eval());
  EXPECT_EQ(m.create("line", axes), b + 1);
  m.set(b, "Color", RowVector{{0, 0, 1}});
  EXPECT_EQ(m.get(b, "Color"), m.get(a, "Color"));
  EXPECT_EQ(m.propertyNames(a), m.propertyNames(b));
  EXPECT_TRUE(m.hasProperty(a, "markerfacecolor"));
  EXPECT_FALSE(m.hasProperty(a, "String"));
  EXPECT_EQ(errorText([&] { m.get(a, "String"); }),
            "There is no String property on the line class.");
  EXPECT_EQ(errorText([&] { m.set(a, "Type", "text"); }),
            "The Type of an object cannot be changed.");
}

TEST(ObjectModel, HandlesThatAreNotObjects) {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot);
  EXPECT_TRUE(m.isHandle(fig));
  EXPECT_FALSE(m.isHandle(fig + 0.5));
  EXPECT_FALSE(m.isHandle(-1));
  EXPECT_FALSE(m.isHandle(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(m.isHandle(1e12));
  m.remove(fig);
  EXPECT_FALSE(m.isHandle(fig));
  m.remove(fig);  // already gone: nothing happens
  const struct {
    std::function<void()> call;
    const char* text;
  } refused[] = {
      {[&] { m.get(fig, "Tag"); }, "Invalid or deleted object."},
      {[&] { m.create("line", ObjectModel::kRoot); }, "Only a figure can be placed in the root"},
      {[&] { m.create("figure", m.create("figure", ObjectModel::kRoot)); },
       "A figure can only be placed in the root"},
      {[&] { m.create("spline", ObjectModel::kRoot); }, "Unknown object type spline"},
  };
  for (const auto& c : refused) EXPECT_EQ(errorText(c.call), c.text);
}

TEST(ObjectModel, FailedCreateLeavesNothingBehind) {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot);
  int heard = 0;
  m.subscribe([&](const Change&) { ++heard; });
  size_t before = m.objectCount();
  EXPECT_EQ(errorText([&] {
              m.create("uicontrol", fig, {{"Tag", "Ghost"}, {"NoSuchThing", 1.0}});
            }),
            "There is no NoSuchThing property on the uicontrol class.");
  EXPECT_EQ(m.objectCount(), before);
  EXPECT_EQ(m.childCount(fig), 0u);
  EXPECT_TRUE(m.findobj("Tag", "Ghost").empty());
  EXPECT_EQ(heard, 0);
}

TEST(ObjectModel, CreatedIsAnnouncedOnceWithEveryPropertyInPlace) {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot);
  std::vector<Change::Kind> kinds;
  std::string tagSeen;
  m.subscribe([&](const Change& c) {
    kinds.push_back(c.kind);
    if (c.kind == Change::Kind::Created) tagSeen = m.get(c.handle, "Tag").text();
  });
  Handle box = m.create("uicontrol", fig, {{"Tag", "FileBox"}, {"String", "x"}});
  EXPECT_EQ(kinds, std::vector<Change::Kind>{Change::Kind::Created});
  EXPECT_EQ(tagSeen, "FileBox");
  kinds.clear();
  m.remove(fig);
  ASSERT_EQ(kinds.size(), 2u);  // the control, then its window
  EXPECT_EQ(kinds[0], Change::Kind::Deleted);
  EXPECT_FALSE(m.isHandle(box));
}

TEST(ObjectModel, FindobjByTagFollowsRenamesDeletesAndTreeOrder) {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot);
  Handle panelAxes = m.create("axes", fig);
  Handle a = m.create("uicontrol", fig, {{"Tag", "XBox"}});
  Handle inAxes = m.create("line", panelAxes, {{"Tag", "XBox"}});
  Handle b = m.create("uicontrol", fig, {{"Tag", "XBox"}});
  // findall order: the newest child first, each object before what lies below it.
  std::vector<Handle> expected;
  for (Handle h : m.findall())
    if (m.get(h, "Tag") == Value("XBox")) expected.push_back(h);
  EXPECT_EQ(m.findobj("tag", "XBox"), expected);
  EXPECT_EQ(expected, (std::vector<Handle>{b, a, inAxes}));

  m.set(a, "Tag", "YBox");
  EXPECT_EQ(m.findobj("Tag", "XBox"), (std::vector<Handle>{b, inAxes}));
  EXPECT_EQ(m.findobj("Tag", "YBox"), std::vector<Handle>{a});
  m.remove(panelAxes);
  EXPECT_EQ(m.findobj("Tag", "XBox"), std::vector<Handle>{b});
  m.set(b, "Tag", "");
  EXPECT_TRUE(m.findobj("Tag", "XBox").empty());
  // Tags are compared exactly.
  EXPECT_TRUE(m.findobj("Tag", "ybox").empty());
  // A search by another property walks the tree and agrees with the index.
  EXPECT_EQ(m.findobj("Style", "pushbutton"), (std::vector<Handle>{b, a}));
  EXPECT_EQ(m.findobj("Tag", ""), (std::vector<Handle>{ObjectModel::kRoot, fig, b}));
}

TEST(ObjectModel, RestackingAndMovingChildren) {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot);
  Handle a = m.create("axes", fig), b = m.create("axes", fig);
  Handle line = m.create("line", a, {{"Tag", "L"}});
  m.set(fig, "Children", Matrix(RowVector{{a, b}}.transpose()));
  EXPECT_EQ(m.children(fig), (std::vector<Handle>{a, b}));
  for (const Matrix& notAReordering : {Matrix(RowVector{{a, a}}.transpose()), scalar(a)})
    EXPECT_EQ(errorText([&] { m.set(fig, "Children", notAReordering); }),
              "Children may only be set to a reordering of the children.");
  m.set(line, "Parent", b);
  EXPECT_EQ(m.children(a), std::vector<Handle>{});
  EXPECT_EQ(m.children(b), std::vector<Handle>{line});
  EXPECT_EQ(m.findobj("Tag", "L"), std::vector<Handle>{line});
  EXPECT_EQ(errorText([&] { m.set(b, "Parent", b); }), "An object cannot be placed inside itself.");
  EXPECT_EQ(errorText([&] { m.set(line, "Parent", ObjectModel::kRoot); }),
            "A line cannot be placed there.");
  m.remove(b);
  EXPECT_FALSE(m.isHandle(line));
  EXPECT_EQ(m.childCount(fig), 1u);
}

TEST(ObjectModel, ClosingTheCurrentFigureMakesTheNewestOtherOneCurrent) {
  ObjectModel m;
  Handle first = m.gcf();
  Handle second = m.create("figure", ObjectModel::kRoot);
  Handle third = m.create("figure", ObjectModel::kRoot);
  m.setCurrentFigure(second);
  m.remove(second);
  EXPECT_EQ(m.currentFigure(), third);
  Handle a1 = m.create("axes", third), a2 = m.create("axes", third);
  m.setCurrentAxes(a1);
  m.remove(a1);
  EXPECT_EQ(m.currentAxes(), a2);
  EXPECT_EQ(m.gca(), a2);
  m.remove(third);
  EXPECT_EQ(m.currentFigure(), first);
}

TEST(ObjectModel, ChangingUnitsConvertsThePosition) {
  ObjectModel m;
  Handle fig =
      m.create("figure", ObjectModel::kRoot, {{"Position", RowVector{{100, 130, 800, 650}}}});
  m.set(fig, "Units", "characters");
  EXPECT_TRUE(m.get(fig, "Position").matrix().isApprox(RowVector{{20, 10, 160, 50}}));
  Handle axes = m.create("axes", fig, {{"Position", RowVector{{0.5, 0.2, 0.25, 0.5}}}});
  m.set(axes, "units", "pixels");
  EXPECT_TRUE(m.get(axes, "Position").matrix().isApprox(RowVector{{400, 130, 200, 325}}));
  m.set(axes, "Units", "normalized");
  EXPECT_TRUE(m.get(axes, "Position").matrix().isApprox(RowVector{{0.5, 0.2, 0.25, 0.5}}));
  EXPECT_EQ(errorText([&] { m.set(axes, "Units", "furlongs"); }), "Unknown units furlongs");
  EXPECT_EQ(m.get(axes, "Units").text(), "normalized");
}

TEST(ObjectModel, AppDataBelongsToEachObject) {
  ObjectModel m;
  Handle fig = m.create("figure", ObjectModel::kRoot);
  EXPECT_FALSE(m.hasAppData(fig, "state"));
  EXPECT_TRUE(m.getAppData(fig, "state").isEmpty());
  m.setAppData(fig, "state", 3.0);
  EXPECT_EQ(m.getAppData(fig, "state").number(), 3.0);
  EXPECT_FALSE(m.hasAppData(ObjectModel::kRoot, "state"));
  m.removeAppData(fig, "state");
  EXPECT_FALSE(m.hasAppData(fig, "state"));
}

TEST(ObjectModel, AppDataGoesWithItsObject) {
  ObjectModel m;
  Handle axes = m.gca();
  std::vector<Handle> gone;
  // Enough deletions that the slots are handed out again.
  for (int k = 0; k < 5000; ++k) {
    Handle h = m.create("line", axes);
    m.setAppData(h, "mark", k);
    gone.push_back(h);
    m.remove(h);
  }
  for (int k = 0; k < 5000; ++k) {
    Handle h = m.create("line", axes);
    EXPECT_FALSE(m.hasAppData(h, "mark")) << h;
  }
  EXPECT_EQ(errorText([&] { m.setAppData(gone.back(), "mark", 1.0); }),
            "Invalid or deleted object.");
}

TEST(ObjectModel, StyleKeysTellWhichObjectsLookAlike) {
  ObjectModel m;
  Handle axes = m.gca();
  std::vector<double> xs{1, 2, 3}, ys{4, 5, 6};
  Handle set = m.createPoints(axes, xs, ys, {{propertyId("Marker"), "o"}}).at(0);
  Handle lone = m.create("line", axes, {{"Marker", "o"}, {"XData", 7.0}, {"YData", 8.0}});
  EXPECT_EQ(m.styleKey(set), m.styleKey(lone));
  m.set(lone, "Color", RowVector{{1, 0, 0}});
  EXPECT_NE(m.styleKey(set), m.styleKey(lone));
  EXPECT_EQ(m.get(set, "Color").matrix(), RowVector({{0, 0, 1}}).eval());
  m.set(lone, "Color", RowVector{{0, 0, 1}});
  EXPECT_EQ(m.styleKey(set), m.styleKey(lone));
  // Objects of other types with nothing stored are not alike.
  Handle text = m.create("text", axes);
  Handle plain = m.create("line", axes);
  EXPECT_NE(m.styleKey(text), m.styleKey(plain));
}

TEST(ObjectModel, SlotsOfDeletedObjectsAreReused) {
  ObjectModel m;
  Handle axes = m.gca();
  auto drawAndClear = [&] {
    std::vector<Handle> made;
    for (int k = 0; k < 5000; ++k)
      made.push_back(m.create("line", axes, {{"XData", double(k)}, {"YData", 1.0}}));
    for (Handle h : made) m.remove(h);
  };
  drawAndClear();
  drawAndClear();
  size_t slots = m.slotCount(), live = m.objectCount();
  for (int round = 0; round < 20; ++round) drawAndClear();
  EXPECT_EQ(m.slotCount(), slots);
  EXPECT_EQ(m.objectCount(), live);
  // A handle just deleted names no object, even once new objects have been made.
  Handle old = m.create("line", axes, {{"Tag", "Old"}, {"Color", RowVector{{1, 0, 0}}}});
  m.remove(old);
  Handle fresh = m.create("text", axes);
  EXPECT_NE(fresh, old);
  EXPECT_FALSE(m.isHandle(old));
  EXPECT_EQ(errorText([&] { m.get(old, "Color"); }), "Invalid or deleted object.");
  EXPECT_TRUE(m.findobj("Tag", "Old").empty());
  // A reused slot starts from the defaults, not from what its old object held.
  for (Handle h : m.findall(axes))
    if (h != axes) {
      EXPECT_EQ(m.get(h, "Tag").text(), "");
    }
}

TEST(ObjectModel, OnePointCoordinatesAreHeldInPlaceAndReadAlike) {
  ObjectModel m;
  Handle axes = m.gca();
  PropertyId xdata = propertyId("XData"), ydata = propertyId("YData");
  Handle h = m.create("line", axes, {{"XData", 2.5}, {"YData", -1.0}});
  EXPECT_EQ(m.get(h, "XData").matrix(), scalar(2.5));
  EXPECT_EQ(m.coordinates(h, ydata).size(), 1u);
  EXPECT_EQ(m.coordinates(h, ydata)[0], -1.0);
  EXPECT_EQ(errorText([&] { m.peek(h, xdata); }), "The xdata of this line is read with get.");
  EXPECT_EQ(m.findobj("XData", 2.5), std::vector<Handle>{h});
  // Setting the same number is no change; a longer line is held as a whole array.
  int heard = 0;
  m.subscribe([&](const Change&) { ++heard; });
  m.set(h, "XData", 2.5);
  EXPECT_EQ(heard, 0);
  m.set(h, "XData", RowVector{{1, 2, 3}});
  EXPECT_EQ(heard, 1);
  std::span<const double> xs = m.coordinates(h, xdata);
  EXPECT_EQ(std::vector<double>(xs.begin(), xs.end()), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(m.peek(h, xdata).matrix(), RowVector({{1, 2, 3}}).eval());
  m.set(h, "XData", Matrix());
  EXPECT_TRUE(m.coordinates(h, xdata).empty());
}

TEST(ObjectModel, APointSetHasTheStyleOfOnePointLinesAndHoldsEveryPoint) {
  ObjectModel m;
  Handle axes = m.gca();
  PropertyIdList style = {{propertyId("Color"), RowVector{{1, 0, 0}}},
                          {propertyId("Marker"), "o"},
                          {propertyId("MarkerSize"), 3.0},
                          {propertyId("MarkerSize"), 4.0},  // the later one wins
                          {propertyId("LineStyle"), "-"}};  // the default: not stored
  PropertyIdList props = style;
  props.emplace_back(propertyId("XData"), 1.0);
  props.emplace_back(propertyId("YData"), 2.0);
  Handle one = m.create("line", axes, std::move(props));
  std::vector<Change> heard;
  m.subscribe([&](const Change& c) { heard.push_back(c); });
  std::vector<double> xs{1, 2}, ys{2, 4};
  std::vector<Handle> made = m.createPoints(axes, xs, ys, style);
  ASSERT_EQ(made.size(), 1u);
  const Handle set = made[0];
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0].kind, Change::Kind::Created);
  EXPECT_EQ(m.children(axes).front(), set);
  EXPECT_TRUE(m.isPointSet(set));
  EXPECT_FALSE(m.isPointSet(one));
  for (const std::string& name : m.propertyNames(one)) {
    if (name == "parent" || name == "children" || name == "xdata" || name == "ydata") continue;
    EXPECT_EQ(m.get(one, name), m.get(set, name)) << name;
  }
  EXPECT_EQ(m.get(set, "XData").matrix(), RowVector({{1, 2}}).eval());
  EXPECT_EQ(std::vector<double>(m.coordinates(set, propertyId("YData")).begin(),
                                m.coordinates(set, propertyId("YData")).end()),
            ys);
  EXPECT_EQ(errorText([&] { m.peek(set, propertyId("XData")); }),
            "The xdata of this line is read with get.");
  EXPECT_EQ(m.findobj("YData", RowVector{{2, 4}}), std::vector<Handle>{set});
  // Storing one coordinate anew keeps the other.
  m.set(set, "XData", RowVector{{5, 6}});
  EXPECT_EQ(m.get(set, "YData").matrix(), RowVector({{2, 4}}).eval());
  EXPECT_EQ(m.peek(set, propertyId("XData")).matrix(), RowVector({{5, 6}}).eval());
  // No points make no object; a bad style or bad sizes are refused.
  EXPECT_TRUE(m.createPoints(axes, {}, {}, style).empty());
  EXPECT_EQ(errorText([&] {
              m.createPoints(axes, {}, {}, {{propertyId("Tag"), "P"}});
            }),
            "There is no tag property for a plotted point.");
  EXPECT_EQ(errorText([&] { m.createPoints(axes, xs, std::vector<double>{1}, {}); }),
            "The x and y data of a plot must have matching sizes.");
  EXPECT_EQ(errorText([&] { m.createPoints(m.gcf(), xs, ys, {}); }),
            "Plots are drawn into an axes.");
  EXPECT_EQ(m.childCount(axes), 2u);
}

TEST(ObjectModel, PointSetsMadeTogetherKeepTheirOwnPointsAndStyles) {
  ObjectModel m;
  Handle axes = m.gca();
  const std::vector<PropertyIdList> styles = {{{propertyId("Marker"), "o"}},
                                              {{propertyId("Marker"), "x"}}};
  const std::vector<std::uint32_t> styleOf = {1, 0, 1};
  auto fill = [](std::span<double> out) {
    for (size_t k = 0; k < out.size(); ++k) out[k] = static_cast<double>(k);
  };
  std::vector<Handle> made = m.createPointSets(axes, 3, 2, styles, styleOf, fill);
  ASSERT_EQ(made.size(), 3u);
  EXPECT_EQ(m.children(axes), std::vector<Handle>(made.rbegin(), made.rend()));
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(m.get(made[k], "Marker").text(), k == 1 ? "o" : "x");
    const double first = 4.0 * static_cast<double>(k);
    EXPECT_EQ(m.get(made[k], "XData").matrix(), RowVector({{first, first + 1}}).eval());
    EXPECT_EQ(m.get(made[k], "YData").matrix(), RowVector({{first + 2, first + 3}}).eval());
  }
  // The shared coordinates outlive the sets that let go of them.
  m.remove(made[0]);
  m.set(made[2], "YData", RowVector{{7, 7}});
  EXPECT_EQ(m.get(made[1], "YData").matrix(), RowVector({{6, 7}}).eval());
  EXPECT_EQ(m.get(made[2], "XData").matrix(), RowVector({{8, 9}}).eval());
  // A bad style anywhere makes nothing.
  const std::vector<PropertyIdList> bad = {styles[0], {{propertyId("Tag"), "P"}}};
  EXPECT_EQ(errorText([&] { m.createPointSets(axes, 3, 2, bad, styleOf, fill); }),
            "There is no tag property for a plotted point.");
  EXPECT_EQ(m.childCount(axes), 2u);
}

TEST(ObjectModel, CopiedPropertiesAreSharedUntilOneChanges) {
  ObjectModel m;
  Handle axes = m.gca();
  Handle h = m.create("line", axes, {{"Color", RowVector{{0, 1, 0}}}});
  Handle plain = m.create("line", axes);  // Color left at its default
  PropertyId color = propertyId("Color"), face = propertyId("MarkerFaceColor");
  std::vector<std::string> heard;
  m.subscribe([&](const Change& c) { heard.push_back(c.property); });
  m.copyProperty(h, color, face);
  m.copyProperty(plain, color, face);
  EXPECT_EQ(m.get(h, "MarkerFaceColor").matrix(), RowVector({{0, 1, 0}}).eval());
  EXPECT_EQ(m.get(plain, "MarkerFaceColor").matrix(), RowVector({{0, 0, 1}}).eval());
  EXPECT_EQ(heard, (std::vector<std::string>{"markerfacecolor", "markerfacecolor"}));
  m.copyProperty(h, color, face);  // nothing changes, nothing is heard
  EXPECT_EQ(heard.size(), 2u);
  m.set(h, "Color", RowVector{{1, 0, 0}});
  EXPECT_EQ(m.get(h, "MarkerFaceColor").matrix(), RowVector({{0, 1, 0}}).eval());
  EXPECT_EQ(errorText([&] { m.copyProperty(h, propertyId("XData"), face); }),
            "There is no xdata property to copy on the line class.");
}

}  // namespace
}  // namespace tessaly::platform
