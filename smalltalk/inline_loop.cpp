#include "smalltalk/inline_loop.h"

#include <vector>

#include "smalltalk/class_layout.h"
#include "smalltalk/fatal.h"
#include "smalltalk/interp_inline.h"
#include "smalltalk/loop_methods.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/object_table.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/send.h"
#include "smalltalk/send_shortcut.h"

namespace {

// The Block words that the loops read (the block primitives fix their meaning).
constexpr uint32_t kBlockArgumentCountWord = 1;
constexpr uint32_t kBlockArgumentLocationWord = 2;
constexpr uint32_t kBlockActiveWord = 4;
// The home Context's word that holds its temporaries, as the loops read it ("<25 context 4>").
constexpr int32_t kTemporariesIndex = 4;

// The loops, by the send that starts them.
enum class Kind : int32_t { ToDo = 1, Do, Inject, ToByDo, TimesRepeat };
struct LoopKind {
  Kind kind;
  LoopMethod send;                  // the method the send reaches, which names the selector
  uint32_t arguments;               // of the send; the block is the last
  int32_t blockArguments;
  std::vector<LoopMethod> methods;  // every method the loop's work stands for
};
const LoopKind kLoopKinds[] = {
    {Kind::ToDo, kToDo, 2, 1, {kToDo, kIsBlock, kValueFromToBy, kRun, kEnter}},
    {Kind::Do, kDo, 1, 1, {kDo, kIsBlock, kValueWithElementsInto, kSize, kAt, kRun, kEnter}},
    {Kind::Inject, kInjectInto, 2, 2,
     {kInjectInto, kIsBlock, kNumArgs, kValueWithElementsInjecting, kSize, kAt, kRun, kEnter}},
    {Kind::ToByDo, kToByDo, 3, 1,
     {kToByDo, kIsBlock, kIsSmallInteger, kValueFromToBy, kRun, kEnter}},
    // (Block>>value binds nothing and leaves the block's activity alone.)
    {Kind::TimesRepeat, kTimesRepeat, 1, 0, {kTimesRepeat, kValue, kEnter}},
};

// The verdict on one loop's methods for the cache lines of one generation
// and one pair of receiver and block classes.
struct Verdict {
  uint32_t generation = 0;
  ObjectRef receiverClass = nilObj, blockClass = nilObj;
  bool usual = false;
};
static_assert(sizeof kLoopKinds / sizeof kLoopKinds[0] == kInlineLoopKinds);
Verdict verdicts[kInlineLoopKinds];

// Are the methods that a loop's send to an instance of receiverClass with a
// block of blockClass reaches the library's own? Kept while the method
// cache's answers stay the same (a method installed changes them).
bool usualLoopMethods(const LoopKind& loop, ObjectRef receiverClass, ObjectRef blockClass) {
  Verdict& verdict = verdicts[static_cast<int32_t>(loop.kind) - 1];
  if (verdict.generation != cacheGeneration || verdict.receiverClass != receiverClass ||
      verdict.blockClass != blockClass) {
    const bool usual = libraryLoopMethods(loop.methods, receiverClass, blockClass);  // (may collect)
    verdict = Verdict{cacheGeneration, receiverClass, blockClass, usual};
  }
  return verdict.usual;
}

ObjectRef basicSize(ObjectRef object) {
  ObjectRef args[1 + kPrimitiveArgumentRoom] = {object};
  return primBasicSize(args);
}

// The words of a running loop, above the send's receiver and arguments.
enum LoopWord : uint32_t {
  kKind,          // the Kind, as a small integer
  kIndex,         // the loop variable (to:do:) or the element's index
  kLimit,         // the stop (to:do:), the collection's size or the count
  kStep,          // what each pass adds to the index
  kSubject,       // the collection; nil for to:do:
  kBlock,
  kAccumulator,   // inject:into:'s running value
  kTemporaries,   // the block's home temporaries
  kFirstPlace,    // where the block's first argument goes
  kSecondPlace,   // where inject:into: puts the element (after the accumulator)
  kSaved,         // what the block's first argument word held before the loop
  kSavedSecond,   // and its second (inject:into:)
  kWasActive,     // whether the block was active before the loop
  kEntry,         // the block's first instruction
  kMark,          // the mark: negated resume offset, end of the block's code, marker
};
static_assert(kMark == kLoopWords);

// A script can write into its own process stack: the loop's words are
// checked before a pass uses them (the block's and the collection's words
// are read through checked indices).
bool intactLoop(const ExecutionState& es, const ObjectRef* loop) {
  const ObjectRef kind = loop[kKind], entry = loop[kEntry];
  if (!kind.isValue() || kind.uncheckedInt() < 1 ||
      kind.uncheckedInt() > static_cast<int32_t>(kInlineLoopKinds))
    return false;
  const ObjectRef* receiver = loop - (kLoopKinds[kind.uncheckedInt() - 1].arguments + 1);
  return receiver - es.stackBase >= static_cast<int64_t>(frameFloor(es)) &&
         loop[kIndex].isValue() && loop[kLimit].isValue() && loop[kStep].isValue() &&
         loop[kStep] != smallInt(0) && entry.isValue() &&
         entry.uncheckedInt() >= 1 && static_cast<uint32_t>(entry.uncheckedInt()) <= es.codeSize;
}

const LoopKind& kindOf(const ObjectRef* loop) {
  return kLoopKinds[loop[kKind].uncheckedInt() - 1];
}

// Binds the block's arguments for the pass at loop[kIndex], as the library's loop does.
void bindArguments(const ObjectRef* loop) {
  const ObjectRef temps = loop[kTemporaries];
  switch (kindOf(loop).kind) {
    case Kind::ToDo:
    case Kind::ToByDo:
      basicAtPutInside(temps, loop[kFirstPlace], loop[kIndex]);
      break;
    case Kind::TimesRepeat:
      break;
    case Kind::Do:
      basicAtPutInside(temps, loop[kFirstPlace], basicAtOrNil(loop[kSubject], loop[kIndex]));
      break;
    case Kind::Inject:
      basicAtPutInside(temps, loop[kFirstPlace], loop[kAccumulator]);
      basicAtPutInside(temps, loop[kSecondPlace], basicAtOrNil(loop[kSubject], loop[kIndex]));
      break;
  }
}

// The loop is over: the block's argument words or its activity as before,
// the loop's words off the stack, the answer in the send's place (the
// block, or inject:into:'s value), and the method goes on after the send.
void finishLoop(ExecutionState& es, ObjectRef* loop, uint32_t resume) {
  const LoopKind& kind = kindOf(loop);
  ObjectRef* receiver = loop - (kind.arguments + 1);
  if (kind.kind == Kind::TimesRepeat) {
    // nothing to give back
  } else if (loop[kWasActive] == trueObj) {
    basicAtPutInside(loop[kTemporaries], loop[kFirstPlace], loop[kSaved]);
    if (kind.kind == Kind::Inject)
      basicAtPutInside(loop[kTemporaries], loop[kSecondPlace], loop[kSavedSecond]);
  } else {
    // (an assignment to the block's variable: no store rule)
    if (!isLivePointerObject(loop[kBlock]) || wordCount(loop[kBlock]) < kBlockWords)
      fatal("invalid inline loop", "its words on the stack were overwritten");
    bodyOf(loop[kBlock])[kBlockActiveWord] = falseObj;
  }
  const ObjectRef answer = kind.kind == Kind::Inject        ? loop[kAccumulator]
                           : kind.kind == Kind::TimesRepeat ? *receiver
                                                            : loop[kBlock];
  releaseWords(receiver, es.stackBase + es.depth);
  *receiver = answer;
  es.depth = static_cast<uint32_t>(receiver - es.stackBase) + 1;
  es.byteOffset = resume;
  es.returnPoint = stackAt(es, es.linkPosition + kFrameReturnPoint).intValue();
}

// The loop a send of `selector` with `arguments` arguments starts, if any.
const LoopKind* loopOf(ObjectRef selector, uint32_t arguments) {
  for (const LoopKind& kind : kLoopKinds)
    if (selector == loopMethodSelector(kind.send) && arguments == kind.arguments) return &kind;
  return nullptr;
}

// Where a loop's passes run: the first index, the last and the step, and
// the collection.
struct Bounds {
  ObjectRef first, last, step, subject;
};

// What the library's loop reads before its first pass: false when the
// send's words are not such a loop's (a step of 0 is the library's error).
bool loopBounds(const LoopKind& kind, const ObjectRef* send, Bounds& out) {
  const ObjectRef receiver = send[0];
  switch (kind.kind) {
    case Kind::ToDo:
      out = Bounds{receiver, send[1], smallInt(1), nilObj};
      return receiver.isValue() && send[1].isValue();
    case Kind::ToByDo:
      out = Bounds{receiver, send[1], send[2], nilObj};
      return receiver.isValue() && send[1].isValue() && send[2].isValue() &&
             send[2] != smallInt(0);
    case Kind::TimesRepeat:
      out = Bounds{smallInt(1), receiver, smallInt(1), nilObj};
      return receiver.isValue();
    case Kind::Do:
    case Kind::Inject:
      if (!isLiveObject(receiver) || !isPointerObject(receiver)) return false;
      out = Bounds{smallInt(1), basicSize(receiver), smallInt(1), receiver};
      return out.last.isValue();
  }
  return false;
}

// Whether the loop is over when its index is `index`.
bool pastLimit(int64_t index, ObjectRef limit, ObjectRef step) {
  return step.uncheckedInt() > 0 ? index > limit.uncheckedInt() : index < limit.uncheckedInt();
}

}  // namespace

ObjectRef inlineLoopSelectors[kInlineLoopKinds];
uint64_t inlineLoopSelectorBits = 0;

void setUpLoopSelectors() {
  setUpLoopMethods();
  inlineLoopSelectorBits = 0;
  for (uint32_t i = 0; i < kInlineLoopKinds; ++i) {
    inlineLoopSelectors[i] = loopMethodSelector(kLoopKinds[i].send);
    inlineLoopSelectorBits |= uint64_t{1} << (inlineLoopSelectors[i].Index() & 63);
  }
  for (Verdict& verdict : verdicts) verdict = Verdict{};
}

void resetInlineLoops() {
  resetLoopMethods();
  for (ObjectRef& selector : inlineLoopSelectors) selector = nilObj;
  inlineLoopSelectorBits = 0;
  for (Verdict& verdict : verdicts) verdict = Verdict{};
}

bool startInlineLoop(ExecutionState& es, ObjectRef selector, int32_t rp) {
  if (rp < 1 || es.depth < static_cast<uint32_t>(rp) || es.context == es.stack) return false;
  const LoopKind* kind = loopOf(selector, es.depth - static_cast<uint32_t>(rp));
  if (kind == nullptr) return false;
  ensureStackRoom(es, kLoopWords + kInlineMarkWords);  // (may collect: nothing is read yet)
  const ObjectRef* send = &stackAt(es, rp);
  const ObjectRef block = send[kind->arguments];
  if (!isLiveObject(block)) return false;
  const ObjectEntry& e = entryOf(block);
  if ((e.flags & kPointerFlag) == 0 || e.size != kBlockWords * sizeof(ObjectRef)) return false;
  ObjectRef* words = static_cast<ObjectRef*>(e.body);
  uint32_t end = 0;
  Bounds bounds;
  if (words[kBlockArgumentCountWord] != smallInt(kind->blockArguments) ||
      words[kBlockContext] != es.context || !blockCodeEnd(es, words[kBlockBytePointer], end) ||
      !loopBounds(*kind, send, bounds))
    return false;
  // inject:into: puts the element after the accumulator, the location
  // worked out once by a small integer sum.
  const ObjectRef first = words[kBlockArgumentLocationWord];
  const bool inject = kind->kind == Kind::Inject;
  if (inject && (!first.isValue() || first.uncheckedInt() >= kSmallIntMax)) return false;
  if (!usualLoopMethods(*kind, classOfReceiver(send[0]), e.cls)) return false;
  // As the library's loop begins (the words above the depth are nil).
  ObjectRef* loop = es.stackBase + es.depth;
  loop[kKind] = smallInt(static_cast<int32_t>(kind->kind));
  loop[kIndex] = bounds.first;
  loop[kLimit] = bounds.last;
  loop[kStep] = bounds.step;
  loop[kSubject] = bounds.subject;
  loop[kBlock] = block;
  loop[kEntry] = words[kBlockBytePointer];
  if (kind->kind != Kind::TimesRepeat) {
    loop[kAccumulator] = inject ? send[1] : nilObj;
    loop[kTemporaries] = basicAtOrNil(words[kBlockContext], smallInt(kTemporariesIndex));
    loop[kFirstPlace] = first;
    loop[kSecondPlace] = inject ? smallInt(first.uncheckedInt() + 1) : nilObj;
    loop[kSaved] = basicAtOrNil(loop[kTemporaries], first);
    loop[kSavedSecond] = inject ? basicAtOrNil(loop[kTemporaries], loop[kSecondPlace]) : nilObj;
    loop[kWasActive] = booleanObj(words[kBlockActiveWord] == trueObj);
    words[kBlockActiveWord] = trueObj;
  }
  ObjectRef* mark = loop + kMark;
  mark[0] = smallInt(-static_cast<int32_t>(es.byteOffset));
  mark[1] = smallInt(static_cast<int32_t>(end));
  mark[2] = pointerList;
  es.depth += kLoopWords + kInlineMarkWords;
  if (pastLimit(bounds.first.uncheckedInt(), bounds.last, bounds.step)) {
    finishLoop(es, loop, es.byteOffset);
    return true;
  }
  bindArguments(loop);
  es.byteOffset = static_cast<uint32_t>(loop[kEntry].uncheckedInt());
  return true;
}

void stepInlineLoop(ExecutionState& es, ObjectRef* mark) {
  ObjectRef* loop = mark - kMark;
  if (!intactLoop(es, loop)) fatal("invalid inline loop", "its words on the stack were overwritten");
  const uint32_t resume = static_cast<uint32_t>(-mark[0].uncheckedInt());
  if (kindOf(loop).kind == Kind::Inject) loop[kAccumulator] = stackTop(es);
  const int64_t next = int64_t{loop[kIndex].uncheckedInt()} + loop[kStep].uncheckedInt();
  if (pastLimit(next, loop[kLimit], loop[kStep])) {
    finishLoop(es, loop, resume);
    return;
  }
  loop[kIndex] = smallInt(static_cast<int32_t>(next));
  releaseWords(mark + kInlineMarkWords, es.stackBase + es.depth);
  es.depth = static_cast<uint32_t>(mark + kInlineMarkWords - es.stackBase);
  bindArguments(loop);
  es.byteOffset = static_cast<uint32_t>(loop[kEntry].uncheckedInt());
}
