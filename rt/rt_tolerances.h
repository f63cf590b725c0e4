// Numerical tolerances and limits of the geometry engine, named once.
//
// Every shape test compares depths and lengths against these values; keeping
// them in one table means a change of policy (what counts as "parallel", how
// close to the origin a hit may be) is made in one place.
#pragma once

namespace rt {

// A hit must lie at least this far in front of the ray origin (in units of the
// ray direction). Keeps a ray that starts on a surface from finding that
// surface again at depth ~0 through rounding.
inline constexpr float kMinHitDepth = 1e-6f;

// Below this magnitude a direction component (or a dot product with a plane
// normal) counts as zero: the ray is parallel to the slab or plane and is
// decided by the origin's position alone.
inline constexpr float kParallelEpsilon = 1e-10f;

// A quadratic's discriminant must exceed this to count as two crossings;
// a grazing (tangent) ray therefore misses.
inline constexpr float kMinDiscriminant = 1e-10f;

// Half-width of the band in which two slab crossings count as the same depth
// (an edge or corner hit of a box); the face of the steeper axis wins.
inline constexpr float kFaceTieBand = 1e-6f;

// Slab distances beyond +-kFarDepth count as "no limit".
inline constexpr float kFarDepth = 2e10f;

// Bounding boxes represent infinite extent by these finite bounds.
inline constexpr float kUnboundedExtent = 1e10f;

// Depth limit of a freshly prepared ray.
inline constexpr float kDefaultMaxDepth = 1.0e7f;

// A camera re-aim whose new direction or right vector is shorter than this is
// refused: the frame would be built from a zero vector.
inline constexpr float kMinAimLength = 1e-10f;

// Alignment of transforms and frame buffers (vector loads).
inline constexpr unsigned kVectorAlignment = 16;

// --- Cylinder, cone, torus, CSG bounds and the root solvers ---

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
