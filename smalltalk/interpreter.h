// The bytecode interpreter: runs a Process for a slice of steps.
//
// A Process owns a word stack holding, per activation, the receiver and
// arguments, a five-word frame header, the temporaries and the evaluation
// stack (layout in process.h). `execute` caches pointers into the running
// frame in an ExecutionState; they are refreshed at activation, return,
// Context creation and stack growth.
//
// `execute` is re-entrant: a primitive may run a nested slice of another
// process. The interpreter registers live in one struct, saved on entry and
// restored on exit, and every running execution is linked to the one it
// interrupted so that the collector keeps all of them alive.
#pragma once

#include <cstdint>

#include "smalltalk/object_ref.h"

struct ExecutionState;

// The process-wide interpreter registers.
struct InterpreterRegisters {
  ObjectRef currentMethod = nilObj;
  ObjectRef currentSelector = nilObj;
  ExecutionState* running = nullptr;  // innermost running execution, or null
  int nesting = 0;                    // number of running executions
};
extern InterpreterRegisters interp;

// State of one running execution. Stack positions are 1-based: position p is
// stackBase[p - 1]; every word above the depth is nil.
struct ExecutionState {
  ObjectRef process = nilObj;
  ObjectRef stack = nilObj;        // the process stack object
  ObjectRef* stackBase = nullptr;  // position 1
  uint32_t depth = 0;              // used stack words; the top is position depth
  uint32_t capacity = 0;           // stack words
  int32_t linkPosition = 0;        // L of the running frame
  ObjectRef context = nilObj;      // the Context, or the stack while the frame lives there
  ObjectRef* contextBody = nullptr;
  int32_t returnPoint = 0;         // receiver position of the frame / of the send being prepared
  ObjectRef* arguments = nullptr;  // receiver first
  uint32_t argumentCount = 0;      // receiver included
  ObjectRef* temporaries = nullptr;
  uint32_t temporaryCount = 0;
  ObjectRef receiverObject = nilObj;
  ObjectRef* receiverBody = nullptr;  // null unless the receiver is a pointer object
  uint32_t receiverWords = 0;
  ObjectRef method = nilObj;
  ObjectRef literalArray = nilObj;
  ObjectRef* literals = nullptr;
  uint32_t literalCount = 0;
  ObjectRef bytecodeArray = nilObj;
  const uint8_t* bytecodes = nullptr;  // byte offset k is bytecodes[k - 1]
  uint32_t codeSize = 0;
  uint32_t byteOffset = 1;             // next instruction byte, from 1
  int32_t stepsLeft = 0;
  ExecutionState* outer = nullptr;     // the execution this one interrupted
  InterpreterRegisters saved;          // registers of the interrupted execution
};

// Runs process for one slice of steps (n steps run at most n - 1
// instructions). True: the slice ended with the process still active, its
// state saved in the Process. False: the outermost activation returned (its
// value is the top of the process stack) or a send failed.
bool execute(ObjectRef process, int32_t steps);

// The running slice's remaining budget (primitive 53); null when nothing runs.
int32_t* runningStepCounter();
// True when process is being run by execute at any nesting level.
bool isProcessRunning(ObjectRef process);

// Interns the special selectors into their tables and registers the
// interpreter's roots with the collector. Part of the interpreter set-up
// after each bootstrap.
void setUpSpecialSelectors();
// The interned special selector tables (nil past the lists).
inline constexpr int kUnaryTableSlots = 16;
inline constexpr int kBinaryTableSlots = 32;
extern ObjectRef unaryTable[kUnaryTableSlots];
extern ObjectRef binaryTable[kBinaryTableSlots];
inline ObjectRef unarySelector(int index) {
  return index >= 0 && index < kUnaryTableSlots ? unaryTable[index] : nilObj;
}
inline ObjectRef binarySelector(int index) {
  return index >= 0 && index < kBinaryTableSlots ? binaryTable[index] : nilObj;
}
// "at:put:" interned with the tables: the run loop answers it for a store
// inside an Array's body (element_sends.h).
extern ObjectRef atPutSelector;

// Back to the start state: registers, tables, cache, trace counters and watch
// flag cleared (a fresh object world for tests).
void resetInterpreter();

// ---- frame operations shared by the handlers and the primitives ----------

// Reads the frame whose link word is at position L into es.
void readFrame(ExecutionState& es, int32_t L);
// Starts interp.currentMethod on the receiver at es.returnPoint.
void activate(ExecutionState& es);
// Builds that frame and makes it the running one (link position, depth, byte
// offset 1) without reading its method and receiver into es: for a caller
// that reads the frame with readFrame before anything else runs.
void pushActivation(ExecutionState& es);
// Ends the running activation with value; false when the process finished.
bool returnValue(ExecutionState& es, ObjectRef value);
// Pushes the running activation's Context, creating it when needed.
void pushCurrentContext(ExecutionState& es);
// Grows the stack to hold words more words above the depth.
void growStack(ExecutionState& es, uint32_t words);
// Makes room for words more words above the depth (the stack never overflows).
inline void ensureStackRoom(ExecutionState& es, uint32_t words) {
  if (es.capacity - es.depth < words) [[unlikely]]
    growStack(es, words);
}
// The work of primitive 28 on the frame at link position P of the running
// execution: its Context word becomes context (nil or a usable Context) and
// its resume offset offset (a positive small integer). False, changing
// nothing, when either is unusable or P is not a frame on the live stack.
bool setFrameContext(int64_t P, ObjectRef context, ObjectRef offset);
