// The script system's entry point: reads the command line, and with "-c"
// boots the object world, files in the named sources and evaluates the
// start-up hook "goDoIt nil initialize".
#include "smalltalk/driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "smalltalk/bootstrap.h"
#include "smalltalk/change_log.h"
#include "smalltalk/collector.h"
#include "smalltalk/compiler.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/dir_listing.h"
#include "smalltalk/driver_state.h"
#include "smalltalk/file_slots.h"
#include "smalltalk/interpreter.h"
#include "smalltalk/memory_counters.h"
#include "smalltalk/object_table.h"
#include "smalltalk/process.h"
#include "smalltalk/text_buffers.h"

namespace {

constexpr int32_t kSliceSteps = 16384;
constexpr size_t kEvaluationTextCapacity = 4097;  // text and its terminating zero
constexpr const char* kFileInFormat = "goDoIt <120 1 '%s' 'r'>. <123 1>. <121 1>";
constexpr const char* kStartUpText = "goDoIt nil initialize\n";
constexpr const char* kSliceMark = ".";

struct DriverState {
  int argc = 0;
  char** argv = nullptr;
  CommandQueueEntry* queue = nullptr;
  int queueCount = 0;
  bool start = false;
  int firstSourceIndex = 0;  // the argument after the "-c" pair
  int errorCount = 0;        // "-load" files that could not be opened
};
DriverState driver;

// ---- options -------------------------------------------------------------

enum class Option { Name, DoIt, Start, ChangeLog, Load, Invalid, FileName };

struct OptionEntry {
  const char* prefix;
  Option option;
};
// Recognised by their leading characters, tested in this order.
constexpr OptionEntry kOptions[] = {
    {"-w", Option::Name},       {"-doit", Option::DoIt}, {"-c", Option::Start},
    {"-t", Option::ChangeLog},  {"-load", Option::Load},
};
constexpr const char* kLoadIfPrefix = "-loadif";
constexpr size_t kShortNameOption = 3;  // "-w" forms up to this length take the next argument

bool startsWith(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

Option classify(const char* argument) {
  for (const OptionEntry& entry : kOptions)
    if (startsWith(argument, entry.prefix)) return entry.option;
  return argument[0] == '-' ? Option::Invalid : Option::FileName;
}

// A second run in the same process (the tests) starts from an empty queue.
void releaseQueue(CommandQueueEntry* queue, int count) {
  if (queue == nullptr) return;
  for (int i = 0; i < count; ++i) releaseBlock(queue[i].text);
  releaseBlock(queue);
}

void acquireQueue() {
  driver.queue = static_cast<CommandQueueEntry*>(
      acquireBlock(sizeof(CommandQueueEntry) * kCommandQueueEntries));
  TOLVA_CHECK(driver.queue != nullptr, kSourceTolva);
}

void appendQueue(char kind, const char* text) {
  if (driver.queueCount >= kCommandQueueEntries - 1) {
    std::fprintf(stderr, "tolva: more than %d queued texts and files; %s skipped\n",
                 kCommandQueueEntries - 1, text);
    return;
  }
  uint32_t length = static_cast<uint32_t>(std::strlen(text));
  char* copy = static_cast<char*>(acquireBlock(length + 1));
  TOLVA_CHECK(copy != nullptr, kSourceTolva);
  std::memcpy(copy, text, length + 1);
  driver.queue[driver.queueCount++] = CommandQueueEntry{kind, length, copy};
}

bool canOpen(const char* name) {
  std::FILE* file = std::fopen(name, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

// The argument an option takes; a missing one ends the program with a message.
const char* optionArgument(int& i, const char* option) {
  if (i + 1 >= driver.argc) {
    std::fprintf(stderr, "tolva: option %s needs an argument\n", option);
    std::exit(EXIT_FAILURE);
  }
  return driver.argv[++i];
}

void loadFile(const char* option, const char* name) {
  if (canOpen(name)) {
    appendQueue(kQueueSource, name);
  } else if (!startsWith(option, kLoadIfPrefix)) {
    std::fprintf(stderr, "tolva: %s: No such file\n", name);
    ++driver.errorCount;
  }
}

void readOption(int& i) {
  const char* argument = driver.argv[i];
  switch (classify(argument)) {
    case Option::Name:
      // The name is accepted and not used.
      if (std::strlen(argument) <= kShortNameOption) optionArgument(i, argument);
      break;
    case Option::DoIt:
      appendQueue(kQueueDoIt, optionArgument(i, argument));
      break;
    case Option::Start:
      optionArgument(i, argument);
      driver.start = true;
      driver.firstSourceIndex = i + 1;
      break;
    case Option::ChangeLog: {
      const char* name = optionArgument(i, argument);
      if (setChangeLogName(name)) {
        changeLogOn = true;
      } else {
        std::fprintf(stderr, "tolva: change-log name longer than %u characters: %s\n",
                     kMaxChangeLogName, name);
      }
      break;
    }
    case Option::Load:
      loadFile(argument, optionArgument(i, argument));
      break;
    case Option::Invalid:
      std::printf("invalid option: %s\n", argument);
      std::fflush(stdout);
      std::exit(EXIT_SUCCESS);
    case Option::FileName:
      if (canOpen(argument)) appendQueue(kQueueSource, argument);
      break;
  }
}

// ---- starting the system -------------------------------------------------

// The file-in text for name, its single quotes doubled; false when it does
// not fit the buffer.
bool formatFileIn(char* buffer, const char* name) {
  std::string quoted;
  for (const char* p = name; *p; ++p) {
    quoted += *p;
    if (*p == '\'') quoted += '\'';
  }
  int length = std::snprintf(buffer, kEvaluationTextCapacity, kFileInFormat, quoted.c_str());
  return length >= 0 && static_cast<size_t>(length) < kEvaluationTextCapacity;
}

void startSystem() {
  char* buffer = static_cast<char*>(acquireBlock(kEvaluationTextCapacity));
  TOLVA_CHECK(buffer != nullptr, kSourceTolva);
  bootstrapObjectWorld();
  setUpInterpreter();
  for (int i = driver.firstSourceIndex; i < driver.argc; ++i) {
    if (formatFileIn(buffer, driver.argv[i])) {
      evaluate(buffer);
    } else {
      std::fprintf(stderr, "tolva: file name too long: %s\n", driver.argv[i]);
    }
  }
  releaseBlock(buffer);
  evaluate(kStartUpText);
}

}  // namespace

int driverArgumentCount() { return driver.argc; }
char** driverArgumentVector() { return driver.argv; }
const CommandQueueEntry* commandQueue() { return driver.queue; }

bool evaluate(const char* text) {
  ObjectRef method = newMethod();
  RootGuard keepMethod(method);
  loadClassVariables(nilObj);
  if (!compileMethod(method, text, false)) return false;
  ObjectRef process = newEvaluationProcess(method);
  RootGuard keepProcess(process);
  while (execute(process, kSliceSteps)) std::fputs(kSliceMark, stderr);
  // Nothing outside the heap holds them any more.
  clearFresh(process);
  clearFresh(method);
  return true;
}

int startScriptSystem(int argc, char** argv) {
  releaseQueue(driver.queue, driver.queueCount);
  driver = DriverState{};
  driver.argc = argc;
  driver.argv = argv;
  prepareCompilerBuffers();
  prepareFileSlotTable();
  prepareListingTable();  // the bootstrap's last step clears it again
  acquireQueue();
  for (int i = 1; i < argc; ++i) readOption(i);
  driver.queue[driver.queueCount] = CommandQueueEntry{kQueueEnd, 0, nullptr};
  if (driver.errorCount != 0) {
    std::fflush(stdout);
    std::exit(driver.errorCount);
  }
  if (driver.start) startSystem();
  return 0;
}
