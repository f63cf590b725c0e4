// Primitives that work only on their arguments, the object table and the
// symbol table: they never look at the running execution (its stack, frames,
// step budget, the interpreter registers) or at the trace and watch switches.
// The run loop calls them straight on its stack words, without writing its
// own state back first. Some allocate, and so may collect; that is fine,
// because the collector finds the stack through the Process and the stack
// Array, whose words above the top are nil at all times.
#pragma once

#include <array>

namespace plain_primitives_detail {
inline constexpr int kNumbers[] = {11,  12,  13,  21,  24,  25,  26,  29,  31,  32,  33,  51,  58,
                                   59,  60,  61,  62,  63,  64,  65,  66,  67,  68,  69,  70,  71,
                                   72,  73,  79,  81,  82,  83,  87,  101, 102, 103, 106, 110, 111,
                                   112, 113, 114, 115, 116, 117, 118, 119};

constexpr std::array<bool, 256> table() {
  std::array<bool, 256> plain{};
  for (int number : kNumbers) plain[number] = true;
  return plain;
}
}  // namespace plain_primitives_detail

inline constexpr std::array<bool, 256> kPlainPrimitives = plain_primitives_detail::table();
// The run loop calls them through the table of listed operations (below 160).
static_assert([] {
  for (int number = 160; number < 256; ++number)
    if (kPlainPrimitives[number]) return false;
  return true;
}());
