// The dump of the whole object table to a file (primitive 127). Nothing in the
// system reads it back.
#pragma once

#include <cstdio>

#include "smalltalk/object_ref.h"

// All integers 32-bit little-endian: the integer 7, then for every entry in use
// (entry 0 included), ascending: index * 2 + 1, flags, size, class, then the
// body's size bytes. Answers trueObj when every write completed, else falseObj.
ObjectRef writeImage(FILE* file);
