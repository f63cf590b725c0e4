// The cycle-counting profiler: node creation, caching, levels and table growth.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rt/profile.h"

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { profile_reset(); }
  void TearDown() override { profile_reset(); }
};

ProfileScope scope_a = PROFILE_SCOPE("scope_a");
ProfileScope scope_b = PROFILE_SCOPE("scope_b");

TEST_F(ProfileTest, FirstCallCreatesTableGlobalNodeAndScopeNode) {
  EXPECT_EQ(profile_table_capacity(), 1u);
  profile_enter(&scope_a);
  EXPECT_EQ(profile_table_capacity(), 256u);
  ProfileNode* node = profile_current();
  EXPECT_EQ(node->scope, &scope_a);
  EXPECT_EQ(node->count, 1u);
  ProfileNode* global = node->parent;
  ASSERT_NE(global, nullptr);
  EXPECT_EQ(std::string(global->scope->name), "_global");
  EXPECT_EQ(global->parent, profile_root());
  EXPECT_EQ(profile_table_entries(), 2u);
  profile_leave();
  EXPECT_EQ(profile_current(), global);
  ASSERT_EQ(profile_registry().size(), 2u);
  EXPECT_EQ(std::string(profile_registry()[0]->name), "_global");
  EXPECT_EQ(profile_registry()[1], &scope_a);
}

TEST_F(ProfileTest, RepeatEntryFromSameParentUsesTheCachedNode) {
  profile_enter(&scope_a);
  ProfileNode* first = profile_current();
  profile_leave();
  const uint32_t entries = profile_table_entries();
  profile_enter(&scope_a);
  EXPECT_EQ(profile_current(), first);
  EXPECT_EQ(first->count, 2u);
  EXPECT_EQ(scope_a.cache, first);
  profile_leave();
  EXPECT_EQ(profile_table_entries(), entries);
}

TEST_F(ProfileTest, TwoParentsGiveTwoNodesAndSelfNestingGivesLevelOne) {
  profile_enter(&scope_a);
  ProfileNode* a = profile_current();
  profile_enter(&scope_b);
  ProfileNode* b_under_a = profile_current();
  profile_leave();
  profile_enter(&scope_a);
  ProfileNode* a_in_a = profile_current();
  profile_leave();
  profile_leave();
  profile_enter(&scope_b);
  ProfileNode* b_outer = profile_current();
  profile_leave();
  EXPECT_NE(b_under_a, b_outer);
  EXPECT_EQ(b_under_a->parent, a);
  EXPECT_EQ(b_outer->parent, a->parent);
  EXPECT_EQ(a->level, 0u);
  EXPECT_EQ(a_in_a->level, 1u);
  EXPECT_NE(a_in_a, a);
  // The cached node is refound through the table after the parent changed.
  profile_enter(&scope_a);
  profile_enter(&scope_b);
  EXPECT_EQ(profile_current(), b_under_a);
  EXPECT_EQ(b_under_a->count, 2u);
  profile_leave();
  profile_leave();
}

TEST_F(ProfileTest, CyclesAccumulateAsSelfTimeInTheInnermostNode) {
  profile_enter(&scope_a);
  ProfileNode* a = profile_current();
  volatile int sink = 0;
  for (int i = 0; i < 100000; ++i) sink = i;
  profile_leave();
  EXPECT_EQ(sink, 99999);
  EXPECT_GT(a->accumulated, 0u);
  const uint64_t before = a->accumulated;
  profile_enter(&scope_b);
  profile_leave();
  EXPECT_EQ(a->accumulated, before);  // time in a sibling is not ours
}

TEST_F(ProfileTest, TableGrowsPast128NodesAndKeepsEveryNode) {
  // A chain of distinct parents: scope_a entered inside itself again and again
  // yields one new node per level.
  std::vector<ProfileNode*> made;
  profile_enter(&scope_a);
  made.push_back(profile_current());
  while (profile_table_entries() < 129) {
    profile_enter(&scope_a);
    made.push_back(profile_current());
  }
  EXPECT_EQ(profile_table_capacity(), 256u);  // 129 nodes fit (2*129 > 256 only now)
  profile_enter(&scope_b);
  EXPECT_EQ(profile_table_capacity(), 512u);
  EXPECT_EQ(profile_table_entries(), 130u);
  profile_leave();
  for (size_t i = made.size(); i-- > 0;) profile_leave();
  // Walk down the chain again: every node is found through the grown table.
  for (size_t i = 0; i < made.size(); ++i) {
    ProfileNode* found = profile_find_node(&scope_a);
    ASSERT_EQ(found, made[i]) << "level " << i;
    EXPECT_EQ(found->level, i);
    profile_enter(&scope_a);
  }
  for (size_t i = 0; i < made.size(); ++i) profile_leave();
}

TEST_F(ProfileTest, UnmatchedLeaveAtTheRootStaysAtTheRoot) {
  profile_leave();
  EXPECT_EQ(profile_current(), profile_root());
  profile_enter(&scope_a);
  profile_leave();
  profile_leave();  // leaves "_global"
  profile_leave();  // nothing above the root
  EXPECT_EQ(profile_current(), profile_root());
}

}  // namespace
