#include "smalltalk/loop_methods.h"

#include "smalltalk/method_reference.h"
#include "smalltalk/symbols.h"

namespace {

// The methods, with the text they have in the library (comments left out:
// the compiler's code does not change with them), and whether each is
// looked up for the block's class (else for the receiver's).
struct LoopMethodText {
  bool ofBlock;
  MethodText text;
};
constexpr LoopMethodText kLoopMethods[kLoopMethodCount] = {
    {false, {"to:do:", "Integer",
     "to: stop do: aBlock\n"
     "    aBlock isBlock ifTrue: [^ aBlock valueFrom: self to: stop by: 1].\n"
     "    ^ super to: stop do: aBlock"}},
    {true, {"isBlock", "Block", "isBlock\n    ^ true"}},
    {true, {"valueFrom:to:by:", "Block",
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
     "        i := i + step]"}},
    {true, {"run", "Block", "run\n    ^ self enter"}},
    {true, {"enter", "Block", "enter\n    <28 context bytePointer>"}},
    {false, {"do:", "SequenceableCollection",
     "do: aBlock\n"
     "    | i length |\n"
     "    aBlock isBlock ifTrue: [^ aBlock valueWithElementsOf: self into: nil].\n"
     "    i := 1.\n"
     "    length := self size.\n"
     "    [i <= length] whileTrue: [\n"
     "        aBlock value: (self at: i).\n"
     "        i := i + 1]"}},
    {true, {"valueWithElementsOf:into:", "Block",
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
     "        i := i + 1]"}},
    {false, {"size", "ArrayedCollection", "size\n    ^ <12 self>"}},
    {false, {"at:", "Array",
     "at: index\n"
     "    | element |\n"
     "    element := <25 self index>.\n"
     "    element isNil ifFalse: [^ element].\n"
     "    (<31 self index nil>) isNil ifTrue: [^ self indexError: index].\n"
     "    ^ nil"}},
    {false, {"inject:into:", "ArrayedCollection",
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
     "        i := i + 1]"}},
    {true, {"numArgs", "Block", "numArgs\n    ^ argumentCount"}},
    {true, {"valueWithElementsOf:injecting:", "Block",
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
     "        i := i + 1]"}},
    {false, {"to:by:do:", "Number",
     "to: stop by: step do: aBlock\n"
     "    | i |\n"
     "    step = 0 ifTrue: [^ self error: 'step must not be zero'].\n"
     "    (aBlock isBlock and: [self isSmallInteger]) ifTrue: [^ aBlock valueFrom: self to: stop "
     "by: step].\n"
     "    i := self.\n"
     "    step > 0\n"
     "        ifTrue: [[i <= stop] whileTrue: [aBlock value: i. i := i + step]]\n"
     "        ifFalse: [[i >= stop] whileTrue: [aBlock value: i. i := i + step]]"}},
    {false, {"isSmallInteger", "Integer", "isSmallInteger\n    ^ true"}},
    {false, {"timesRepeat:", "Integer",
     "timesRepeat: aBlock\n"
     "    | i |\n"
     "    i := 1.\n"
     "    true whileTrue: [\n"
     "        i <= self ifFalse: [^ self].\n"
     "        aBlock value.\n"
     "        i := i + 1]"}},
    {true, {"value", "Block",
     "value\n"
     "    argumentCount = 0 ifFalse: [^ self numArgsError: 0].\n"
     "    ^ self enter"}},
};

ReferenceCode references[kLoopMethodCount];

// The selectors, interned for each object table.
ObjectRef loopSelectors[kLoopMethodCount];

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
    if (usual) makeReference(references[m], kLoopMethods[m].text);  // (the first time: may collect)
    usual = usual && references[m].made && sameCode(found[m], references[m]);
  }
  return usual;
}

void setUpLoopMethods() {
  for (uint32_t i = 0; i < kLoopMethodCount; ++i) loopSelectors[i] = intern(kLoopMethods[i].text.selector);
}

void resetLoopMethods() {
  for (ObjectRef& selector : loopSelectors) selector = nilObj;
  for (ReferenceCode& reference : references) forgetUnmade(reference);
}
