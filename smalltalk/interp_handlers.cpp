// The sixteen instruction handlers, the constants and the special operations.
#include "smalltalk/interp_handlers.h"

#include <climits>

#include "smalltalk/class_layout.h"
#include "smalltalk/element_sends.h"
#include "smalltalk/float_sends.h"
#include "smalltalk/inline_loop.h"
#include "smalltalk/integer_operations.h"
#include "smalltalk/interp_inline.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/plain_primitives.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/send.h"
#include "smalltalk/send_shortcut.h"
#include "smalltalk/special_selectors.h"
#include "smalltalk/symbols.h"
#include "smalltalk/trace.h"

namespace {

// The lookup of a super send starts at the superclass of the class the
// running method is installed in, or at that class when it has none.
ObjectRef superLookupClass(ObjectRef method) {
  const ObjectRef methodClass = bodyOf(method)[kMethodClass];
  uint32_t words = 0;
  const ObjectRef* body = pointerBody(methodClass, words);
  if (body != nullptr && words > kClassSuperclass && body[kClassSuperclass] != nilObj)
    return body[kClassSuperclass];
  return methodClass;
}

bool sendToSuperclass(ExecutionState& es) {
  const ObjectRef selector = literalAt(es, nextByte(es));
  prepareSend(es, es.returnPoint, selector);
  return send(es, superLookupClass(es.method));
}

// The special operations that leave the run loop's registers: the returns
// and the super send.
bool selfReturn(ExecutionState& es) { return returnValue(es, es.receiverObject); }
bool stackReturn(ExecutionState& es) {
  const ObjectRef value = pop(es);
  return returnFromInlinedBlock(es, value) || returnValue(es, value);
}

[[noreturn]] void invalidSpecial() { fatal("invalid doSpecial", ""); }

// The instructions that the run loop hands over whole: the invalid opcodes,
// the current Context, the binary sends while primitives are traced, and
// the primitives that are not plain.
bool unsupportedByte(ExecutionState&, int operand) { fatalNumber("invalid bytecode", operand); }

// The constants the run loop leaves here: the current Context, and the
// numbers past the list.
bool bytePushConstant(ExecutionState& es, int n) {
  if (static_cast<Constant>(n) != Constant::CurrentContext)
    fatal("unimplemented constant", "pushConstant");
  pushCurrentContext(es);
  return true;
}

// The binary selector n runs IntegerOperation n.
static_assert(static_cast<int>(IntegerOperation::BitXor) == kFastPathCount - 1);

// The first thirteen binary selectors try their integer primitive first.
// Without the primitive trace it runs inline (the same work: it fails unless
// both words are small integers).
bool byteSendBinary(ExecutionState& es, int n) {
  if (n >= kBinarySelectorCount) fatalNumber(kBadSpecialSelector, n);
  const int64_t returnPoint = int64_t{es.depth} - 1;
  if (!watching && n < kFastPathCount && returnPoint > frameFloor(es)) {
    ObjectRef* operands = &stackAt(es, returnPoint);
    ObjectRef result = nilObj;
    if (tracing(kTracePrimitives)) [[unlikely]] {
      const int number = kFastPathFirstPrimitive + n;
      tracePrimitive(number);
      result = callPrimitive(number, operands);
    } else {
      result = integerOperation(static_cast<IntegerOperation>(n), operands);
    }
    if (result != nilObj) {
      operands[1] = nilObj;
      operands[0] = result;
      --es.depth;
      return true;
    }
  }
  return send(es, prepareSend(es, returnPoint, binarySelector(n)));
}

// Calls primitive p (the next byte) on the n top words, replaces them by its
// answer; a failing or missing primitive answers nil and the method goes on.
bool byteDoPrimitive(ExecutionState& es, int n) {
  const int number = nextByte(es);
  if (int64_t{es.depth} - n < frameFloor(es)) fatalNumber(kBadArgumentCount, n);
  if (tracing(kTracePrimitives)) tracePrimitive(number);
  ensureStackRoom(es, kPrimitiveArgumentRoom);
  const ObjectRef result = callPrimitive(number, es.stackBase + (es.depth - n));
  for (int i = 0; i < n; ++i) popReleasing(es);
  push(es, result);
  return true;
}

}  // namespace

// The run loop. The byte offset, the stack depth and the step budget live in
// locals (registers) while the loop runs the common instructions itself:
// pushes, assignments, branches, isNil/notNil, small integer arithmetic,
// plain primitives (plain_primitives.h), sends that a method cache line
// answers in place, Float arithmetic, at:, at:put: and size where the
// library's methods are their primitives (float_sends.h, element_sends.h),
// and the head of a `true whileTrue:` loop. Everything that may look at or
// change the execution state (activations, returns, other primitives,
// Contexts, tracing) gets the locals written back first and read again
// after.
//
// Threaded dispatch: every instruction's code ends with its own jump to the
// next instruction's label, so the processor predicts each jump from the
// instruction before it rather than through one shared switch. The special
// operations get their own labels too.
bool runInstructions(ExecutionState& es) {
  // One label per code byte: its high four bits are the opcode, its low four
  // the operand. Opcode 0 is the extended form (its operand byte follows, and
  // then the opcode is looked up again in kExtendedLabels, where 0 is an
  // unsupported instruction); the bytes of opcode 15 lead straight to their
  // special operation.
#define TOLVA_SIXTEEN(label) label, label, label, label, label, label, label, label, \
                             label, label, label, label, label, label, label, label
  // The special operations by operand.
#define TOLVA_SPECIAL_ROW                                                                   \
  &&special_invalid, &&special_SelfReturn, &&special_StackReturn, &&special_invalid,        \
      &&special_Duplicate, &&special_PopTop, &&special_Branch, &&special_BranchIfTrue,      \
      &&special_BranchIfFalse, &&special_AndBranch, &&special_OrBranch, &&special_SendToSuper, \
      &&special_invalid, &&special_invalid, &&special_invalid, &&special_invalid
  // The short binary sends of the thirteen integer operations have a label each.
#define TOLVA_BINARY_ROW                                                                      \
  &&binary_Add, &&binary_Subtract, &&binary_Less, &&binary_Greater, &&binary_LessEqual,       \
      &&binary_GreaterEqual, &&binary_Equal, &&binary_NotEqual, &&binary_Multiply, &&binary_Quo, \
      &&binary_Rem, &&binary_BitAnd, &&binary_BitXor, &&opcode_SendBinary, &&opcode_SendBinary,  \
      &&opcode_SendBinary
  static_assert(kFastPathCount == 13);
  static const void* const kByteLabels[256] = {
      TOLVA_SIXTEEN(&&extended_dispatch),    TOLVA_SIXTEEN(&&opcode_PushInstance),
      TOLVA_SIXTEEN(&&opcode_PushArgument),  TOLVA_SIXTEEN(&&opcode_PushTemporary),
      TOLVA_SIXTEEN(&&opcode_PushLiteral),   TOLVA_SIXTEEN(&&opcode_PushConstant),
      TOLVA_SIXTEEN(&&opcode_AssignInstance), TOLVA_SIXTEEN(&&opcode_AssignTemporary),
      TOLVA_SIXTEEN(&&opcode_MarkArguments), TOLVA_SIXTEEN(&&opcode_SendMessage),
      TOLVA_SIXTEEN(&&opcode_SendUnary),     TOLVA_BINARY_ROW,
      TOLVA_SIXTEEN(&&opcode_Unused12),      TOLVA_SIXTEEN(&&opcode_DoPrimitive),
      TOLVA_SIXTEEN(&&opcode_Unused14),      TOLVA_SPECIAL_ROW};
  // While bytecodes are traced every short instruction passes through the trace first.
  static const void* const kTracedLabels[256] = {
      TOLVA_SIXTEEN(&&extended_dispatch), TOLVA_SIXTEEN(&&traced_byte), TOLVA_SIXTEEN(&&traced_byte),
      TOLVA_SIXTEEN(&&traced_byte),       TOLVA_SIXTEEN(&&traced_byte), TOLVA_SIXTEEN(&&traced_byte),
      TOLVA_SIXTEEN(&&traced_byte),       TOLVA_SIXTEEN(&&traced_byte), TOLVA_SIXTEEN(&&traced_byte),
      TOLVA_SIXTEEN(&&traced_byte),       TOLVA_SIXTEEN(&&traced_byte), TOLVA_SIXTEEN(&&traced_byte),
      TOLVA_SIXTEEN(&&traced_byte),       TOLVA_SIXTEEN(&&traced_byte), TOLVA_SIXTEEN(&&traced_byte),
      TOLVA_SIXTEEN(&&traced_byte)};
#undef TOLVA_SIXTEEN
#undef TOLVA_BINARY_ROW
  static_assert(static_cast<int>(Opcode::PushInstance) == 1 &&
                static_cast<int>(Opcode::SendBinary) == 11 &&
                static_cast<int>(Opcode::DoPrimitive) == 13 &&
                static_cast<int>(Opcode::DoSpecial) == 15);
  static const void* const kExtendedLabels[kOpcodeCount] = {
#define TOLVA_OPCODE_LABEL(number, enumerator, handler) &&opcode_##enumerator,
      TOLVA_OPCODES(TOLVA_OPCODE_LABEL)
#undef TOLVA_OPCODE_LABEL
  };
  static const void* const kSpecialLabels[kShortOperandLimit] = {TOLVA_SPECIAL_ROW};
#undef TOLVA_SPECIAL_ROW
  static constexpr uint8_t kSendValueByte = shortInstruction(Opcode::SendUnary, kUnaryValue);
  static constexpr uint8_t kBranchIfFalseByte =
      shortInstruction(Opcode::DoSpecial, static_cast<int>(Special::BranchIfFalse));
  // The words of the constants 0 to 7; 4 (the current Context) is made by its handler.
  static constexpr ObjectRef kConstantWords[8] = {smallInt(0), smallInt(1), smallInt(2),
                                                  smallInt(-1), nilObj,     nilObj,
                                                  trueObj,      falseObj};

  const void* const* labels = kByteLabels;
  const uint8_t* code = nullptr;
  uint32_t pc = 0;  // the next code byte, counted from 0 (es.byteOffset - 1)
  uint32_t codeSize = 0;
  ObjectRef* base = nullptr;
  uint32_t depth = 0;
  uint32_t capacity = 0;
  int32_t steps = 0;
  int byte = 0;
  int operand = 0;
  ObjectRef selector = nilObj;  // of the send being made
  int64_t returnPoint = 0;      // its receiver's position

#define TOLVA_LOAD()            \
  do {                          \
    code = es.bytecodes;        \
    pc = es.byteOffset - 1;     \
    codeSize = es.codeSize;     \
    base = es.stackBase;        \
    depth = es.depth;           \
    capacity = es.capacity;     \
    steps = es.stepsLeft;       \
    TOLVA_LABELS();             \
  } while (false)
#define TOLVA_LABELS() labels = tracing(kTraceBytecodes) ? kTracedLabels : kByteLabels
#define TOLVA_SAVE()          \
  do {                        \
    es.byteOffset = pc + 1;   \
    es.depth = depth;         \
    es.stepsLeft = steps;     \
  } while (false)
// The next code byte; running off the end of the method is fatal.
#define TOLVA_FETCH(into)                                         \
  do {                                                            \
    if (pc >= codeSize) [[unlikely]] fatalNumber(kBadOffset, pc + 1); \
    (into) = code[pc++];                                          \
  } while (false)
// Pushes do not apply the store rule; the stack grows when full.
#define TOLVA_PUSH(word)                         \
  do {                                           \
    const ObjectRef pushed_ = (word);            \
    if (depth >= capacity) [[unlikely]] {        \
      es.depth = depth;                          \
      growStack(es, 1);                          \
      base = es.stackBase;                       \
      capacity = es.capacity;                    \
    }                                            \
    base[depth++] = pushed_;                     \
  } while (false)
// Takes the top off: its word becomes nil.
#define TOLVA_POP(into)                                                         \
  do {                                                                          \
    if (depth <= frameFloor(es)) [[unlikely]] fatalNumber(kStackUnderflow, depth); \
    (into) = base[--depth];                                                     \
    base[depth] = nilObj;                                                       \
  } while (false)
// A branch target: two bytes, high first, inside the code.
#define TOLVA_TARGET(into)                                                       \
  do {                                                                           \
    uint32_t high_ = 0, low_ = 0;                                                \
    if (pc + 1 < codeSize) [[likely]] {                                          \
      high_ = code[pc];                                                          \
      low_ = code[pc + 1];                                                       \
      pc += 2;                                                                   \
    } else {                                                                     \
      TOLVA_FETCH(high_);                                                        \
      TOLVA_FETCH(low_);                                                         \
    }                                                                            \
    (into) = high_ << 8 | low_;                                                  \
    if ((into) < 1 || (into) > codeSize) [[unlikely]] fatalNumber(kBadBranch, (into)); \
  } while (false)
// A slice of n steps runs at most n - 1 instructions.
#define TOLVA_NEXT()                   \
  do {                                 \
    if (--steps <= 0) [[unlikely]] {   \
      steps = 0;                       \
      TOLVA_SAVE();                    \
      return true;                     \
    }                                  \
    TOLVA_FETCH(byte);                 \
    operand = byte & 0x0F;             \
    goto* labels[byte];                \
  } while (false)
// Runs a handler on the written-back state, then reads the state again.
#define TOLVA_CALL(call)          \
  do {                            \
    TOLVA_SAVE();                 \
    if (!(call)) return false;    \
    TOLVA_LOAD();                 \
    TOLVA_NEXT();                 \
  } while (false)
// Take the top off; when it is `when`, put it back (keep) or leave the nil
// word as the top (branchIfTrue/False), and jump.
// The top comes off (its word nil) unless the branch is taken: then the top
// stays (keep) or is the nil word.
#define TOLVA_BRANCH_IF(when, keep)                                              \
  do {                                                                           \
    if (depth <= frameFloor(es)) [[unlikely]] fatalNumber(kStackUnderflow, depth); \
    ObjectRef& top_ = base[depth - 1];                                           \
    const ObjectRef value_ = top_;                                               \
    uint32_t target_ = 0;                                                        \
    TOLVA_TARGET(target_);                                                       \
    if (value_ == (when)) {                                                      \
      if (!(keep)) top_ = nilObj;                                                \
      pc = target_ - 1;                                                          \
    } else {                                                                     \
      top_ = nilObj;                                                             \
      --depth;                                                                   \
    }                                                                            \
    TOLVA_NEXT();                                                                \
  } while (false)

  TOLVA_LOAD();
  TOLVA_NEXT();

// The extended form is traced with its operand byte.
extended_dispatch: {
  const int opcode = operand;
  TOLVA_FETCH(operand);
  if (tracing(kTraceBytecodes)) [[unlikely]] {
    traceBytecode(opcode, operand);
    TOLVA_LABELS();
  }
  goto* kExtendedLabels[opcode];
}

traced_byte:
  traceBytecode(byte >> 4, operand);
  TOLVA_LABELS();
  goto* kByteLabels[byte];

opcode_Extended:
opcode_Unused12:
opcode_Unused14:
  TOLVA_CALL(unsupportedByte(es, operand));

// An instance variable past the receiver's body (an old instance of a changed
// class, or a receiver without words) reads as nil.
opcode_PushInstance:
  TOLVA_PUSH(static_cast<uint32_t>(operand) < es.receiverWords ? es.receiverBody[operand] : nilObj);
  TOLVA_NEXT();

opcode_PushArgument:
  if (static_cast<uint32_t>(operand) >= es.argumentCount) fatalNumber(kBadArgument, operand);
  TOLVA_PUSH(es.arguments[operand]);
  TOLVA_NEXT();

opcode_PushTemporary:
  if (static_cast<uint32_t>(operand) >= es.temporaryCount) fatalNumber(kBadTemporary, operand);
  TOLVA_PUSH(es.temporaries[operand]);
  TOLVA_NEXT();

opcode_PushLiteral:
  if (static_cast<uint32_t>(operand) >= es.literalCount) [[unlikely]]
    fatalNumber(kBadLiteral, operand);
  TOLVA_PUSH(es.literals[operand]);
  TOLVA_NEXT();

opcode_PushConstant:
  if (operand < 8 && static_cast<Constant>(operand) != Constant::CurrentContext) {
    TOLVA_PUSH(kConstantWords[operand]);
    TOLVA_NEXT();
  }
  TOLVA_CALL(bytePushConstant(es, operand));

// Assignments store without the store rule; the top stays. A store past the
// receiver's body is dropped.
opcode_AssignInstance:
  if (static_cast<uint32_t>(operand) < es.receiverWords) es.receiverBody[operand] = base[depth - 1];
  TOLVA_NEXT();

opcode_AssignTemporary:
  if (static_cast<uint32_t>(operand) >= es.temporaryCount) fatalNumber(kBadTemporary, operand);
  es.temporaries[operand] = base[depth - 1];
  TOLVA_NEXT();

// Marks the receiver of the coming send; costs no step.
opcode_MarkArguments: {
  const int64_t returnPoint = int64_t{depth} - operand + 1;
  if (operand < 1 || returnPoint <= frameFloor(es)) fatalNumber(kBadArgumentCount, operand);
  es.returnPoint = static_cast<int32_t>(returnPoint);
  if (steps < INT32_MAX) ++steps;
  TOLVA_NEXT();
}

opcode_SendMessage:
  if (static_cast<uint32_t>(operand) >= es.literalCount) [[unlikely]]
    fatalNumber(kBadLiteral, operand);
  selector = es.literals[operand];
  returnPoint = es.returnPoint;
  // at:put: inside an Array's body (element_sends.h).
  if (selector == atPutSelector && returnPoint + 2 == depth && !watching &&
      returnPoint > frameFloor(es) &&
      elementStoreInPlace(es, static_cast<int32_t>(returnPoint), base + (returnPoint - 1))) {
    depth -= 2;
    TOLVA_NEXT();
  }
  if (mayStartInlineLoop(selector)) goto inline_loop;
  goto send_by_cache;

// to:do:, do: and inject:into: with a block of this method's (inline_loop.h).
inline_loop:
  if (!watching && !tracingAny() && returnPoint > frameFloor(es)) {
    TOLVA_SAVE();
    const bool inlined = startInlineLoop(es, selector, static_cast<int32_t>(returnPoint));
    TOLVA_LOAD();  // (the first look at the loop's methods may have collected)
    if (inlined) TOLVA_NEXT();
  }
  goto send_by_cache;

// isNil and notNil are answered inline while watching is off.
opcode_SendUnary:
  if (!watching && (operand == kUnaryIsNil || operand == kUnaryNotNil)) {
    if (depth <= frameFloor(es)) fatalNumber(kStackUnderflow, depth);
    ObjectRef& top = base[depth - 1];
    top = booleanObj((top == nilObj) == (operand == kUnaryIsNil));
    TOLVA_NEXT();
  }
  if (operand >= kUnarySelectorCount) fatalNumber(kBadSpecialSelector, operand);
  // size of an object whose size is its word count (element_sends.h).
  if (operand == kUnarySize && !watching && depth > frameFloor(es)) {
    const ObjectRef count =
        elementCountAnswer(es, static_cast<int32_t>(depth), base + (depth - 1));
    if (count != nilObj) {
      base[depth - 1] = count;
      TOLVA_NEXT();
    }
  }
  selector = unarySelector(operand);
  returnPoint = depth;
  goto send_by_cache;

// The short sends of the first thirteen binary selectors: each operation has
// its own code, which ends in its own jump to the next instruction (a jump
// shared by all of them, through a switch on the operation, is predicted
// poorly). Two small integers are answered there; other operands go on to
// the Float sends and the send itself (binary_other). While watching or
// tracing primitives, opcode_SendBinary makes them.
#define TOLVA_INTEGER_SEND(op)                                                              \
  binary_##op:                                                                              \
  if (int64_t{depth} - 1 <= frameFloor(es) || watching || tracing(kTracePrimitives))        \
    goto opcode_SendBinary;                                                                 \
  {                                                                                         \
    ObjectRef* const operands_ = base + (depth - 2);                                        \
    if ((operands_[0].word & operands_[1].word & 1u) != 0) {                                \
      const ObjectRef result_ = integerOperation(IntegerOperation::op,                      \
                                                 operands_[0].uncheckedInt(),               \
                                                 operands_[1].uncheckedInt());              \
      if (result_ != nilObj) {                                                              \
        operands_[1] = nilObj;                                                              \
        operands_[0] = result_;                                                             \
        --depth;                                                                            \
        TOLVA_NEXT();                                                                       \
      }                                                                                     \
    }                                                                                       \
  }                                                                                         \
  goto binary_other;
  TOLVA_INTEGER_SEND(Add)
  TOLVA_INTEGER_SEND(Subtract)
  TOLVA_INTEGER_SEND(Less)
  TOLVA_INTEGER_SEND(Greater)
  TOLVA_INTEGER_SEND(LessEqual)
  TOLVA_INTEGER_SEND(GreaterEqual)
  TOLVA_INTEGER_SEND(Equal)
  TOLVA_INTEGER_SEND(NotEqual)
  TOLVA_INTEGER_SEND(Multiply)
  TOLVA_INTEGER_SEND(Quo)
  TOLVA_INTEGER_SEND(Rem)
  TOLVA_INTEGER_SEND(BitAnd)
  TOLVA_INTEGER_SEND(BitXor)
#undef TOLVA_INTEGER_SEND

// Not two small integers, or a result too large: a Float and a Float or
// small integer are answered as a cached send of the Float method would
// answer them, its operands released (float_sends.h); anything else is sent.
binary_other: {
  returnPoint = int64_t{depth} - 1;
  ObjectRef* operands = base + (returnPoint - 1);
  const ObjectRef result = floatSendAnswer(es, operand, static_cast<int32_t>(returnPoint), operands);
  if (result != nilObj) {
    operands[1] = nilObj;
    operands[0] = result;
    --depth;
    TOLVA_NEXT();
  }
  selector = binarySelector(operand);
  goto send_by_cache;
}

// The binary sends that have no label of their own, and the thirteen above
// while watching or tracing primitives or in their long form: the integer
// operation runs inline (through the handler while primitives are traced,
// which it does), then as binary_other.
opcode_SendBinary:
  if (operand >= kBinarySelectorCount) fatalNumber(kBadSpecialSelector, operand);
  returnPoint = int64_t{depth} - 1;
  if (operand < kFastPathCount && !watching && returnPoint > frameFloor(es)) {
    if (tracing(kTracePrimitives)) [[unlikely]]
      TOLVA_CALL(byteSendBinary(es, operand));
    ObjectRef* operands = base + (returnPoint - 1);
    const ObjectRef result = integerOperation(static_cast<IntegerOperation>(operand), operands);
    if (result != nilObj) {
      operands[1] = nilObj;
      operands[0] = result;
      --depth;
      TOLVA_NEXT();
    }
    goto binary_other;
  }
  // at: of an element that is there (element_sends.h).
  if (operand == kBinaryAt && !watching && returnPoint > frameFloor(es)) {
    ObjectRef* operands = base + (returnPoint - 1);
    const ObjectRef element =
        elementSendAnswer(es, static_cast<int32_t>(returnPoint), operands);
    if (element != nilObj) {
      operands[1] = nilObj;  // the index, a small integer
      operands[0] = element;
      --depth;
      TOLVA_NEXT();
    }
  }
  selector = binarySelector(operand);
  if (operand == kBinaryDo) goto inline_loop;
  goto send_by_cache;

// A send whose method cache line is good (and every send while neither
// watching nor tracing is on) is made here, as `send` would make it: a
// method that answers in place (an accessor, a constant, a plain primitive)
// without writing the loop's state back, other shapes by answerByShape,
// everything else by an activation. A miss takes the full path.
send_by_cache:
  if (returnPoint > frameFloor(es) && returnPoint <= depth && !watching && !tracingAny()) {
    const ObjectRef receiver = base[returnPoint - 1];
    const ObjectRef cls = receiver.isValue() ? integerClass() : classOf(receiver);
    if (const CacheLine* found = cachedLine(selector, cls)) {
      const CacheLine& line = *found;
      const ObjectRef method = line.method;
      InPlace done = InPlace::Other;
      if (line.shape.kind != MethodShape::None) {
        // A unary send of a method answering self ("value" to true, in the
        // library's loops) leaves the stack as it was.
        if (returnPoint == depth && line.shape.answersReceiver()) {
          interp.currentSelector = selector;
          interp.currentMethod = method;
          es.returnPoint = static_cast<int32_t>(returnPoint);
          clearFresh(receiver);
          TOLVA_NEXT();
        }
        const uint32_t first = static_cast<uint32_t>(returnPoint) - 1;
        ObjectRef answer = nilObj;
        const MethodShape& shape = line.shape;
        if (shape.kind == MethodShape::Primitive && shape.answersResult && shape.plainInPlace &&
            shape.guardCount == 0 && shape.operandCount == depth - first &&
            capacity - depth >= kPrimitiveArgumentRoom) {
          // The common case of answerInPlace (a Float or Array primitive
          // answering its result) without its call. The primitive may
          // collect, which wipes the line: the flag is read first.
          const bool activateOnNil = shape.activateOnNil;
          answer = callListedPrimitive(shape.primitive, base + first);
          done = answer == nilObj && activateOnNil ? InPlace::Activate : InPlace::Answered;
        } else {
          done = answerInPlace(shape, base + first, depth - first, capacity - depth, answer);
        }
        if (done == InPlace::Answered) {
          interp.currentSelector = selector;
          interp.currentMethod = method;
          es.returnPoint = static_cast<int32_t>(returnPoint);
          releaseWords(base + first, base + depth);
          base[first] = answer;
          depth = first + 1;
          TOLVA_NEXT();
        }
      }
      TOLVA_SAVE();
      es.returnPoint = static_cast<int32_t>(returnPoint);
      interp.currentSelector = selector;
      interp.currentMethod = method;
      // No primitive has run unless `done` says Activate: the line is still
      // good, or wiped by a collection (which leaves no second try).
      if (done == InPlace::Activate
              ? !line.shape.hasSecondTry() || !answerSecondTry(es, line.shape)
              : line.shape.kind == MethodShape::None || !answerByShape(es, line.shape))
        activate(es);
      TOLVA_LOAD();
      TOLVA_NEXT();
    }
  }
  TOLVA_CALL(send(es, prepareSend(es, returnPoint, selector)));

// A plain primitive runs on the stack words in place; the others (and all of
// them while primitives are traced) through the handler.
opcode_DoPrimitive:
  if (pc < codeSize && kPlainPrimitives[code[pc]] && !tracing(kTracePrimitives)) {
    const int number = code[pc++];
    if (int64_t{depth} - operand < frameFloor(es)) fatalNumber(kBadArgumentCount, operand);
    if (capacity - depth < kPrimitiveArgumentRoom) [[unlikely]] {
      es.depth = depth;
      growStack(es, kPrimitiveArgumentRoom);
      base = es.stackBase;
      capacity = es.capacity;
    }
    ObjectRef* const arguments = base + (depth - operand);
    const ObjectRef result = callListedPrimitive(number, arguments);
    releaseWords(arguments, arguments + operand);
    depth -= operand;
    TOLVA_PUSH(result);
    TOLVA_NEXT();
  }
  TOLVA_CALL(byteDoPrimitive(es, operand));

opcode_DoSpecial:
  if (operand >= kShortOperandLimit) goto special_invalid;
  goto* kSpecialLabels[operand];

special_SelfReturn:
  TOLVA_CALL(selfReturn(es));
special_StackReturn:
  // The end of a whileTrue: condition that runs inline (send_shortcut.h),
  // as returnFromInlinedBlock makes it: the value takes the block's word,
  // the mark comes off, and the method goes on after the send.
  if (depth > frameFloor(es) + kInlineMarkWords + 1) {
    ObjectRef* const mark = base + (depth - 1 - kInlineMarkWords);
    if (mark[2] == pointerList && mark[1] == smallInt(static_cast<int32_t>(pc + 1)) &&
        mark[0].isValue()) {
      if (mark[0].uncheckedInt() < 0) {  // the end of a pass of an inline loop
        TOLVA_SAVE();
        stepInlineLoop(es, mark);
        TOLVA_LOAD();
        TOLVA_NEXT();
      }
      const ObjectRef value = base[--depth];
      base[depth] = nilObj;  // taken off as by a pop: it keeps its fresh flag
      pc = static_cast<uint32_t>(mark[0].uncheckedInt()) - 1;
      ObjectRef* const blockWord = mark - 1;
      releaseWords(blockWord, base + depth);
      *blockWord = value;
      depth = static_cast<uint32_t>(blockWord - base) + 1;
      es.returnPoint = stackAt(es, es.linkPosition + kFrameReturnPoint).intValue();
      TOLVA_NEXT();
    }
  }
  TOLVA_CALL(stackReturn(es));
special_Duplicate:
  if (depth == 0) [[unlikely]] fatalNumber(kStackUnderflow, depth);
  // `true whileTrue: [...]` (the library's loops) tests its receiver with
  // duplicate, "value", branchIfFalse: when true answers itself to value,
  // the three leave everything as it was but the registers of the send.
  if (base[depth - 1] == trueObj && steps > 3 && pc + 3 < codeSize && code[pc] == kSendValueByte &&
      code[pc + 1] == kBranchIfFalseByte && !watching && !tracingAny()) {
    const ObjectRef method = cachedSelfValueMethod(trueObj);
    const uint32_t target = static_cast<uint32_t>(code[pc + 2]) << 8 | code[pc + 3];
    if (method != nilObj && target >= 1 && target <= codeSize) {
      interp.currentSelector = unarySelector(kUnaryValue);
      interp.currentMethod = method;
      es.returnPoint = static_cast<int32_t>(depth + 1);
      pc += 4;
      steps -= 2;  // and one more in TOLVA_NEXT
      TOLVA_NEXT();
    }
  }
  // `[condition] whileTrue: [...]`: the same three instructions send
  // "value" to a block that runs inline, in this frame (send_shortcut.h).
  // The duplicate and the send are made here; the block's code follows.
  if (!base[depth - 1].isValue() && steps > 2 && pc + 1 < codeSize &&
      code[pc] == kSendValueByte && code[pc + 1] == kBranchIfFalseByte &&
      depth >= frameFloor(es) && capacity - depth > kInlineMarkWords && !watching &&
      !tracingAny()) {
    const ObjectRef block = base[depth - 1];
    InlineCondition run;
    if (inlineConditionAt(es, block, pc + 2, run)) {
      interp.currentSelector = unarySelector(kUnaryValue);
      interp.currentMethod = run.valueMethod;
      base[depth] = block;  // the duplicate, the receiver of "value"
      es.returnPoint = static_cast<int32_t>(depth + 1);
      base[depth + 1] = smallInt(static_cast<int32_t>(pc + 2));  // resume after the send
      base[depth + 2] = smallInt(static_cast<int32_t>(run.end));
      base[depth + 3] = pointerList;
      depth += 1 + kInlineMarkWords;
      pc = run.entry - 1;
      steps -= 1;  // and one more in TOLVA_NEXT
      TOLVA_NEXT();
    }
  }
  TOLVA_PUSH(base[depth - 1]);
  TOLVA_NEXT();
special_PopTop: {
  ObjectRef value = nilObj;
  TOLVA_POP(value);
  clearFresh(value);
  TOLVA_NEXT();
}
special_Branch: {
  uint32_t target = 0;
  TOLVA_TARGET(target);
  pc = target - 1;
  TOLVA_NEXT();
}
special_BranchIfTrue:
  TOLVA_BRANCH_IF(trueObj, false);
special_BranchIfFalse:
  TOLVA_BRANCH_IF(falseObj, false);
special_AndBranch:
  TOLVA_BRANCH_IF(falseObj, true);
special_OrBranch:
  TOLVA_BRANCH_IF(trueObj, true);
special_SendToSuper:
  TOLVA_CALL(sendToSuperclass(es));
special_invalid:
  invalidSpecial();
#undef TOLVA_BRANCH_IF
#undef TOLVA_CALL
#undef TOLVA_NEXT
#undef TOLVA_TARGET
#undef TOLVA_POP
#undef TOLVA_PUSH
#undef TOLVA_FETCH
#undef TOLVA_SAVE
#undef TOLVA_LOAD
#undef TOLVA_LABELS
}
