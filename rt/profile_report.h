// The profile tree as text, for the people who tune scenes: one line per
// node, indented by its depth under the root, giving the scope's name, its
// level (how often the scope encloses itself), the number of entries, the
// cycles spent in the node itself and its total including its descendants.
//
//   _global  level 0  count 1  self 1200  total 98000
//     All_TRANSFORMED_Intersections  level 0  count 10  self 4000  total 96800
//       All_Sphere_Intersections  level 0  count 10  self 92800  total 92800
//
// Siblings appear in the order their scopes were first used, then by level.
#pragma once

#include <cstdio>
#include <string>

std::string profile_report();
void profile_print(std::FILE* out);
