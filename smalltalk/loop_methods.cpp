#include "smalltalk/loop_methods.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "smalltalk/class_layout.h"
#include "smalltalk/collector.h"
#include "smalltalk/compiler.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/interp_inline.h"
#include "smalltalk/interpreter.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/object_table.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/send.h"
#include "smalltalk/symbols.h"

namespace {

// The methods, with the text they have in the library (comments left out:
// the compiler's code does not change with them).
struct LoopMethodText {
  const char* selector;
  const char* className;  // the class whose variables the text names
  bool ofBlock;           // looked up for the block's class, else for the receiver's
  const char* source;
};
constexpr LoopMethodText kLoopMethods[kLoopMethodCount] = {
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
  bool tried = false;
  bool made = false;  // (a text that did not compile stops only the loops that need it)
  std::vector<uint8_t> bytecodes;
  std::vector<ReferenceLiteral> literals;
  ObjectRef stackSize, temporaryCount;
};

ReferenceCode references[kLoopMethodCount];

// The selectors, interned for each object table.
ObjectRef loopSelectors[kLoopMethodCount];

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

// Compiles the text of method m once (a text that did not compile, for want
// of its class, is tried again in the next object table). The system's own
// compilation leaves the name that the compiler reports as it was.
void makeReference(LoopMethod m) {
  ReferenceCode& reference = references[m];
  if (reference.tried) return;
  const std::string name = compilingMethodName();
  const ObjectRef cls = globalValue(kLoopMethods[m].className);
  ObjectRef method = newMethod();
  RootGuard keep(method);
  reference = ReferenceCode{};
  reference.tried = true;
  reference.made = isLiveObject(cls) && loadClassVariables(cls) &&
                   compileMethod(method, kLoopMethods[m].source, false) &&
                   takeReference(method, reference);
  loadClassVariables(nilObj);
  setCompilingMethodName(name.c_str());
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

}  // namespace

ObjectRef loopMethodSelector(LoopMethod m) { return loopSelectors[m]; }

bool libraryLoopMethods(const std::vector<LoopMethod>& methods, ObjectRef receiverClass,
                        ObjectRef blockClass) {
  ObjectRef found[kLoopMethodCount];
  bool usual = true;
  for (const LoopMethod m : methods) {
    found[m] = methodFor(loopSelectors[m], kLoopMethods[m].ofBlock ? blockClass : receiverClass);
    usual = usual && found[m] != nilObj;
  }
  // (The methods are held by their classes while the compilation may collect.)
  for (const LoopMethod m : methods) {
    if (usual) makeReference(m);  // (the first time: may collect)
    usual = usual && references[m].made && sameCode(found[m], references[m]);
  }
  return usual;
}

void setUpLoopMethods() {
  for (uint32_t i = 0; i < kLoopMethodCount; ++i) loopSelectors[i] = intern(kLoopMethods[i].selector);
}

void resetLoopMethods() {
  for (ObjectRef& selector : loopSelectors) selector = nilObj;
  for (ReferenceCode& reference : references)
    if (!reference.made) reference.tried = false;
}
