// Sends answered by a method's shape: the same stack effect as activating the
// method and returning from it, without building the frame.
#include "smalltalk/send_shortcut.h"

#include <algorithm>

#include "smalltalk/bytecodes.h"
#include "smalltalk/class_layout.h"
#include "smalltalk/float_sends.h"
#include "smalltalk/integer_operations.h"
#include "smalltalk/interp_inline.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/native_methods.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/send.h"
#include "smalltalk/special_selectors.h"

namespace {

// Operand o of the send whose words start at operands (the receiver, then
// `arguments` words with it); false when the method reads an argument that
// the send does not have.
[[gnu::always_inline]] inline bool operandInPlace(const ShapeOperand& o, const ObjectRef* operands,
                                                  uint32_t arguments, ObjectRef& out) {
  switch (o.kind) {
    case ShapeOperand::Argument:
      if (o.index >= arguments) return false;
      out = operands[o.index];
      return true;
    case ShapeOperand::Instance: {
      // As pushInstance: a word past the receiver's body reads as nil.
      uint32_t words = 0;
      const ObjectRef* body = pointerBody(operands[0], words);
      out = o.index < words ? body[o.index] : nilObj;
      return true;
    }
    case ShapeOperand::Constant:
      out = o.constant;
      return true;
    case ShapeOperand::InnerResult:
      return false;  // made by the inner primitive, see callOnCopies
  }
  return false;
}

// Whether every guard of the shape holds for the send whose words start at
// operands: both sides small integers, compared as the method's binary
// sends compare them inline, with the answer true.
[[gnu::always_inline]] inline bool checkGuards(const MethodShape& shape, const ObjectRef* operands,
                                               uint32_t arguments) {
  for (uint8_t i = 0; i < shape.guardCount; ++i) {
    const MethodShape::Guard& guard = shape.guards[i];
    ObjectRef left, right;
    if (!operandInPlace(guard.left, operands, arguments, left) ||
        !operandInPlace(guard.right, operands, arguments, right) || !left.isValue() ||
        !right.isValue())
      return false;
    const int32_t a = left.uncheckedInt(), b = right.uncheckedInt();
    bool holds = false;
    switch (static_cast<IntegerOperation>(guard.comparison)) {
      case IntegerOperation::Less: holds = a < b; break;
      case IntegerOperation::Greater: holds = a > b; break;
      case IntegerOperation::LessEqual: holds = a <= b; break;
      case IntegerOperation::GreaterEqual: holds = a >= b; break;
      case IntegerOperation::Equal: holds = a == b; break;
      case IntegerOperation::NotEqual: holds = a != b; break;
      default: return false;
    }
    if (!holds) return false;
  }
  return true;
}
[[gnu::always_inline]] inline bool guardsHold(const MethodShape& shape, const ObjectRef* operands,
                                              uint32_t arguments) {
  return shape.guardCount == 0 || checkGuards(shape, operands, arguments);
}

// Operand o of the send whose receiver is at es.returnPoint.
bool operandValue(ExecutionState& es, const ShapeOperand& o, uint32_t arguments, ObjectRef& out) {
  return operandInPlace(o, &stackAt(es, es.returnPoint), arguments, out);
}

// The return: receiver and arguments come off (fresh flags cleared, words
// nil) and the answer takes the receiver's place.
void answerSend(ExecutionState& es, ObjectRef value) {
  const uint32_t receiverWord =
      std::min<uint32_t>(es.depth, static_cast<uint32_t>(es.returnPoint) - 1);
  releaseWords(es.stackBase + receiverWord, es.stackBase + es.depth);
  es.stackBase[receiverWord] = value;
  es.depth = receiverWord + 1;
}

// What Block>>enter's shape takes from the send at es.returnPoint: the
// block's Context and entry point, and the method's answer.
struct BlockEntry {
  ObjectRef context, offset, answer;
};

bool blockEntry(const MethodShape& enter, const ObjectRef* operands, uint32_t arguments,
                BlockEntry& out) {
  return enter.operandCount == 2 &&
         operandInPlace(enter.operands[0], operands, arguments, out.context) &&
         operandInPlace(enter.operands[1], operands, arguments, out.offset) &&
         operandInPlace(enter.answer, operands, arguments, out.answer);
}

// Primitive 28's work on the running frame, which then resumes as after a
// return: at the block's entry point in its Context, or where it was when
// the primitive would have failed.
void resumeInBlock(ExecutionState& es, const BlockEntry& entry) {
  const int32_t L = es.linkPosition;
  stackAt(es, L + kFrameByteOffset) = smallInt(static_cast<int32_t>(es.byteOffset));
  setFrameContext(L, entry.context, entry.offset);
  readFrame(es, L);
}

// Block>>enter: the sender's frame takes the block's Context and entry point.
bool enter(ExecutionState& es, const MethodShape& shape, uint32_t arguments) {
  BlockEntry entry;
  if (!blockEntry(shape, &stackAt(es, es.returnPoint), arguments, entry)) return false;
  answerSend(es, entry.answer);
  resumeInBlock(es, entry);
  return true;
}

// The Enter-shaped method that `selector` finds for the receiver's class,
// from the method cache only (a miss, or any other shape: null).
const MethodShape* cachedEnter(ObjectRef selector, ObjectRef receiver) {
  const CacheLine* line = cachedLine(selector, classOfReceiver(receiver));
  return line != nullptr && line->shape.kind == MethodShape::Enter ? &line->shape : nullptr;
}

constexpr uint8_t specialByte(Special s) {
  return shortInstruction(Opcode::DoSpecial, static_cast<int>(s));
}

// Whether the send just read is the "value" of a whileTrue: loop as the
// compiler writes it: duplicate, unary special send "value", branchIfFalse.
// Only those runs are inlined: an error inside any other block still shows
// the block's own line in the walkback.
// `next` is the 1-based offset of the instruction after the send.
bool atLoopCondition(const ExecutionState& es, uint32_t next) {
  constexpr uint8_t kSendValue = shortInstruction(Opcode::SendUnary, kUnaryValue);
  if (es.bytecodes == nullptr || next < 3 || next > es.codeSize) return false;
  const uint8_t* code = es.bytecodes - 1;
  return code[next - 2] == specialByte(Special::Duplicate) && code[next - 1] == kSendValue &&
         code[next] == specialByte(Special::BranchIfFalse);
}

// The offset just past the code of a whileTrue: condition block made by the
// running method, whose send is followed by the instruction at `next`;
// false when the block does not run inline (see runInline).
bool inlineRunEnd(const ExecutionState& es, const BlockEntry& entry, uint32_t next, uint32_t& end) {
  return entry.context == es.context && es.context != es.stack && atLoopCondition(es, next) &&
         blockCodeEnd(es, entry.offset, end);
}

// A whileTrue: condition block made by the running method runs in the
// running frame: its mark goes above it, and the frame continues at the
// block's first instruction.
bool runInline(ExecutionState& es, const BlockEntry& entry) {
  uint32_t end = 0;
  if (!inlineRunEnd(es, entry, es.byteOffset, end)) return false;
  push(es, smallInt(static_cast<int32_t>(es.byteOffset)));
  push(es, smallInt(static_cast<int32_t>(end)));
  push(es, pointerList);
  es.byteOffset = static_cast<uint32_t>(entry.offset.uncheckedInt());
  return true;
}

// The block entry that a send of the Forward-shaped Method `method` to the
// words at operands reaches, and the Enter shape that makes it: false when
// the guard does not hold or the forwarded send is not answered by an Enter
// shape.
bool findForwardedEntry(const MethodShape& shape, ObjectRef method, const ObjectRef* operands,
                        uint32_t arguments, BlockEntry& entry, const MethodShape*& enter) {
  if (!guardsHold(shape, operands, arguments)) return false;
  uint32_t literalCount = 0;
  const ObjectRef* literals = pointerBody(bodyOf(method)[kMethodLiterals], literalCount);
  if (shape.forwardLiteral >= literalCount) return false;
  enter = cachedEnter(literals[shape.forwardLiteral], operands[0]);
  // The forwarded send has the receiver alone.
  return enter != nullptr && blockEntry(*enter, operands, 1, entry);
}

// A block as it was when something was found for it. Loops send a block
// "value" or "run" on every pass, and what the shortcuts find for it depends
// on the method cache's lines (cacheGeneration), the block's class and its
// words. Not on which object it is, nor on its Context, which the finds only
// read (the memos read it again) or compare with the running one (the memos
// compare again): a loop entered anew, with a new block of the same literal
// or in a new activation, finds what the last one found. A memo holds while
// these are those it was found for.
struct BlockState {
  static constexpr uint32_t kFirst = kBlockContext + 1;  // the words after the Context
  uint32_t generation = 0;
  ObjectRef cls;
  ObjectRef words[kBlockWords - kFirst];

  // Only a pointer object of a Block's size is remembered.
  static bool memorable(const ObjectEntry& e) {
    return (e.flags & kPointerFlag) != 0 && e.size == kBlockWords * sizeof(ObjectRef);
  }
  bool matches(const ObjectEntry& e) const {
    return generation == cacheGeneration && cls == e.cls &&
           sameWords(static_cast<const ObjectRef*>(e.body) + kFirst);
  }
  // All the words at once, without a branch for each.
  bool sameWords(const ObjectRef* body) const {
    uint32_t differ = 0;
#pragma GCC unroll 8
    for (uint32_t i = 0; i < kBlockWords - kFirst; ++i) differ |= words[i].word ^ body[i].word;
    return differ == 0;
  }
  void take(const ObjectEntry& e) {
    generation = cacheGeneration;
    cls = e.cls;
    std::copy_n(static_cast<const ObjectRef*>(e.body) + kFirst, kBlockWords - kFirst, words);
  }
};

// The slot of a block's memo: by its first instruction, the same for every
// block that one literal makes (an outer and an inner loop's blocks run in
// turn).
template <uint32_t kSlots>
uint32_t memoSlot(const ObjectEntry& e) {
  return (static_cast<const ObjectRef*>(e.body)[kBlockBytePointer].word >> 1) % kSlots;
}

// Whether an Enter shape is the usual Block>>enter: the block's Context and
// first instruction, answering the block.
bool isUsualEnter(const MethodShape& enter) {
  auto instance = [](const ShapeOperand& o, uint32_t word) {
    return o.kind == ShapeOperand::Instance && o.index == word;
  };
  return enter.operandCount == 2 && instance(enter.operands[0], kBlockContext) &&
         instance(enter.operands[1], kBlockBytePointer) &&
         enter.answer.kind == ShapeOperand::Argument && enter.answer.index == 0;
}

// The forwarded sends found last to reach the usual Block>>enter, by the
// Forward method; the entry is then read from the words of the block sent to.
constexpr uint32_t kEntryMemos = 32;
struct EntryMemo {
  BlockState state;
  ObjectRef method;
};
EntryMemo entryMemos[kEntryMemos];

// `usual` tells whether the entry was made by the usual Block>>enter.
bool forwardedEntry(const MethodShape& shape, ObjectRef method, const ObjectRef* operands,
                    uint32_t arguments, BlockEntry& entry, bool& usual) {
  const ObjectRef block = operands[0];
  const MethodShape* enter = nullptr;
  const bool memorable =
      arguments == 1 && !block.isValue() && BlockState::memorable(entryOf(block));
  if (!memorable) {
    if (!findForwardedEntry(shape, method, operands, arguments, entry, enter)) return false;
    usual = isUsualEnter(*enter);
    return true;
  }
  const ObjectEntry& e = entryOf(block);
  EntryMemo& memo = entryMemos[memoSlot<kEntryMemos>(e)];
  if (memo.method == method && memo.state.matches(e)) {
    const ObjectRef* words = static_cast<const ObjectRef*>(e.body);
    entry = BlockEntry{words[kBlockContext], words[kBlockBytePointer], block};
    usual = true;
    return true;
  }
  if (!findForwardedEntry(shape, method, operands, arguments, entry, enter)) return false;
  usual = isUsualEnter(*enter);
  if (usual) {
    memo.state.take(e);
    memo.method = method;
  }
  return true;
}

// Block>>value and Block>>run: "^ self enter" (after the argument count
// check). The method's frame is built as usual, and then takes the block's
// Context and entry point as Block>>enter would make it, with enter's answer
// on its stack and the return after the send as its resume point, the state
// in which the forwarded send would have left it.
bool forward(ExecutionState& es, const MethodShape& shape, uint32_t arguments) {
  BlockEntry entry;
  bool usual = false;  // any Block>>enter will do here
  if (!forwardedEntry(shape, interp.currentMethod, &stackAt(es, es.returnPoint), arguments, entry,
                      usual))
    return false;
  if (runInline(es, entry)) return true;
  const uint32_t resumeOffset = shape.resumeOffset;  // the activation may collect
  pushActivation(es);  // resumeInBlock reads the frame
  es.byteOffset = resumeOffset;
  push(es, entry.answer);
  resumeInBlock(es, entry);
  return true;
}

// Whether the send has operand o (the method may read an argument that the
// send lacks: a Method installed by hand).
bool readable(const ShapeOperand& o, uint32_t arguments) {
  return o.kind != ShapeOperand::Argument || o.index < arguments;
}

// Calls the primitive of a Primitive shape whose operands are not the
// receiver and arguments in order on copies of them, with nil words after
// them for a primitive that reads more arguments than it was given; the
// shape's inner primitive first, when it has one. False when the send lacks
// an operand.
[[gnu::noinline]] bool callOnCopies(ExecutionState& es, const MethodShape& lineShape,
                                    uint32_t arguments, int primitive, ObjectRef& result) {
  // The inner primitive may collect, which wipes the line.
  const MethodShape shape = lineShape;
  // Every operand is known to be there before the inner primitive makes its answer.
  auto present = [arguments](const ShapeOperand& o) { return readable(o, arguments); };
  if (!std::all_of(shape.operands, shape.operands + shape.operandCount, present) ||
      !std::all_of(shape.innerOperands, shape.innerOperands + shape.innerOperandCount, present))
    return false;
  ObjectRef inner = nilObj;
  if (shape.innerPrimitive != 0) {
    ObjectRef innerOperands[MethodShape::kMaxInnerOperands + kPrimitiveArgumentRoom];
    for (ObjectRef& word : innerOperands) word = nilObj;
    for (uint32_t i = 0; i < shape.innerOperandCount; ++i)
      operandValue(es, shape.innerOperands[i], arguments, innerOperands[i]);
    inner = callPrimitive(shape.innerPrimitive, innerOperands);
  }
  ObjectRef operands[4 + kPrimitiveArgumentRoom];
  for (ObjectRef& word : operands) word = nilObj;
  for (uint32_t i = 0; i < shape.operandCount; ++i) {
    if (shape.operands[i].kind == ShapeOperand::InnerResult)
      operands[i] = inner;
    else
      operandValue(es, shape.operands[i], arguments, operands[i]);
  }
  result = callPrimitive(primitive, operands);
  // The inner answer was fresh, and so kept by a collection inside the
  // primitive; it is taken off now, as the method's primitive instruction
  // takes its operands off.
  clearFresh(inner);
  return true;
}

// The check of a Primitive shape (MethodShape::checkPrimitive) on the send
// at es.returnPoint: false when an operand is missing or the check answers
// nil; otherwise the method's answer after it.
bool checkAnswer(ExecutionState& es, const MethodShape& shape, uint32_t arguments,
                 ObjectRef& answer) {
  auto present = [arguments](const ShapeOperand& o) { return readable(o, arguments); };
  if (!present(shape.checkAnswer) ||
      !std::all_of(shape.checkOperands, shape.checkOperands + shape.checkOperandCount, present))
    return false;
  ObjectRef words[MethodShape::kMaxCheckOperands + kPrimitiveArgumentRoom];
  for (ObjectRef& word : words) word = nilObj;
  for (uint32_t i = 0; i < shape.checkOperandCount; ++i)
    operandValue(es, shape.checkOperands[i], arguments, words[i]);
  // The check's answer is only tested, as by the method's isNil (which
  // leaves its fresh flag alone).
  if (callPrimitive(shape.checkPrimitive, words) == nilObj) return false;
  operandValue(es, shape.checkAnswer, arguments, answer);
  return true;
}

// The primitive on the same `count` operands with the last one converted;
// nil when the conversion or the primitive fails. The operands stay where
// they are.
ObjectRef retryConverted(int primitive, int conversion, const ObjectRef* operands, uint32_t count) {
  if (count == 0 || count > 4) return nilObj;
  // A Float primitive on a Float and a small integer: the converted Float
  // would hold the integer's value, so it is not made.
  const int k = primitive - kFirstFloatPairPrimitive;
  if (conversion == kIntegerToFloatPrimitive && count == 2 && k >= 0 &&
      k < kFloatPairPrimitives && operands[1].isValue()) {
    const ObjectRef cls = floatClass();
    double a;
    if (floatArg(operands[0], cls, a))
      return floatPairOperation(k, a, operands[1].uncheckedInt(), cls);
  }
  // One set of words for both calls: the last operand alone (nil after it)
  // for the conversion, then all of them with the last one converted.
  ObjectRef words[4 + kPrimitiveArgumentRoom];
  for (ObjectRef& word : words) word = nilObj;
  words[0] = operands[count - 1];
  const ObjectRef converted = callPrimitive(conversion, words);
  if (converted == nilObj) return nilObj;
  // The converted operand is fresh, and so kept by a collection that the
  // primitive may start; it is taken off afterwards, as the method's own
  // primitive instruction takes it.
  std::copy_n(operands, count - 1, words);
  words[count - 1] = converted;
  const ObjectRef answer = callPrimitive(primitive, words);
  clearFresh(converted);
  return answer;
}

// The second try of a Primitive shape (MethodShape::hasSecondTry) whose
// primitive answered nil, on the send prepared at es.returnPoint with
// `arguments` words: true with the method's answer, false when the method
// must run after all.
bool secondTryAnswer(ExecutionState& es, const MethodShape& lineShape, uint32_t arguments,
                     ObjectRef& answer) {
  // The shape may be a cache line's, which a collection inside a primitive
  // wipes; a wiped one makes no second try.
  const MethodShape shape = lineShape;
  if (shape.checkPrimitive != 0) return checkAnswer(es, shape, arguments, answer);
  if (shape.retryConversion == 0 || !shape.operandsInPlace || shape.operandCount != arguments)
    return false;
  answer = retryConverted(shape.primitive, shape.retryConversion, &stackAt(es, es.returnPoint),
                          arguments);
  return answer != nilObj;
}

// Runs a Primitive shape's primitive; false when the send must activate the
// method after all (an operand it lacks, or a nil answer that the method
// would handle).
bool primitiveAnswer(ExecutionState& es, const MethodShape& shape, uint32_t arguments,
                     ObjectRef& answer) {
  // The shape lives in a cache line, which a collection (growing the stack,
  // or inside the primitive) wipes: what is needed later is read first.
  const ShapeOperand answerOperand = shape.answer;
  const bool answersResult = shape.answersResult;
  const bool activateOnNil = shape.activateOnNil;
  const int primitive = shape.primitive;
  // The answer is read after the primitive, which may have stored into it;
  // whether it can be read at all is known before.
  if (!answersResult && !operandValue(es, answerOperand, arguments, answer)) return false;
  const bool inPlace = shape.operandsInPlace && shape.operandCount == arguments;
  ObjectRef result;
  if (inPlace) {
    // Where the send left them; the words above the top are nil, as for a
    // primitive instruction.
    ensureStackRoom(es, kPrimitiveArgumentRoom);
    result = callPrimitive(primitive, &stackAt(es, es.returnPoint));
  } else if (!callOnCopies(es, shape, arguments, primitive, result)) {
    return false;
  }
  // A line that the primitive's collection wiped has no second try.
  if (result == nilObj && activateOnNil)
    return shape.hasSecondTry() && secondTryAnswer(es, shape, arguments, answer);
  if (answersResult)
    answer = result;
  else
    operandValue(es, answerOperand, arguments, answer);
  return true;
}

// `usual`: as for forwardedEntry.
bool findInlineCondition(const ExecutionState& es, ObjectRef block, uint32_t next,
                         InlineCondition& out, bool& usual) {
  const CacheLine* line = cachedLine(unarySelector(kUnaryValue), classOf(block));
  if (line == nullptr || line->shape.kind != MethodShape::Forward) return false;
  BlockEntry entry;
  if (!forwardedEntry(line->shape, line->method, &block, 1, entry, usual) ||
      !inlineRunEnd(es, entry, next, out.end))
    return false;
  out.valueMethod = line->method;
  out.entry = static_cast<uint32_t>(entry.offset.uncheckedInt());
  return true;
}

// The inline conditions found last, one for each send offset modulo
// kConditionMemos (nested loops ask in turn). What was found depends on the
// block (see BlockState), the running method and the offset, and on the
// block's Context being the running one, which a memo compares again (the
// usual Block>>enter takes that Context from the block's first word: only
// its finds are kept).
constexpr uint32_t kConditionMemos = 32;
struct ConditionMemo {
  BlockState state;
  uint32_t next = 0;  // 0: empty (a send's next offset is at least 3)
  ObjectRef method;
  InlineCondition found;
};
ConditionMemo conditionMemos[kConditionMemos];

}  // namespace

// The offset just past the code of the block entered at `entry` in the
// running method: the compiler puts the branch over the block's code
// (branch, target high, target low) right before it, and the block's last
// instruction, stackReturn, right before that target.
bool blockCodeEnd(const ExecutionState& es, ObjectRef entry, uint32_t& end) {
  if (!entry.isValue() || es.bytecodes == nullptr) return false;
  const int64_t first = entry.uncheckedInt();
  if (first < 4 || first > es.codeSize) return false;
  const uint8_t* code = es.bytecodes - 1;  // 1-based offsets
  if (code[first - 3] != specialByte(Special::Branch)) return false;
  const uint32_t target = static_cast<uint32_t>(code[first - 2]) << 8 | code[first - 1];
  if (target <= first || target - 1 > es.codeSize) return false;
  if (code[target - 1] != specialByte(Special::StackReturn)) return false;
  end = target;
  return true;
}

bool inlineConditionAt(const ExecutionState& es, ObjectRef block, uint32_t next,
                       InlineCondition& out) {
  if (block.isValue()) return false;
  const ObjectEntry& e = entryOf(block);
  const bool memorable = BlockState::memorable(e);
  ConditionMemo& memo = conditionMemos[next % kConditionMemos];
  if (memorable && memo.next == next && memo.method == es.method && memo.state.matches(e) &&
      static_cast<const ObjectRef*>(e.body)[kBlockContext] == es.context &&
      es.context != es.stack) {
    out = memo.found;
    return true;
  }
  bool usual = false;
  if (!findInlineCondition(es, block, next, out, usual)) return false;
  if (memorable && usual) {
    memo.state.take(e);
    memo.next = next;
    memo.method = es.method;
    memo.found = out;
  }
  return true;
}

ObjectRef cachedSelfValueMethod(ObjectRef receiver) {
  // The head of every `true whileTrue:` loop asks this for true: the answer
  // for the class asked last is kept while the cache's lines are unchanged.
  static ObjectRef lastClass = pointerList;
  static ObjectRef lastAnswer = nilObj;
  static uint32_t lastGeneration = 0;
  const ObjectRef cls = classOfReceiver(receiver);
  if (cls == lastClass && lastGeneration == cacheGeneration) return lastAnswer;
  const CacheLine* line = cachedLine(unarySelector(kUnaryValue), cls);
  lastClass = cls;
  lastGeneration = cacheGeneration;
  lastAnswer = line != nullptr && line->shape.answersReceiver() ? line->method : nilObj;
  return lastAnswer;
}


namespace {

// answerInPlace for a Primitive shape. Apart, so that the Answer shapes
// (every guarded base case) do not pay for the registers that the
// primitive's call keeps.
[[gnu::noinline]] InPlace primitiveInPlace(const MethodShape& shape, ObjectRef* operands,
                                           uint32_t arguments, uint32_t roomAbove,
                                           ObjectRef& answer) {
  if (!shape.plainInPlace || shape.operandCount != arguments || roomAbove < kPrimitiveArgumentRoom)
    return InPlace::Other;
  if (!guardsHold(shape, operands, arguments)) return InPlace::Activate;
  // The shape may be a cache line's, which a collection inside the primitive
  // wipes: what is needed afterwards is read first.
  const ShapeOperand answerOperand = shape.answer;
  const bool answersResult = shape.answersResult;
  const bool activateOnNil = shape.activateOnNil;
  if (!answersResult && !operandInPlace(answerOperand, operands, arguments, answer))
    return InPlace::Other;
  const ObjectRef result = callListedPrimitive(shape.primitive, operands);
  if (result == nilObj && activateOnNil) return InPlace::Activate;
  if (answersResult)
    answer = result;
  else
    operandInPlace(answerOperand, operands, arguments, answer);
  return InPlace::Answered;
}

}  // namespace

InPlace answerInPlace(const MethodShape& shape, ObjectRef* operands, uint32_t arguments,
                      uint32_t roomAbove, ObjectRef& answer) {
  if (shape.kind == MethodShape::Answer) {
    if (!guardsHold(shape, operands, arguments)) return InPlace::Activate;
    return operandInPlace(shape.answer, operands, arguments, answer) ? InPlace::Answered
                                                                      : InPlace::Other;
  }
  if (shape.kind == MethodShape::Native)
    return nativeAnswer(static_cast<NativeMethod>(shape.native), operands, arguments, answer)
               ? InPlace::Answered
               : InPlace::Activate;
  return primitiveInPlace(shape, operands, arguments, roomAbove, answer);
}

bool answerSecondTry(ExecutionState& es, const MethodShape& shape) {
  const uint32_t arguments = es.depth - static_cast<uint32_t>(es.returnPoint - 1);
  ObjectRef answer = nilObj;
  if (!secondTryAnswer(es, shape, arguments, answer)) return false;
  answerSend(es, answer);
  return true;
}

bool returnFromInlinedBlock(ExecutionState& es, ObjectRef value) {
  if (es.depth <= frameFloor(es) + kInlineMarkWords) return false;
  const ObjectRef* mark = &stackTop(es) - (kInlineMarkWords - 1);
  if (mark[2] != pointerList || mark[1] != smallInt(static_cast<int32_t>(es.byteOffset)) ||
      !mark[0].isValue() || mark[0].uncheckedInt() < 0)
    return false;
  es.byteOffset = static_cast<uint32_t>(mark[0].uncheckedInt());
  es.returnPoint = static_cast<int32_t>(es.depth - kInlineMarkWords);  // the block's word
  answerSend(es, value);
  // As after a return into this frame.
  es.returnPoint = stackAt(es, es.linkPosition + kFrameReturnPoint).intValue();
  return true;
}

bool answerByShape(ExecutionState& es, const MethodShape& shape) {
  const uint32_t arguments = es.depth - static_cast<uint32_t>(es.returnPoint) + 1;
  ObjectRef answer = nilObj;
  switch (shape.kind) {
    case MethodShape::None:
      return false;
    case MethodShape::Answer:
      if (!guardsHold(shape, &stackAt(es, es.returnPoint), arguments) ||
          !operandValue(es, shape.answer, arguments, answer))
        return false;
      break;
    case MethodShape::Enter:  // never guarded
      return enter(es, shape, arguments);
    case MethodShape::Forward:  // forward tests the guards
      return forward(es, shape, arguments);
    case MethodShape::Primitive:
      if (!guardsHold(shape, &stackAt(es, es.returnPoint), arguments) ||
          !primitiveAnswer(es, shape, arguments, answer))
        return false;
      break;
    case MethodShape::Native:
      if (!nativeAnswer(static_cast<NativeMethod>(shape.native), &stackAt(es, es.returnPoint),
                        arguments, answer))
        return false;
      break;
  }
  answerSend(es, answer);
  return true;
}
