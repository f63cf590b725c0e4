// Entry point of lumra and lumra4: the only source compiled once per build,
// because SUPERSAMPLE selects the build's glow settings.
#include "app/glow.h"
#include "app/viewer.h"

#ifndef SUPERSAMPLE
#error "SUPERSAMPLE must be 8 (lumra) or 4 (lumra4)"
#endif
static_assert(SUPERSAMPLE == 8 || SUPERSAMPLE == 4, "SUPERSAMPLE must be 8 or 4");

int main(int argc, char** argv) {
  return runViewer(argc, argv, glowSettingsFor(SUPERSAMPLE));
}
