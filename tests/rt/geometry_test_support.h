// Helpers for the geometry property tests: random placements, random rays
// aimed at a region, and a registry of shape makers to run them over.
#pragma once

#include <random>

#include "rt/matrix.h"
#include "rt/vec3.h"

// A random rigid turn, a non-uniform scale between 0.5 and 2 per axis and a
// move of up to 2 per axis, composed into one Transform.
inline Transform random_placement(std::mt19937& rng) {
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_real_distribution<float> factor(0.5f, 2.0f);
  Transform t;
  make_scaling(&t, Vec3{factor(rng), factor(rng), factor(rng)});
  Transform step;
  Vec3 axis{unit(rng), unit(rng), unit(rng) + 1.5f};  // never the zero vector
  make_rotation(&step, axis, 3.0f * unit(rng));
  compose_transform(&t, &step);
  make_translation(&step, Vec3{2 * unit(rng), 2 * unit(rng), 2 * unit(rng)});
  compose_transform(&t, &step);
  return t;
}

inline Vec3 random_point(std::mt19937& rng, float half_size) {
  std::uniform_real_distribution<float> pick(-half_size, half_size);
  return Vec3{pick(rng), pick(rng), pick(rng)};
}

// A ray from a random point on a shell of radius `distance` towards a random
// point of the cube of half-size `aim` around the origin (direction not unit).
struct RandomRay {
  Vec3 origin;
  Vec3 direction;
};

inline RandomRay random_ray(std::mt19937& rng, float distance, float aim) {
  Vec3 from = random_point(rng, 1.0f);
  while (vec3_length(from) < 0.1f) from = random_point(rng, 1.0f);
  vec3_normalize(from, from);
  from = from * distance;
  std::uniform_real_distribution<float> length(0.5f, 2.0f);
  Vec3 to = random_point(rng, aim);
  Vec3 d;
  vec3_normalize(d, to - from);
  return RandomRay{from, d * length(rng)};
}
