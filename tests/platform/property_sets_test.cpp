#include "platform/property_sets.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessaly::platform {
namespace {

using Entry = PropertySets::Entry;

TEST(PropertySets, EqualEntriesShareOneSetWhateverTheirOrder) {
  ValuePool pool;
  PropertySets sets(pool);
  ValuePool::Ref red = pool.acquire(Value("red")), big = pool.acquire(Value(9.0));
  PropertySets::Id a = sets.intern({{3, red}, {1, big}});
  PropertySets::Id b = sets.intern({{1, big}, {3, red}});
  // A property listed twice keeps its last value.
  PropertySets::Id c = sets.intern({{1, red}, {3, red}, {1, big}});
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, c);
  ASSERT_EQ(sets.entries(a).size(), 2u);
  EXPECT_EQ(sets.entries(a)[0], (Entry{1, big}));
  EXPECT_EQ(sets.find(a, 3)->value, red);
  EXPECT_EQ(sets.find(a, 2), nullptr);
  EXPECT_EQ(sets.intern({}), PropertySets::kEmpty);
  EXPECT_EQ(sets.size(), 2u);
}

TEST(PropertySets, ChangingOnePropertyLeavesTheOldSetToItsOtherUsers) {
  ValuePool pool;
  PropertySets sets(pool);
  ValuePool::Ref red = pool.acquire(Value("red")), blue = pool.acquire(Value("blue"));
  PropertySets::Id style = sets.intern({{5, red}});
  sets.addRef(style);  // two users
  PropertySets::Id recoloured = sets.with(style, 5, blue);
  EXPECT_NE(recoloured, style);
  EXPECT_EQ(sets.find(style, 5)->value, red);
  EXPECT_EQ(sets.find(recoloured, 5)->value, blue);
  // Back to the first value: the existing set, not a copy.
  PropertySets::Id back = sets.with(recoloured, 5, red);
  EXPECT_EQ(back, style);
  EXPECT_EQ(sets.without(style, 5), PropertySets::kEmpty);
  EXPECT_EQ(sets.without(style, 7), style);  // nothing to remove: the same set, counted again
  // A step repeated after the set it reached was freed makes that set afresh.
  sets.release(recoloured);
  sets.release(sets.with(style, 5, blue));  // made and freed again
  PropertySets::Id again = sets.with(style, 5, blue);
  ASSERT_NE(sets.find(again, 5), nullptr);
  EXPECT_EQ(sets.find(again, 5)->value, blue);
  EXPECT_EQ(sets.entries(again).size(), 1u);
}

TEST(PropertySets, AFreedSetReleasesItsValues) {
  ValuePool pool;
  PropertySets sets(pool);
  ValuePool::Ref only = pool.acquire(Value("only here"));
  PropertySets::Id s = sets.intern({{2, only}});
  pool.release(only);  // the set keeps the value alive
  EXPECT_EQ(pool[only].text(), "only here");
  EXPECT_EQ(pool.size(), 1u);
  sets.release(s);
  EXPECT_EQ(pool.size(), 0u);
  EXPECT_EQ(sets.size(), 1u);          // the empty set stays
  sets.release(PropertySets::kEmpty);  // never freed
  EXPECT_EQ(sets.intern({}), PropertySets::kEmpty);
}

}  // namespace
}  // namespace tessaly::platform
