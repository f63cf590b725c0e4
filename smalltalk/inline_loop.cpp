#include "smalltalk/inline_loop.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "smalltalk/class_layout.h"
#include "smalltalk/collector.h"
#include "smalltalk/compiler.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/fatal.h"
#include "smalltalk/interp_inline.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/object_table.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/send.h"
#include "smalltalk/send_shortcut.h"
#include "smalltalk/symbols.h"

namespace {

// The Block words that the loops read (the block primitives fix their meaning).
constexpr uint32_t kBlockArgumentCountWord = 1;
constexpr uint32_t kBlockArgumentLocationWord = 2;
constexpr uint32_t kBlockActiveWord = 4;
// The home Context's word that holds its temporaries, as the loops read it ("<25 context 4>").
constexpr int32_t kTemporariesIndex = 4;

// The methods whose work the interpreter does, with the text they have in
// the library (comments left out: the compiler's code does not change with
// them). A loop runs inline only while the methods that its send and its
// block reach are compiled exactly as this text is.
enum Method : uint8_t {
  kToDo, kIsBlock, kValueFromToBy, kRun, kEnter,
  kDo, kValueWithElementsInto, kSize, kAt,
  kInjectInto, kNumArgs, kValueWithElementsInjecting,
  kToByDo, kIsSmallInteger, kTimesRepeat, kValue,
  kMethodCount
};
struct LoopMethod {
  const char* selector;
  const char* className;  // the class whose variables the text names
  bool ofBlock;           // looked up for the block's class, else for the receiver's
  const char* source;
};
constexpr LoopMethod kLoopMethods[kMethodCount] = {
    {"to:do:", "Integer", false,
     "to: stop do: aBlock\n"
     "    aBlock isBlock ifTrue: [^ aBlock valueFrom: self to: stop by: 1].\n"
     "    ^ super to: stop do: aBlock"},
    {"isBlock", "Block", true, "isBlock\n    ^ true"},
    {"valueFrom:to:by:", "Block", true,
     "valueFrom: start to: stop by: step\n"
     "    | temps i wasActive saved |\n"
     "    argumentCount = 1 ifFalse: [^ self numArgsError: 1].\n"
     "    temps := <25 context 4>.\n"
     "    wasActive := <21 active true>.\n"
     "    saved := <25 temps argumentLocation>.\n"
     "    active := true.\n"
     "    i := start.\n"
     "    step > 0 ifTrue: [\n"
     "        true whileTrue: [\n"
     "            i <= stop ifFalse: [\n"
     "                wasActive ifTrue: [<31 temps argumentLocation saved>] ifFalse: [active := false].\n"
     "                ^ self].\n"
     "            <31 temps argumentLocation i>.\n"
     "            self run.\n"
     "            i := i + step]].\n"
     "    true whileTrue: [\n"
     "        i >= stop ifFalse: [\n"
     "            wasActive ifTrue: [<31 temps argumentLocation saved>] ifFalse: [active := false].\n"
     "            ^ self].\n"
     "        <31 temps argumentLocation i>.\n"
     "        self run.\n"
     "        i := i + step]"},
    {"run", "Block", true, "run\n    ^ self enter"},
    {"enter", "Block", true, "enter\n    <28 context bytePointer>"},
    {"do:", "SequenceableCollection", false,
     "do: aBlock\n"
     "    | i length |\n"
     "    aBlock isBlock ifTrue: [^ aBlock valueWithElementsOf: self into: nil].\n"
     "    i := 1.\n"
     "    length := self size.\n"
     "    [i <= length] whileTrue: [\n"
     "        aBlock value: (self at: i).\n"
     "        i := i + 1]"},
    {"valueWithElementsOf:into:", "Block", true,
     "valueWithElementsOf: aCollection into: results\n"
     "    | temps i count wasActive saved |\n"
     "    argumentCount = 1 ifFalse: [^ self numArgsError: 1].\n"
     "    temps := <25 context 4>.\n"
     "    wasActive := <21 active true>.\n"
     "    saved := <25 temps argumentLocation>.\n"
     "    active := true.\n"
     "    count := aCollection size.\n"
     "    i := 1.\n"
     "    results isNil ifTrue: [\n"
     "        true whileTrue: [\n"
     "            i <= count ifFalse: [\n"
     "                wasActive ifTrue: [<31 temps argumentLocation saved>] ifFalse: [active := false].\n"
     "                ^ self].\n"
     "            <31 temps argumentLocation (aCollection at: i)>.\n"
     "            self run.\n"
     "            i := i + 1]].\n"
     "    true whileTrue: [\n"
     "        i <= count ifFalse: [\n"
     "            wasActive ifTrue: [<31 temps argumentLocation saved>] ifFalse: [active := false].\n"
     "            ^ results].\n"
     "        <31 temps argumentLocation (aCollection at: i)>.\n"
     "        results at: i put: self run.\n"
     "        i := i + 1]"},
    {"size", "ArrayedCollection", false, "size\n    ^ <12 self>"},
    {"at:", "Array", false,
     "at: index\n"
     "    | element |\n"
     "    element := <25 self index>.\n"
     "    element isNil ifFalse: [^ element].\n"
     "    (<31 self index nil>) isNil ifTrue: [^ self indexError: index].\n"
     "    ^ nil"},
    {"inject:into:", "ArrayedCollection", false,
     "inject: initialValue into: aBlock\n"
     "    | i length accumulator |\n"
     "    (aBlock isBlock and: [aBlock numArgs = 2]) ifTrue: [^ aBlock valueWithElementsOf: self "
     "injecting: initialValue].\n"
     "    length := self size.\n"
     "    accumulator := initialValue.\n"
     "    i := 1.\n"
     "    true whileTrue: [\n"
     "        i <= length ifFalse: [^ accumulator].\n"
     "        accumulator := aBlock value: accumulator value: (self at: i).\n"
     "        i := i + 1]"},
    {"numArgs", "Block", true, "numArgs\n    ^ argumentCount"},
    {"valueWithElementsOf:injecting:", "Block", true,
     "valueWithElementsOf: aCollection injecting: initialValue\n"
     "    | temps i count wasActive location savedFirst savedSecond accumulator |\n"
     "    argumentCount = 2 ifFalse: [^ self numArgsError: 2].\n"
     "    temps := <25 context 4>.\n"
     "    location := argumentLocation + 1.\n"
     "    wasActive := <21 active true>.\n"
     "    savedFirst := <25 temps argumentLocation>.\n"
     "    savedSecond := <25 temps location>.\n"
     "    active := true.\n"
     "    count := aCollection size.\n"
     "    accumulator := initialValue.\n"
     "    i := 1.\n"
     "    true whileTrue: [\n"
     "        i <= count ifFalse: [\n"
     "            wasActive\n"
     "                ifTrue: [<31 temps argumentLocation savedFirst>. <31 temps location savedSecond>]\n"
     "                ifFalse: [active := false].\n"
     "            ^ accumulator].\n"
     "        <31 temps argumentLocation accumulator>.\n"
     "        <31 temps location (aCollection at: i)>.\n"
     "        accumulator := self run.\n"
     "        i := i + 1]"},
    {"to:by:do:", "Number", false,
     "to: stop by: step do: aBlock\n"
     "    | i |\n"
     "    step = 0 ifTrue: [^ self error: 'step must not be zero'].\n"
     "    (aBlock isBlock and: [self isSmallInteger]) ifTrue: [^ aBlock valueFrom: self to: stop "
     "by: step].\n"
     "    i := self.\n"
     "    step > 0\n"
     "        ifTrue: [[i <= stop] whileTrue: [aBlock value: i. i := i + step]]\n"
     "        ifFalse: [[i >= stop] whileTrue: [aBlock value: i. i := i + step]]"},
    {"isSmallInteger", "Integer", false, "isSmallInteger\n    ^ true"},
    {"timesRepeat:", "Integer", false,
     "timesRepeat: aBlock\n"
     "    | i |\n"
     "    i := 1.\n"
     "    true whileTrue: [\n"
     "        i <= self ifFalse: [^ self].\n"
     "        aBlock value.\n"
     "        i := i + 1]"},
    {"value", "Block", true,
     "value\n"
     "    argumentCount = 0 ifFalse: [^ self numArgsError: 0].\n"
     "    ^ self enter"},
};

// The loops, by the send that starts them.
enum class Kind : int32_t { ToDo = 1, Do, Inject, ToByDo, TimesRepeat };
struct LoopKind {
  Kind kind;
  Method send;          // the method the send reaches, which names the selector
  uint32_t arguments;   // of the send; the block is the last
  int32_t blockArguments;
  std::vector<Method> methods;  // every method the loop's work stands for
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

// What the compiler made of a method's text. Kept as plain data, so that it
// outlives object tables: each literal as a small integer's word, a
// Symbol's or a String's text, or the words of a block literal (which hold
// small integers and nil only).
struct ReferenceLiteral {
  enum Kind : uint8_t { Value, Symbol, String, Block } kind = Value;
  ObjectRef value;
  std::string text;
  std::vector<ObjectRef> words;
};
struct ReferenceCode {
  bool made = false;  // (a text that did not compile stops only the loops that need it)
  std::vector<uint8_t> bytecodes;
  std::vector<ReferenceLiteral> literals;
  ObjectRef stackSize, temporaryCount;
};

bool referencesMade = false;
ReferenceCode references[kMethodCount];

// The selectors, interned for each object table.
ObjectRef loopSelectors[kMethodCount];

// The verdict on one loop's methods for the cache lines of one generation
// and one pair of receiver and block classes.
struct Verdict {
  uint32_t generation = 0;
  ObjectRef receiverClass = nilObj, blockClass = nilObj;
  bool usual = false;
};
static_assert(sizeof kLoopKinds / sizeof kLoopKinds[0] == kInlineLoopKinds);
Verdict verdicts[kInlineLoopKinds];

bool isBlockLiteral(ObjectRef literal) {
  return isLiveObject(literal) && isPointerObject(literal) && wordCount(literal) == kBlockWords &&
         classOf(literal) == globalValue("Block");
}

bool isStringLiteral(ObjectRef literal) {
  return isLiveByteObject(literal) && classOf(literal) == globalValue("String");
}

bool takeLiteral(ObjectRef literal, ReferenceLiteral& out) {
  if (literal.isValue()) {
    out.value = literal;
    return true;
  }
  if (isLiveObject(literal) && classOf(literal) == symbolClass()) {
    out.kind = ReferenceLiteral::Symbol;
    out.text.assign(charsOf(literal), strnlen(charsOf(literal), byteSize(literal)));
    return true;
  }
  if (isStringLiteral(literal)) {
    out.kind = ReferenceLiteral::String;
    out.text.assign(charsOf(literal), byteSize(literal));
    return true;
  }
  if (!isBlockLiteral(literal)) return false;
  out.kind = ReferenceLiteral::Block;
  out.words.assign(bodyOf(literal), bodyOf(literal) + kBlockWords);
  for (const ObjectRef word : out.words)
    if (!word.isValue() && word != nilObj) return false;
  return true;
}

bool sameLiteral(ObjectRef literal, const ReferenceLiteral& ref) {
  switch (ref.kind) {
    case ReferenceLiteral::Value:
      return literal == ref.value;
    case ReferenceLiteral::Symbol:
      return literal == findSymbol(ref.text.c_str());
    case ReferenceLiteral::String:
      return isStringLiteral(literal) && byteSize(literal) == ref.text.size() &&
             std::memcmp(bytesOf(literal), ref.text.data(), ref.text.size()) == 0;
    case ReferenceLiteral::Block:
      return isBlockLiteral(literal) &&
             std::equal(ref.words.begin(), ref.words.end(), bodyOf(literal));
  }
  return false;
}

bool takeReference(ObjectRef method, ReferenceCode& out) {
  const ObjectRef* words = bodyOf(method);
  const ObjectRef code = words[kMethodBytecodes];
  if (!isLiveByteObject(code)) return false;
  out.bytecodes.assign(bytesOf(code), bytesOf(code) + byteSize(code));
  uint32_t count = 0;
  const ObjectRef* literals = pointerBody(words[kMethodLiterals], count);
  out.literals.assign(count, ReferenceLiteral{});
  for (uint32_t i = 0; i < count; ++i)
    if (!takeLiteral(literals[i], out.literals[i])) return false;
  out.stackSize = words[kMethodStackSize];
  out.temporaryCount = words[kMethodTemporaryCount];
  return true;
}

// Compiles the texts above once. The system's own compilation leaves the
// name that the compiler reports as it was.
void makeReferences() {
  const std::string name = compilingMethodName();
  for (uint32_t i = 0; i < kMethodCount; ++i) {
    const ObjectRef cls = globalValue(kLoopMethods[i].className);
    ObjectRef method = newMethod();
    RootGuard keep(method);
    references[i] = ReferenceCode{};
    references[i].made = isLiveObject(cls) && loadClassVariables(cls) &&
                         compileMethod(method, kLoopMethods[i].source, false) &&
                         takeReference(method, references[i]);
    loadClassVariables(nilObj);
  }
  setCompilingMethodName(name.c_str());
  referencesMade = true;
}

bool sameCode(ObjectRef method, const ReferenceCode& ref) {
  if (!isLiveObject(method) || !isPointerObject(method) || wordCount(method) < kMethodWords)
    return false;
  const ObjectRef* words = bodyOf(method);
  const ObjectRef code = words[kMethodBytecodes];
  if (!isLiveByteObject(code) || byteSize(code) != ref.bytecodes.size() ||
      std::memcmp(bytesOf(code), ref.bytecodes.data(), ref.bytecodes.size()) != 0)
    return false;
  if (words[kMethodStackSize] != ref.stackSize || words[kMethodTemporaryCount] != ref.temporaryCount)
    return false;
  uint32_t count = 0;
  const ObjectRef* literals = pointerBody(words[kMethodLiterals], count);
  if (count != ref.literals.size()) return false;
  for (uint32_t i = 0; i < count; ++i)
    if (!sameLiteral(literals[i], ref.literals[i])) return false;
  return true;
}

// The method that a send of `selector` to an instance of cls finds: the
// cache's line, or the search along the superclass chain (which leaves the
// cache and the interpreter's registers as they were).
ObjectRef methodFor(ObjectRef selector, ObjectRef cls) {
  if (const CacheLine* line = cachedLine(selector, cls)) return line->method;
  const ObjectRef selectorWas = interp.currentSelector, methodWas = interp.currentMethod;
  interp.currentSelector = selector;
  const ObjectRef method = lookupMethod(cls) ? interp.currentMethod : nilObj;
  interp.currentSelector = selectorWas;
  interp.currentMethod = methodWas;
  return method;
}

// Are the methods that a loop's send to an instance of receiverClass with a
// block of blockClass reaches the library's own? Kept while the method
// cache's answers stay the same (a method installed changes them).
bool usualLoopMethods(const LoopKind& loop, ObjectRef receiverClass, ObjectRef blockClass) {
  Verdict& verdict = verdicts[static_cast<int32_t>(loop.kind) - 1];
  if (verdict.generation == cacheGeneration && verdict.receiverClass == receiverClass &&
      verdict.blockClass == blockClass)
    return verdict.usual;
  ObjectRef methods[kMethodCount];
  bool usual = true;
  for (const Method m : loop.methods) {
    methods[m] = methodFor(loopSelectors[m], kLoopMethods[m].ofBlock ? blockClass : receiverClass);
    usual = usual && methods[m] != nilObj;
  }
  // (The methods are held by their classes while the compilation may collect.)
  if (usual && !referencesMade) makeReferences();
  for (const Method m : loop.methods)
    usual = usual && references[m].made && sameCode(methods[m], references[m]);
  verdict = Verdict{cacheGeneration, receiverClass, blockClass, usual};
  return usual;
}

// basicAt: and basicAt:put: (primitives 25 and 31), as the library's loops call them.
ObjectRef basicAt(ObjectRef object, ObjectRef index) {
  uint32_t i;
  return elementIndex(object, index, i) ? wordAt(object, i) : nilObj;
}

void basicAtPut(ObjectRef object, ObjectRef index, ObjectRef value) {
  uint32_t i;
  if (elementIndex(object, index, i)) storeWord(object, i, value);
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
      basicAtPut(temps, loop[kFirstPlace], loop[kIndex]);
      break;
    case Kind::TimesRepeat:
      break;
    case Kind::Do:
      basicAtPut(temps, loop[kFirstPlace], basicAt(loop[kSubject], loop[kIndex]));
      break;
    case Kind::Inject:
      basicAtPut(temps, loop[kFirstPlace], loop[kAccumulator]);
      basicAtPut(temps, loop[kSecondPlace], basicAt(loop[kSubject], loop[kIndex]));
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
    basicAtPut(loop[kTemporaries], loop[kFirstPlace], loop[kSaved]);
    if (kind.kind == Kind::Inject)
      basicAtPut(loop[kTemporaries], loop[kSecondPlace], loop[kSavedSecond]);
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
    if (selector == loopSelectors[kind.send] && arguments == kind.arguments) return &kind;
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
  for (uint32_t i = 0; i < kMethodCount; ++i) loopSelectors[i] = intern(kLoopMethods[i].selector);
  inlineLoopSelectorBits = 0;
  for (uint32_t i = 0; i < kInlineLoopKinds; ++i) {
    inlineLoopSelectors[i] = loopSelectors[kLoopKinds[i].send];
    inlineLoopSelectorBits |= uint64_t{1} << (inlineLoopSelectors[i].Index() & 63);
  }
  for (Verdict& verdict : verdicts) verdict = Verdict{};
}

void resetInlineLoops() {
  // A text that did not compile (a class missing from this table) is tried again in the next.
  for (const ReferenceCode& reference : references)
    if (!reference.made) referencesMade = false;
  for (ObjectRef& selector : loopSelectors) selector = nilObj;
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
    loop[kTemporaries] = basicAt(words[kBlockContext], smallInt(kTemporariesIndex));
    loop[kFirstPlace] = first;
    loop[kSecondPlace] = inject ? smallInt(first.uncheckedInt() + 1) : nilObj;
    loop[kSaved] = basicAt(loop[kTemporaries], first);
    loop[kSavedSecond] = inject ? basicAt(loop[kTemporaries], loop[kSecondPlace]) : nilObj;
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
