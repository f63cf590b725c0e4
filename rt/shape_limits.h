// Tolerances and limits of the cylinder, cone, torus, CSG and root-solver
// code, named once (the ones shared by every shape are in rt_tolerances.h).
#pragma once

namespace rt {

// Values strictly between -kRootZeroTolerance and kRootZeroTolerance count as
// zero in every discriminant test of the root solvers.
inline constexpr float kRootZeroTolerance = 1e-9f;

// Relative slack under which a negative auxiliary square of the quartic is
// taken as rounding noise: a true negative means complex roots, but a value
// a few float steps below zero (seen for roots placed symmetrically, e.g. a
// ray through a torus's centre) would otherwise lose all four roots.
inline constexpr float kQuarticRoundingSlack = 1e-6f;

// Cylinder and cone: below this a quadratic coefficient, a direction
// component, a radius difference or an axis length counts as zero.
inline constexpr float kAxialEpsilon = 1e-10f;

// Cylinder and cone: the second (deeper) crossing must lie beyond this depth
// for the span to count.
inline constexpr float kAxialNearDepth = 1e-10f;

// An axis this close to +-z is taken as exactly +-z when the axis frame is
// built: the rotation axis (-a.y, a.x, 0) would otherwise be (nearly) zero.
// Compared in double: as a float the value would round to 1.
inline constexpr double kAxisAlignedZ = 1.0 - 1e-10;

// Torus normal: a point closer than this to the axis has no nearest ring
// point; its normal then points away from the centre.
inline constexpr float kAxisDistanceEpsilon = 1e-10f;

// CSG bounds: a plane normal this close to an axis counts as axis-aligned;
// only then does the half-space cut its box on that axis.
inline constexpr float kAxisAlignedNormal = 1e-10f;

// Exit status of the geometry engine's fatal stops (degenerate shapes and
// CSG boxes, a transform that cannot be allocated while building).
inline constexpr int kGeometryFatalStatus = -1;

}  // namespace rt
