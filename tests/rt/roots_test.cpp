// Polynomial root solvers: the listed polynomials, the degenerate branches of
// each solver, and random polynomials built from known real roots.
#include "rt/roots.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// Coefficients (ascending powers) of the monic polynomial with these roots,
// multiplied out in double and rounded once to float.
std::vector<float> monic_from_roots(const std::vector<float>& roots) {
  std::vector<double> c{1.0};
  for (float r : roots) {
    std::vector<double> next(c.size() + 1, 0.0);
    for (size_t i = 0; i < c.size(); ++i) {
      next[i + 1] += c[i];
      next[i] -= r * c[i];
    }
    c = next;
  }
  return std::vector<float>(c.begin(), c.end());
}

int solve(const std::vector<float>& c, float roots[4]) {
  switch (c.size()) {
    case 3:
      return solve_quadratic(c.data(), roots);
    case 4:
      return solve_cubic(c.data(), roots);
    default:
      return solve_quartic(c.data(), roots);
  }
}

struct RootCase {
  const char* name;
  std::vector<float> coefficients;
  std::vector<float> expected;  // in the order the solver returns them
  float tolerance;
};

class SolverCase : public ::testing::TestWithParam<RootCase> {};

TEST_P(SolverCase, ReturnsTheKnownRootsInOrder) {
  const RootCase& c = GetParam();
  float roots[4] = {};
  int n = solve(c.coefficients, roots);
  ASSERT_EQ(n, static_cast<int>(c.expected.size()));
  for (int i = 0; i < n; ++i) EXPECT_NEAR(roots[i], c.expected[i], c.tolerance) << "root " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Solvers, SolverCase,
    ::testing::Values(RootCase{"QuadraticTwoRoots", {-1, 0, 1}, {1, -1}, 0},
                      RootCase{"QuadraticDoubleRoot", {1, 2, 1}, {-1}, 0},
                      RootCase{"QuadraticNoRealRoot", {1, 0, 1}, {}, 0},
                      RootCase{"QuadraticScaledLeading", {-8, 0, 2}, {2, -2}, 1e-6f},
                      RootCase{"CubicThreeRoots", {-6, 11, -6, 1}, {3, 2, 1}, 1e-4f},
                      RootCase{"CubicTripleZero", {0, 0, 0, 1}, {0}, 0},
                      RootCase{"CubicDoubleRoot", {2, -3, 0, 1}, {-2, 1}, 1e-5f},
                      RootCase{"CubicOneRealRoot", {-2, 1, -2, 1}, {2}, 1e-5f},
                      RootCase{"CubicNonMonic", {-12, 22, -12, 2}, {3, 2, 1}, 1e-4f},
                      RootCase{"QuarticNoRealRoot", {4, 0, 5, 0, 1}, {}, 0},
                      RootCase{"QuarticNoRealRootShifted", {2, -4, 7, -4, 1}, {}, 0}),
    [](const ::testing::TestParamInfo<RootCase>& info) { return info.param.name; });

// Quartics are checked as sorted root sets: their order depends on the
// resolvent's branch.
struct QuarticCase {
  const char* name;
  std::vector<float> coefficients;
  std::vector<float> sorted_roots;
  float tolerance;
};

class QuarticSet : public ::testing::TestWithParam<QuarticCase> {};

TEST_P(QuarticSet, FindsEveryRealRoot) {
  const QuarticCase& c = GetParam();
  float roots[4] = {};
  int n = solve_quartic(c.coefficients.data(), roots);
  ASSERT_EQ(n, static_cast<int>(c.sorted_roots.size()));
  sort_ascending(roots, n);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(roots[i], c.sorted_roots[i], c.tolerance) << "root " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Quartic, QuarticSet,
    ::testing::Values(QuarticCase{"FourSimpleRoots", {24, -50, 35, -10, 1}, {1, 2, 3, 4}, 1e-3f},
                      // The depressed constant term vanishes: y (y^3 - 7y + 6).
                      QuarticCase{"ZeroConstantTerm", {0, 6, -7, 0, 1}, {-3, 0, 1, 2}, 1e-4f},
                      // (x^2 - 1)(x^2 + 4)
                      QuarticCase{"TwoRealTwoComplex", {-4, 0, 3, 0, 1}, {-1, 1}, 1e-3f},
                      // Roots placed symmetrically: the resolvent's auxiliary square comes
                      // out a few float steps below zero and must not lose the roots.
                      QuarticCase{"SymmetricPairsSurviveRounding",
                                  monic_from_roots({-2.07892f, -1.82704f, 1.68592f, 1.93907f}),
                                  {-2.07892f, -1.82704f, 1.68592f, 1.93907f},
                                  2e-2f}),
    [](const ::testing::TestParamInfo<QuarticCase>& info) { return info.param.name; });

// Random polynomials with real roots in [-4, 4], at least kSeparation apart.
std::vector<float> random_roots(std::mt19937& rng, int count) {
  constexpr float kSeparation = 0.25f;
  std::uniform_real_distribution<float> pick(-4.0f, 4.0f);
  std::vector<float> roots(count);
  for (;;) {
    for (float& r : roots) r = pick(rng);
    std::sort(roots.begin(), roots.end());
    bool apart = true;
    for (int i = 1; i < count; ++i) apart = apart && roots[i] - roots[i - 1] >= kSeparation;
    if (apart) return roots;
  }
}

struct RandomCase {
  int degree;
  float tolerance;
};

class RandomPolynomials : public ::testing::TestWithParam<RandomCase> {};

TEST_P(RandomPolynomials, RecoverTheirRoots) {
  const RandomCase& c = GetParam();
  std::mt19937 rng(1234 + c.degree);
  for (int trial = 0; trial < 5000; ++trial) {
    std::vector<float> expected = random_roots(rng, c.degree);
    float roots[4] = {};
    int n = solve(monic_from_roots(expected), roots);
    ASSERT_EQ(n, c.degree) << "trial " << trial;
    sort_ascending(roots, n);
    for (int i = 0; i < n; ++i)
      ASSERT_NEAR(roots[i], expected[i], c.tolerance) << "trial " << trial << " root " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Degrees, RandomPolynomials,
                         ::testing::Values(RandomCase{2, 1e-4f}, RandomCase{3, 1e-3f},
                                           RandomCase{4, 2e-2f}),
                         [](const ::testing::TestParamInfo<RandomCase>& info) {
                           return "Degree" + std::to_string(info.param.degree);
                         });

TEST(SortAscending, OrdersWithRepeats) {
  float values[4] = {3, 1, 2, 1};
  sort_ascending(values, 4);
  EXPECT_EQ(std::vector<float>(values, values + 4), (std::vector<float>{1, 1, 2, 3}));
}

TEST(SortAscending, LeavesEntriesPastCountAlone) {
  float values[4] = {5, 4, 3, -1};
  sort_ascending(values, 3);
  EXPECT_EQ(std::vector<float>(values, values + 4), (std::vector<float>{3, 4, 5, -1}));
}

}  // namespace
