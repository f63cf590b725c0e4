#include "smalltalk/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Standard output may hold script output that must not be lost when we stop.
[[noreturn]] void stopNow() {
  std::fflush(stdout);
  std::fflush(stderr);
  std::exit(kFatalExitStatus);
}

}  // namespace

void fatal(const char* first, const char* second) {
  std::fprintf(stderr, "%s\n%s\n", first, second);
  stopNow();
}

void fatalNumber(const char* first, long long second) {
  std::fprintf(stderr, "%s\n%lld\n", first, second);
  stopNow();
}

void internalError(const char* condition, const char* source) {
  std::fprintf(stderr, "tolva: internal error: %s (%s)\n", condition, source);
  stopNow();
}
