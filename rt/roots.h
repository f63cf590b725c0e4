// Closed-form real-root solvers for polynomials of degree two to four, in
// single precision, and the small ascending sort the torus applies to roots.
//
// Coefficient arrays run in ascending order of power (c[0] is the constant
// term, c[n] the leading one). Root arrays need room for four floats. Roots
// come back unsorted and may repeat. What counts as zero is
// rt::kRootZeroTolerance (rt/rt_tolerances.h).
#pragma once

// c[0] + c[1] x + c[2] x^2 = 0: returns 0, 1 or 2 roots.
int solve_quadratic(const float c[3], float roots[]);

// c[0] + ... + c[3] x^3 = 0: returns 1, 2 or 3 roots.
int solve_cubic(const float c[4], float roots[]);

// c[0] + ... + c[4] x^4 = 0: returns 0 to 4 roots.
int solve_quartic(const float c[5], float roots[]);

// Selection sort into ascending order; of equal values the first one wins.
void sort_ascending(float values[], int count);
