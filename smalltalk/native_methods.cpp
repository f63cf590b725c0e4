#include "smalltalk/native_methods.h"

#include <cmath>
#include <cstring>

#include "smalltalk/collector.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/float_sends.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/method_reference.h"
#include "smalltalk/send_memo.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/symbols.h"
#include "smalltalk/variable_names.h"

namespace {

using NativeFunction = bool (*)(const ObjectRef* operands, ObjectRef& answer);

// The largest String whose hash runs here: its size times 31 (the hash's
// first step, before any mask) stays a small integer.
constexpr uint32_t kLongestHashed = uint32_t{1} << 25;
constexpr int32_t kHashMask = 4194303;

// String>>hash: h starts as the size, and takes in every byte as
// (h * 31 + byte) bitAnd: 4194303.
bool stringHash(const ObjectRef* operands, ObjectRef& answer) {
  const ObjectRef string = operands[0];
  if (!isLiveByteObject(string)) return false;
  const uint32_t bytes = byteSize(string);
  if (bytes == 0 || bytes > kLongestHashed) return false;
  const uint8_t* text = bytesOf(string);
  const uint32_t length = bytes - 1;
  int32_t h = static_cast<int32_t>(length);
  for (uint32_t i = 0; i < length; ++i) h = (h * 31 + text[i]) & kHashMask;
  answer = smallInt(h);
  return true;
}

// String>>=: the same object; else an object of the same class with the
// same bytes.
bool stringEqual(const ObjectRef* operands, ObjectRef& answer) {
  const ObjectRef a = operands[0], b = operands[1];
  if (a == b) {
    answer = trueObj;
    return true;
  }
  if (!isLiveByteObject(a)) return false;
  ObjectRef classOfB = nilObj;
  if (b.isValue())
    classOfB = integerClass();
  else if (isLiveObject(b))
    classOfB = classOf(b);
  else
    return false;
  if (classOf(a) != classOfB) {
    answer = falseObj;
    return true;
  }
  if (!isLiveByteObject(b)) return false;
  const uint32_t bytes = byteSize(a);
  // (The last byte is the String's terminating zero, which is not compared.)
  const bool same =
      bytes == byteSize(b) && (bytes <= 1 || std::memcmp(bytesOf(a), bytesOf(b), bytes - 1) == 0);
  answer = booleanObj(same);
  return true;
}

// Float>>sqrt of a positive Float, while `>` between Floats is Float
// primitive 113: exp (ln x * 0.5), then one Newton step; a step that gives
// NaN (for infinity) answers the receiver. The operations are those of
// primitives 102, 103, 110, 118 and 119, in the method's order, so the
// answer is the method's to the last bit.
constexpr int kFloatGreater = 3;  // the binary special selector ">"
bool floatSqrt(const ObjectRef* operands, ObjectRef& answer) {
  const ObjectRef cls = floatClass();
  double x;
  if (!floatArg(operands[0], cls, x) || !(x > 0.0) || !floatSendIsPrimitive(kFloatGreater))
    return false;
  double root = std::exp(std::log(x) * 0.5);
  root = (x / root + root) * 0.5;
  answer = root == root ? newFloatOfClass(root, cls) : operands[0];
  return true;
}

// The answer of a send of selector to an instance of cls when the method
// the cache holds for it answers one constant and does nothing else
// ("^ true", "^ -1"); false otherwise, and when the cache does not hold it
// (the method that needs it then runs, and its send fills the line).
bool answersConstant(ObjectRef selector, ObjectRef cls, ObjectRef& value) {
  const CacheLine* line = cachedLine(selector, cls);
  if (line == nullptr || line->shape.kind != MethodShape::Answer || line->shape.guardCount != 0 ||
      line->shape.answer.kind != ShapeOperand::Constant)
    return false;
  value = line->shape.answer.constant;
  return true;
}

ObjectRef isSmallIntegerSelector, signumSelector;

// LargePositiveInteger>>+ (LargeNegativeInteger's too) of a small integer
// n of the receiver's sign below 10^8, when the carry is spent inside the
// digits: the base-10000 digits are copied into a new Array (the digits'
// class) with n added, in a new integer of the receiver's class. The
// method's sends must answer as the library's do: isSmallInteger to a small
// integer true, signum the receiver's class's constant. Every other case
// (the sum gains a digit, another argument) runs the method.
constexpr int64_t kDigitBase = 10000;
constexpr int64_t kLargestAddend = 100000000;
bool largePlusSmall(const ObjectRef* operands, ObjectRef& answer) {
  const ObjectRef receiver = operands[0], addend = operands[1];
  if (!addend.isValue() || !isLiveObject(receiver) || !isPointerObject(receiver) ||
      wordCount(receiver) == 0)
    return false;
  ObjectRef isSmall = nilObj, sign = nilObj;
  if (!answersConstant(isSmallIntegerSelector, integerClass(), isSmall) || isSmall != trueObj ||
      !answersConstant(signumSelector, classOf(receiver), sign) || !sign.isValue())
    return false;
  const int64_t n = sign.uncheckedInt() < 0 ? -int64_t{addend.uncheckedInt()} : addend.uncheckedInt();
  const ObjectRef digits = bodyOf(receiver)[0];
  if (n < 0 || n >= kLargestAddend || !isLiveObject(digits) || !isPointerObject(digits) ||
      !isLiveObject(classOf(digits)))
    return false;
  // The digits that the carry reaches must be small integers, and the carry
  // must be spent inside them.
  const uint32_t length = wordCount(digits);
  int64_t carry = n;
  for (uint32_t i = 0; i < length && carry != 0; ++i) {
    const ObjectRef digit = bodyOf(digits)[i];
    if (!digit.isValue()) return false;
    const int64_t sum = digit.uncheckedInt() + carry;
    if (!fitsSmallInt(sum)) return false;
    carry = sum / kDigitBase;  // quo: and rem: truncate toward zero, as / and % do
  }
  if (carry != 0) return false;
  ObjectRef sum = newPointerObject(length);  // (may collect: receiver and digits are on the stack)
  RootGuard keep(sum);
  setClass(sum, classOf(digits));
  carry = n;
  for (uint32_t i = 0; i < length; ++i) {
    ObjectRef digit = bodyOf(digits)[i];
    if (carry != 0) {
      const int64_t total = digit.uncheckedInt() + carry;
      carry = total / kDigitBase;
      digit = smallInt(static_cast<int32_t>(total % kDigitBase));
    }
    storeWord(sum, i, digit);
  }
  answer = newPointerObject(1);
  setClass(answer, classOf(receiver));
  storeWord(answer, 0, sum);
  return true;
}

// Whether the method the cache holds for (selector, cls) is "^ <p self>"
// for primitive p: one primitive on the receiver, whose answer it answers
// whatever it is.
bool answersPrimitiveOfReceiver(ObjectRef selector, ObjectRef cls, int p) {
  const CacheLine* line = cachedLine(selector, cls);
  return line != nullptr && startsWithPrimitive(line->shape, p, 1) && !line->shape.activateOnNil;
}

ObjectRef classSelector, valueSelector, newColonSelector, arraySymbol;
constexpr int kClassPrimitive = 11;
constexpr int kGlobalValuePrimitive = 87;

// A new object of class cls with the `count` words of `from` from word
// `first` (0-based) on, stored under the store rule: what the library's
// copy loops make with primitives 58, 22, 25 and 31. May collect (from is
// the receiver of the send, on the stack).
ObjectRef copyOfWords(ObjectRef from, uint32_t first, uint32_t count, ObjectRef cls) {
  const ObjectRef copy = newPointerObject(count);
  setClass(copy, cls);
  const ObjectRef* words = bodyOf(from) + first;
  for (uint32_t i = 0; i < count; ++i) storeWord(copy, i, words[i]);
  return copy;
}

// Array>>shallowCopy of a pointer object, while `class` is primitive 11:
// a new object of the receiver's class with its words.
bool arrayCopy(const ObjectRef* operands, ObjectRef& answer) {
  const ObjectRef receiver = operands[0];
  if (!isLiveObject(receiver) || !isPointerObject(receiver) || !isLiveObject(classOf(receiver)) ||
      !answersPrimitiveOfReceiver(classSelector, classOf(receiver), kClassPrimitive))
    return false;
  answer = copyOfWords(receiver, 0, wordCount(receiver), classOf(receiver));
  return true;
}

ReferenceCode arrayNewReference;
constexpr MethodText kArrayNew = {
    "new:", "Array",
    "new: size\n"
    "    | result |\n"
    "    result := <22 (<58 size>) self>.\n"
    "    result isNil ifTrue: [^ self error: 'cannot make an Array of size ' , size printString].\n"
    "    ^ result"};

// The class that `Array new: n` makes an instance of, when the global read
// (Symbol>>value, primitive 87) and Array class>>new: are the library's
// and in the cache; nil otherwise. (The text of new: was compiled when
// copyFrom:to: was found to be a native.)
ObjectRef arrayClassForNew() {
  if (!arrayNewReference.made ||
      !answersPrimitiveOfReceiver(valueSelector, symbolClass(), kGlobalValuePrimitive))
    return nilObj;
  ObjectRef global[kPrimitiveArgumentRoom] = {arraySymbol};
  const ObjectRef cls = callListedPrimitive(kGlobalValuePrimitive, global);
  if (!isLiveObject(cls) || !isLiveObject(classOf(cls))) return nilObj;
  // The verdict on the metaclass's new: holds while the cache answers as it did.
  static uint32_t generation = 0;
  static ObjectRef usualMetaclass = nilObj;
  if (usualMetaclass == classOf(cls) && generation == cacheGeneration) return cls;
  const CacheLine* line = cachedLine(newColonSelector, classOf(cls));
  if (line == nullptr || !sameCode(line->method, arrayNewReference)) return nilObj;
  usualMetaclass = classOf(cls);
  generation = cacheGeneration;
  return cls;
}

// Array>>copyFrom:to: of a range inside a pointer object: a new Array with
// those words. An empty or outside range runs the method.
bool arrayCopyFromTo(const ObjectRef* operands, ObjectRef& answer) {
  const ObjectRef receiver = operands[0], start = operands[1], stop = operands[2];
  if (!start.isValue() || !stop.isValue() || !isLiveObject(receiver) || !isPointerObject(receiver))
    return false;
  const int32_t first = start.uncheckedInt(), last = stop.uncheckedInt();
  if (last < first || first < 1 || static_cast<uint32_t>(last) > wordCount(receiver)) return false;
  const ObjectRef cls = arrayClassForNew();
  if (cls == nilObj) return false;
  answer = copyOfWords(receiver, static_cast<uint32_t>(first - 1),
                       static_cast<uint32_t>(last - first + 1), cls);
  return true;
}

ObjectRef isStringSelector;

// A Stream's instance variables, in the order the native below reads them
// (see kStreamLayout).
enum StreamWord : uint32_t { kCollection, kPosition, kReadLimit, kBytes, kStreamWords };

// WriteStream>>nextPutAll: of a String (isString answers true) to a stream
// on a String (`bytes` true) that has room for it: the String's bytes go
// after the position, which moves past them, as does the read limit. A
// stream that must grow, or any other argument, runs the method.
bool streamNextPutAll(const ObjectRef* operands, ObjectRef& answer) {
  const ObjectRef stream = operands[0], text = operands[1];
  if (!isLiveObject(stream) || !isPointerObject(stream) || wordCount(stream) < kStreamWords ||
      !isLiveByteObject(text))
    return false;
  ObjectRef* words = bodyOf(stream);
  const ObjectRef collection = words[kCollection], position = words[kPosition];
  ObjectRef isString = nilObj;
  if (words[kBytes] != trueObj || !answersConstant(isStringSelector, classOf(text), isString) ||
      isString != trueObj || !position.isValue() || position.uncheckedInt() < 0 ||
      !isLiveByteObject(collection) || collection == text || byteSize(text) == 0)
    return false;
  const uint32_t length = byteSize(text) - 1, at = static_cast<uint32_t>(position.uncheckedInt());
  if (uint64_t{at} + length >= byteSize(collection)) return false;  // (the method grows it)
  if (length > 0) std::memcpy(bytesOf(collection) + at, bytesOf(text), length);
  words[kPosition] = words[kReadLimit] = smallInt(static_cast<int32_t>(at + length));
  answer = stream;
  return true;
}

// The natives in the order of NativeMethod, from kStringHash: the library's
// text (comments left out: the compiler's code does not change with them),
// and the count of the send's words (receiver and arguments).
struct Native {
  MethodText text;
  uint32_t words;
  NativeFunction answer;
  // The instance variables that the native reads by position, first to
  // last, as its text's class had them when the text was compiled (its
  // bytecodes read them there); null when it reads none.
  const char* const* layout = nullptr;
};
constexpr const char* kStreamLayout[] = {"collection", "position", "readLimit", "bytes", nullptr};
constexpr const char* kLargeIntegerLayout[] = {"digits", nullptr};  // (its first word)
static_assert(sizeof kStreamLayout / sizeof kStreamLayout[0] == kStreamWords + 1);
constexpr Native kNatives[kNativeEnd - 1] = {
    {{"hash", "String",
      "hash\n"
      "    | h length i |\n"
      "    length := <12 self> - 1.\n"
      "    h := length.\n"
      "    i := 0.\n"
      "    true whileTrue: [\n"
      "        length - i < 4 ifTrue: [\n"
      "            true whileTrue: [\n"
      "                i < length ifFalse: [^ h].\n"
      "                h := h * 31 + (<26 self (i := i + 1)>) bitAnd: 4194303]].\n"
      "        h := h * 31 + (<26 self (i := i + 1)>) bitAnd: 4194303.\n"
      "        h := h * 31 + (<26 self (i := i + 1)>) bitAnd: 4194303.\n"
      "        h := h * 31 + (<26 self (i := i + 1)>) bitAnd: 4194303.\n"
      "        h := h * 31 + (<26 self (i := i + 1)>) bitAnd: 4194303]"},
     1, stringHash},
    {{"=", "String",
      "= aString\n"
      "    | length i |\n"
      "    (<21 self aString>) ifTrue: [^ true].\n"
      "    (<21 (<11 self>) (<11 aString>)>) ifFalse: [^ false].\n"
      "    length := <12 self> - 1.\n"
      "    length + 1 = <12 aString> ifFalse: [^ false].\n"
      "    i := 0.\n"
      "    true whileTrue: [\n"
      "        length - i < 4 ifTrue: [\n"
      "            true whileTrue: [\n"
      "                i < length ifFalse: [^ true].\n"
      "                (<26 self (i := i + 1)>) = (<26 aString i>) ifFalse: [^ false]]].\n"
      "        (<26 self (i := i + 1)>) = (<26 aString i>) ifFalse: [^ false].\n"
      "        (<26 self (i := i + 1)>) = (<26 aString i>) ifFalse: [^ false].\n"
      "        (<26 self (i := i + 1)>) = (<26 aString i>) ifFalse: [^ false].\n"
      "        (<26 self (i := i + 1)>) = (<26 aString i>) ifFalse: [^ false]]"},
     2, stringEqual},
    {{"sqrt", "Float",
      "sqrt\n"
      "    | root |\n"
      "    self > 0.0 ifFalse: [\n"
      "        self = 0.0 ifTrue: [^ 0.0].\n"
      "        ^ Float nan].\n"
      "    root := <103 (<118 (<102 self>) 0.5>)>.\n"
      "    root := <118 (<110 (<119 self root>) root>) 0.5>.\n"
      "    <116 root root> ifTrue: [^ root].\n"
      "    ^ self"},
     1, floatSqrt},
    {{"+", "LargePositiveInteger",
      "+ aNumber\n"
      "    | n length result carry i sum answer |\n"
      "    aNumber isSmallInteger ifFalse: [^ super + aNumber].\n"
      "    n := self signum < 0 ifTrue: [0 - aNumber] ifFalse: [aNumber].\n"
      "    (n >= 0 and: [n < 100000000]) ifFalse: [^ super + aNumber].\n"
      "    length := <12 digits>.\n"
      "    result := <22 (<58 length>) (<11 digits>)>.\n"
      "    carry := n.\n"
      "    i := 0.\n"
      "    true whileTrue: [\n"
      "        i < length ifFalse: [\n"
      "            carry = 0 ifFalse: [result := result , carry magnitudeDigits].\n"
      "            answer := <22 (<58 1>) (<11 self>)>.\n"
      "            <31 answer 1 result>.\n"
      "            ^ answer].\n"
      "        i := i + 1.\n"
      "        carry = 0\n"
      "            ifTrue: [<31 result i (<25 digits i>)>]\n"
      "            ifFalse: [\n"
      "                sum := (<25 digits i>) + carry.\n"
      "                carry := sum quo: 10000.\n"
      "                <31 result i (sum rem: 10000)>]]"},
     2, largePlusSmall, kLargeIntegerLayout},
    {{"shallowCopy", "Array",
      "shallowCopy\n"
      "    | copy size i |\n"
      "    size := <12 self>.\n"
      "    copy := <22 (<58 size>) (self class)>.\n"
      "    i := 0.\n"
      "    true whileTrue: [\n"
      "        size - i < 4 ifTrue: [\n"
      "            true whileTrue: [\n"
      "                i < size ifFalse: [^ copy].\n"
      "                <31 copy (i := i + 1) (<25 self i>)>]].\n"
      "        <31 copy (i := i + 1) (<25 self i>)>.\n"
      "        <31 copy (i := i + 1) (<25 self i>)>.\n"
      "        <31 copy (i := i + 1) (<25 self i>)>.\n"
      "        <31 copy (i := i + 1) (<25 self i>)>]"},
     1, arrayCopy},
    {{"copyFrom:to:", "Array",
      "copyFrom: start to: stop\n"
      "    | copy count offset i |\n"
      "    stop < start ifTrue: [^ Array new: 0].\n"
      "    (start >= 1 and: [stop <= <12 self>]) ifFalse: [^ super copyFrom: start to: stop].\n"
      "    offset := start - 1.\n"
      "    count := stop - offset.\n"
      "    copy := Array new: count.\n"
      "    i := 0.\n"
      "    true whileTrue: [\n"
      "        count - i < 4 ifTrue: [\n"
      "            true whileTrue: [\n"
      "                i < count ifFalse: [^ copy].\n"
      "                <31 copy (i := i + 1) (<25 self (i + offset)>)>]].\n"
      "        <31 copy (i := i + 1) (<25 self (i + offset)>)>.\n"
      "        <31 copy (i := i + 1) (<25 self (i + offset)>)>.\n"
      "        <31 copy (i := i + 1) (<25 self (i + offset)>)>.\n"
      "        <31 copy (i := i + 1) (<25 self (i + offset)>)>]"},
     3, arrayCopyFromTo},
    {{"nextPutAll:", "WriteStream",
      "nextPutAll: aCollection\n"
      "    | length i p |\n"
      "    (bytes and: [aCollection isString]) ifFalse: [^ self nextPutAllElements: aCollection].\n"
      "    length := <12 aCollection> - 1.\n"
      "    position + length < <12 collection> ifFalse: [self grow: length].\n"
      "    i := 0.\n"
      "    p := position.\n"
      "    true whileTrue: [\n"
      "        length - i < 4 ifTrue: [\n"
      "            true whileTrue: [\n"
      "                i < length ifFalse: [\n"
      "                    position := p.\n"
      "                    readLimit := p.\n"
      "                    ^ self].\n"
      "                <32 collection (p := p + 1) (<26 aCollection (i := i + 1)>)>]].\n"
      "        <32 collection (p := p + 1) (<26 aCollection (i := i + 1)>)>.\n"
      "        <32 collection (p := p + 1) (<26 aCollection (i := i + 1)>)>.\n"
      "        <32 collection (p := p + 1) (<26 aCollection (i := i + 1)>)>.\n"
      "        <32 collection (p := p + 1) (<26 aCollection (i := i + 1)>)>]"},
     2, streamNextPutAll, kStreamLayout},
};

const Native& native(NativeMethod m) { return kNatives[m - 1]; }

ReferenceCode references[kNativeEnd];
bool layoutHeld[kNativeEnd];  // (for a made reference: its class had the native's layout)

// Do the instance variables of the class named className begin with `layout`?
bool hasLayout(const char* className, const char* const* layout) {
  if (layout == nullptr) return true;
  bool same = collectVariableNames(globalValue(className));
  for (uint32_t i = 0; same && layout[i] != nullptr; ++i)
    same = i < instanceVariableNames.count && std::strcmp(instanceVariableNames.names[i], layout[i]) == 0;
  collectVariableNames(nilObj);
  return same;
}

// Compiles native m's text once, noting whether its class had the layout
// that the native reads (the compiled code reads that one).
void makeNativeReference(NativeMethod m) {
  if (references[m].tried) return;
  makeReference(references[m], native(m).text);
  layoutHeld[m] = references[m].made && hasLayout(native(m).text.className, native(m).layout);
}

ObjectRef selectors[kNativeEnd];

}  // namespace

NativeMethod nativeMethodFor(ObjectRef selector, ObjectRef method) {
  for (uint8_t m = kStringHash; m < kNativeEnd; ++m) {
    if (selectors[m] != selector) continue;
    const NativeMethod which = static_cast<NativeMethod>(m);
    // (The method is held by its class while the compilation may collect.)
    makeNativeReference(which);
    if (!references[m].made || !layoutHeld[m] || !sameCode(method, references[m])) continue;
    if (which == kArrayCopyFromTo) makeReference(arrayNewReference, kArrayNew);  // (may collect)
    return which;
  }
  return kNoNative;
}

bool nativeAnswer(NativeMethod m, const ObjectRef* operands, uint32_t count, ObjectRef& answer) {
  if (m == kNoNative || m >= kNativeEnd || count != native(m).words) return false;
  return native(m).answer(operands, answer);
}

void setUpNativeMethods() {
  for (uint8_t m = kStringHash; m < kNativeEnd; ++m)
    selectors[m] = intern(native(static_cast<NativeMethod>(m)).text.selector);
  isSmallIntegerSelector = intern("isSmallInteger");
  signumSelector = intern("signum");
  classSelector = intern("class");
  valueSelector = intern("value");
  newColonSelector = intern("new:");
  arraySymbol = intern("Array");
  isStringSelector = intern("isString");
}

void resetNativeMethods() {
  for (ObjectRef& selector : selectors) selector = nilObj;
  isSmallIntegerSelector = signumSelector = nilObj;
  classSelector = valueSelector = newColonSelector = arraySymbol = isStringSelector = nilObj;
  for (ReferenceCode& reference : references) forgetUnmade(reference);
  forgetUnmade(arrayNewReference);
}
