#include "smalltalk/host_process.h"

#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "smalltalk/locale_table.h"

namespace {

// glibc's rand() spans 31 bits; the class library expects the 15 bits of the
// standard generator's classic range.
constexpr int kRandomDropBits = 16;
constexpr long long kMillisPerSecond = 1000;
constexpr long long kNanosPerMilli = 1000000;

}  // namespace

std::optional<std::string> lookupEnvironment(std::string name) {
  if (!name.empty() && name[0] == '$') name.erase(0, 1);
  if (name == "LANG") return std::string(userLocaleName());
  if (name.empty()) return std::nullopt;
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool setEnvironment(const std::string& name, const std::string& value) {
  if (name.empty() || name.find('=') != std::string::npos) return false;
  return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

int putEnvironment(const std::string& assignment) {
  // putenv keeps the pointer it is given: the copy is never freed.
  char* copy = ::strdup(assignment.c_str());
  if (copy == nullptr) return -1;
  if (std::strchr(copy, '=') == nullptr) {
    std::free(copy);  // not an assignment: glibc would remove the variable
    return -1;
  }
  return ::putenv(copy) == 0 ? 0 : -1;
}

int random15() { return std::rand() >> kRandomDropBits; }

void seedRandom(unsigned seed) { std::srand(seed); }

void sleepMilliseconds(long long ms) {
  if (ms <= 0) return;
  timespec wait{static_cast<std::time_t>(ms / kMillisPerSecond),
                static_cast<long>((ms % kMillisPerSecond) * kNanosPerMilli)};
  while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

int runCommand(const std::string& command) {
  std::fflush(stdout);
  std::fflush(stderr);
  int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
