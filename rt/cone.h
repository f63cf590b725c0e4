// Capped cone frustum: the record, surface codes and shared routines are the
// cylinder's (a cone with equal radii becomes a cylinder and the reverse).
#pragma once

#include "rt/cylinder.h"
