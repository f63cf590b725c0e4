// The profile tree report: nesting, levels, counts, and totals that add up.
#include "rt/profile_report.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "rt/scene.h"
#include "shape_test_support.h"

namespace {

using ProfileReportTest = FreshProfilerTest;

struct Line {
  int indent;
  std::string scope;
  unsigned level, count;
  unsigned long long self, total;
};

std::vector<Line> parse(const std::string& report) {
  std::vector<Line> lines;
  std::istringstream in(report);
  std::string text;
  while (std::getline(in, text)) {
    Line l{};
    l.indent = static_cast<int>(text.find_first_not_of(' '));
    std::istringstream fields(text.substr(l.indent));
    std::string word;
    fields >> l.scope >> word >> l.level >> word >> l.count >> word >> l.self >> word >> l.total;
    EXPECT_FALSE(fields.fail()) << text;
    lines.push_back(l);
  }
  return lines;
}

TEST_F(ProfileReportTest, EmptyBeforeTheFirstTimedCall) { EXPECT_EQ(profile_report(), ""); }

TEST_F(ProfileReportTest, ShowsTheTreeWithLevelsCountsAndTotals) {
  Shape* outer = scene_transformed(scene_transformed(scene_sphere({0, 0, 0}, 1)));
  for (int i = 0; i < 3; ++i) intersect(outer, make_test_ray({-5, 0, 0}, {1, 0, 0}));

  const std::vector<Line> lines = parse(profile_report());
  ASSERT_EQ(lines.size(), 4u);
  const char* scopes[] = {"_global", "All_TRANSFORMED_Intersections",
                          "All_TRANSFORMED_Intersections", "All_Sphere_Intersections"};
  const unsigned levels[] = {0, 0, 1, 0};
  const unsigned counts[] = {1, 3, 3, 3};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[i].scope, scopes[i]);
    EXPECT_EQ(lines[i].indent, 2 * i);
    EXPECT_EQ(lines[i].level, levels[i]);
    EXPECT_EQ(lines[i].count, counts[i]);
  }
  // A chain: each total is its own cycles plus the total of its one child.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lines[i].total, lines[i].self + lines[i + 1].total);
  EXPECT_EQ(lines[3].total, lines[3].self);
  EXPECT_GT(lines[3].self, 0u);
}

TEST_F(ProfileReportTest, SiblingsFollowFirstUse) {
  Shape* torus = scene_torus(2, 0.5f);
  Shape* cylinder = scene_cylinder({0, 0, 0}, {0, 0, 1}, 1);
  intersect(torus, make_test_ray({-5, 0, 0}, {1, 0, 0}));
  intersect(cylinder, make_test_ray({-5, 0, 0.5f}, {1, 0, 0}));
  intersect(torus, make_test_ray({-5, 0, 0}, {1, 0, 0}));
  const std::vector<Line> lines = parse(profile_report());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].scope, "All_Torus_Intersections");
  EXPECT_EQ(lines[1].count, 2u);
  EXPECT_EQ(lines[2].scope, "All_Cylinder_Intersections");
  EXPECT_EQ(lines[2].indent, lines[1].indent);
}

}  // namespace
