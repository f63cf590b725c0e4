#include "smalltalk/file_slots.h"

#include <fcntl.h>
#include <unistd.h>

#include "smalltalk/fatal.h"
#include "smalltalk/memory_counters.h"

namespace {

std::FILE** slots = nullptr;

constexpr const char* kNullDevice = "/dev/null";
constexpr char kBinaryMode = 'b';

struct StandardName {
  const char* name;
  std::FILE* (*stream)();
};
const StandardName kStandardNames[] = {
    {"stdin", [] { return stdin; }},
    {"stdout", [] { return stdout; }},
    {"stderr", [] { return stderr; }},
};

bool isStandardStream(std::FILE* f) { return f == stdin || f == stdout || f == stderr; }

bool validSlot(int slot) { return slot >= 0 && slot < kFileSlotCount; }

// A standard stream stays open: its descriptor is redirected to /dev/null.
void retireStandardStream(std::FILE* f) {
  std::fflush(f);
  int nullFd = ::open(kNullDevice, O_RDWR);
  if (nullFd >= 0) {
    ::dup2(nullFd, ::fileno(f));
    ::close(nullFd);
  }
  std::clearerr(f);
}

void releaseStream(std::FILE* f, bool closeStandard) {
  if (f == nullptr) return;
  if (!isStandardStream(f)) std::fclose(f);
  else if (closeStandard) retireStandardStream(f);
  else std::fflush(f);
}

}  // namespace

void prepareFileSlotTable() {
  if (slots != nullptr) return;
  slots = static_cast<std::FILE**>(acquireBlock(kFileSlotCount * sizeof(std::FILE*)));
  TOLVA_CHECK(slots != nullptr, kSourcePrimitives);
}

std::FILE* slotStream(int slot) {
  if (!validSlot(slot) || slots == nullptr) return nullptr;
  return slots[slot];
}

bool slotHoldsStandardInput(int slot) { return slotStream(slot) == stdin; }

std::optional<int> openFileSlot(int slot, const std::string& name, const std::string& mode) {
  if (!validSlot(slot)) return std::nullopt;
  prepareFileSlotTable();
  releaseStream(slots[slot], false);
  slots[slot] = nullptr;
  for (const StandardName& s : kStandardNames) {
    if (name == s.name) {
      slots[slot] = s.stream();
      return slot;
    }
  }
  std::string binaryMode = mode;
  if (binaryMode.find(kBinaryMode) == std::string::npos) binaryMode += kBinaryMode;
  slots[slot] = std::fopen(name.c_str(), binaryMode.c_str());
  if (slots[slot] == nullptr) return std::nullopt;
  return slot;
}

void closeFileSlot(int slot) {
  if (!validSlot(slot) || slots == nullptr) return;
  releaseStream(slots[slot], true);
  slots[slot] = nullptr;
}

void clearFileSlots() {
  if (slots == nullptr) return;
  for (int slot = 0; slot < kFileSlotCount; ++slot) {
    releaseStream(slots[slot], false);
    slots[slot] = nullptr;
  }
}
