// Environment and process primitives: environment variables (148), random
// numbers (3, 55), the command processor (88) and the placeholder 144.
#include <cstdio>

#include "smalltalk/host_process.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"

namespace {

// Operations of primitive 148.
enum EnvironmentOp : int32_t {
  kEnvLookup = 1,
  kEnvSet = 2,
  kEnvPut = 3,
  kEnvNothing = 4,
  kEnvSleep = 5,
  kEnvFork = 6,
};

constexpr const char* kForkMessage = "error, fork not supported yet.\n";
// Primitive 3 answers the top 6 of the generator's 15 bits.
constexpr int kRandomShift = 9;
constexpr int32_t kPlaceholderFirst = 1;
constexpr int32_t kPlaceholderLast = 5;

ObjectRef lookup(ObjectRef name) {
  std::optional<std::string> text = textCopyArg(name);
  if (!text) return nilObj;
  std::optional<std::string> value = lookupEnvironment(*text);
  return value ? stringResult(*value) : nilObj;
}

ObjectRef set(ObjectRef name, ObjectRef value) {
  std::optional<std::string> n = textCopyArg(name);
  std::optional<std::string> v = textCopyArg(value);
  if (!n || !v) return nilObj;
  return smallInt(setEnvironment(*n, *v) ? 1 : 0);
}

ObjectRef put(ObjectRef assignment) {
  std::optional<std::string> text = textCopyArg(assignment);
  return text ? smallInt(putEnvironment(*text)) : nilObj;
}

ObjectRef sleep(ObjectRef milliseconds) {
  std::optional<int32_t> ms = intArg(milliseconds);
  if (ms) sleepMilliseconds(*ms);
  return nilObj;
}

}  // namespace

ObjectRef primEnvironment(ObjectRef* args) {
  std::optional<int32_t> op = intArg(args[0]);
  if (!op) return nilObj;
  switch (*op) {
    case kEnvLookup: return lookup(args[1]);
    case kEnvSet: return set(args[1], args[2]);
    case kEnvPut: return put(args[1]);
    case kEnvNothing: return nilObj;
    case kEnvSleep: return sleep(args[1]);
    case kEnvFork: std::fputs(kForkMessage, stderr); return nilObj;
    default: return nilObj;
  }
}

ObjectRef primRandom(ObjectRef*) { return smallInt(random15() >> kRandomShift); }

ObjectRef primSeedRandom(ObjectRef* args) {
  std::optional<int32_t> seed = intArg(args[0]);
  if (seed) seedRandom(static_cast<unsigned>(*seed));
  return nilObj;
}

ObjectRef primSystemCommand(ObjectRef* args) {
  std::optional<std::string> command = textCopyArg(args[0]);
  return command ? smallInt(runCommand(*command)) : nilObj;
}

ObjectRef primPlaceholder(ObjectRef* args) {
  std::optional<int32_t> first = intArg(args[0]);
  if (!first || !args[1].isValue() || *first < kPlaceholderFirst || *first > kPlaceholderLast)
    return nilObj;
  return trueObj;
}
