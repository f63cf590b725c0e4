#include "smalltalk/inline_loop.h"

#include <cstring>
#include <string>
#include <vector>

#include "smalltalk/class_layout.h"
#include "smalltalk/collector.h"
#include "smalltalk/compiler.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/interp_inline.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/object_table.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/send.h"
#include "smalltalk/send_shortcut.h"
#include "smalltalk/symbols.h"

namespace {

// The Block words that the loop reads (the block primitives fix their meaning).
constexpr uint32_t kBlockArgumentCountWord = 1;
constexpr uint32_t kBlockArgumentLocationWord = 2;
constexpr uint32_t kBlockActiveWord = 4;
// The home Context's word that holds its temporaries, as the loop reads it ("<25 context 4>").
constexpr int32_t kTemporariesIndex = 4;

// The methods whose work the interpreter does, with the text they have in
// the library (comments left out: the compiler's code does not change with
// them). A loop runs inline only while the methods that the send and the
// block reach are compiled exactly as this text is.
struct LoopMethod {
  const char* selector;
  const char* className;  // the class whose variables the text names
  bool ofBlock;           // looked up for the block's class, else for SmallInteger
  const char* source;
};
constexpr LoopMethod kLoopMethods[] = {
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
};
constexpr uint32_t kLoopMethodCount = sizeof kLoopMethods / sizeof kLoopMethods[0];

// What the compiler made of a method's text. Kept as plain data (literals as
// symbol texts or small integer words), so that it outlives object tables.
struct ReferenceCode {
  std::vector<uint8_t> bytecodes;
  std::vector<std::string> symbols;  // literal i's text; empty for a small integer
  std::vector<ObjectRef> values;     // literal i's word when it is a small integer
  ObjectRef stackSize, temporaryCount;
};

enum class References { NotMade, Made, Failed };
References referencesState = References::NotMade;
ReferenceCode references[kLoopMethodCount];

// The selectors, interned for each object table.
ObjectRef loopSelectors[kLoopMethodCount];

// The verdict for the cache lines of one generation and one block class.
struct Verdict {
  uint32_t generation = 0;
  ObjectRef blockClass = nilObj;
  bool usual = false;
} verdict;

bool takeReference(ObjectRef method, ReferenceCode& out) {
  const ObjectRef* words = bodyOf(method);
  const ObjectRef code = words[kMethodBytecodes];
  if (!isLiveByteObject(code)) return false;
  out.bytecodes.assign(bytesOf(code), bytesOf(code) + byteSize(code));
  uint32_t count = 0;
  const ObjectRef* literals = pointerBody(words[kMethodLiterals], count);
  for (uint32_t i = 0; i < count; ++i) {
    const ObjectRef literal = literals[i];
    if (literal.isValue()) {
      out.symbols.emplace_back();
      out.values.push_back(literal);
    } else if (isLiveObject(literal) && classOf(literal) == symbolClass()) {
      out.symbols.emplace_back(charsOf(literal), strnlen(charsOf(literal), byteSize(literal)));
      out.values.push_back(nilObj);
    } else {
      return false;
    }
  }
  out.stackSize = words[kMethodStackSize];
  out.temporaryCount = words[kMethodTemporaryCount];
  return true;
}

// Compiles the texts above once. The system's own compilation leaves the
// name that the compiler reports as it was.
void makeReferences() {
  referencesState = References::Failed;
  const std::string name = compilingMethodName();
  for (uint32_t i = 0; i < kLoopMethodCount; ++i) {
    const ObjectRef cls = globalValue(kLoopMethods[i].className);
    ObjectRef method = newMethod();
    RootGuard keep(method);
    const bool compiled = isLiveObject(cls) && loadClassVariables(cls) &&
                          compileMethod(method, kLoopMethods[i].source, false);
    loadClassVariables(nilObj);
    if (!compiled || !takeReference(method, references[i])) {
      setCompilingMethodName(name.c_str());
      return;
    }
  }
  setCompilingMethodName(name.c_str());
  referencesState = References::Made;
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
  if (count != ref.symbols.size()) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const ObjectRef expected =
        ref.symbols[i].empty() ? ref.values[i] : findSymbol(ref.symbols[i].c_str());
    if (literals[i] != expected) return false;
  }
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

// Are the methods that a to:do: send to a small integer with a block of
// this class reaches the library's own? Kept while the method cache's
// answers stay the same (a method installed changes them).
bool usualLoopMethods(ObjectRef blockClass) {
  if (verdict.generation == cacheGeneration && verdict.blockClass == blockClass)
    return verdict.usual;
  if (referencesState == References::NotMade) makeReferences();  // (may collect)
  const ObjectRef integerClass = classOfReceiver(smallInt(0));
  bool usual = referencesState == References::Made;
  for (uint32_t i = 0; usual && i < kLoopMethodCount; ++i) {
    const ObjectRef cls = kLoopMethods[i].ofBlock ? blockClass : integerClass;
    usual = sameCode(methodFor(loopSelectors[i], cls), references[i]);
  }
  verdict = Verdict{cacheGeneration, blockClass, usual};
  return usual;
}

ObjectRef basicAt(ObjectRef object, ObjectRef index) {
  ObjectRef args[2 + kPrimitiveArgumentRoom] = {object, index};
  return primBasicAt(args);
}

void basicAtPut(ObjectRef object, ObjectRef index, ObjectRef value) {
  ObjectRef args[3 + kPrimitiveArgumentRoom] = {object, index, value};
  primBasicAtPut(args);
}

// The words of a loop, from the send's receiver on.
enum LoopWord : uint32_t {
  kCounter,      // the receiver's word: the loop variable's value
  kStop,
  kBlock,
  kTemporaries,  // the home Context's temporaries
  kSaved,        // what the loop variable's word held before the loop
  kWasActive,    // whether the block was active before the loop
  kEntry,        // the block's first instruction when the loop began
  kMark,         // the mark: negated resume offset, end of the block's code, marker
};
static_assert(kMark - kCounter == kLoopWords + 3);

// The loop is over: the loop variable's word or the block's activity as
// before, the loop's words off the stack, the block the send's answer, and
// the method goes on after the send.
void finishLoop(ExecutionState& es, ObjectRef* loop, uint32_t resume) {
  const ObjectRef block = loop[kBlock];
  ObjectRef* blockWords = bodyOf(block);
  if (loop[kWasActive] == trueObj)
    basicAtPut(loop[kTemporaries], blockWords[kBlockArgumentLocationWord], loop[kSaved]);
  else
    blockWords[kBlockActiveWord] = falseObj;
  releaseWords(loop + 1, es.stackBase + es.depth);
  loop[kCounter] = block;
  es.depth = static_cast<uint32_t>(loop - es.stackBase) + 1;
  es.byteOffset = resume;
  es.returnPoint = stackAt(es, es.linkPosition + kFrameReturnPoint).intValue();
}

}  // namespace

void setUpLoopSelectors() {
  for (uint32_t i = 0; i < kLoopMethodCount; ++i) loopSelectors[i] = intern(kLoopMethods[i].selector);
  verdict = Verdict{};
}

void resetInlineLoops() {
  for (ObjectRef& selector : loopSelectors) selector = nilObj;
  verdict = Verdict{};
}

bool startInlineLoop(ExecutionState& es) {
  const int32_t rp = es.returnPoint;
  if (es.depth != static_cast<uint32_t>(rp) + 2 || es.context == es.stack ||
      es.capacity - es.depth < kLoopWords + kInlineMarkWords)
    return false;
  ObjectRef* loop = &stackAt(es, rp);
  const ObjectRef start = loop[kCounter], stop = loop[kStop], block = loop[kBlock];
  if (!start.isValue() || !stop.isValue() || !isLiveObject(block)) return false;
  const ObjectEntry& e = entryOf(block);
  if ((e.flags & kPointerFlag) == 0 || e.size != kBlockWords * sizeof(ObjectRef)) return false;
  ObjectRef* words = static_cast<ObjectRef*>(e.body);
  uint32_t end = 0;
  if (words[kBlockArgumentCountWord] != smallInt(1) || words[kBlockContext] != es.context ||
      !blockCodeEnd(es, words[kBlockBytePointer], end) || !usualLoopMethods(e.cls))
    return false;
  // As the library's loop begins.
  const ObjectRef temps = basicAt(words[kBlockContext], smallInt(kTemporariesIndex));
  const bool wasActive = words[kBlockActiveWord] == trueObj;
  const ObjectRef saved = basicAt(temps, words[kBlockArgumentLocationWord]);
  words[kBlockActiveWord] = trueObj;
  es.stackBase[es.depth++] = temps;
  es.stackBase[es.depth++] = saved;
  es.stackBase[es.depth++] = booleanObj(wasActive);
  es.stackBase[es.depth++] = words[kBlockBytePointer];
  es.stackBase[es.depth++] = smallInt(-static_cast<int32_t>(es.byteOffset));
  es.stackBase[es.depth++] = smallInt(static_cast<int32_t>(end));
  es.stackBase[es.depth++] = pointerList;
  if (start.uncheckedInt() > stop.uncheckedInt()) {
    finishLoop(es, loop, es.byteOffset);
    return true;
  }
  basicAtPut(temps, words[kBlockArgumentLocationWord], start);
  es.byteOffset = static_cast<uint32_t>(loop[kEntry].uncheckedInt());
  return true;
}

void stepInlineLoop(ExecutionState& es, ObjectRef* mark) {
  ObjectRef* loop = mark - kMark;
  const uint32_t resume = static_cast<uint32_t>(-mark[0].uncheckedInt());
  const int64_t next = int64_t{loop[kCounter].uncheckedInt()} + 1;
  if (next > loop[kStop].uncheckedInt()) {
    finishLoop(es, loop, resume);
    return;
  }
  const ObjectRef* words = bodyOf(loop[kBlock]);
  loop[kCounter] = smallInt(static_cast<int32_t>(next));
  basicAtPut(loop[kTemporaries], words[kBlockArgumentLocationWord], loop[kCounter]);
  releaseWords(mark + kInlineMarkWords, es.stackBase + es.depth);
  es.depth = static_cast<uint32_t>(mark + kInlineMarkWords - es.stackBase);
  es.byteOffset = static_cast<uint32_t>(loop[kEntry].uncheckedInt());
}
